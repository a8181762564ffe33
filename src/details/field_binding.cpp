#include "details/field_binding.h"

#include <string_view>

#include "followup/day_numbers.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/history.h"
#include "store/text_field.h"

namespace details {

namespace {

using shell::DetailsForm;

const char* FieldBytes(const store::ClientRecord& record, const BoundBox& box) {
    return reinterpret_cast<const char*>(&record) + box.offset;
}

char* FieldBytes(store::ClientRecord& record, const BoundBox& box) {
    return reinterpret_cast<char*>(&record) + box.offset;
}

}  // namespace

void EnableFollowUpControls(bool enabled) {
    for (const int id : {FollowUpPicker, ActionBox}) {
        if (enabled) {
            gui::EZ_ENABLEC(DetailsForm, id);
        } else {
            gui::EZ_DISABLEC(DetailsForm, id);
        }
    }
}

std::string BoundText(const store::ClientRecord& record, const BoundBox& box) {
    return store::DecodeWindows1252(
        store::TrimBlanksAndNuls(std::string_view(FieldBytes(record, box), box.width)));
}

void StoreBoundText(store::ClientRecord& record, const BoundBox& box, const std::string& text) {
    store::StoreFieldBytes(FieldBytes(record, box), box.width, text);
}

void ShowCurrentRecord() {
    const store::ClientRecord& record = store::CurrentRecord;
    for (const BoundBox& box : RecordBoxes) {
        gui::EZ_SETTEXT(DetailsForm, box.id, BoundText(record, box));
    }
    UpdateSendButton();
    gui::EZ_SETCHECK(DetailsForm, FollowUpCheck, record.FollowUpFlag != 0 ? 1 : 0);
    EnableFollowUpControls(record.FollowUpFlag != 0);
    // Today first: a date outside the known years (a damaged file) leaves the record as it
    // is, and the picker then shows today rather than whatever the record held before.
    gui::SetPickerDate(
        DetailsForm, FollowUpPicker,
        followup::DayNumberToPickerDate(record.FollowUpDate).value_or(platform::LocalDate()));
    gui::EZ_SETTEXT(DetailsForm, ActionBox, store::FieldText(record.FollowUpAction));
    const store::History history = store::ReadHistory();
    Window.HistoryUnreadable = !history.readable;
    gui::EZ_SETTEXT(DetailsForm, HistoryBox, history.text);
    gui::EZ_SCROLLTO(DetailsForm, HistoryBox, 1, 0);
    if (Window.HistoryUnreadable) {
        // Nothing typed into the box could be kept: the file stays as it is.
        gui::EZ_DISABLEC(DetailsForm, HistoryBox);
        gui::EZ_MSGBOX(DetailsForm,
                       "The history of this client in \"" +
                           store::HistoryFileName(record.ClientNumber) +
                           "\" cannot be read. It is left as it is on the disk and cannot be "
                           "changed here; check the file's permissions.{S}",
                       "History Not Read", "OK");
    } else {
        gui::EZ_ENABLEC(DetailsForm, HistoryBox);
    }
    // Filling the boxes raised change events; a record just shown is unchanged.
    gui::EZ_DISABLEC(DetailsForm, SaveButton);
}

std::string ReadDetailsIntoRecord() {
    store::ClientRecord& record = store::CurrentRecord;
    for (const BoundBox& box : RecordBoxes) {
        StoreBoundText(record, box, gui::EZ_GETTEXT(DetailsForm, box.id));
    }
    record.FollowUpFlag = gui::EZ_GETCHECK(DetailsForm, FollowUpCheck);
    if (record.FollowUpFlag != 0) {
        record.FollowUpDate =
            followup::DayNumberFromPickerDate(gui::PickerDate(DetailsForm, FollowUpPicker));
        store::StoreField(record.FollowUpAction, gui::EZ_GETTEXT(DetailsForm, ActionBox));
    } else {
        record.FollowUpDate = 0;
        store::StoreField(record.FollowUpAction, "");
    }
    // Only blanks and NULs go from the ends: line breaks at either end are the user's.
    return std::string(store::TrimBlanksAndNuls(gui::EZ_GETTEXT(DetailsForm, HistoryBox)));
}

}  // namespace details
