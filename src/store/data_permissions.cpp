#include "store/data_permissions.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <string_view>

#include "store/backups.h"
#include "store/data_folder.h"
#include "store/data_swap.h"

namespace store {

namespace {

constexpr mode_t PrivateFolder = 0700;
constexpr mode_t PrivateFile = 0600;

// Gives the folder or file the mode when it is this user's own and of the kind expected. Not
// followed through a symbolic link, which could point at anything. True when it was this
// user's, of that kind and mode already.
bool MakePrivate(std::string path, bool folder, mode_t mode) {
    // "Data/" with its slash would be followed through a link.
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || info.st_uid != ::geteuid()) return false;
    if (folder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) return false;
    if ((info.st_mode & 07777) == mode) return true;
    ::chmod(path.c_str(), mode);
    return false;
}

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

}  // namespace

void RepairDataPermissions(const DataHome& home) {
    if (!home.besideProgram) MakePrivate(home.folder, true, PrivateFolder);
    const std::string data = home.folder + DataFolderName;
    // The folder first: once it is closed to others, nothing in it can be swapped under us.
    const bool closedAlready = MakePrivate(data, true, PrivateFolder);
    MakePrivate(home.folder + BackupsFolderName, true, PrivateFolder);
    MakePrivate(home.folder + "Reports/", true, PrivateFolder);
    // Nobody else reaches the files of a folder that was closed to others already, so their
    // modes need looking at only when it was open: a start does not look at 2000 files.
    if (closedAlready) return;
    const std::unique_ptr<DIR, FolderCloser> folder(::opendir(data.c_str()));
    if (!folder) return;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string_view name = entry->d_name;
        if (IsDataFileName(name)) {
            MakePrivate(data + std::string(name), false, PrivateFile);
        }
    }
}

}  // namespace store
