#pragma once

#include <string>

namespace app {

inline constexpr int MainFontNumber = 10;
inline constexpr int SymbolFontNumber = 11;

// Makes the application-wide state: fonts, paths, help file, month table and date mask.
void Initialise();
// The start procedure of the run loop: Initialise, the main window, the daily scan.
void StartProcedure(const std::string& argument);
// Runs the follow-up scan for today unless it ran today already or the options forbid it.
void RunStartUpScan();

}  // namespace app
