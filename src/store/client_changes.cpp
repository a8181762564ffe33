#include "store/client_changes.h"

#include <vector>

#include "app/app_state.h"
#include "app/client_list.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "platform/gui/ez.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/history.h"

namespace store {

namespace {

// The first free slot whose number has no history file: a file left behind (by a client
// deleted while the file could not be removed, or beside a table made anew) belongs to an
// earlier client and must be neither shown as the new client's history nor overwritten.
int FirstFreeSlot() {
    for (int slot = 1; slot <= MaxClients; ++slot) {
        const ClientRecord& record = ClientTable[slot];
        if (record.InUse == 0 && record.ClientNumber >= 1 &&
            !FileExists(HistoryFileName(record.ClientNumber))) {
            return slot;
        }
    }
    return 0;
}

bool AnyFreeSlot() {
    for (int slot = 1; slot <= MaxClients; ++slot) {
        if (ClientTable[slot].InUse == 0) return true;
    }
    return false;
}

void TellHistoryNotSaved() {
    gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(),
                   "The client's history could not be written to the disk (" + LastFileError() +
                       "); nothing was saved and the history file is unchanged.{S}",
                   "History Not Saved", "OK");
}

void TellNotWritable() {
    gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(),
                   "The client cannot be saved: Vendrix 2 may not write in \"" + app::DataFolder() +
                       "\" (" + ReadOnlyReason() + ").{S}",
                   "Client Not Saved", "OK");
}

// Tells why no new client can be added: the table is full, or every free number still has
// the history file of an earlier client.
void TellNoRoom() {
    if (AnyFreeSlot()) {
        gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(),
                       "No more clients may be added at this time: every free client number "
                       "still has the history file of an earlier client in \"" +
                           app::DataFolder() + "\".{!}",
                       "Limit of " + std::to_string(MaxClients) + " Clients", "OK");
        return;
    }
    gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(), LimitMessage,
                   "Limit of " + std::to_string(MaxClients) + " Clients", "OK");
}

}  // namespace

bool StoreCurrentRecord(const std::string& history) {
    if (!DataWritable()) {
        TellNotWritable();
        return false;
    }
    // A store that fails leaves the table as it was, so that what the user sees as unsaved
    // is not saved with the table later either.
    const std::int32_t slot =
        CurrentRecord.InUse > 0 && CurrentSlot >= 1 && CurrentSlot <= MaxClients ? CurrentSlot
                                                                                 : FirstFreeSlot();
    if (slot == 0) {
        CurrentClientNumber = 0;
        TellNoRoom();
        return false;
    }
    const ClientRecord before = ClientTable[slot];
    const std::int32_t number =
        CurrentRecord.InUse > 0 ? CurrentRecord.ClientNumber : before.ClientNumber;
    // A history that could not be read was shown empty; writing that over the file would
    // lose it.
    if (number != UnreadableHistoryClient && !WriteHistory(number, history)) {
        TellHistoryNotSaved();
        return false;
    }
    ClientTable[slot] = CurrentRecord;
    ClientTable[slot].ClientNumber = number;
    ClientTable[slot].InUse = 1;
    CurrentSlot = slot;
    CurrentClientNumber = CurrentRecord.InUse > 0 ? number : 0;
    SaveNeeded = 1;
    return true;
}

void DeleteSelectedClients() {
    using namespace app;
    const int selected = gui::EZ_SENDMESSAGER(MainForm, MainList, gui::LVM_GETSELECTEDCOUNT, 0, 0);
    if (selected == 0) return;
    if (gui::EZ_MSGBOX(MainForm, "Are you SURE you want to delete the highlighted item(s)?{?}",
                       "Delete Clients", "YNC") != 1) {
        return;
    }
    std::vector<std::string> histories;
    for (int row =
             gui::EZ_SENDMESSAGER(MainForm, MainList, gui::LVM_GETNEXTITEM, -1, gui::LVNI_SELECTED);
         row >= 0; row = gui::EZ_SENDMESSAGER(MainForm, MainList, gui::LVM_GETNEXTITEM, row,
                                              gui::LVNI_SELECTED)) {
        const int slot = row + 1;
        if (slot > MaxClients) break;
        const std::string name = HistoryFileName(ClientTable[slot].ClientNumber);
        if (FileExists(name)) histories.push_back(name);
        ClientTable[slot].InUse = 0;
    }
    // The folder is flushed once for all the removals.
    PrepareForWriting();
    RemoveFiles(histories);
    SaveNeeded = 1;
    SortClientTable();
    FillClientList();
    ShowSelectedCount();
    CurrentSlot = 0;
    gui::EZ_DISABLEC(MainForm, EditButton);
}

}  // namespace store
