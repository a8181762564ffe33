#include "store/data_location.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QString>

#include "store/data_folder.h"

namespace store {

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Asked with the run's effective ids, as the writes themselves will be made.
bool MayWrite(const std::string& folder) {
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

DataHome ChooseDataHome(const std::string& programFolder, const std::string& userDataFolder) {
    const std::string beside = programFolder + DataFolderName;
    if (IsFolder(beside) || MayWrite(programFolder) || userDataFolder.empty()) {
        return {programFolder};
    }
    // Its parents (~/.local/share) may be missing on a fresh account; the folder itself holds
    // client data and is the user's alone.
    QDir().mkpath(QString::fromStdString(userDataFolder));
    ::chmod(userDataFolder.c_str(), 0700);
    return {userDataFolder};
}

std::string DataHomeFolder() {
    const std::string data = DataFolder();
    const std::string name = DataFolderName;
    if (data.size() >= name.size() &&
        data.compare(data.size() - name.size(), name.size(), name) == 0) {
        return data.substr(0, data.size() - name.size());
    }
    return data;
}

}  // namespace store
