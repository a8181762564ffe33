#pragma once

#include <array>
#include <cstdint>

#include "followup/day_numbers.h"
#include "store/client_record.h"

namespace followup {

// Copies of the clients found by the latest scan in slots 1..ScanResultCount, in table
// order; the other slots are zero.
extern store::SlotTable ScanResults;
extern std::int32_t ScanResultCount;

// Empties ScanResults and sets the count to 0.
void ClearScanResults();

// The table work of a scan, without any window: clears the results, then walks the clients
// (up to the first free slot) and copies every flagged one due from first to last into
// ScanResults. With rollPastDue, a flagged follow-up before first is first moved to first in
// the client table. first must not lie after last.
void CollectFollowUps(DayNumber first, DayNumber last, bool rollPastDue);

// The first slot 1..2000 whose ClientNumber is number (in use or not); 0 when none.
std::int32_t FindSlotByNumber(std::int32_t number);

}  // namespace followup
