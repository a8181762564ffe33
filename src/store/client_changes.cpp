#include "store/client_changes.h"

#include "app/client_list.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "platform/gui/ez.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/history.h"

namespace store {

namespace {

int FirstFreeSlot() {
    for (int slot = 1; slot <= MaxClients; ++slot) {
        if (ClientTable[slot].InUse == 0) return slot;
    }
    return 0;
}

void TellHistoryNotSaved() {
    gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(),
                   "The client's history could not be written to the disk; the history "
                   "file is unchanged.{S}",
                   "History Not Saved", "OK");
}

}  // namespace

bool StoreCurrentRecord(const std::string& history) {
    if (CurrentRecord.InUse > 0 && CurrentSlot >= 1 && CurrentSlot <= MaxClients) {
        ClientTable[CurrentSlot] = CurrentRecord;
        CurrentClientNumber = CurrentRecord.ClientNumber;
    } else {
        CurrentClientNumber = 0;
        const int slot = FirstFreeSlot();
        if (slot == 0) {
            gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(), LimitMessage,
                           "Limit of " + std::to_string(MaxClients) + " Clients", "OK");
            return false;
        }
        const std::int32_t number = ClientTable[slot].ClientNumber;
        ClientTable[slot] = CurrentRecord;
        ClientTable[slot].ClientNumber = number;
        ClientTable[slot].InUse = 1;
        CurrentSlot = slot;
    }
    SaveNeeded = 1;
    // A history that could not be read was shown empty; writing that over the file would
    // lose it.
    const std::int32_t number = ClientTable[CurrentSlot].ClientNumber;
    if (number == UnreadableHistoryClient) return true;
    if (!WriteHistory(number, history)) {
        TellHistoryNotSaved();
        return false;
    }
    return true;
}

void DeleteSelectedClients() {
    using namespace app;
    const int selected =
        gui::EZ_SENDMESSAGER(MainForm, MainList, gui::LVM_GETSELECTEDCOUNT, 0, 0);
    if (selected == 0) return;
    if (gui::EZ_MSGBOX(MainForm, "Are you SURE you want to delete the highlighted item(s)?{?}",
                       "Delete Clients", "YNC") != 1) {
        return;
    }
    for (int row = gui::EZ_SENDMESSAGER(MainForm, MainList, gui::LVM_GETNEXTITEM, -1,
                                        gui::LVNI_SELECTED);
         row >= 0; row = gui::EZ_SENDMESSAGER(MainForm, MainList, gui::LVM_GETNEXTITEM, row,
                                               gui::LVNI_SELECTED)) {
        const int slot = row + 1;
        if (slot > MaxClients) break;
        const std::string name = HistoryFileName(ClientTable[slot].ClientNumber);
        if (FileExists(name)) RemoveFile(name);
        ClientTable[slot].InUse = 0;
    }
    SaveNeeded = 1;
    SortClientTable();
    FillClientList();
    ShowSelectedCount();
    CurrentSlot = 0;
    gui::EZ_DISABLEC(MainForm, EditButton);
}

}  // namespace store
