#pragma once

#include <string>

namespace followup {

// Controls of the scan window. The first day's picker has the larger id and sits above the
// last day's.
inline constexpr int ScanBeginningLabel = 100;
inline constexpr int ScanThroughLabel = 105;
inline constexpr int ScanLastDayPicker = 110;
inline constexpr int ScanFirstDayPicker = 115;
inline constexpr int ScanStartButton = 120;
inline constexpr int ScanExitButton = 125;
inline constexpr int ScanHelpButton = 130;

inline constexpr const char* ScanWindowCaption = "Scan for Follow-ups";
inline constexpr const char* ScanHelpTopic = "Scanning";

// "Scan for Follow-ups" over the named window; both pickers start on today.
void OpenScanWindow(const std::string& parent);
void BuildScanWindow();
void ScanWindowEvents(int& id, int& code, int& value, int& cancel);
// Scans the days between the two pickers as the user's scan; the results window, when it
// opens, closes this window.
void RunScanFromWindow();

}  // namespace followup
