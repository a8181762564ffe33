#pragma once

#include <cstdint>
#include <string>

#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/client_table.h"

namespace app {

// Controls of the main window.
inline constexpr int AddButton = 105;
inline constexpr int EditButton = 110;
inline constexpr int PrintButton = 115;
inline constexpr int ExitButton = 120;
inline constexpr int ScanButton = 125;
inline constexpr int OptionsButton = 130;
inline constexpr int HelpButton = 135;
inline constexpr int StatusBar = 140;

// Commands of the client list's context menu, with the keys that run them.
inline constexpr int ExportHighlightedCommand = 1;
inline constexpr int ExportAllCommand = 2;
inline constexpr int ImportCommand = 3;
inline constexpr int RestoreCommand = 4;

// What the main window keeps between events. The main window and its client list alone
// change it.
struct MainWindowState {
    std::int32_t ClientCount = 0;      // rows put in the list by the last fill
    gui::WindowHandle FormHandle = 0;  // the main window, for the column-click hook
    // True when "Clients.dat" exists but could not be read; the program then stops.
    bool LoadFailed = false;
    // What reading "Clients.dat" found when the window was built.
    store::LoadOutcome LastLoad = store::LoadOutcome::Loaded;
};
extern MainWindowState MainWindow;

void OpenMainWindow(const std::string& parent);
void BuildMainWindow();
void HandleMainWindowEvent(int& id, int& code, int& value, int& cancel);

}  // namespace app
