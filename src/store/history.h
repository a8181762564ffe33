#pragma once

#include <cstdint>
#include <string>

namespace store {

// AppPath + "Data/C" + the client number in four digits + ".dat".
std::string HistoryFileName(std::int32_t clientNumber);

// The history of the client in CurrentRecord, "" when it has none or is new. Line breaks
// come as stored (CR LF in files of the original program).
std::string ReadHistory();

// The number of the last client whose history file exists but could not be read by
// ReadHistory (0 when the last one read was read whole). Its history is then shown empty,
// and a save of that client leaves the file as it is instead of writing the empty text over it.
extern std::int32_t UnreadableHistoryClient;

// Replaces the client's history file with the text, NULs left out (deleted when nothing is
// left). The new text reaches the disk whole before it takes the old file's place; false on
// failure, when the old file is left as it was.
bool WriteHistory(std::int32_t clientNumber, const std::string& history);

}  // namespace store
