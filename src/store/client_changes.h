#pragma once

#include <string>

namespace store {

inline constexpr const char* LimitMessage = "No more clients may be added at this time.{!}";

// Writes CurrentRecord into its slot (an existing client) or into the first free slot (a new
// one, which keeps that slot's number), then rewrites the client's history file. False when
// the table is full (the user was told) or the history could not be written.
bool StoreCurrentRecord(const std::string& history);

// Deletes the clients of the highlighted rows of the main list, after the user agreed.
void DeleteSelectedClients();

}  // namespace store
