#include <algorithm>

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

// The scan results window's "&Edit" button.
constexpr int ScanResultsEditButton = 110;

bool UpdatesItsSlot() {
    return store::CurrentRecord.InUse > 0 && store::CurrentSlot >= 1 &&
           store::CurrentSlot <= store::MaxClients;
}

bool TableHasFreeSlot() {
    return std::any_of(store::ClientTable.begin() + 1, store::ClientTable.end(),
                       [](const store::ClientRecord& slot) { return slot.InUse == 0; });
}

// The scan results show the client as just saved, so that they (and a report printed from
// them) never keep values the user has replaced.
void UpdateScanResultsRow() {
    if (app::OpenerForm != app::ScanResultsForm || ScanEditRow <= 0 ||
        ScanEditRow > followup::ScanResultCount) {
        return;
    }
    followup::ScanResults[ScanEditRow] = store::CurrentRecord;
    followup::FillScanResultsList();
    ScanEditRow = 0;
    gui::EZ_DISABLEC(app::ScanResultsForm, ScanResultsEditButton);
}

}  // namespace

bool SaveDetails() {
    const std::string history = ReadDetailsIntoRecord();
    const bool adding = !UpdatesItsSlot();
    if (adding && !TableHasFreeSlot()) {
        store::StoreCurrentRecord(history);  // tells the user the table is full
        return false;
    }
    const bool stored = store::StoreCurrentRecord(history);
    if (!stored && adding) {
        // The client went into its slot but its history did not reach the disk. Saving again
        // must retry this client, not add a copy of it.
        store::CurrentRecord.InUse = 1;
        store::CurrentRecord.ClientNumber = store::ClientTable[store::CurrentSlot].ClientNumber;
    }
    if (stored) UpdateScanResultsRow();
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
