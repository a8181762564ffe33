#include "store/client_numbers.h"

#include <dirent.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cstdint>
#include <optional>
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

std::string NumbersText(std::span<const std::int32_t> numbers) {
    std::string text;
    for (const std::int32_t number : numbers) text += std::to_string(number) + "\n";
    return text;
}

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

// The numbers 1..2000 as bits, 64 to a word: the numbers a load keeps, the ones with a history
// file, and the unused ones in order, a word at a time.
struct NumberSet {
    static constexpr std::size_t Words = (MaxClients + 64) / 64;
    static_assert(MaxClients % 64 != 63, "the last word's mask would shift by 64");
    std::array<std::uint64_t, Words> words{};

    bool test(std::int32_t number) const {
        const auto at = static_cast<std::size_t>(number);
        return ((words[at / 64] >> (at % 64)) & 1U) != 0;
    }
    void set(std::int32_t number) {
        const auto at = static_cast<std::size_t>(number);
        words[at / 64] |= std::uint64_t{1} << (at % 64);
    }
    bool any() const {
        return std::ranges::any_of(words, [](std::uint64_t word) { return word != 0; });
    }
};

// Calls give with each number 1..2000 in neither set, in increasing order.
template <typename Give>
void ForEachNumberInNeither(const NumberSet& a, const NumberSet& b, Give&& give) {
    for (std::size_t word = 0; word < NumberSet::Words; ++word) {
        std::uint64_t bits = ~(a.words[word] | b.words[word]);
        // Number 0 and the numbers past 2000 are no numbers.
        if (word == 0) bits &= ~std::uint64_t{1};
        if (word == NumberSet::Words - 1) bits &= (std::uint64_t{1} << (MaxClients % 64 + 1)) - 1;
        for (; bits != 0; bits &= bits - 1) {
            give(static_cast<std::int32_t>(word * 64 +
                                           static_cast<std::size_t>(std::countr_zero(bits))));
        }
    }
}

// The slots whose number must change: clients first, so that a client keeps a number a free
// slot also carries. The slots from emptyFrom on (free, number 0) are left to the caller.
void FindSlotsToRenumber(NumberSet& taken, int emptyFrom, SlotList& renumber) {
    const auto keepOrRenumber = [&](int slot) {
        const std::int32_t number = ClientTable[slot].ClientNumber;
        if (IsValidNumber(number) && !taken.test(number)) {
            taken.set(number);
        } else {
            renumber.add(slot);
        }
    };
    // Numbers all valid and distinct (as in every table this program saved) are all kept,
    // whichever slots are clients: one pass tells. It runs to the end without a branch per
    // slot, an invalid number marking number 0.
    std::uint64_t repeated = 0;
    for (int slot = 1; slot < emptyFrom; ++slot) {
        const std::int32_t number = ClientTable[slot].ClientNumber;
        const std::int32_t at = IsValidNumber(number) ? number : 0;
        repeated |= taken.words[static_cast<std::size_t>(at) / 64] &
                    (std::uint64_t{1} << (static_cast<std::size_t>(at) % 64));
        taken.set(at);
    }
    if (repeated == 0 && !taken.test(0)) return;
    taken = NumberSet{};
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
    NumberSet numbers;
    std::vector<std::string> otherNames;
    bool listed = false;  // false when the folder could not be listed
};

// Whether the client number has a history file. The folder's listing answers for numbers
// 1..2000, and for a damaged number whose file it does not name; the disk is asked about a
// damaged number whose file it names, or when the folder could not be listed.
bool HasHistory(std::int32_t number, const HistoryListing& listing) {
    if (IsValidNumber(number)) return listing.numbers.test(number);
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
            listing.numbers.set(number);
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
    NumberSet taken;
    SlotList renumber;
    FindSlotsToRenumber(taken, emptyFrom, renumber);
    if (renumber.count == 0 && emptyFrom > MaxClients) return false;
    // Unused numbers go to the slots to renumber first, then to the empty slots, which are
    // free (their number 0 is no number) and take what is left in order. Numbers without a
    // history file come first; those whose file exists (a client deleted without its file,
    // say) are left for the last free slots, which never read it. One listing of the folder,
    // not a look-up for each of up to 2000 numbers.
    const HistoryListing listing = ListHistories();
    std::size_t renumbered = 0;
    int empty = emptyFrom;
    const auto give = [&](std::int32_t number) {
        if (renumbered == renumber.count) {
            ClientTable[empty++].ClientNumber = number;
            return;
        }
        ClientRecord& record = ClientTable[renumber.items[renumbered++]];
        const std::int32_t old = record.ClientNumber;
        record.ClientNumber = number;
        if (record.InUse > 0) CopyHistory(old, number, listing);
    };
    ForEachNumberInNeither(taken, listing.numbers, give);
    if (listing.numbers.any()) {
        NumberSet withoutFiles;
        for (std::size_t word = 0; word < NumberSet::Words; ++word) {
            withoutFiles.words[word] = ~listing.numbers.words[word];
        }
        ForEachNumberInNeither(taken, withoutFiles, give);
    }
    return true;
}

bool AnyHistoryFiles() {
    return ListHistories().numbers.any();
}

OrphanedHistories FindOrphanedHistories() {
    const HistoryListing listing = ListHistories();
    NumberSet inUse;
    for (int slot = 1; slot <= MaxClients; ++slot) {
        const std::int32_t number = ClientTable[slot].ClientNumber;
        if (ClientTable[slot].InUse > 0 && IsValidNumber(number)) inUse.set(number);
    }
    OrphanedHistories orphans;
    for (std::int32_t number = 1; number <= MaxClients; ++number) {
        if (listing.numbers.test(number) && !inUse.test(number)) {
            orphans.numbers.push_back(number);
        }
    }
    const std::optional<std::string> told = ReadFileBytes(DataFolder() + ToldOrphansName, 65536);
    orphans.untold = !orphans.numbers.empty() && told != NumbersText(orphans.numbers);
    return orphans;
}

void NoteOrphanedHistoriesTold(std::span<const std::int32_t> numbers) {
    if (!DataWritable()) return;
    PrepareForWriting();
    ReplaceFileSafely(DataFolder() + ToldOrphansName, NumbersText(numbers));
}

}  // namespace store
