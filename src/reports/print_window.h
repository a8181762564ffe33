#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "reports/report_style.h"
#include "store/client_record.h"

namespace reports {

// Controls of "Print Clients"; the style radio buttons are StyleRadioId(style).
inline constexpr int PreviewCheck = 125;
inline constexpr int PrintAllButton = 130;
inline constexpr int PrintSelectedButton = 135;
inline constexpr int PrintHelpButton = 140;
inline constexpr int ExitPrintButton = 145;
inline constexpr int PrintOptionsFrame = 150;

inline constexpr const char* PrintWindowCaption = "Print Clients";
inline constexpr const char* StartFailedText = "Unable to initialize document.{S}";
inline constexpr const char* StartFailedCaption = "Error!";

// "Print Clients", over the main window ("F1") or the scan results ("F4"); the opener's list
// is what the reports print.
void OpenPrintWindow(const std::string& opener);
void BuildPrintWindow();
void PrintWindowEvents(int& id, int& code, int& value, int& cancel);

// The five style radio buttons, as the print and the options windows both show them: one per
// row from the top, at the column, each as wide as its caption needs in that window, the first
// with the style given (the options window's starts a group), the others "T".
void AddStyleRadios(double column, const std::array<double, ReportStyleCount>& widths,
                    const char* firstStyle);

// The style whose radio button is on in the print window.
ReportStyle ChosenStyle();

// Prints all rows (selectedOnly 0) or the selected rows (1) of the print window's opener
// list, in the style and with the preview choice the print window shows; says so when the
// document cannot be opened.
void PrintClientReport(std::int32_t selectedOnly);

// The clients behind the rows of the opener's list: "F1" gives the main list's rows and the
// client table, any other opener the scan results list's and the scan results. Row r is
// slot r + 1.
std::vector<const store::ClientRecord*> ChooseClients(const std::string& opener,
                                                      std::int32_t selectedOnly);

}  // namespace reports
