#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "followup/day_numbers.h"
#include "store/client_record.h"

namespace followup {

// Copies of the clients found by the latest scan in slots 1..ScanResultCount, in table
// order; the other slots are zero.
extern std::array<store::ClientRecord, store::TableSlots> ScanResults;
extern std::int32_t ScanResultCount;

inline constexpr const char* ReversedRangeText = "End date cannot be less than Start date.{S}";
inline constexpr const char* ReversedRangeCaption = "Scan Error";
inline constexpr const char* NothingFoundText =
    "There are no follow-ups for the specified days.{!}";
inline constexpr const char* NothingFoundCaption = "Not Found";

// Finds the flagged clients due from first to last (both included) and opens the results
// window over parent when any is found. byUser 0 (the start-up scan) first moves every
// past-due follow-up to first and shows nothing when none is due.
void ScanFollowUps(DayNumber first, DayNumber last, const std::string& parent, std::int32_t byUser);

// Empties ScanResults and sets the count to 0.
void ClearScanResults();

// The table work of a scan, without any window: clears the results, then walks the clients
// (up to the first free slot) and copies every flagged one due from first to last into
// ScanResults. With rollPastDue, a flagged follow-up before first is first moved to first in
// the client table. first must not lie after last.
void CollectFollowUps(DayNumber first, DayNumber last, bool rollPastDue);

}  // namespace followup
