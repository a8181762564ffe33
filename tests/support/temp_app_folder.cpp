#include "support/temp_app_folder.h"

#include "app/app_state.h"

namespace testing {

TempAppFolder::TempAppFolder() {
    app::AppPath = path();
}

}  // namespace testing
