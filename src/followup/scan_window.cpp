#include "followup/scan_window.h"

#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "followup/scan_results_window.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"

namespace followup {

namespace {

constexpr double PickerColumn = 18.375;
constexpr double PickerWidth = 9.375;
constexpr double PickerHeight = 1.3125;
constexpr std::uint32_t PickerStyle = gui::WS_CHILD | gui::WS_VISIBLE | gui::WS_TABSTOP;
constexpr double ButtonRow = 5.4375;
constexpr double ButtonWidth = 7.125;
constexpr double ButtonHeight = 1.5;

void MakeDatePicker(int id, double row) {
    gui::EZ_CONTROLEX(shell::ScanForm, id, PickerColumn, row, PickerWidth, PickerHeight,
                      "SysDateTimePick32", "", PickerStyle, 0);
}

DayNumber PickedDay(int picker) {
    return DayNumberFromPickerDate(gui::PickerDate(shell::ScanForm, picker));
}

}  // namespace

void OpenScanWindow(const std::string& parent) {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(shell::ScanForm, parent, ScanWindowCaption, 0, 0, 29.625, 7.875, "CMK");
}

void BuildScanWindow() {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    gui::EZ_LABEL(ScanBeginningLabel, 6, 1.3125, 11.625, 0.9375, "Scan beginning:", "");
    gui::EZ_LABEL(ScanThroughLabel, 1.875, 3, 15.75, 0.9375, "Through and including:", "");
    MakeDatePicker(ScanFirstDayPicker, 1.125);
    MakeDatePicker(ScanLastDayPicker, 2.8125);
    gui::EZ_BUTTON(ScanStartButton, 11.25, ButtonRow, ButtonWidth, ButtonHeight, "&Scan", "T");
    gui::EZ_BUTTON(ScanExitButton, 20.625, ButtonRow, ButtonWidth, ButtonHeight, "E&xit", "T");
    gui::EZ_BUTTON(ScanHelpButton, 1.875, ButtonRow, ButtonWidth, ButtonHeight, "&Help", "T");
    for (const int picker : {ScanFirstDayPicker, ScanLastDayPicker}) {
        gui::SetPickerFormat(shell::ScanForm, picker, shell::DateMask);
    }
    const platform::CalendarDate today = platform::LocalDate();
    for (const int picker : {ScanFirstDayPicker, ScanLastDayPicker}) {
        gui::SetPickerDate(shell::ScanForm, picker, today);
    }
    gui::EZ_SETFOCUS(shell::ScanForm, ScanStartButton);
    gui::EZ_DISPLAYLAYER(shell::ScanForm, 1, 0);
}

void RunScanFromWindow() {
    const DayNumber first = PickedDay(ScanFirstDayPicker);
    const DayNumber last = PickedDay(ScanLastDayPicker);
    shell::OpenerForm = shell::ScanForm;
    ScanFollowUps(first, last, shell::ScanForm, 1);
}

void ScanWindowEvents(int& id, int& code, int&, int&) {
    if (code != gui::EV_CLICK) return;
    switch (id) {
        case ScanStartButton:
            RunScanFromWindow();
            break;
        case ScanExitButton:
            gui::EZ_UNLOADFORM(shell::ScanForm);
            break;
        case ScanHelpButton:
            shell::HelpOpen =
                gui::EZ_WINHELP(shell::ScanForm, shell::HelpFilePath, ScanHelpTopic, "K");
            break;
        default:
            break;
    }
}

}  // namespace followup
