#pragma once

// What one client looks like on paper. Each output draws the client held in CurrentRecord at
// the run's line cursor and moves the cursor on.

#include <cstddef>
#include <string>

#include "reports/page_model.h"

namespace reports {

// A history is printed up to this many characters.
inline constexpr std::size_t MaxHistoryCharacters = 29999;
inline constexpr float HistoryLineSpacing = 0.167f;

// Styles 0 and 4: name, contact, phone, follow-up date and action on one line.
void PrintFollowUpLine(ReportRun& run);
// Style 1: name, contact and phone on one line.
void PrintPhoneLine(ReportRun& run);
// Styles 2 and 3: the client's page, with the history flowing over as many pages as it needs
// when withHistory is set. Leaves the cursor at BottomLimit, so the next client starts a page.
void PrintClientPage(ReportRun& run, bool withHistory);

// The history as printed: up to its first NUL and at most MaxHistoryCharacters characters
// (UTF-8 characters, never cut inside one).
std::string HistoryForReport(std::string history);

}  // namespace reports
