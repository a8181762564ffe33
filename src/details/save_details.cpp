#include "app/app_state.h"
#include "app/forms.h"
#include "details/details_window.h"
#include "details/field_binding.h"
#include "followup/scan.h"
#include "followup/scan_results_window.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "store/client_changes.h"
#include "store/client_table.h"

namespace details {

namespace {

using app::DetailsForm;

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
    if (app::OpenerForm != app::ScanResultsForm || ScanEditRow <= 0 ||
        ScanEditRow > followup::ScanResultCount ||
        followup::ScanResults[ScanEditRow].ClientNumber != store::CurrentRecord.ClientNumber) {
        return;
    }
    followup::ScanResults[ScanEditRow] = store::CurrentRecord;
    followup::FillScanResultsList();  // which also disables the results' "&Edit"
}

}  // namespace

bool SaveDetails() {
    const std::string history = ReadDetailsIntoRecord();
    if (UpdatesItsSlot()) {
        const bool stored = store::StoreCurrentRecord(history);
        if (stored) UpdateScanResultsRow();
        return stored;
    }
    // A store that fails leaves the table as it was (the user was told), so the next Save
    // adds the client once; one that succeeds leaves CurrentSlot at the slot it filled.
    const bool stored = store::StoreCurrentRecord(history);
    if (stored) EditStoredClient(store::CurrentSlot);
    return stored;
}

void ClearDetails() {
    for (const BoundBox& box : RecordBoxes) gui::EZ_SETTEXT(DetailsForm, box.id, "");
    gui::EZ_SETCHECK(DetailsForm, FollowUpCheck, 0);
    gui::EZ_SETTEXT(DetailsForm, ActionBox, "");
    gui::EZ_SETTEXT(DetailsForm, HistoryBox, "");
    platform::GetLocalTime(app::PickerDate);
    gui::EZ_SENDMESSAGE(DetailsForm, FollowUpPicker, gui::DTM_SETSYSTEMTIME, gui::GDT_VALID,
                        app::PickerDate);
    EnableFollowUpControls(false);
    gui::EZ_DISABLEC(DetailsForm, SaveButton);
    store::CurrentSlot = 0;
    // The next save adds a further client.
    store::CurrentRecord.InUse = 0;
    store::CurrentRecord.ClientNumber = 0;
}

}  // namespace details
