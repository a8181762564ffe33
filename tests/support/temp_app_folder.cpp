#include "support/temp_app_folder.h"

#include "app/app_state.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace testing {

TempAppFolder::TempAppFolder() {
    app::AppPath = path();
    store::SetDataFolder(dataPath());
    store::EnsureFolder(dataPath());
}

std::string TempAppFolder::path() const {
    return dir_.path().toStdString() + "/";
}
std::string TempAppFolder::dataPath() const {
    return path() + "Data/";
}
std::string TempAppFolder::dataFile() const {
    return dataPath() + "Clients.dat";
}

}  // namespace testing
