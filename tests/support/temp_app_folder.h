#pragma once

#include <string>

#include "support/temp_data_folder.h"

namespace testing {

// Stands in for start-up's choice of the program's folder (folder ends in "/").
void UseAppPath(const std::string& folder);

// A fresh program folder for one test: AppPath points at it, and its "Data/" folder exists and
// is the store's data folder.
class TempAppFolder : public TempDataFolder {
public:
    TempAppFolder();
};

}  // namespace testing
