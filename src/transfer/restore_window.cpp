#include "transfer/restore_window.h"

#include <QLocale>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/backups.h"
#include "store/client_table.h"
#include "transfer/window_buttons.h"

namespace transfer {

namespace {

using shell::RestoreForm;

constexpr double ButtonRow = 17.25;
constexpr double ButtonWidth = 8.25;
constexpr double ButtonHeight = 1.5;

// The backups as the list shows them, read when the window opens.
struct RestoreWindowState {
    std::vector<store::Backup> backups;
};

RestoreWindowState& Window() {
    static RestoreWindowState state;
    return state;
}

std::string When(const store::Backup& backup) {
    return QLocale().toString(backup.when, QStringLiteral("yyyy-MM-dd  HH:mm:ss")).toStdString();
}

std::string Clients(int count) {
    return std::to_string(count) + (count == 1 ? " client" : " clients");
}

int ClientsOnFile() {
    int count = 0;
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        if (store::ClientTable[slot].InUse > 0) ++count;
    }
    return count;
}

const store::Backup* Chosen() {
    const int row = gui::FirstSelectedRow(RestoreForm, BackupList);
    const auto& backups = Window().backups;
    return row >= 0 && static_cast<std::size_t>(row) < backups.size()
               ? &backups[static_cast<std::size_t>(row)]
               : nullptr;
}

void ShowChoice() {
    const store::Backup* backup = Chosen();
    if (backup == nullptr) {
        gui::EZ_SETTEXT(RestoreForm, RestoreChoice, "Highlight the backup to restore.");
        gui::EZ_DISABLEC(RestoreForm, RestoreButton);
        return;
    }
    gui::EZ_SETTEXT(RestoreForm, RestoreChoice,
                    "Restores the " + Clients(backup->clients) + " of " + When(*backup) + " (" +
                        store::BackupReasonWords(backup->reason) + ").");
    gui::EZ_ENABLEC(RestoreForm, RestoreButton);
}

// The restored files are in place, yet the client file cannot be read back: the program stops
// as it does at a start that cannot read it, with no question, so that the empty table in
// memory is never saved over it.
void TellRestoredFileUnreadable(const store::Backup& backup, const store::BackupResult& result,
                                const std::string& reason) {
    store::SaveNeeded = 0;
    store::ProgramSettings.ConfirmExit = 0;
    gui::EZ_MSGBOX(shell::MainForm,
                   "The clients of " + When(backup) + " were restored, but the client file \"" +
                       store::DataFilePath() + "\" cannot be read now (" + reason +
                       "). Vendrix 2 will stop so that nothing is saved in its place; check the "
                       "drive and start again. The clients you had before are in the backup \"" +
                       result.folder + "\".{S}",
                   "Clients Not Loaded", "OK");
    gui::EZ_UNLOADFORM(shell::MainForm);
}

void Restore() {
    const store::Backup* chosen = Chosen();
    if (chosen == nullptr) return;
    const store::Backup backup = *chosen;
    const std::string question = "Replace the " + Clients(ClientsOnFile()) +
                                 " on file, and their histories, by the " +
                                 Clients(backup.clients) + " of the backup of " + When(backup) +
                                 "? The clients on file now are kept in a backup first, so you "
                                 "can go back to them.{?}";
    if (gui::EZ_MSGBOX(RestoreForm, question, RestoreWindowCaption, "YN") != 1) return;
    const store::BackupResult result = store::RestoreBackup(backup, platform::LocalDateTime());
    if (!result.ok) {
        gui::EZ_MSGBOX(RestoreForm,
                       "The backup could not be restored (" + result.error +
                           "). Nothing was changed: the clients on file are as they were.{!}",
                       "Restore Not Possible", "OK");
        return;
    }
    // The table in memory is the replaced folder's: it goes at once, before anything can save it
    // over the restored files.
    std::string reason;
    const store::LoadOutcome loaded = store::LoadClientTable(&reason);
    shell::ResortMainList();
    gui::EZ_UNLOADFORM(RestoreForm);
    if (loaded == store::LoadOutcome::Unreadable) {
        TellRestoredFileUnreadable(backup, result, reason);
        return;
    }
    std::string text = "The " + Clients(backup.clients) + " of " + When(backup) +
                       " are back. The clients you had before are in the newest backup, made "
                       "before this restore: restore that one to go back to them.";
    if (!result.notice.empty()) text += "\n\n" + result.notice;
    gui::EZ_MSGBOX(shell::MainForm, text, "Backup Restored", "OK");
}

}  // namespace

void OpenRestoreWindow(const std::string& opener) {
    Window().backups = store::ListBackups();
    if (Window().backups.empty()) {
        gui::EZ_MSGBOX(opener,
                       "There is no backup yet. Vendrix 2 makes one at the first start of each "
                       "day, and before every import, restore and deletion of several clients.",
                       RestoreWindowCaption, "OK");
        return;
    }
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(RestoreForm, opener, RestoreWindowCaption, 0, 0, 54.0, 19.5, "CMK");
}

void BuildRestoreWindow() {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    gui::EZ_LABEL(RestoreIntro, 1.5, 0.5, 51.0, 2.0,
                  "Choose the backup to restore. The clients on file now are kept in a backup "
                  "first, so a restore can itself be undone.",
                  "L");
    gui::EZ_LISTVIEW(BackupList, 1.5, 2.75, 51.0, 11.25, "Made{19}|Why{14}|Clients{8}|", "-#SV");
    gui::EZ_LABEL(RestoreChoice, 1.5, 14.5, 51.0, 2.0, "", "L");
    gui::EZ_BUTTON(RestoreHelpButton, 1.5, ButtonRow, ButtonWidth, ButtonHeight, "&Help", "T");
    gui::EZ_BUTTON(RestoreButton, 34.875, ButtonRow, ButtonWidth, ButtonHeight, "&Restore", "T");
    gui::EZ_BUTTON(RestoreCancelButton, 44.25, ButtonRow, ButtonWidth, ButtonHeight, "Cancel", "T");
    int row = 0;
    for (const store::Backup& backup : Window().backups) {
        gui::EZ_ADDLVITEM(RestoreForm, BackupList, When(backup), 0, row, 0, "");
        gui::EZ_ADDLVITEM(RestoreForm, BackupList, store::BackupReasonWords(backup.reason), 0, row,
                          1, "");
        gui::EZ_ADDLVITEM(RestoreForm, BackupList, std::to_string(backup.clients), 0, row, 2, "");
        ++row;
    }
    // The newest backup, the one most often wanted, is highlighted and ready for Enter.
    gui::EZ_SETSELECT(RestoreForm, BackupList, 0, 0, 0, 0, 0);
    ShowChoice();
    gui::EZ_SETFOCUS(RestoreForm, BackupList);
    gui::EZ_DISPLAYLAYER(RestoreForm, 1, 0);
}

void RestoreWindowEvents(int& id, int& code, int& value, int&) {
    if (HandleCloseAndHelp({RestoreForm, RestoreCancelButton, RestoreHelpButton, RestoreHelpTopic},
                           id, code, value)) {
        return;
    }
    if (id == BackupList) {
        if (code == gui::EV_KEY && value == gui::VK_RETURN) {
            value = 0;  // Enter on the list restores, as a double-click does
            Restore();
        } else if (code == gui::EV_CLICK ||
                   (code == gui::EV_NOTIFY && value == gui::LVN_ITEMCHANGED)) {
            ShowChoice();
        } else if (code == gui::EV_DBLCLICK) {
            Restore();
        }
        return;
    }
    if (code != gui::EV_CLICK) return;
    switch (id) {
        case RestoreButton:
            Restore();
            break;
        default:
            break;
    }
}

}  // namespace transfer
