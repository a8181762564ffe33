#include "app/startup.h"

#include <sys/stat.h>

#include "app/app_state.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "platform/gui/ez.h"
#include "platform/print/dp.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/folder_lock.h"

namespace app {

namespace {

// Held for the whole run: a second copy of the program on the same data would save over
// this one's changes at exit.
store::FolderLock DataLock;

bool LockDataFolder() {
    return DataLock.acquire(DataFolder() + DataLockName);
}

}  // namespace

void ReleaseDataLock() { DataLock.release(); }

void Initialise() {
    // Client data is private: whatever the program creates (the data folder and its files, the
    // lock, reports saved as PDF files) is readable and writable by the user alone.
    ::umask(S_IRWXG | S_IRWXO);
    // The client table and the scan results start zero-filled as the program's own tables;
    // the table is filled from the file while the main window is built.
    gui::EZ_ALLOWNOTIFYEVENTS(1);
    gui::EZ_ALLOWKEYEVENTS(1);
    gui::EZ_SUBCLASSMODE(0);
    MainFont = MainFontNumber;
    SymbolFont = SymbolFontNumber;
    gui::EZ_DEFFONT(MainFontNumber, "Arial", 9, "V");
    gui::EZ_DEFFONT(SymbolFontNumber, "Webdings", 18, "BSV");
    AppPath = gui::EZ_GETPATHTEXT(gui::EZ_GETAPPPATHNAME());
    AppIcon = gui::EZ_LOADICON("$pgmicon");
    HelpFilePath = AppPath + HelpFileName;
    followup::InitMonthLengths();
    DateMask = "MM/dd/yy";
    store::EnsureFolder(DataFolder());
    // Reports that cannot be printed are kept beside the data, and the user is told in the
    // program's own message boxes.
    print::SetReportsFolder(AppPath + "Reports/");
    print::SetNoticeHandler([](const std::string& caption, const std::string& text) {
        gui::EZ_MSGBOX("", text, caption, "OK");
    });
}

void RunStartUpScan() {
    if (store::ProgramSettings.NoScanOnStart != 0) return;
    ManualScanFlag = 0;
    const followup::DayNumber today = followup::TodayDayNumber();
    if (store::ProgramSettings.LastStartScanDate == today) return;
    store::ProgramSettings.LastStartScanDate = today;
    store::SaveNeeded = 1;
    followup::ScanFollowUps(today, today, MainForm, 0);
}

void StartProcedure(const std::string&) {
    Initialise();
    if (!LockDataFolder()) {
        gui::EZ_MSGBOX("",
                       "Vendrix 2 is already running on the clients in \"" + DataFolder() +
                           "\". Use the window that is open; this copy stops without touching "
                           "the data.{!}",
                       "Vendrix 2", "OK");
        return;
    }
    OpenMainWindow("");
    if (LoadFailed) {
        gui::EZ_UNLOADFORM(MainForm);
        return;
    }
    RunStartUpScan();
}

}  // namespace app
