#include "exchange/import_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "store/files.h"

namespace exchange {

namespace {

// What a path that is no normal file names, for the user.
std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "no normal file";
}

// Why what the path names now cannot be imported; nothing for a normal file small enough.
std::optional<std::string> Refusal(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return "cannot be read: " +
               std::string(errno == ENOENT ? "there is no such file" : std::strerror(errno)) + ".";
    }
    if (!S_ISREG(info.st_mode)) {
        return "is " + KindOf(info.st_mode) + ", not a file: only files can be imported.";
    }
    if (static_cast<std::size_t>(info.st_size) > MaxImportFileBytes) {
        return "is larger than a file to import can be (64 MB).";
    }
    return std::nullopt;
}

}  // namespace

ImportFileBytes ReadImportFile(const std::string& path) {
    // Looked at before it is opened, so that opening a device does nothing to it. The store
    // opens it without blocking and reads it only if it is still a normal file once open.
    std::optional<std::string> refusal = Refusal(path);
    if (!refusal) {
        bool absent = false;
        std::optional<std::string> bytes =
            store::ReadFileBytesIfPresent(path, MaxImportFileBytes, absent);
        if (bytes) return {std::move(bytes), {}};
        // Another took its place between, it grew past the largest size, or a read failed.
        refusal = Refusal(path);
        if (!refusal) refusal = "cannot be read: " + store::LastFileError() + ".";
    }
    return {std::nullopt, "\"" + path + "\" " + *refusal};
}

}  // namespace exchange
