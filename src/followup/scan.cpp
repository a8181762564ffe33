#include "followup/scan.h"

#include <cstring>
#include <type_traits>

#include "store/client_table.h"

namespace followup {

store::SlotTable ScanResults{};
std::int32_t ScanResultCount = 0;

void ClearScanResults() {
    // An empty record is all zeros: the whole table in one stroke rather than record by record.
    static_assert(std::is_trivially_copyable_v<store::ClientRecord>);
    std::memset(static_cast<void*>(ScanResults.data()), 0, sizeof ScanResults);
    ScanResultCount = 0;
}

void CollectFollowUps(DayNumber first, DayNumber last, bool rollPastDue) {
    ClearScanResults();
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        store::ClientRecord& client = store::ClientTable[slot];
        // Clients fill the leading slots without gaps, so the first free slot ends the table.
        if (client.InUse <= 0) break;
        if (client.FollowUpFlag == 0) continue;
        // A flagged follow-up without a date (0) counts as past due as well.
        if (rollPastDue && client.FollowUpDate < first) client.FollowUpDate = first;
        if (client.FollowUpDate >= first && client.FollowUpDate <= last) {
            ScanResultCount += 1;
            ScanResults[ScanResultCount] = client;
        }
    }
}

std::int32_t FindSlotByNumber(std::int32_t number) {
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        if (store::ClientTable[slot].ClientNumber == number) return slot;
    }
    return 0;
}

}  // namespace followup
