#include "store/history.h"

#include <cstdio>
#include <string>

#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/text_field.h"

namespace store {

std::string HistoryFileName(std::int32_t clientNumber) {
    // The number is printed as digits only, so even a damaged one names a file inside the
    // data folder.
    char name[32];
    std::snprintf(name, sizeof name, "C%04d.dat", clientNumber);
    return DataFolder() + name;
}

History ReadHistory() {
    if (CurrentRecord.InUse <= 0) return {};
    return ReadHistoryOf(CurrentRecord.ClientNumber);
}

History ReadHistoryOf(std::int32_t clientNumber) {
    bool absent = false;
    const auto bytes =
        ReadFileBytesIfPresent(HistoryFileName(clientNumber), LargestHistory, absent);
    if (absent) return {};
    if (!bytes) return {{}, false};
    return {DecodeWindows1252(*bytes), true};
}

bool WriteHistory(std::int32_t clientNumber, const std::string& history) {
    const std::string name = HistoryFileName(clientNumber);
    std::string bytes = EncodeWindows1252(history);
    // A NUL (pasted, or from a damaged file) shows as nothing, yet the printout would end at it.
    std::erase(bytes, '\0');
    if (!DataWritable()) return false;
    PrepareForWriting();
    if (bytes.empty()) return !FileExists(name) || RemoveFile(name);
    return ReplaceFileSafely(name, bytes);
}

}  // namespace store
