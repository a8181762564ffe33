#pragma once

#include <cstdint>
#include <string>

namespace shell {

// Application-wide state made at start-up and kept for the whole run.
extern int MainFont;         // font of every window's controls
extern int SymbolFont;       // font of the details window's arrow buttons
extern std::string AppPath;  // the program's folder, ending in "/"
extern std::string AppIcon;
extern std::string HelpFilePath;
extern std::int32_t HelpOpen;        // result of the latest help request
extern std::string DateMask;         // display format of the date pickers
extern std::int32_t ManualScanFlag;  // 1: the user opened the scan window; 0: start-up scan
extern std::string OpenerForm;       // the window that opened the latest child window

constexpr const char* ProgramCaption = "Vendrix 2.05";
constexpr const char* HelpFileName = "Vendrix 2.hlp";

}  // namespace shell
