#include "options/options_window.h"

#include <array>
#include <cstdint>

#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "reports/report_style.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/sort_key.h"
#include "store/client_table.h"

namespace options {

namespace {

constexpr double TickColumn = 3.75;
constexpr double TickHeight = 0.9375;
constexpr double ButtonRow = 17.625;
constexpr double ButtonWidth = 7.5;
constexpr double ButtonHeight = 1.5;

// The style radio buttons' widths in this window; their rows are those of every style list.
constexpr std::array<double, reports::ReportStyleCount> RadioWidths{32.25, 32.25, 28.5, 24, 23.25};

// A check box, its caption, where it sits and the option it shows.
struct OptionBox {
    int id;
    const char* caption;
    double row;
    double width;
    std::int32_t store::Settings::*field;
};
constexpr std::array<OptionBox, 5> OptionBoxes{{
    {PreviewCheck, "Preview report before printing", 9.75, 22.875,
     &store::Settings::PreviewBeforePrint},
    {NoScanCheck, "Don't scan for follow-ups on program start", 11.25, 31.875,
     &store::Settings::NoScanOnStart},
    {RollForwardCheck, "Roll past-due follow-ups forward", 12.75, 24.375,
     &store::Settings::RollPastDueForward},
    {RememberSortCheck, "Remember last column sorting", 14.25, 24.375,
     &store::Settings::RememberSortColumn},
    {ConfirmExitCheck, "Ask for confirmation when exiting program", 15.75, 31.875,
     &store::Settings::ConfirmExit},
}};

const OptionBox* FindOptionBox(int id) {
    for (const OptionBox& box : OptionBoxes) {
        if (box.id == id) return &box;
    }
    return nullptr;
}

// The window's unsaved state is the enabled state of "&Save".
bool HasUnsavedChanges() {
    return gui::IsWindowEnabled(gui::EZ_HANDLE(shell::OptionsForm, SaveButton));
}

void MarkChanged() {
    gui::EZ_ENABLEC(shell::OptionsForm, SaveButton);
}

void CloseRequested(int& cancel) {
    if (!HasUnsavedChanges()) return;
    switch (gui::EZ_MSGBOX("", "Save your changes before exit?{?}", "Changes Not Saved", "YNC")) {
        case 1:
            store::SaveNeeded = 1;
            break;
        case 0:
            // The changes stay in force for this run; they reach the file only if something
            // else asks for a save.
            break;
        default:
            cancel = 1;
            break;
    }
}

void OptionTicked(const OptionBox& box) {
    store::ProgramSettings.*box.field = gui::EZ_GETCHECK(shell::OptionsForm, box.id);
    // The list's sort column is remembered from the moment the option is ticked; unticking
    // leaves the remembered key as it was.
    if (box.id == RememberSortCheck && store::ProgramSettings.RememberSortColumn != 0) {
        store::ProgramSettings.SortKeyStart = shell::ActiveSortKey.start;
        store::ProgramSettings.SortKeyLength = shell::ActiveSortKey.length;
    }
    MarkChanged();
}

}  // namespace

void OpenOptionsWindow(const std::string& opener) {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(shell::OptionsForm, opener, OptionsWindowCaption, 0, 0, 39.75, 19.875, "CMK");
}

void BuildOptionsWindow() {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    reports::AddStyleRadios(TickColumn, RadioWidths, "GT");
    for (const OptionBox& box : OptionBoxes) {
        gui::EZ_CHECKBOX(box.id, TickColumn, box.row, box.width, TickHeight, box.caption, "T");
    }
    gui::EZ_BUTTON(SaveButton, 21.375, ButtonRow, ButtonWidth, ButtonHeight, "&Save", "T");
    gui::EZ_BUTTON(ExitButton, 30.375, ButtonRow, ButtonWidth, ButtonHeight, "E&xit", "T");
    gui::EZ_BUTTON(HelpButton, 1.875, ButtonRow, ButtonWidth, ButtonHeight, "&Help", "T");
    gui::EZ_FRAME(StyleFrame, 1.875, 0.75, 36, 8.625, "Default Print Style", "");

    const reports::ReportStyle style =
        reports::StyleFromNumber(store::ProgramSettings.DefaultPrintStyle);
    gui::EZ_SETCHECK(shell::OptionsForm, reports::StyleRadioId(style), 1);
    for (const OptionBox& box : OptionBoxes) {
        gui::EZ_SETCHECK(shell::OptionsForm, box.id,
                         store::ProgramSettings.*box.field != 0 ? 1 : 0);
    }
    gui::EZ_DISPLAYLAYER(shell::OptionsForm, 1, 0);
    gui::EZ_DISABLEC(shell::OptionsForm, SaveButton);
}

void OptionsWindowEvents(int& id, int& code, int&, int& cancel) {
    if (id == 0) {
        if (code == gui::EV_CLOSE) CloseRequested(cancel);
        return;
    }
    if (code != gui::EV_CLICK) return;
    // Every click on a style is the user's own choice (the toolkit raises none by itself),
    // so each one takes effect.
    if (const auto style = reports::StyleOfRadio(id)) {
        store::ProgramSettings.DefaultPrintStyle = static_cast<std::int32_t>(*style);
        MarkChanged();
        return;
    }
    if (const OptionBox* box = FindOptionBox(id)) {
        OptionTicked(*box);
        return;
    }
    switch (id) {
        case SaveButton:
            store::SaveNeeded = 1;
            gui::EZ_DISABLEC(shell::OptionsForm, SaveButton);
            break;
        case ExitButton:
            gui::EZ_UNLOADFORM(shell::OptionsForm);
            break;
        case HelpButton:
            shell::HelpOpen =
                gui::EZ_WINHELP(shell::OptionsForm, shell::HelpFilePath, "Program Options", "K");
            break;
        default:
            break;
    }
}

}  // namespace options
