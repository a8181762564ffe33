#include "store/data_location.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

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

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

// A folder root must not write into: another user's. Root could write anywhere, and its files
// there would lock that user out; other users cannot.
bool IsAnotherUsersForRoot(const std::string& path) {
    struct stat info {};
    return ::geteuid() == 0 && ::stat(path.c_str(), &info) == 0 && info.st_uid != 0;
}

// The running user's home from the system's user list ("" when there is none).
std::string HomeOfUser() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return {};
    }
    return found->pw_dir;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string UserDataFolder(const std::string& applicationId) {
    const std::string home = WithoutTrailingSlashes(Environment("HOME"));
    const std::string xdg = WithoutTrailingSlashes(Environment("XDG_DATA_HOME"));
    // Root run through sudo may have kept the caller's home (sudo -E): that home, and an
    // XDG_DATA_HOME that came with it, are the caller's.
    const bool callersHome = IsAnotherUsersForRoot(home);
    std::string shared;
    if (!callersHome && IsAbsolute(xdg) && !IsAnotherUsersForRoot(xdg)) {
        shared = xdg;
    } else if (!callersHome && IsAbsolute(home)) {
        shared = home + "/.local/share";
    } else if (const std::string own = HomeOfUser(); !own.empty()) {
        shared = own + "/.local/share";
    }
    if (shared.empty()) return {};
    return shared + "/" + applicationId + "/";
}

DataHome ChooseDataHome(const std::string& programFolder, const std::string& applicationId) {
    const bool installed = IsFolder(programFolder + "../share/" + applicationId + "/");
    const std::string userFolder = UserDataFolder(applicationId);
    const bool beside =
        userFolder.empty() ||
        (!installed && (IsFolder(programFolder + DataFolderName) || MayWrite(programFolder)));
    if (beside) return {programFolder, true, installed};
    // Its parents (~/.local/share) may be missing on a fresh account. RepairDataPermissions
    // closes the folder itself to others.
    QDir().mkpath(QString::fromStdString(userFolder));
    return {userFolder, false, installed};
}

}  // namespace store
