#include <string>

#include "details/details_window.h"
#include "details/field_binding.h"
#include "followup/scan_results_window.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/data_folder.h"

namespace details {

namespace {

using shell::DetailsForm;

constexpr const char* LimitMessage = "No more clients may be added at this time.{!}";

void TellNotWritable(const std::string& reason) {
    gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(),
                   "The client cannot be saved: Vendrix 2 may not write in \"" +
                       store::DataFolder() + "\" (" + reason + ").{S}",
                   "Client Not Saved", "OK");
}

// Why no new client can be added: the table is full, or every free number still has the
// history file of an earlier client.
void TellNoRoom(store::StoreOutcome outcome) {
    const std::string caption = "Limit of " + std::to_string(store::MaxClients) + " Clients";
    if (outcome == store::StoreOutcome::NoFreeNumber) {
        gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(),
                       "No more clients may be added at this time: every free client number "
                       "still has the history file of an earlier client in \"" +
                           store::DataFolder() + "\".{!}",
                       caption, "OK");
        return;
    }
    gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(), LimitMessage, caption, "OK");
}

void TellHistoryNotSaved(const std::string& reason) {
    gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(),
                   "The client's history could not be written to the disk (" + reason +
                       "); nothing was saved and the history file is unchanged.{S}",
                   "History Not Saved", "OK");
}

// A history that could not be read was shown empty; writing that over the file would lose it.
store::StoreResult StoreWindowRecord(const std::string& history) {
    return store::StoreCurrentRecord(history, Window.HistoryUnreadable
                                                  ? store::HistoryFile::LeaveAsItIs
                                                  : store::HistoryFile::Rewrite);
}

bool UpdatesItsSlot() {
    return store::CurrentRecord.InUse > 0 && store::CurrentSlot >= 1 &&
           store::CurrentSlot <= store::MaxClients;
}

// Once a new client is in the table, the window edits that client: a further save (a typo
// fixed, say) updates it instead of adding a copy of it.
void EditStoredClient(std::int32_t slot) {
    const store::ClientRecord& stored = store::ClientTable[slot];
    store::CurrentSlot = slot;
    store::CurrentRecord.InUse = stored.InUse;
    store::CurrentRecord.ClientNumber = stored.ClientNumber;
    store::CurrentClientNumber = stored.ClientNumber;
}

// The scan results show the client as just saved, so that they (and a report printed from
// them) never keep values the user has replaced. The row stays tied to the window for every
// further save until the window closes.
void UpdateScanResultsRow() {
    if (shell::OpenerForm != shell::ScanResultsForm) return;
    followup::ShowSavedClient(Window.ScanEditRow, store::CurrentRecord);
}

}  // namespace

bool TellStoreResult(const store::StoreResult& result) {
    switch (result.outcome) {
        case store::StoreOutcome::Stored:
            return true;
        case store::StoreOutcome::NotWritable:
            TellNotWritable(result.reason);
            break;
        case store::StoreOutcome::TableFull:
        case store::StoreOutcome::NoFreeNumber:
            TellNoRoom(result.outcome);
            break;
        case store::StoreOutcome::HistoryNotWritten:
            TellHistoryNotSaved(result.reason);
            break;
    }
    return false;
}

bool SaveDetails() {
    const std::string history = ReadDetailsIntoRecord();
    if (UpdatesItsSlot()) {
        const bool stored = TellStoreResult(StoreWindowRecord(history));
        if (stored) UpdateScanResultsRow();
        return stored;
    }
    // A store that fails leaves the table as it was (the user was told), so the next Save
    // adds the client once; one that succeeds leaves CurrentSlot at the slot it filled.
    const bool stored = TellStoreResult(StoreWindowRecord(history));
    if (stored) EditStoredClient(store::CurrentSlot);
    return stored;
}

void ClearDetails() {
    for (const BoundBox& box : RecordBoxes) gui::EZ_SETTEXT(DetailsForm, box.id, "");
    gui::EZ_SETCHECK(DetailsForm, FollowUpCheck, 0);
    gui::EZ_SETTEXT(DetailsForm, ActionBox, "");
    gui::EZ_SETTEXT(DetailsForm, HistoryBox, "");
    gui::SetPickerDate(DetailsForm, FollowUpPicker, platform::LocalDate());
    EnableFollowUpControls(false);
    gui::EZ_DISABLEC(DetailsForm, SaveButton);
    store::CurrentSlot = 0;
    // The next save adds a further client, which has no history file to keep.
    store::CurrentRecord.InUse = 0;
    store::CurrentRecord.ClientNumber = 0;
    Window.HistoryUnreadable = false;
}

}  // namespace details
