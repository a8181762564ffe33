#include "store/client_numbers.h"

#include <dirent.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cctype>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/history.h"

namespace store {

namespace {

bool IsValidNumber(std::int32_t number) {
    return number >= 1 && number <= MaxClients;
}

// Up to 2000 slots or client numbers, in the order added; kept on the stack, so that a load
// allocates nothing for them.
struct SlotList {
    std::array<std::int16_t, MaxClients> items;
    std::size_t count = 0;

    void add(std::int32_t item) { items[count++] = static_cast<std::int16_t>(item); }
    std::span<const std::int16_t> all() const { return {items.data(), count}; }
};

// The slots whose number must change: clients first, so that a client keeps a number a free
// slot also carries. The slots from emptyFrom on (free, number 0) are left to the caller.
void FindSlotsToRenumber(std::array<bool, MaxClients + 1>& taken, int emptyFrom,
                         SlotList& renumber) {
    const auto keepOrRenumber = [&](int slot) {
        const std::int32_t number = ClientTable[slot].ClientNumber;
        const auto at = static_cast<std::size_t>(number);
        if (IsValidNumber(number) && !taken[at]) {
            taken[at] = true;
        } else {
            renumber.add(slot);
        }
    };
    // Numbers all valid and distinct (as in every table this program saved) are all kept,
    // whichever slots are clients: one pass tells.
    bool distinct = true;
    for (int slot = 1; slot < emptyFrom && distinct; ++slot) {
        const std::int32_t number = ClientTable[slot].ClientNumber;
        distinct = IsValidNumber(number) && !taken[static_cast<std::size_t>(number)];
        if (distinct) taken[static_cast<std::size_t>(number)] = true;
    }
    if (distinct) return;
    taken.fill(false);
    // One pass over the slots: the clients are settled at once, the free slots after them.
    SlotList freeSlots;
    for (int slot = 1; slot < emptyFrom; ++slot) {
        if (ClientTable[slot].InUse > 0) {
            keepOrRenumber(slot);
        } else {
            freeSlots.add(slot);
        }
    }
    for (const int slot : freeSlots.all()) keepOrRenumber(slot);
}

// What one listing of the data folder says of history files: the client numbers 1..2000
// that have one, and the other names shaped like one ("C", a damaged number, ".dat"), sorted.
struct HistoryListing {
    std::bitset<MaxClients + 1> numbers;
    std::vector<std::string> otherNames;
    bool listed = false;  // false when the folder could not be listed
};

// Whether the client number has a history file. The folder's listing answers for numbers
// 1..2000, and for a damaged number whose file it does not name; the disk is asked about a
// damaged number whose file it names, or when the folder could not be listed.
bool HasHistory(std::int32_t number, const HistoryListing& listing) {
    if (IsValidNumber(number)) return listing.numbers.test(static_cast<std::size_t>(number));
    if (listing.listed && listing.otherNames.empty()) return false;
    const std::string path = HistoryFileName(number);
    const std::string_view name = std::string_view(path).substr(DataFolder().size());
    return (!listing.listed || std::ranges::binary_search(listing.otherNames, name)) &&
           FileExists(path);
}

// The history follows a client whose number changed. A failed copy loses nothing: the old
// file stays where it is.
void CopyHistory(std::int32_t from, std::int32_t to, const HistoryListing& listing) {
    if (!DataWritable() || !HasHistory(from, listing)) return;
    PrepareForWriting();
    if (const auto bytes = ReadFileBytes(HistoryFileName(from), LargestHistory)) {
        ReplaceFileSafely(HistoryFileName(to), *bytes);
    }
}

// The history files of the data folder, from one listing.
HistoryListing ListHistories() {
    HistoryListing listing;
    DIR* folder = ::opendir(DataFolder().c_str());
    if (folder == nullptr) return listing;
    listing.listed = true;
    while (const dirent* entry = ::readdir(folder)) {
        // "C", a number's digits (a minus before those of a negative one) and ".dat", as
        // HistoryFileName writes them: "Clients.dat" and the rest are no history.
        const std::string_view name = entry->d_name;
        if (name.size() < 9 || name.front() != 'C' || !name.ends_with(".dat")) continue;
        std::string_view digits = name.substr(1, name.size() - 5);
        if (digits.front() == '-') digits.remove_prefix(1);
        const auto isDigit = [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        };
        if (!std::ranges::all_of(digits, isDigit)) continue;
        std::int32_t number = 0;
        for (const char c : digits.substr(0, 4)) number = number * 10 + (c - '0');
        // Numbers 1..2000 are written with four digits exactly.
        if (name.size() == 9 && digits.size() == 4 && IsValidNumber(number)) {
            listing.numbers.set(static_cast<std::size_t>(number));
        } else {
            listing.otherNames.emplace_back(name);
        }
    }
    ::closedir(folder);
    std::ranges::sort(listing.otherNames);
    return listing;
}

}  // namespace

bool AssignClientNumbers() {
    return AssignClientNumbers(MaxClients + 1);
}

bool AssignClientNumbers(int emptyFrom) {
    emptyFrom = std::clamp(emptyFrom, 1, MaxClients + 1);
    std::array<bool, MaxClients + 1> taken{};
    SlotList renumber;
    FindSlotsToRenumber(taken, emptyFrom, renumber);
    if (renumber.count == 0 && emptyFrom > MaxClients) return false;
    // Unused numbers without a history file go to clients first; those whose file exists
    // (a client deleted without its file, say) are left for free slots, which never read it.
    // One listing of the folder, not a look-up for each of up to 2000 numbers.
    const HistoryListing listing = ListHistories();
    SlotList fresh;
    SlotList withFiles;
    const bool anyHistories = listing.numbers.any();
    for (std::int32_t number = 1; number <= MaxClients; ++number) {
        if (taken[static_cast<std::size_t>(number)]) continue;
        const bool hasHistory = anyHistories && listing.numbers[static_cast<std::size_t>(number)];
        (hasHistory ? withFiles : fresh).add(number);
    }
    for (const std::int32_t number : withFiles.all()) fresh.add(number);
    std::size_t next = 0;
    for (const int slot : renumber.all()) {
        ClientRecord& record = ClientTable[slot];
        const std::int32_t old = record.ClientNumber;
        record.ClientNumber = fresh.items[next++];
        if (record.InUse > 0) CopyHistory(old, record.ClientNumber, listing);
    }
    // The empty slots are free, their number 0 is no number: they take what is left, in order,
    // as the last of the free slots.
    for (int slot = emptyFrom; slot <= MaxClients; ++slot) {
        ClientTable[slot].ClientNumber = fresh.items[next++];
    }
    return true;
}

bool AnyHistoryFiles() {
    return ListHistories().numbers.any();
}

}  // namespace store
