#include "exchange/import_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

class OpenFile {
public:
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace

ImportFileBytes ReadImportFile(const std::string& path) {
    const auto refused = [&path](const std::string& why) {
        return ImportFileBytes{std::nullopt, "\"" + path + "\" " + why};
    };
    const auto failed = [&refused]() {
        return refused(
            "cannot be read: " +
            std::string(errno == ENOENT ? "there is no such file" : std::strerror(errno)) + ".");
    };
    const auto notAFile = [&refused](mode_t mode) {
        return refused("is " + KindOf(mode) + ", not a file: only files can be imported.");
    };
    const auto tooLarge = [&refused] {
        return refused("is larger than a file to import can be (64 MB).");
    };
    // Looked at before it is opened, so that opening a device does nothing to it; looked at
    // again once open, in case another took its place between.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return failed();
    if (!S_ISREG(info.st_mode)) return notAFile(info.st_mode);
    const OpenFile file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0) return failed();
    if (!S_ISREG(info.st_mode)) return notAFile(info.st_mode);
    if (static_cast<std::size_t>(info.st_size) > MaxImportFileBytes) return tooLarge();

    // One byte more than the file holds is asked for, so that a file that grew is noticed.
    std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() > MaxImportFileBytes) return tooLarge();
            bytes.resize(std::min(bytes.size() * 2, MaxImportFileBytes + 1));
        }
        const ssize_t got = ::read(file.fd(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return failed();
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return {std::move(bytes), {}};
}

}  // namespace exchange
