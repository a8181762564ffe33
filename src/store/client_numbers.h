#pragma once

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

}  // namespace store
