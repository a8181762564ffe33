#include "support/temp_data_folder.h"

#include "store/data_folder.h"
#include "store/files.h"

namespace testing {

TempDataFolder::TempDataFolder() {
    store::SetDataFolder(dataPath());
    store::EnsureFolder(dataPath());
}

std::string TempDataFolder::path() const {
    return dir_.path().toStdString() + "/";
}
std::string TempDataFolder::dataPath() const {
    return path() + store::DataFolderName;
}
std::string TempDataFolder::dataFile() const {
    return dataPath() + "Clients.dat";
}

}  // namespace testing
