#include "store/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace store {

namespace {

// A replacement's bytes go first to a file named after the target plus this and six random
// characters; only names of this form are ever taken for leftovers.
constexpr std::string_view TemporaryMark = ".saving-";
constexpr std::size_t TemporaryRandomLength = 6;

FileCalls& Calls() {
    static FileCalls calls = SystemFileCalls();
    return calls;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = Calls().write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = Calls().flush(fd) == 0;
    ::close(fd);
    return flushed;
}

bool IsLeftoverName(std::string_view name) {
    const auto mark = name.rfind(TemporaryMark);
    if (mark == std::string_view::npos || mark == 0) return false;
    const std::string_view random = name.substr(mark + TemporaryMark.size());
    return random.size() == TemporaryRandomLength &&
           std::all_of(random.begin(), random.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

FileCalls SystemFileCalls() {
    return FileCalls{
        .open = [](const char* path, int flags) { return ::open(path, flags); },
        .read = [](int fd, void* bytes, std::size_t count) { return ::read(fd, bytes, count); },
        .makeTemporary = [](char* pathTemplate) { return ::mkstemp(pathTemplate); },
        .write = [](int fd, const void* bytes,
                    std::size_t count) { return ::write(fd, bytes, count); },
        .flush = [](int fd) { return ::fsync(fd); },
        .close = [](int fd) { return ::close(fd); },
        .rename = [](const char* from, const char* to) { return ::rename(from, to); },
        .remove = [](const char* path) { return ::unlink(path); },
    };
}

FileCalls SetFileCalls(const FileCalls& calls) {
    const FileCalls previous = Calls();
    Calls() = calls;
    return previous;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void EnsureFolder(const std::string& path) { ::mkdir(path.c_str(), 0700); }

bool ReplaceFileSafely(const std::string& path, std::string_view bytes) {
    std::string temporary = path + std::string(TemporaryMark) + "XXXXXX";
    // mkstemp creates the file readable and writable by the user alone.
    const int fd = Calls().makeTemporary(temporary.data());
    if (fd < 0) return false;
    const bool written = WriteAll(fd, bytes) && Calls().flush(fd) == 0;
    // A failed close may mean the bytes never reached the disk; the descriptor is gone
    // either way.
    const bool closed = Calls().close(fd) == 0;
    if (!written || !closed || Calls().rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename is only durable once the folder's entry reached the disk as well; the new
    // content is in place either way, so a failure here is not reported as a lost save.
    FlushFolder(FolderOf(path));
    return true;
}

bool RemoveFile(const std::string& path) {
    return Calls().remove(path.c_str()) == 0 || errno == ENOENT;
}

namespace {

// Reads until the room is full or the file ends; how much was read, or nothing when a read
// fails (a file that cannot be read to its end is not taken for a shorter one).
std::optional<std::size_t> ReadUntilFullOrEnd(int fd, std::span<char> into) {
    std::size_t filled = 0;
    while (filled < into.size()) {
        const ssize_t got = Calls().read(fd, into.data() + filled, into.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

}  // namespace

std::optional<std::size_t> ReadFileInto(const std::string& path, std::span<char> into) {
    const int fd = Calls().open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const auto filled = ReadUntilFullOrEnd(fd, into);
    ::close(fd);
    return filled;
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes) {
    const int fd = Calls().open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    // The limit may be far above any real file: the room grows with what is read.
    constexpr std::size_t Piece = 64 * 1024;
    std::string bytes;
    std::optional<std::size_t> got = 0;
    while (bytes.size() < maxBytes) {
        const std::size_t before = bytes.size();
        const std::size_t want = std::min(Piece, maxBytes - before);
        bytes.resize(before + want);
        got = ReadUntilFullOrEnd(fd, std::span<char>(bytes.data() + before, want));
        bytes.resize(before + got.value_or(0));
        if (!got || *got < want) break;
    }
    ::close(fd);
    if (!got) return std::nullopt;
    return bytes;
}

void RemoveLeftoverTemporaries(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(listing)) {
        if (IsLeftoverName(entry->d_name)) leftovers.emplace_back(entry->d_name);
    }
    ::closedir(listing);
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& name : leftovers) {
        // Only plain files: a folder or a link of that name is not the program's.
        struct stat info {};
        const std::string path = prefix + name;
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
    }
}

}  // namespace store
