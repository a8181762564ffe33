#include "followup/scan_results_window.h"

#include <array>

#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/client_table.h"
#include "store/text_field.h"

namespace followup {

namespace {

constexpr double ButtonRow = 17.0625;
constexpr double ButtonWidth = 7.125;
constexpr double ButtonHeight = 1.5;

// The first highlighted row, -1 when none is.
int FirstSelectedRow() {
    return gui::FirstSelectedRow(shell::ScanResultsForm, ResultsList);
}

void UpdateEditButton() {
    if (FirstSelectedRow() >= 0) {
        gui::EZ_ENABLEC(shell::ScanResultsForm, ResultsEditButton);
    } else {
        gui::EZ_DISABLEC(shell::ScanResultsForm, ResultsEditButton);
    }
}

void HandleListEvent(int code, int value) {
    if (code == gui::EV_CLICK) {
        UpdateEditButton();
    } else if (code == gui::EV_DBLCLICK) {
        EditScanResult();
    } else if (code == gui::EV_KEY && value == gui::VK_RETURN) {
        EditScanResult();
    }
}

}  // namespace

std::string ScanResultsCaption() {
    if (shell::ManualScanFlag != 0) return ManualScanCaption;
    return StartUpScanCaption + DayNumberToText(TodayDayNumber());
}

void OpenScanResults(const std::string& parent) {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(shell::ScanResultsForm, parent, ScanResultsCaption(), 0, 0, 79.5, 19.3125, "CMK");
    // The results replace the scan window they were asked for from.
    if (shell::OpenerForm == shell::ScanForm) gui::EZ_UNLOADFORM(shell::ScanForm);
}

void BuildScanResults() {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    gui::EZ_LISTVIEW(ResultsList, 1.5, 0.75, 76.5, 15.5625, ResultsListColumns, "-#MSV");
    gui::EZ_BUTTON(ResultsHelpButton, 1.5, ButtonRow, ButtonWidth, ButtonHeight, "&Help", "T");
    gui::EZ_BUTTON(ResultsEditButton, 52.875, ButtonRow, ButtonWidth, ButtonHeight, "&Edit", "T");
    gui::EZ_BUTTON(ResultsPrintButton, 61.875, ButtonRow, ButtonWidth, ButtonHeight, "&Print", "T");
    gui::EZ_BUTTON(ResultsExitButton, 70.875, ButtonRow, ButtonWidth, ButtonHeight, "E&xit", "T");
    gui::EZ_DISABLEC(shell::ScanResultsForm, ResultsEditButton);
    FillScanResultsList();
    gui::EZ_DISPLAYLAYER(shell::ScanResultsForm, 1, 0);
}

void FillScanResultsList() {
    gui::EZ_CLEAR(shell::ScanResultsForm, ResultsList);
    gui::EZ_SETREDRAWSTATE(shell::ScanResultsForm, ResultsList, 0);
    for (int slot = 1; slot <= ScanResultCount && slot <= store::MaxClients; ++slot) {
        const store::ClientRecord& client = ScanResults[slot];
        const std::array<std::string, 5> cells = {
            store::FieldText(client.ClientName), store::FieldText(client.Contact),
            store::FieldText(client.Phone), DayNumberToText(client.FollowUpDate),
            store::FieldText(client.FollowUpAction)};
        for (int column = 0; column < 5; ++column) {
            gui::EZ_ADDLVITEM(shell::ScanResultsForm, ResultsList,
                              cells[static_cast<std::size_t>(column)], 0, slot - 1, column, "");
        }
    }
    gui::EZ_SETREDRAWSTATE(shell::ScanResultsForm, ResultsList, 1);
    gui::EZ_REDRAWCONTROL(shell::ScanResultsForm, ResultsList);
    gui::EZ_DISABLEC(shell::ScanResultsForm, ResultsEditButton);
}

void ScanFollowUps(DayNumber first, DayNumber last, const std::string& parent,
                   std::int32_t byUser) {
    ClearScanResults();
    if (first > last) {
        gui::EZ_MSGBOX(gui::EZ_CURRENTFORM(), ReversedRangeText, ReversedRangeCaption, "OK");
        return;
    }
    CollectFollowUps(first, last, byUser == 0);
    if (ScanResultCount > 0) {
        OpenScanResults(parent);
    } else if (byUser != 0) {
        gui::EZ_MSGBOX("", NothingFoundText, NothingFoundCaption, "OK");
    }
}

void ShowSavedClient(std::int32_t row, const store::ClientRecord& client) {
    if (row <= 0 || row > ScanResultCount || ScanResults[row].ClientNumber != client.ClientNumber) {
        return;
    }
    ScanResults[row] = client;
    FillScanResultsList();
}

std::vector<int> ScanResultRows(bool highlightedOnly) {
    return gui::ListRows(shell::ScanResultsForm, ResultsList, highlightedOnly);
}

void EditScanResult() {
    const int row = FirstSelectedRow() + 1;
    if (row <= 0 || row > ScanResultCount) return;
    const std::int32_t slot = FindSlotByNumber(ScanResults[row].ClientNumber);
    // A damaged file can leave a number in no slot or in a free one; opening that would
    // show slot 0 (the settings) or a deleted client, and a save would add a stray client.
    if (slot <= 0 || store::ClientTable[slot].InUse <= 0) return;
    shell::OpenDetailsForScanResult(row, slot);
}

void ScanResultsEvents(int& id, int& code, int& value, int&) {
    if (id == ResultsList) {
        HandleListEvent(code, value);
        return;
    }
    if (code != gui::EV_CLICK) return;
    switch (id) {
        case ResultsHelpButton:
            shell::HelpOpen =
                gui::EZ_WINHELP(shell::ScanResultsForm, shell::HelpFilePath, ResultsHelpTopic, "K");
            break;
        case ResultsEditButton:
            EditScanResult();
            break;
        case ResultsPrintButton:
            shell::OpenPrintWindow(shell::ScanResultsForm);
            break;
        case ResultsExitButton:
            gui::EZ_UNLOADFORM(shell::ScanResultsForm);
            break;
        default:
            break;
    }
}

}  // namespace followup
