#pragma once

#include "shell/app_state.h"

namespace app {

// The start-up state lives below the windows; the application knows it by its own names too.
using shell::AppIcon;
using shell::AppPath;
using shell::DateMask;
using shell::HelpFileName;
using shell::HelpFilePath;
using shell::HelpOpen;
using shell::MainFont;
using shell::ManualScanFlag;
using shell::OpenerForm;
using shell::ProgramCaption;
using shell::SymbolFont;

}  // namespace app
