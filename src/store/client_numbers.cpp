#include "store/client_numbers.h"

#include <dirent.h>

#include <array>
#include <bitset>
#include <cctype>
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

// The slots whose number must change: clients first, so that a client keeps a number a free
// slot also carries.
std::vector<int> SlotsToRenumber(std::array<bool, MaxClients + 1>& taken) {
    std::vector<int> renumber;
    for (const bool clients : {true, false}) {
        for (int slot = 1; slot <= MaxClients; ++slot) {
            const ClientRecord& record = ClientTable[slot];
            if ((record.InUse > 0) != clients) continue;
            const std::int32_t number = record.ClientNumber;
            const auto at = static_cast<std::size_t>(number);
            if (IsValidNumber(number) && !taken[at]) {
                taken[at] = true;
            } else {
                renumber.push_back(slot);
            }
        }
    }
    return renumber;
}

// The history follows a client whose number changed. A failed copy loses nothing: the old
// file stays where it is. The folder's listing answers for numbers 1..2000.
void CopyHistory(std::int32_t from, std::int32_t to, const std::bitset<MaxClients + 1>& onDisk) {
    const std::string source = HistoryFileName(from);
    const bool exists =
        IsValidNumber(from) ? onDisk.test(static_cast<std::size_t>(from)) : FileExists(source);
    if (!DataWritable() || !exists) return;
    PrepareForWriting();
    if (const auto bytes = ReadFileBytes(source, LargestHistory)) {
        ReplaceFileSafely(HistoryFileName(to), *bytes);
    }
}

// The client numbers 1..2000 whose history file is in the data folder, from one listing.
std::bitset<MaxClients + 1> HistoryNumbersOnDisk() {
    std::bitset<MaxClients + 1> numbers;
    DIR* listing = ::opendir(DataFolder().c_str());
    if (listing == nullptr) return numbers;
    while (const dirent* entry = ::readdir(listing)) {
        // "C" + four digits + ".dat", as HistoryFileName writes them for numbers 1..2000.
        const std::string_view name = entry->d_name;
        if (name.size() != 9 || name.front() != 'C' || !name.ends_with(".dat")) continue;
        std::int32_t number = 0;
        bool digits = true;
        for (const char c : name.substr(1, 4)) {
            digits = digits && std::isdigit(static_cast<unsigned char>(c)) != 0;
            number = number * 10 + (c - '0');
        }
        if (digits && IsValidNumber(number)) numbers.set(static_cast<std::size_t>(number));
    }
    ::closedir(listing);
    return numbers;
}

}  // namespace

bool AssignClientNumbers() {
    std::array<bool, MaxClients + 1> taken{};
    const std::vector<int> renumber = SlotsToRenumber(taken);
    if (renumber.empty()) return false;
    // Unused numbers without a history file go to clients first; those whose file exists
    // (a client deleted without its file, say) are left for free slots, which never read it.
    // One listing of the folder, not a look-up for each of up to 2000 numbers.
    const std::bitset<MaxClients + 1> onDisk = HistoryNumbersOnDisk();
    std::vector<std::int32_t> fresh;
    std::vector<std::int32_t> withFiles;
    for (std::int32_t number = 1; number <= MaxClients; ++number) {
        if (taken[static_cast<std::size_t>(number)]) continue;
        (onDisk.test(static_cast<std::size_t>(number)) ? withFiles : fresh).push_back(number);
    }
    fresh.insert(fresh.end(), withFiles.begin(), withFiles.end());
    auto next = fresh.begin();
    for (const int slot : renumber) {
        ClientRecord& record = ClientTable[slot];
        const std::int32_t old = record.ClientNumber;
        record.ClientNumber = *next++;
        if (record.InUse > 0) CopyHistory(old, record.ClientNumber, onDisk);
    }
    return true;
}

bool AnyHistoryFiles() {
    return HistoryNumbersOnDisk().any();
}

}  // namespace store
