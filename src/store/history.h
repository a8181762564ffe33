#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace store {

// Far beyond any history typed by hand; guards memory against a damaged or foreign file. A
// longer file is not read at all, rather than read in part and written back cut.
inline constexpr std::size_t LargestHistory = 256u << 20;

// DataFolder() + "C" + the client number in four digits + ".dat".
std::string HistoryFileName(std::int32_t clientNumber);

// A client's history as read from its file.
struct History {
    std::string text;
    // False when the file exists but could not be read: the text is then empty, and a save of
    // the client must leave the file as it is instead of writing the empty text over it.
    bool readable = true;
};

// The history of the client in CurrentRecord, "" when it has none or is new. Line breaks
// come as stored (CR LF in files of the original program).
History ReadHistory();

// The history of the client with the given number, read as ReadHistory reads it.
History ReadHistoryOf(std::int32_t clientNumber);

// Replaces the client's history file with the text, NULs left out (deleted when nothing is
// left). The new text reaches the disk whole before it takes the old file's place; false on
// failure (or when the data folder may not be written), when the old file is left as it was.
bool WriteHistory(std::int32_t clientNumber, const std::string& history);

}  // namespace store
