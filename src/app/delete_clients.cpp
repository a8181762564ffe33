#include "app/delete_clients.h"

#include <string>
#include <vector>

#include "app/autosave.h"
#include "app/client_list.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/data_folder.h"

namespace app {

namespace {

constexpr const char* DeleteQuestion =
    "Are you SURE you want to delete the highlighted item(s)?{?}";

// The slots of the highlighted rows, top to bottom; row r shows slot r + 1.
std::vector<int> SelectedSlots() {
    std::vector<int> chosen;
    for (const int row : gui::SelectedRows(shell::MainForm, shell::MainList)) {
        const int slot = row + 1;
        if (slot > store::MaxClients) break;
        chosen.push_back(slot);
    }
    return chosen;
}

// Backs up the clients before several are deleted; when that fails, the user decides.
bool KeptInABackup() {
    const store::BackupResult backup =
        store::MakeBackup(store::BackupReason::BeforeDelete, platform::LocalDateTime());
    if (backup.ok && backup.notice.empty()) return true;
    const std::string what =
        backup.ok
            ? "The backup made before the deletion lacks some histories. " + backup.notice
            : "The clients could not be backed up before the deletion (" + backup.error + ").";
    return gui::EZ_MSGBOX(shell::MainForm, what + " Delete the highlighted clients anyway?{!}",
                          backup.ok ? "Backup Incomplete" : "Backup Not Made", "NY") == 1;
}

}  // namespace

void DeleteSelectedClients() {
    const int selected = gui::SelectedRowCount(shell::MainForm, shell::MainList);
    if (selected == 0) return;
    if (gui::EZ_MSGBOX(shell::MainForm, DeleteQuestion, "Delete Clients", "YNC") != 1) return;
    // "I deleted the wrong clients" has an answer: the clients as they were, in a backup.
    // (Read-only clients need none: they cannot be deleted, as FreeSlots says below.)
    if (selected > 1 && store::DataWritable() && !KeptInABackup()) return;
    std::string reason;
    if (!store::FreeSlots(SelectedSlots(), &reason)) {
        // The clients stay, with their histories, as the file on disk still has them.
        NoteSaveFailureTold();
        gui::EZ_MSGBOX(shell::MainForm,
                       "The highlighted clients could not be deleted: the client file \"" +
                           store::DataFilePath() + "\" could not be saved (" + reason +
                           "). They are kept as they were, with their histories.{!}",
                       "Clients Not Deleted", "OK");
        return;
    }
    // The freed records are behind the remaining clients already; the sort keeps it so.
    SortClientTable();
    FillClientList();
    ShowSelectedCount();
    store::CurrentSlot = 0;
    gui::EZ_DISABLEC(shell::MainForm, EditButton);
}

}  // namespace app
