#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "store/client_record.h"

namespace store {

// Slots 0..2000; slot 0 is never a client and carries the settings in the file.
extern std::array<ClientRecord, TableSlots> ClientTable;
extern Settings ProgramSettings;
// The staging copy the details window edits, the slot it came from (0: a new client or
// none) and the number of the client last opened, moved to or saved.
extern ClientRecord CurrentRecord;
extern std::int32_t CurrentSlot;
extern std::int32_t CurrentClientNumber;
// 1 when "Clients.dat" must be written at exit.
extern std::int32_t SaveNeeded;

constexpr const char* DataFileName = "Clients.dat";

// The data file's path: AppPath + "Data/Clients.dat".
std::string DataFilePath();

// Fills the table and the settings from "Clients.dat", or makes a new table and file.
// False when the file exists but cannot be read: the table is then empty and must not be
// saved over the file.
bool LoadClientTable();
// Writes "Clients.dat" when SaveNeeded is set. The old file stays untouched unless the new
// image reached the disk whole; on failure SaveNeeded stays 1 and the result is false.
bool SaveClientTable();

// Resets every global of the store to its start-of-run state.
void ResetClientStore();

}  // namespace store
