#pragma once

#include <span>
#include <string>

#include "store/client_record.h"

namespace store {

// What became of a store of CurrentRecord.
enum class StoreOutcome {
    Stored,
    NotWritable,        // the data folder may not be written; the reason says why
    TableFull,          // every slot holds a client
    NoFreeNumber,       // every free slot's number still has an earlier client's history file
    HistoryNotWritten,  // the history file could not be replaced; the reason says why
};

struct StoreResult {
    StoreOutcome outcome = StoreOutcome::Stored;
    std::string reason;  // the system's words, with NotWritable and HistoryNotWritten
};

// Whether a store rewrites the client's history file or leaves it as it is on the disk (a
// history that could not be read was shown empty; writing that over the file would lose it).
enum class HistoryFile {
    Rewrite,
    LeaveAsItIs,
};

// Writes CurrentRecord into its slot (an existing client) or into the first free slot (a new
// one, which keeps that slot's number), then rewrites the client's history file. Anything but
// Stored leaves the table and the history file as they were.
StoreResult StoreCurrentRecord(const std::string& history,
                               HistoryFile historyFile = HistoryFile::Rewrite);

// Adds a new client in the first free slot, which keeps that slot's number, and writes its
// history file (none for an empty history). Anything but Stored leaves the table as it was.
// CurrentRecord is not touched, and the table is not re-sorted here.
StoreResult AddClient(const ClientRecord& record, const std::string& history);

// Deletes the clients of the given slots (1..2000): marks the slots free, keeping their numbers,
// moves the freed records behind the remaining clients (each group keeping its order), and
// saves the table; only once it is saved are the clients' history files removed, with one
// flush of the folder for all of them. When the table cannot be saved (or the data folder may
// not be written) the table and SaveNeeded are as they were, nothing is removed, and the
// result is false with the system's words in reason.
bool FreeSlots(std::span<const int> slots, std::string* reason = nullptr);

}  // namespace store
