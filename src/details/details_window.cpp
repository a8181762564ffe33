#include "details/details_window.h"

#include "platform/gui/accessible_names.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/client_table.h"

namespace details {

DetailsState Window;

namespace {

using shell::DetailsForm;

constexpr double LabelHeight = 0.9375;
constexpr double BoxHeight = 1.3125;
constexpr double BottomRow = 18.5625;
constexpr double BottomHeight = 1.5;
constexpr double BottomWidth = 8.25;
constexpr double ArrowWidth = 3.375;

// Arrows and "&New" depend on where the window was opened and on whom it shows.
bool OpenedFromScanResults() {
    return shell::OpenerForm == shell::ScanResultsForm;
}

void CreateLabels() {
    gui::EZ_LABEL(100, 1.875, 1.3125, 4.875, LabelHeight, "Client:", "");
    gui::EZ_LABEL(105, 29.25, 1.3125, 6.75, LabelHeight, "Address:", "");
    gui::EZ_LABEL(110, 3.375, 2.8125, 3.375, LabelHeight, "City:", "");
    gui::EZ_LABEL(115, 31.875, 2.8125, 4.125, LabelHeight, "State:", "");
    gui::EZ_LABEL(120, 44.625, 2.8125, 3, LabelHeight, "Zip:", "");
    gui::EZ_LABEL(125, 0.75, 4.3125, 6, LabelHeight, "Contact:", "");
    gui::EZ_LABEL(130, 30.375, 4.3125, 5.625, LabelHeight, "Phone:", "");
    gui::EZ_LABEL(135, 49.875, 4.3125, 3, LabelHeight, "Ext:", "");
    gui::EZ_LABEL(140, 3.75, 5.8125, 3, LabelHeight, "Fax:", "");
    gui::EZ_LABEL(145, 19.5, 5.8125, 3, LabelHeight, "Cell:", "");
    gui::EZ_LABEL(150, 34.875, 5.8125, 8.625, LabelHeight, "Gatekeeper:", "");
    gui::EZ_LABEL(155, 1.5, 7.3125, 5.25, LabelHeight, "e-mail:", "");
    gui::EZ_LABEL(160, 31.125, 8.8125, 5.25, LabelHeight, "Action:", "");
}

// Each single-line box is capped at the width of its field, so nothing typed is ever cut.
void CreateRecordControls() {
    gui::EZ_TEXT(ClientNameBox, 7.125, 1.125, 21.375, BoxHeight, "", "EST[50]");
    gui::EZ_TEXT(AddressBox, 36.75, 1.125, 22.5, BoxHeight, "", "EST[50]");
    gui::EZ_TEXT(CityBox, 7.125, 2.625, 21.375, BoxHeight, "", "EST[30]");
    gui::EZ_TEXT(StateBox, 36.75, 2.625, 3.75, BoxHeight, "", "ESTU[2]");
    gui::EZ_TEXT(ZipBox, 48.375, 2.625, 10.875, BoxHeight, "", "EST[10]");
    gui::EZ_TEXT(ContactBox, 7.125, 4.125, 21.375, BoxHeight, "", "EST[30]");
    gui::EZ_TEXT(PhoneBox, 36.75, 4.125, 12, BoxHeight, "", "EST[12]");
    gui::EZ_TEXT(ExtBox, 54.375, 4.125, 4.875, BoxHeight, "", "ENST[4]");
    gui::EZ_TEXT(FaxBox, 7.125, 5.625, 11.625, BoxHeight, "", "EST[12]");
    gui::EZ_TEXT(CellBox, 22.875, 5.625, 11.625, BoxHeight, "", "EST[12]");
    gui::EZ_TEXT(GatekeeperBox, 43.875, 5.625, 15.375, BoxHeight, "", "EST[30]");
    gui::EZ_TEXT(EMailBox, 7.125, 7.125, 39.75, BoxHeight, "", "EST[60]");
    gui::EZ_BUTTON(SendButton, 48, 7.125, 11.25, BoxHeight, "Send E-mail", "T");
    gui::EZ_CHECKBOX(FollowUpCheck, 7.125, 8.8125, 9.375, LabelHeight, "&Follow up", "T");
    gui::EZ_CONTROLEX(DetailsForm, FollowUpPicker, 17.25, 8.625, 9.375, BoxHeight,
                      "SysDateTimePick32", "", gui::WS_CHILD | gui::WS_VISIBLE | gui::WS_TABSTOP,
                      0);
    gui::EZ_TEXT(ActionBox, 36.75, 8.625, 22.5, BoxHeight, "", "EST[30]");
    gui::EZ_TEXT(HistoryBox, 1.5, 10.5, 57.75, 7.5, "", "EMSTV");
    // The two boxes without a label of their own.
    gui::SetControlName(DetailsForm, FollowUpPicker, "Follow-up date");
    gui::SetControlName(DetailsForm, HistoryBox, "History");
}

void CreateButtons() {
    // The arrows are triangles of the symbol font: "6" points down, "5" up.
    gui::EZ_USEFONT(shell::SymbolFont);
    gui::EZ_BUTTON(NextButton, 20.625, BottomRow, ArrowWidth, BottomHeight, "6", "T");
    gui::EZ_ADDTOOLTIP(DetailsForm, NextButton);
    gui::EZ_BUTTON(PreviousButton, 25.125, BottomRow, ArrowWidth, BottomHeight, "5", "T");
    gui::EZ_ADDTOOLTIP(DetailsForm, PreviousButton);
    gui::EZ_USEFONT(shell::MainFont);
    gui::EZ_BUTTON(NewButton, 32.25, BottomRow, BottomWidth, BottomHeight, "&New", "T");
    gui::EZ_BUTTON(SaveButton, 41.625, BottomRow, BottomWidth, BottomHeight, "&Save", "T");
    gui::EZ_BUTTON(ExitButton, 51, BottomRow, BottomWidth, BottomHeight, "E&xit", "T");
    gui::EZ_BUTTON(HelpButton, 1.5, BottomRow, BottomWidth, BottomHeight, "&Help", "T");
}

}  // namespace

void OpenDetailsWindow(const std::string& parent) {
    shell::OpenerForm = parent;
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(DetailsForm, parent, DetailsCaption, 0, 0, 60.75, 20.625, "CMK");
}

void OpenDetailsOnScanResult(std::int32_t row, std::int32_t slot) {
    Window.ScanEditRow = row;
    store::CurrentSlot = slot;
    store::CurrentRecord = store::ClientTable[slot];
    OpenDetailsWindow(shell::ScanResultsForm);
}

void BuildDetailsWindow() {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    // Creation order is the keyboard order.
    CreateLabels();
    CreateRecordControls();
    CreateButtons();
    gui::SetPickerFormat(DetailsForm, FollowUpPicker, shell::DateMask);
    gui::EZ_DISABLEC(DetailsForm, SaveButton);
    // "&New" only starts a further client in a window that adds clients.
    if (OpenedFromScanResults() || store::CurrentSlot > 0) {
        gui::EZ_DISABLEC(DetailsForm, NewButton);
    }
    Window.WalksMainList = !OpenedFromScanResults() && store::CurrentSlot > 0;
    ShowCurrentRecord();
    Window.DetailsSaved = 0;
    gui::EZ_DISPLAYLAYER(DetailsForm, 1, 0);
    // Next and previous walk the main list, so only an existing client opened there has them.
    if (!Window.WalksMainList) {
        gui::EZ_HIDEC(DetailsForm, NextButton, PreviousButton);
    }
}

}  // namespace details
