#pragma once

#include "support/temp_data_folder.h"

namespace testing {

// A fresh program folder for one test: AppPath points at it, and its "Data/" folder exists and
// is the store's data folder.
class TempAppFolder : public TempDataFolder {
public:
    TempAppFolder();
};

}  // namespace testing
