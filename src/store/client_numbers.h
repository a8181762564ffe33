#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace store {

// Gives every slot of the table a number of its own in 1..2000, so that no two clients share a
// history file. A number that is 0, out of range or already taken (by a client before it, or
// by any client when the slot is free) is replaced by an unused one, preferably one with no
// history file yet. A client keeps the number whose history file it owns; a client whose
// number changes takes a copy of the history file of its old number along. True when any
// number changed (the table must then be saved).
bool AssignClientNumbers();
// The same for a table whose slots from emptyFrom on are all zero bytes, as a short file
// leaves them: they are numbered as a block instead of looked at one by one.
bool AssignClientNumbers(int emptyFrom);

// Whether the data folder holds the history file of any client number 1..2000.
bool AnyHistoryFiles();

// The history files (client numbers 1..2000) that no client in use has: an earlier client's
// text, kept as it is, whose number no new client takes. `untold` is true when any of them was
// not among those last noted as told.
struct OrphanedHistories {
    std::vector<std::int32_t> numbers;
    bool untold = false;
};
OrphanedHistories FindOrphanedHistories();
// The note in the data folder of the orphaned histories last told.
inline constexpr const char* ToldOrphansName = ".told-orphans";
// Remembers, in the data folder, that the user was told of these, so that they are told once.
void NoteOrphanedHistoriesTold(std::span<const std::int32_t> numbers);

}  // namespace store
