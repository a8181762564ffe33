#pragma once

// The page model of a report run, in inches from the paper's top-left corner. The values are
// 32-bit floats and the line cursor is advanced in 32-bit floats, which is what makes a list
// page hold exactly 53 lines.

#include <string>

#include "reports/report_style.h"

namespace reports {

inline constexpr float LineStep = 0.1767f;   // from one report line to the next
inline constexpr float BottomLimit = 10.2f;  // a page is full once the cursor has passed this
inline constexpr float BodyTop = 0.9f;       // the cursor right after the page header

// Page setup handed to dpStartDoc and every dpNewPage.
inline constexpr int PageSetupA = 1;
inline constexpr int PageSetupB = 0;
inline constexpr int PageSetupC = 7;

// The label and value fonts of the styles, and the body font the header leaves selected.
inline constexpr const char* ReportFace = "Arial";
inline constexpr float BodyPoints = 10.0f;

// One report being built.
struct ReportRun {
    int doc = 0;             // the print layer's document number
    float cursor = 0.0f;     // base line of the next line; 0: no header on this page yet
    std::string printStamp;  // "mm-dd-yyyy" and the time of day the run started
    ReportStyle style = ReportStyle::ListWithFollowUp;
};

// Ends the page and starts the next, with the cursor at 0 (no header yet).
void StartNewPage(ReportRun& run);
// Selects the label font (regular) or the value font (bold) of the styles.
void SelectLabelFont(const ReportRun& run);
void SelectValueFont(const ReportRun& run);

}  // namespace reports
