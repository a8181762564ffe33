#pragma once

#include <cstdint>
#include <string>

#include "platform/program_identity.h"

namespace shell {

// What start-up makes before the first window opens. Afterwards it is only read.
struct StartUpState {
    int MainFont = 0;          // font of every window's controls
    int SymbolFont = 0;        // font of the details window's arrow buttons
    std::string AppPath;       // the program's folder, ending in "/"
    std::string AppIcon;       // the icon every window shows
    std::string HelpFilePath;  // the help file beside the program
    std::string DateMask;      // display format of the date pickers
};

// Start-up's one way in (and a test harness's, standing in for it).
void SetStartUpState(StartUpState state);
const StartUpState& StartUp();

// The start-up state under its own names, read-only.
extern const int& MainFont;
extern const int& SymbolFont;
extern const std::string& AppPath;
extern const std::string& AppIcon;
extern const std::string& HelpFilePath;
extern const std::string& DateMask;

// Application-wide state the windows change while the program runs.
extern std::int32_t HelpOpen;        // result of the latest help request
extern std::int32_t ManualScanFlag;  // 1: the user opened the scan window; 0: start-up scan
extern std::string OpenerForm;       // the window that opened the latest child window

constexpr const char* ProgramCaption = platform::ProgramCaption;
constexpr const char* HelpFileName = "Vendrix 2.hlp";

}  // namespace shell
