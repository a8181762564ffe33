#include "shell/app_state.h"

namespace shell {

int MainFont = 0;
int SymbolFont = 0;
std::string AppPath;
std::string AppIcon;
std::string HelpFilePath;
std::int32_t HelpOpen = 0;
std::string DateMask;
std::int32_t ManualScanFlag = 0;
std::string OpenerForm;

}  // namespace shell
