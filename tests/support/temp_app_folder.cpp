#include "support/temp_app_folder.h"

#include "shell/app_state.h"

namespace testing {

void UseAppPath(const std::string& folder) {
    shell::StartUpState state = shell::StartUp();
    state.AppPath = folder;
    shell::SetStartUpState(std::move(state));
}

TempAppFolder::TempAppFolder() {
    UseAppPath(path());
}

}  // namespace testing
