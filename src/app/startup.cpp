#include "app/startup.h"

#include "app/app_state.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "platform/gui/ez.h"
#include "store/client_table.h"
#include "store/files.h"

namespace app {

void Initialise() {
    store::ClientTable.fill(store::EmptyRecord());
    followup::ScanResults.fill(store::EmptyRecord());
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
    OpenMainWindow("");
    if (LoadFailed) {
        gui::EZ_UNLOADFORM(MainForm);
        return;
    }
    RunStartUpScan();
}

}  // namespace app
