#pragma once

#include <string>

#include "reports/report_style.h"

namespace reports {

// Controls of "Print Clients"; the style radio buttons are StyleRadioId(style).
inline constexpr int PreviewCheck = 125;
inline constexpr int PrintAllButton = 130;
inline constexpr int PrintSelectedButton = 135;
inline constexpr int PrintHelpButton = 140;
inline constexpr int ExitPrintButton = 145;
inline constexpr int PrintOptionsFrame = 150;

inline constexpr const char* PrintWindowCaption = "Print Clients";

// "Print Clients", over the main window ("F1") or the scan results ("F4"); the opener's list
// is what the reports print.
void OpenPrintWindow(const std::string& opener);
void BuildPrintWindow();
void PrintWindowEvents(int& id, int& code, int& value, int& cancel);

// The style whose radio button is on in the print window.
ReportStyle ChosenStyle();

}  // namespace reports
