#include "store/data_permissions.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "store/backups.h"
#include "store/client_table.h"
#include "store/data_folder.h"

namespace store {

namespace {

constexpr mode_t PrivateFolder = 0700;
constexpr mode_t PrivateFile = 0600;

// Gives the folder or file the mode when it is this user's own and of the kind expected. Not
// followed through a symbolic link, which could point at anything.
void MakePrivate(std::string path, bool folder, mode_t mode) {
    // "Data/" with its slash would be followed through a link.
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || info.st_uid != ::geteuid()) return;
    if (folder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) return;
    if ((info.st_mode & 07777) != mode) ::chmod(path.c_str(), mode);
}

// "C0001.dat", and the names a damaged number gives ("C-012.dat", "C123456.dat").
bool IsHistoryName(std::string_view name) {
    constexpr std::string_view Suffix = ".dat";
    if (name.size() <= 1 + Suffix.size() || name.front() != 'C' || !name.ends_with(Suffix)) {
        return false;
    }
    const std::string_view number = name.substr(1, name.size() - 1 - Suffix.size());
    return std::all_of(number.begin(), number.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

}  // namespace

void RepairDataPermissions(const DataHome& home) {
    if (!home.besideProgram) MakePrivate(home.folder, true, PrivateFolder);
    const std::string data = home.folder + DataFolderName;
    // The folder first: once it is closed to others, nothing in it can be swapped under us.
    MakePrivate(data, true, PrivateFolder);
    MakePrivate(home.folder + BackupsFolderName, true, PrivateFolder);
    MakePrivate(home.folder + "Reports/", true, PrivateFolder);
    const std::unique_ptr<DIR, FolderCloser> folder(::opendir(data.c_str()));
    if (!folder) return;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string_view name = entry->d_name;
        if (name == DataFileName || IsHistoryName(name)) {
            MakePrivate(data + std::string(name), false, PrivateFile);
        }
    }
}

}  // namespace store
