#include <algorithm>
#include <array>

#include "details/details_window.h"
#include "details/field_binding.h"
#include "details/save_prompt.h"
#include "mail/mapi.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/client_table.h"

namespace details {

namespace {

using shell::DetailsForm;

// Boxes that get their own text again when left.
constexpr std::array RewrittenBoxes{
    ClientNameBox, AddressBox, CityBox, StateBox, ZipBox, ContactBox, GatekeeperBox, ActionBox,
};
// Boxes whose typing only marks the window changed.
constexpr std::array MarkingBoxes{
    PhoneBox, ExtBox, FaxBox, CellBox, EMailBox, HistoryBox,
};
// Controls on which Enter moves on like Tab; the history box keeps it for new lines, and the
// e-mail and arrow buttons act on it.
constexpr std::array EnterMovesOn{
    ClientNameBox, AddressBox, CityBox,    StateBox,      ZipBox,     ContactBox,    PhoneBox,
    ExtBox,        FaxBox,     CellBox,    GatekeeperBox, EMailBox,   FollowUpCheck, FollowUpPicker,
    ActionBox,     NewButton,  SaveButton, ExitButton,    HelpButton,
};

template <std::size_t N>
bool IsOneOf(const std::array<int, N>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool IsEnabled(const std::string& form, int id) {
    return gui::IsWindowEnabled(gui::EZ_HANDLE(form, id));
}

void FollowUpClicked() {
    store::CurrentRecord.FollowUpFlag = gui::EZ_GETCHECK(DetailsForm, FollowUpCheck);
    EnableFollowUpControls(store::CurrentRecord.FollowUpFlag != 0);
    MarkChanged();
}

void HistoryFocused() {
    gui::EZ_SCROLLTO(DetailsForm, HistoryBox, 1, 0);
    gui::ClearTextSelection(DetailsForm, HistoryBox);
}

void SaveClicked() {
    const bool saved = SaveDetails();
    Window.DetailsSaved = 1;
    // What could not be stored stays on screen as unsaved, so that it is asked about again.
    if (saved) gui::EZ_DISABLEC(DetailsForm, SaveButton);
}

void NewClicked() {
    if (!MayLeaveRecord(DetailsForm, LeavePromptText)) return;
    ClearDetails();
    gui::EZ_SETFOCUS(DetailsForm, ClientNameBox);
}

void HelpClicked() {
    const char* topic =
        IsEnabled(DetailsForm, NewButton) ? "Adding Clients" : "Editing and Deleting Clients";
    shell::HelpOpen = gui::EZ_WINHELP(DetailsForm, shell::HelpFilePath, topic, "K");
}

// Every way of closing comes here. Unsaved edits are asked about first, whether the window
// is closed by "E&xit" or by its close box; Cancel keeps it open.
void WindowClosing(int& cancel) {
    if (!MayLeaveRecord("", ExitPromptText)) {
        cancel = 1;
        return;
    }
    Window.ScanEditRow = 0;  // the scan results row was tied to this opening only
    if (Window.DetailsSaved == 0) return;
    // Saved fields may be sort keys.
    shell::ResortMainList();
    // The main list shows the client last saved or moved to again, at its place after the sort.
    shell::ShowClientInMainList(store::CurrentClientNumber);
}

void Clicked(int id) {
    switch (id) {
        case SendButton:
            mail::EmailClient(gui::EZ_GETTEXT(DetailsForm, EMailBox));
            break;
        case FollowUpCheck:
            FollowUpClicked();
            break;
        case FollowUpPicker:
            MarkChanged();  // a click counts as a change, even one that keeps the date
            break;
        case NextButton:
            ShowNextClient();
            break;
        case PreviousButton:
            ShowPreviousClient();
            break;
        case NewButton:
            NewClicked();
            break;
        case SaveButton:
            SaveClicked();
            break;
        case ExitButton:
            gui::EZ_UNLOADFORM(DetailsForm);
            break;
        case HelpButton:
            HelpClicked();
            break;
        default:
            break;
    }
}

}  // namespace

bool DetailsChanged() {
    return IsEnabled(DetailsForm, SaveButton);
}

void MarkChanged() {
    gui::EZ_ENABLEC(DetailsForm, SaveButton);
}

void RewriteTextBox(const std::string& form, int id) {
    const bool changed = DetailsChanged();
    gui::EZ_SETTEXT(form, id, gui::EZ_GETTEXT(form, id));
    if (!changed) gui::EZ_DISABLEC(DetailsForm, SaveButton);
}

void UpdateSendButton() {
    const std::string address = gui::EZ_GETTEXT(DetailsForm, EMailBox);
    const auto first = address.find_first_not_of(' ');
    if (first != std::string::npos) {
        gui::EZ_ENABLEC(DetailsForm, SendButton);
    } else {
        gui::EZ_DISABLEC(DetailsForm, SendButton);
    }
}

void DetailsEvents(int& id, int& code, int& value, int& cancel) {
    if (id == 0) {
        if (code == gui::EV_CLOSE) WindowClosing(cancel);
        return;
    }
    switch (code) {
        case gui::EV_CLICK:
            Clicked(id);
            break;
        case gui::EV_CHANGE:
            if (IsOneOf(RewrittenBoxes, id) || IsOneOf(MarkingBoxes, id)) MarkChanged();
            break;
        case gui::EV_LOSTFOCUS:
            if (IsOneOf(RewrittenBoxes, id)) RewriteTextBox(DetailsForm, id);
            if (id == EMailBox) UpdateSendButton();
            break;
        case gui::EV_GOTFOCUS:
            if (id == HistoryBox) HistoryFocused();
            break;
        case gui::EV_NOTIFY:
            if (id == FollowUpPicker && value == gui::DTN_DATETIMECHANGE) MarkChanged();
            break;
        case gui::EV_TOOLTIP:
            if (id == NextButton) gui::EZ_SETTOOLTIP("Next client");
            if (id == PreviousButton) gui::EZ_SETTOOLTIP("Previous client");
            break;
        case gui::EV_KEY:
            if (value == gui::VK_RETURN && IsOneOf(EnterMovesOn, id)) value = gui::VK_TAB;
            break;
        default:
            break;
    }
}

}  // namespace details
