#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "followup/day_numbers.h"
#include "store/client_record.h"

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

inline constexpr const char* ReversedRangeText = "End date cannot be less than Start date.{S}";
inline constexpr const char* ReversedRangeCaption = "Scan Error";
inline constexpr const char* NothingFoundText =
    "There are no follow-ups for the specified days.{!}";
inline constexpr const char* NothingFoundCaption = "Not Found";

// Finds the flagged clients due from first to last (both included) and opens the results
// window over parent when any is found. byUser 0 (the start-up scan) first moves every
// past-due follow-up to first and shows nothing when none is due.
void ScanFollowUps(DayNumber first, DayNumber last, const std::string& parent, std::int32_t byUser);

// The window listing ScanResults: row r shows slot r + 1 and the rows are never reordered.
// Opened over parent by the scan; a scan window it opened over is closed once it is open.
void OpenScanResults(const std::string& parent);
void BuildScanResults();
void ScanResultsEvents(int& id, int& code, int& value, int& cancel);
// Rebuilds the list from ScanResults; the rebuilt list has no highlighted row, so "&Edit"
// is disabled.
void FillScanResultsList();
// Puts the client as just saved in the given 1-based row, when that row holds the same client,
// and rebuilds the list (which also disables "&Edit").
void ShowSavedClient(std::int32_t row, const store::ClientRecord& client);
// The list's rows in ascending order (0-based): the highlighted ones, or all of them.
std::vector<int> ScanResultRows(bool highlightedOnly);
// Opens the details window on the current record of the first highlighted row's client.
void EditScanResult();
// The window's caption: "Scan Results" after the user's scan, else today's caption.
std::string ScanResultsCaption();

}  // namespace followup
