#pragma once

#include <string>

#include "shell/forms.h"
#include "store/client_table.h"

namespace app {

// Controls of the main window.
using shell::MainList;
inline constexpr int AddButton = 105;
inline constexpr int EditButton = 110;
inline constexpr int PrintButton = 115;
inline constexpr int ExitButton = 120;
inline constexpr int ScanButton = 125;
inline constexpr int OptionsButton = 130;
inline constexpr int HelpButton = 135;
inline constexpr int StatusBar = 140;

// True when "Clients.dat" exists but could not be read; the program then stops.
extern bool LoadFailed;
// What reading "Clients.dat" found when the window was built.
extern store::LoadOutcome LastLoad;

void OpenMainWindow(const std::string& parent);
void BuildMainWindow();
void HandleMainWindowEvent(int& id, int& code, int& value, int& cancel);

}  // namespace app
