#pragma once

// "Clients.dat" kept in memory for the store's own reader and writer: the store's file calls
// are served from bytes in memory, so that an input is loaded and saved through the real code
// without writing a byte to the disk.

#include <string>
#include <string_view>

namespace fuzzing {

// Makes a program folder whose data folder holds an empty "Clients.dat" (the store asks the
// system whether the file is there) and installs the file calls. Opening, making, renaming or
// removing any other file stops the run, as does removing this one.
void UseDataFileInMemory();

// What the store reads as "Clients.dat" from now on; the bytes must outlive the reads.
void SetDataFileBytes(std::string_view bytes);

// The bytes of the latest save that took the file's place; empty before any, and after
// ForgetSavedDataFile.
const std::string& SavedDataFile();
void ForgetSavedDataFile();

}  // namespace fuzzing
