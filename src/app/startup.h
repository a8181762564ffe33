#pragma once

#include <string>

namespace app {

inline constexpr int MainFontNumber = 10;
inline constexpr int SymbolFontNumber = 11;
// Held in the data folder while a copy of the program works on it.
inline constexpr const char* DataLockName = "Vendrix 2.lock";

// Makes the application-wide state: fonts, paths, help file, month table, date mask and the
// data folder.
void Initialise();
// The start procedure of the run loop: Initialise, the main window, the daily scan.
void StartProcedure(const std::string& argument);
// Lets another copy of the program open the data (the run is over).
void ReleaseDataLock();
// Runs the follow-up scan for today unless it ran today already or the options forbid it.
void RunStartUpScan();

}  // namespace app
