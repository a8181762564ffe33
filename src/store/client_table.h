#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "store/client_record.h"

namespace store {

// Slots 0..2000; slot 0 is never a client and carries the settings in the file.
extern SlotTable ClientTable;
extern Settings ProgramSettings;
// The staging copy the details window edits, the slot it came from (0: a new client or
// none) and the number of the client last opened, moved to or saved.
extern ClientRecord CurrentRecord;
extern std::int32_t CurrentSlot;
extern std::int32_t CurrentClientNumber;
// 1 when "Clients.dat" must be written at exit.
extern std::int32_t SaveNeeded;

constexpr const char* DataFileName = "Clients.dat";

// The data file's path: DataFolder() + "Clients.dat".
std::string DataFilePath();

// What LoadClientTable found.
enum class LoadOutcome {
    Loaded,                  // "Clients.dat" was read
    Created,                 // there was no "Clients.dat": a new empty table was made
    CreatedBesideHistories,  // as Created, but history files of earlier clients are there
    Unreadable,              // something stands at the path but cannot be read as the file
};

// Fills the table and the settings from "Clients.dat", or makes a new table and file when
// there is no such file at all, and gives every slot a number of its own. With Unreadable
// the table is empty and must not be saved over the file; reason holds the system's words.
// A new table is saved at once (when the folder may be written); SaveNeeded stays 1 when that
// failed.
LoadOutcome LoadClientTable(std::string* reason = nullptr);
// Writes "Clients.dat" when SaveNeeded is set. The old file stays untouched unless the new
// image reached the disk whole; on failure (or when the data folder may not be written)
// SaveNeeded stays 1 and the result is false.
bool SaveClientTable();

// Resets every global of the store to its start-of-run state.
void ResetClientStore();

}  // namespace store
