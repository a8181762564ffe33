#pragma once

#include <cstdint>
#include <string>

namespace followup {

// Controls of the scan results window.
inline constexpr int ResultsList = 100;
inline constexpr int ResultsHelpButton = 105;
inline constexpr int ResultsEditButton = 110;
inline constexpr int ResultsPrintButton = 115;
inline constexpr int ResultsExitButton = 120;

inline constexpr const char* ResultsListColumns =
    "Client{19}|Contact{15}|Phone{12}|Date{8}|Action{20}|";
inline constexpr const char* ManualScanCaption = "Scan Results";
inline constexpr const char* StartUpScanCaption = "Follow-ups for Today, ";
inline constexpr const char* ResultsHelpTopic = "Editing and Deleting Clients";

// The window listing ScanResults: row r shows slot r + 1 and the rows are never reordered.
// Opened over parent by the scan; a scan window it opened over is closed once it is open.
void OpenScanResults(const std::string& parent);
void BuildScanResults();
void ScanResultsEvents(int& id, int& code, int& value, int& cancel);
// Rebuilds the list from ScanResults; the rebuilt list has no highlighted row, so "&Edit"
// is disabled.
void FillScanResultsList();
// Opens the details window on the current record of the first highlighted row's client.
void EditScanResult();
// The first slot 1..2000 whose ClientNumber is number (in use or not); 0 when none.
std::int32_t FindSlotByNumber(std::int32_t number);
// The window's caption: "Scan Results" after the user's scan, else today's caption.
std::string ScanResultsCaption();

}  // namespace followup
