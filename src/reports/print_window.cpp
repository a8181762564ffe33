#include "reports/print_window.h"

#include <array>

#include "followup/scan.h"
#include "followup/scan_results_window.h"
#include "platform/gui/ez.h"
#include "reports/report_engine.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/client_table.h"

namespace reports {

namespace {

constexpr double RadioColumn = 3.375;
constexpr double ButtonColumn = 1.5;
constexpr double ButtonWidth = 35.25;
constexpr double ButtonHeight = 1.5;
constexpr double TickHeight = 0.9375;

// The style radio buttons' widths in this window; their rows are those of every style list.
constexpr std::array<double, ReportStyleCount> RadioWidths{32.25, 28.5, 28.125, 23.625, 24.75};

// The rows of the opener's list, each list asked of the window that owns it.
std::vector<int> OpenerRows(const std::string& opener, bool highlightedOnly) {
    return opener == shell::MainForm ? shell::MainListRows(highlightedOnly)
                                     : followup::ScanResultRows(highlightedOnly);
}

}  // namespace

void OpenPrintWindow(const std::string& opener) {
    shell::OpenerForm = opener;
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(shell::PrintForm, opener, PrintWindowCaption, 0, 0, 37.875, 19.875, "CMK");
}

void AddStyleRadios(double column, const std::array<double, ReportStyleCount>& widths,
                    const char* firstStyle) {
    constexpr std::array<double, ReportStyleCount> Rows{2.25, 3.5625, 4.875, 6.1875, 7.5};
    for (std::size_t style = 0; style < Rows.size(); ++style) {
        gui::EZ_RADIO(StyleRadioId(static_cast<ReportStyle>(style)), column, Rows[style],
                      widths[style], TickHeight, StyleCaptions[style],
                      style == 0 ? firstStyle : "T");
    }
}

void BuildPrintWindow() {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    AddStyleRadios(RadioColumn, RadioWidths, "T");
    gui::EZ_CHECKBOX(PreviewCheck, 6.75, 9.75, 22.875, TickHeight,
                     "Pre&view report on screen first", "T");
    gui::EZ_BUTTON(PrintAllButton, ButtonColumn, 11.25, ButtonWidth, ButtonHeight,
                   "Print &All Clients on File", "T");
    gui::EZ_BUTTON(PrintSelectedButton, ButtonColumn, 13.3125, ButtonWidth, ButtonHeight,
                   "Print &Selected Clients Only", "T");
    gui::EZ_BUTTON(PrintHelpButton, ButtonColumn, 15.375, ButtonWidth, ButtonHeight, "&Help", "T");
    gui::EZ_BUTTON(ExitPrintButton, ButtonColumn, 17.4375, ButtonWidth, ButtonHeight, "E&xit Print",
                   "T");
    gui::EZ_FRAME(PrintOptionsFrame, ButtonColumn, 0.5625, ButtonWidth, 8.8125, "Print Options",
                  "");

    // The window's choices start from the program options and are never written back.
    const ReportStyle style = StyleFromNumber(store::ProgramSettings.DefaultPrintStyle);
    gui::EZ_SETCHECK(shell::PrintForm, StyleRadioId(style), 1);
    gui::EZ_SETCHECK(shell::PrintForm, PreviewCheck,
                     store::ProgramSettings.PreviewBeforePrint != 0 ? 1 : 0);
    // Decided once: the opener's selection cannot change while this modal window is open.
    if (OpenerRows(shell::OpenerForm, true).empty()) {
        gui::EZ_DISABLEC(shell::PrintForm, PrintSelectedButton);
    }
    gui::EZ_DISPLAYLAYER(shell::PrintForm, 1, 0);
}

void PrintWindowEvents(int& id, int& code, int&, int&) {
    if (code != gui::EV_CLICK) return;
    switch (id) {
        case PrintAllButton:
            PrintClientReport(0);
            break;
        case PrintSelectedButton:
            PrintClientReport(1);
            break;
        case PrintHelpButton:
            shell::HelpOpen =
                gui::EZ_WINHELP(shell::PrintForm, shell::HelpFilePath, "Printing", "K");
            break;
        case ExitPrintButton:
            gui::EZ_UNLOADFORM(shell::PrintForm);
            break;
        default:
            break;
    }
}

ReportStyle ChosenStyle() {
    for (int style = 0; style < ReportStyleCount; ++style) {
        const auto chosen = static_cast<ReportStyle>(style);
        if (gui::EZ_GETCHECK(shell::PrintForm, StyleRadioId(chosen)) != 0) return chosen;
    }
    return ReportStyle::ListWithFollowUp;
}

void PrintClientReport(std::int32_t selectedOnly) {
    const ReportStyle style = ChosenStyle();
    const bool preview = gui::EZ_GETCHECK(shell::PrintForm, PreviewCheck) != 0;
    const auto clients = ChooseClients(shell::OpenerForm, selectedOnly);
    if (!PrintReport(clients, style, preview)) {
        gui::EZ_MSGBOX(shell::PrintForm, StartFailedText, StartFailedCaption, "OK");
    }
}

std::vector<const store::ClientRecord*> ChooseClients(const std::string& opener,
                                                      std::int32_t selectedOnly) {
    const auto& table = opener == shell::MainForm ? store::ClientTable : followup::ScanResults;
    std::vector<const store::ClientRecord*> chosen;
    // The rows come in ascending order; none beyond the table's last slot is taken.
    for (const int row : OpenerRows(opener, selectedOnly != 0)) {
        if (row < 0) continue;
        if (row >= store::MaxClients) break;
        chosen.push_back(&table[static_cast<std::size_t>(row) + 1]);
    }
    return chosen;
}

}  // namespace reports
