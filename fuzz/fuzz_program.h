#pragma once

// What every fuzz target shares: the real program running offscreen in a folder of its own,
// with every seam set so that nothing waits for a person, and the checks that hold whatever
// the bytes were.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "checks.h"

namespace fuzzing {

// Makes the offscreen GUI application once, a program folder with its "Data/" folder, a fixed
// today, message boxes that answer themselves, reports that end in memory, and file calls
// that skip the flush to the disk (a fuzz run needs no durability) and stop the run when the
// program touches a file outside the data folder.
void StartOffscreenProgram(int* argc, char*** argv);

// The program's folder ("…/", AppPath) and its data folder.
const std::string& ProgramFolder();
std::string DataFolder();

// Replaces a file of the data folder with the bytes.
void PlaceDataFile(const std::string& name, const std::uint8_t* data, std::size_t size);
// Removes every file of the data folder (while the program is not running on it).
void EmptyDataFolder();

// Closes every window of the program, the main one last, as the user's exit does.
void CloseProgram();

// Stops the run when anything but the data folder and the reports folder appeared in the
// program's folder.
void RequireNothingOutsideDataFolder();

}  // namespace fuzzing
