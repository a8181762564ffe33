#pragma once

// The names every window is known by, kept below the windows so that any of them may name
// another without including it.
namespace shell {

inline constexpr const char* MainForm = "F1";
inline constexpr const char* DetailsForm = "F2";
inline constexpr const char* ScanForm = "F3";
inline constexpr const char* ScanResultsForm = "F4";
inline constexpr const char* PrintForm = "F5";
inline constexpr const char* OptionsForm = "F6";
inline constexpr const char* ImportForm = "F7";
inline constexpr const char* RestoreForm = "F8";

// The main window's client list, whose highlighted rows the print window reads.
inline constexpr int MainList = 100;

}  // namespace shell
