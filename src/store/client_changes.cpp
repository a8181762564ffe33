#include "store/client_changes.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/history.h"

namespace store {

namespace {

// The first free slot whose number has no history file: a file left behind (by a client
// deleted while the file could not be removed, or beside a table made anew) belongs to an
// earlier client and must be neither shown as the new client's history nor overwritten.
int FirstFreeSlot() {
    for (int slot = 1; slot <= MaxClients; ++slot) {
        const ClientRecord& record = ClientTable[slot];
        if (record.InUse == 0 && record.ClientNumber >= 1 &&
            !FileExists(HistoryFileName(record.ClientNumber))) {
            return slot;
        }
    }
    return 0;
}

bool AnyFreeSlot() {
    for (int slot = 1; slot <= MaxClients; ++slot) {
        if (ClientTable[slot].InUse == 0) return true;
    }
    return false;
}

}  // namespace

StoreResult StoreCurrentRecord(const std::string& history, HistoryFile historyFile) {
    if (!DataWritable()) return {StoreOutcome::NotWritable, ReadOnlyReason()};
    // A store that fails leaves the table as it was, so that what the user sees as unsaved
    // is not saved with the table later either.
    const std::int32_t slot =
        CurrentRecord.InUse > 0 && CurrentSlot >= 1 && CurrentSlot <= MaxClients ? CurrentSlot
                                                                                 : FirstFreeSlot();
    if (slot == 0) {
        CurrentClientNumber = 0;
        return {AnyFreeSlot() ? StoreOutcome::NoFreeNumber : StoreOutcome::TableFull, {}};
    }
    const ClientRecord before = ClientTable[slot];
    const std::int32_t number =
        CurrentRecord.InUse > 0 ? CurrentRecord.ClientNumber : before.ClientNumber;
    if (historyFile == HistoryFile::Rewrite && !WriteHistory(number, history)) {
        return {StoreOutcome::HistoryNotWritten, LastFileError()};
    }
    ClientTable[slot] = CurrentRecord;
    ClientTable[slot].ClientNumber = number;
    ClientTable[slot].InUse = 1;
    CurrentSlot = slot;
    CurrentClientNumber = CurrentRecord.InUse > 0 ? number : 0;
    SaveNeeded = 1;
    return {};
}

StoreResult AddClient(const ClientRecord& record, const std::string& history) {
    if (!DataWritable()) return {StoreOutcome::NotWritable, ReadOnlyReason()};
    const int slot = FirstFreeSlot();
    if (slot == 0)
        return {AnyFreeSlot() ? StoreOutcome::NoFreeNumber : StoreOutcome::TableFull, {}};
    const std::int32_t number = ClientTable[slot].ClientNumber;
    if (!history.empty() && !WriteHistory(number, history)) {
        return {StoreOutcome::HistoryNotWritten, LastFileError()};
    }
    ClientTable[slot] = record;
    ClientTable[slot].ClientNumber = number;
    ClientTable[slot].InUse = 1;
    SaveNeeded = 1;
    return {};
}

bool FreeSlots(std::span<const int> slots, std::string* reason) {
    if (!DataWritable()) {
        if (reason) *reason = ReadOnlyReason();
        return false;
    }
    // The table to go back to when it cannot be saved (700 KB, once per deletion).
    const auto before = std::make_unique<SlotTable>(ClientTable);
    const std::int32_t neededBefore = SaveNeeded;
    std::vector<std::string> histories;
    for (const int slot : slots) {
        if (slot < 1 || slot > MaxClients) continue;
        const std::string name = HistoryFileName(ClientTable[slot].ClientNumber);
        if (FileExists(name)) histories.push_back(name);
        ClientTable[slot].InUse = 0;
    }
    // The freed records go behind the remaining clients, each keeping its order.
    std::stable_partition(ClientTable.begin() + 1, ClientTable.end(),
                          [](const ClientRecord& record) { return record.InUse != 0; });
    SaveNeeded = 1;
    // A history removed while the table still lists its client would be lost for good once
    // the table cannot be saved (a full disk): the clients would come back without it.
    if (!SaveClientTable()) {
        if (reason) *reason = LastFileError();
        ClientTable = *before;
        SaveNeeded = neededBefore;
        return false;
    }
    // The folder is flushed once for all the removals. A history that cannot be removed stays
    // behind an unused number, which no new client takes.
    RemoveFiles(histories);
    return true;
}

}  // namespace store
