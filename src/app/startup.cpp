#include "app/startup.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QString>

#include "app/autosave.h"
#include "app/main_window.h"
#include "app/window_links.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "followup/scan_results_window.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "platform/print/dp.h"
#include "platform/program_identity.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "store/client_numbers.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/data_location.h"
#include "store/data_permissions.h"
#include "store/files.h"
#include "store/history.h"

namespace app {

namespace {

// The newest "before import" backup made shortly before the moment, if any: an import cut
// short by an earlier version left its histories right after it.
std::optional<store::Backup> BackupJustBefore(const QDateTime& moment) {
    constexpr qint64 ImportSeconds = 3600;
    for (const store::Backup& backup : store::ListBackups()) {
        if (backup.reason == store::BackupReason::BeforeImport && backup.when <= moment &&
            backup.when.secsTo(moment) <= ImportSeconds) {
            return backup;
        }
    }
    return std::nullopt;
}

// History files that no client on file has are kept, and the user is told of them once.
void TellOfOrphanedHistories() {
    const store::OrphanedHistories orphans = store::FindOrphanedHistories();
    if (!orphans.untold) return;
    QDateTime newest;
    std::string names;
    for (std::size_t i = 0; i < orphans.numbers.size(); ++i) {
        const std::string path = store::HistoryFileName(orphans.numbers[i]);
        newest = std::max(newest, QFileInfo(QString::fromStdString(path)).lastModified());
        if (i < 3) names += (i == 0 ? "" : ", ") + path.substr(store::DataFolder().size());
    }
    if (orphans.numbers.size() > 3) names += ", ...";
    const std::size_t count = orphans.numbers.size();
    std::string text =
        "The folder \"" + store::DataFolder() + "\" holds " +
        (count == 1 ? "the history file of an earlier client"
                    : "the history files of " + std::to_string(count) + " earlier clients") +
        " that no client on file has (" + names +
        (count == 1 ? "). It is kept as it is, and no new client takes its number."
                    : "). They are kept as they are, and no new client takes their numbers.");
    if (const auto backup = BackupJustBefore(newest)) {
        std::string name = backup->folder;
        if (name.ends_with('/')) name.pop_back();
        name = name.substr(name.rfind('/') + 1);
        text +=
            " They were written by an import that did not finish. The clients as they were "
            "before it are in the backup \"" +
            name + "\" (Restore from a Backup..., Ctrl+Shift+R, in the list's menu).";
    }
    gui::EZ_MSGBOX(shell::MainForm, text + "{!}", "Earlier Histories Found", "OK");
    store::NoteOrphanedHistoriesTold(orphans.numbers);
}

// Says once, after the main window is shown, what the start found in the data folder.
void TellWhatTheStartFound(const store::FolderOpening& folder) {
    if (folder.access == store::FolderAccess::ReadOnly) {
        gui::EZ_MSGBOX(shell::MainForm,
                       "The clients in \"" + store::DataFolder() +
                           "\" can be read, but changes cannot be saved there (" + folder.reason +
                           "). Nothing you change in this run will be kept.{!}",
                       "Read-Only Clients", "OK");
        return;
    }
    if (MainWindow.LastLoad == store::LoadOutcome::CreatedBesideHistories) {
        gui::EZ_MSGBOX(shell::MainForm,
                       "There is no client file \"" + store::DataFilePath() +
                           "\", so Vendrix 2 starts with an empty client list. The folder still "
                           "holds history files of earlier clients; they are kept as they are, "
                           "and no new client takes their numbers.{!}",
                       "New Client File", "OK");
    }
    if (MainWindow.LastLoad == store::LoadOutcome::Loaded) TellOfOrphanedHistories();
    if (store::SaveNeeded != 0 && MainWindow.LastLoad != store::LoadOutcome::Loaded) {
        gui::EZ_MSGBOX(shell::MainForm,
                       "The new client file \"" + store::DataFilePath() +
                           "\" could not be created (" + store::LastFileError() +
                           "). Your changes are kept in memory, and Vendrix 2 tries again "
                           "after each change and when you exit.{!}",
                       "Clients Not Saved", "OK");
    }
}

// The help file ships beside the program, or in the share folder of an installed one.
std::string FindHelpFile(const std::string& appPath) {
    const std::string beside = appPath + shell::HelpFileName;
    const std::string installed =
        appPath + "../share/" + platform::ApplicationId + "/" + shell::HelpFileName;
    return !QFileInfo::exists(QString::fromStdString(beside)) &&
                   QFileInfo::exists(QString::fromStdString(installed))
               ? QDir::cleanPath(QString::fromStdString(installed)).toStdString()
               : beside;
}

void KeepTheDailyBackup() {
    const store::BackupResult daily = store::MakeDailyBackupIfDue(platform::LocalDateTime());
    if (daily.ok && !daily.notice.empty()) {
        gui::EZ_MSGBOX(shell::MainForm,
                       "Today's backup of the clients in \"" + store::DataFolder() +
                           "\" was made without some histories. " + daily.notice + "{!}",
                       "Backup Incomplete", "OK");
    }
    // Read-only clients were told about already, and need no backup: nothing can change them.
    if (daily.ok || !store::DataWritable()) return;
    gui::EZ_MSGBOX(shell::MainForm,
                   "Today's backup of the clients in \"" + store::DataFolder() +
                       "\" could not be made (" + daily.error +
                       "). Your clients are as they were; Vendrix 2 tries again at its next "
                       "start.{!}",
                   "Backup Not Made", "OK");
}

}  // namespace

void Initialise() {
    // Client data is private: whatever the program creates (the data folder and its files, the
    // lock, reports saved as PDF files) is readable and writable by the user alone.
    ::umask(S_IRWXG | S_IRWXO);
    // The client table and the scan results start zero-filled as the program's own tables;
    // the table is filled from the file while the main window is built.
    gui::EZ_ALLOWNOTIFYEVENTS(1);
    gui::EZ_ALLOWKEYEVENTS(1);
    gui::EZ_SUBCLASSMODE(0);
    LinkWindows();
    gui::EZ_DEFFONT(MainFontNumber, "Arial", 9, "V");
    gui::EZ_DEFFONT(SymbolFontNumber, "Webdings", 18, "BSV");
    const std::string appPath = gui::EZ_GETPATHTEXT(gui::EZ_GETAPPPATHNAME());
    shell::SetStartUpState({
        .MainFont = MainFontNumber,
        .SymbolFont = SymbolFontNumber,
        .AppPath = appPath,
        .AppIcon = gui::EZ_LOADICON("$pgmicon"),
        .HelpFilePath = FindHelpFile(appPath),
        .DateMask = "MM/dd/yy",
    });
    // The clients and their histories live beside a copy the user keeps in a folder of their
    // own, and in the user's data folder for an installed program.
    const store::DataHome home = store::ChooseDataHome(appPath, platform::ApplicationId);
    store::SetDataFolder(home.folder + store::DataFolderName);
    store::RepairDataPermissions(home);
    // Reports that cannot be printed are kept as PDF files: an installed program's in the
    // user's documents folder, where a file manager shows them, a copy's beside its data. The
    // user is told in the program's own message boxes.
    print::SetReportsFolder(home.installed ? std::string() : home.folder + "Reports/");
    print::SetNoticeHandler([](const std::string& caption, const std::string& text) {
        gui::EZ_MSGBOX("", text, caption, "OK");
    });
}

void RunStartUpScan() {
    if (store::ProgramSettings.NoScanOnStart != 0) return;
    shell::ManualScanFlag = 0;
    const followup::DayNumber today = followup::TodayDayNumber();
    if (store::ProgramSettings.LastStartScanDate == today) return;
    store::ProgramSettings.LastStartScanDate = today;
    store::SaveNeeded = 1;
    followup::ScanFollowUps(today, today, shell::MainForm, 0);
}

void StartProcedure(const std::string&) {
    const ActionScope action;
    CancelScheduledSave();
    Initialise();
    const store::FolderOpening folder = store::OpenDataFolder();
    if (folder.access == store::FolderAccess::HeldByAnother) {
        gui::EZ_MSGBOX("",
                       "Vendrix 2 is already running on the clients in \"" + store::DataFolder() +
                           "\". Use the window that is open; this copy stops without touching "
                           "the data.{!}",
                       "Vendrix 2", "OK");
        return;
    }
    OpenMainWindow("");
    if (MainWindow.LoadFailed) {
        gui::EZ_UNLOADFORM(shell::MainForm);
        return;
    }
    SaveOnAbruptExit(true);
    TellWhatTheStartFound(folder);
    // The day's first start keeps the files as the last run left them, before the scan below
    // changes anything.
    KeepTheDailyBackup();
    RunStartUpScan();
}

}  // namespace app
