#pragma once

#include <cstdint>
#include <string>

namespace store {

// AppPath + "Data/C" + the client number in four digits + ".dat".
std::string HistoryFileName(std::int32_t clientNumber);

// The history of the client in CurrentRecord, "" when it has none or is new. Line breaks
// come as stored (CR LF in files of the original program).
std::string ReadHistory();

// Replaces the client's history file with the text, NULs left out (deleted when nothing is
// left). The new text reaches the disk whole before it takes the old file's place; false on
// failure, when the old file is left as it was.
bool WriteHistory(std::int32_t clientNumber, const std::string& history);

}  // namespace store
