#include "app/delete_clients.h"

#include <vector>

#include "app/client_list.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "platform/gui/ez.h"
#include "store/client_changes.h"
#include "store/client_table.h"

namespace app {

namespace {

constexpr const char* DeleteQuestion =
    "Are you SURE you want to delete the highlighted item(s)?{?}";

// The slots of the highlighted rows, top to bottom; row r shows slot r + 1.
std::vector<int> SelectedSlots() {
    std::vector<int> slots;
    for (const int row : gui::SelectedRows(MainForm, MainList)) {
        const int slot = row + 1;
        if (slot > store::MaxClients) break;
        slots.push_back(slot);
    }
    return slots;
}

}  // namespace

void DeleteSelectedClients() {
    const int selected = gui::SelectedRowCount(MainForm, MainList);
    if (selected == 0) return;
    if (gui::EZ_MSGBOX(MainForm, DeleteQuestion, "Delete Clients", "YNC") != 1) return;
    store::FreeSlots(SelectedSlots());
    // The freed records move behind the remaining clients.
    SortClientTable();
    FillClientList();
    ShowSelectedCount();
    store::CurrentSlot = 0;
    gui::EZ_DISABLEC(MainForm, EditButton);
}

}  // namespace app
