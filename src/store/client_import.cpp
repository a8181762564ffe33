#include "store/client_import.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/history.h"
#include "store/text_field.h"

namespace store {

namespace {

std::string PendingName(std::int32_t number) {
    return HistoryFileName(number) + std::string(PendingHistorySuffix);
}

// The free slots, in order, whose numbers no history file has: a file left by an earlier
// client must be neither shown as a new client's history nor overwritten.
std::vector<int> UsableFreeSlots(std::size_t wanted) {
    std::vector<int> slots;
    for (int slot = 1; slot <= MaxClients && slots.size() < wanted; ++slot) {
        const ClientRecord& record = ClientTable[slot];
        if (record.InUse == 0 && record.ClientNumber >= 1 && record.ClientNumber <= MaxClients &&
            !FileExists(HistoryFileName(record.ClientNumber))) {
            slots.push_back(slot);
        }
    }
    return slots;
}

bool InUseNumber(std::int32_t number) {
    for (int slot = 1; slot <= MaxClients; ++slot) {
        if (ClientTable[slot].InUse > 0 && ClientTable[slot].ClientNumber == number) return true;
    }
    return false;
}

// The client number of a pending history's name ("C0012.dat.pending"), 0 for any other name.
std::int32_t PendingNumber(std::string_view name) {
    if (name.size() != 9 + PendingHistorySuffix.size() || !name.ends_with(PendingHistorySuffix) ||
        name.front() != 'C' || name.substr(5, 4) != ".dat") {
        return 0;
    }
    std::int32_t number = 0;
    for (const char c : name.substr(1, 4)) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number <= MaxClients ? number : 0;
}

}  // namespace

AddedClients AddClients(std::span<const NewClient> clients, const AddProgress& progress) {
    AddedClients result;
    if (!DataWritable()) {
        result.error = ReadOnlyReason();
        return result;
    }
    const std::vector<int> slots = UsableFreeSlots(clients.size());
    if (slots.size() < clients.size()) {
        result.error = "only " + std::to_string(slots.size()) +
                       " free client numbers have no earlier client's history file";
        return result;
    }
    PrepareForWriting();
    // The histories first, under names that no client shows and the next start settles.
    std::vector<std::int32_t> pending;
    std::vector<std::string> pendingPaths;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        std::string bytes = EncodeWindows1252(clients[i].history);
        std::erase(bytes, '\0');
        if (!bytes.empty()) {
            pending.push_back(ClientTable[slots[i]].ClientNumber);
            pendingPaths.push_back(PendingName(pending.back()));
            if (!WriteFileUnflushed(pendingPaths.back(), bytes, 0600, true)) {
                result.error = LastFileError();
                RemoveFiles(pendingPaths);
                return result;
            }
        }
        if (progress && !progress(i + 1, clients.size())) {
            RemoveFiles(pendingPaths);
            result.cancelled = true;
            return result;
        }
    }
    if (!FlushFiles(pendingPaths, DataFolder())) {
        result.error = LastFileError();
        RemoveFiles(pendingPaths);
        return result;
    }
    // The clients exist once the table holding them is on the disk.
    const auto before = std::make_unique<SlotTable>(ClientTable);
    const std::int32_t saveNeededBefore = SaveNeeded;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        ClientRecord& slot = ClientTable[slots[i]];
        const std::int32_t number = slot.ClientNumber;
        slot = clients[i].record;
        slot.ClientNumber = number;
        slot.InUse = 1;
    }
    SaveNeeded = 1;
    if (!SaveClientTable()) {
        result.error = LastFileError();
        ClientTable = *before;
        SaveNeeded = saveNeededBefore;
        RemoveFiles(pendingPaths);
        return result;
    }
    // Named as histories now; whatever a crash leaves pending here the next start names.
    const FileCalls calls = CurrentFileCalls();
    for (std::size_t i = 0; i < pending.size(); ++i) {
        calls.rename(pendingPaths[i].c_str(), HistoryFileName(pending[i]).c_str());
    }
    if (!pending.empty()) FlushFolder(DataFolder());
    result.added = clients.size();
    return result;
}

int RoomForClients() {
    return static_cast<int>(UsableFreeSlots(MaxClients).size());
}

void SettlePendingHistories() {
    if (!DataWritable()) return;
    std::vector<std::int32_t> numbers;
    if (DIR* folder = ::opendir(DataFolder().c_str())) {
        while (const dirent* entry = ::readdir(folder)) {
            if (const std::int32_t number = PendingNumber(entry->d_name)) {
                numbers.push_back(number);
            }
        }
        ::closedir(folder);
    }
    if (numbers.empty()) return;
    PrepareForWriting();
    const FileCalls calls = CurrentFileCalls();
    std::vector<std::string> unwanted;
    for (const std::int32_t number : numbers) {
        // A history of a client the table holds is kept pending when it cannot take its name
        // now: the next start tries again.
        if (!InUseNumber(number) || FileExists(HistoryFileName(number))) {
            unwanted.push_back(PendingName(number));
        } else {
            calls.rename(PendingName(number).c_str(), HistoryFileName(number).c_str());
        }
    }
    RemoveFiles(unwanted);
    FlushFolder(DataFolder());
}

}  // namespace store
