#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The full table every measurement works on: 2000 clients, each with about 2 KB of history.
inline constexpr int FullTable = 2000;
inline constexpr std::size_t HistoryBytes = 2048;

// Writes FOLDER/Data/ with "Clients.dat" holding `count` realistic clients (and, when
// historyBytes is not 0, a history file of about that size for each). With scannedToday the
// table records that today's start-up scan has run, so a start shows no results window.
// Leaves AppPath pointing at the folder and the client table in memory as written. False when
// the file could not be written.
bool WriteSampleFolder(const std::string& folder, int count, std::size_t historyBytes,
                       bool scannedToday);

}  // namespace bench
