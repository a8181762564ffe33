#include "shell/app_state.h"

#include <utility>

namespace shell {

namespace {

StartUpState startUp;

}  // namespace

void SetStartUpState(StartUpState state) {
    startUp = std::move(state);
}

const StartUpState& StartUp() {
    return startUp;
}

const int& MainFont = startUp.MainFont;
const int& SymbolFont = startUp.SymbolFont;
const std::string& AppPath = startUp.AppPath;
const std::string& AppIcon = startUp.AppIcon;
const std::string& HelpFilePath = startUp.HelpFilePath;
const std::string& DateMask = startUp.DateMask;

std::int32_t HelpOpen = 0;
std::int32_t ManualScanFlag = 0;
std::string OpenerForm;

}  // namespace shell
