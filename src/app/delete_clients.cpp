#include "app/delete_clients.h"

#include <vector>

#include "app/client_list.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
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
    for (const int row : gui::SelectedRows(MainForm, MainList)) {
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
    if (backup.ok) return true;
    return gui::EZ_MSGBOX(MainForm,
                          "The clients could not be backed up before the deletion (" +
                              backup.error + "). Delete the highlighted clients anyway?{!}",
                          "Backup Not Made", "NY") == 1;
}

}  // namespace

void DeleteSelectedClients() {
    const int selected = gui::SelectedRowCount(MainForm, MainList);
    if (selected == 0) return;
    if (gui::EZ_MSGBOX(MainForm, DeleteQuestion, "Delete Clients", "YNC") != 1) return;
    // "I deleted the wrong clients" has an answer: the clients as they were, in a backup.
    // (Read-only clients are not changed on the disk by a deletion, and need none.)
    if (selected > 1 && store::DataWritable() && !KeptInABackup()) return;
    store::FreeSlots(SelectedSlots());
    // The freed records move behind the remaining clients.
    SortClientTable();
    FillClientList();
    ShowSelectedCount();
    store::CurrentSlot = 0;
    gui::EZ_DISABLEC(MainForm, EditButton);
}

}  // namespace app
