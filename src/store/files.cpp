#include "store/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "store/data_folder.h"

namespace store {

namespace {

// A replacement's bytes go first to a file named after the target plus this and six random
// characters; only names of this form are ever taken for leftovers.
constexpr std::string_view TemporaryMark = ".saving-";
constexpr std::size_t TemporaryRandomLength = 6;

// The system's words for the latest failure on this thread (an export reads histories on
// several). A plain buffer, which needs no destructor: a save made while the process exits
// (the display went away) may still note a failure in it.
using ErrorText = std::array<char, 256>;

ErrorText& LastError() {
    thread_local ErrorText error{};
    return error;
}

void SetLastError(const char* words) {
    std::strncpy(LastError().data(), words, LastError().size() - 1);
}

// Keeps the system's words for the error in errno, and leaves errno as it was.
void NoteFailure() {
    const int error = errno;
    SetLastError(std::strerror(error));
    errno = error;
}

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
            NoteFailure();
            return false;
        }
        if (written == 0) {
            // A write that takes nothing would loop for ever; the disk is as good as full.
            SetLastError(std::strerror(ENOSPC));
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool IsLeftoverName(std::string_view name) {
    const auto mark = name.rfind(TemporaryMark);
    if (mark == std::string_view::npos || mark == 0) return false;
    const std::string_view random = name.substr(mark + TemporaryMark.size());
    return random.size() == TemporaryRandomLength &&
           std::all_of(random.begin(), random.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// Nothing is written into the data folder once another folder stands at its path: this run's
// lock does not cover that one, and its files are not the ones this run read.
bool RefusedInDataFolder(const std::string& path) {
    if (FolderOf(path) + "/" != DataFolder()) return false;
    std::string reason;
    if (SameDataFolder(&reason)) return false;
    SetLastError(reason.c_str());
    return true;
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
        .create = [](const char* path, int flags,
                     mode_t mode) { return ::open(path, flags | O_CREAT, mode); },
        .link = [](const char* from, const char* to) { return ::link(from, to); },
        .flushAll = [](int fd) { return ::syncfs(fd); },
        .makeFolder = [](const char* path, mode_t mode) { return ::mkdir(path, mode); },
        .removeFolder = [](const char* path) { return ::rmdir(path); },
        .exchange =
            [](const char* first, const char* second) {
                return ::renameat2(AT_FDCWD, first, AT_FDCWD, second, RENAME_EXCHANGE);
            },
    };
}

FileCalls SetFileCalls(const FileCalls& calls) {
    const FileCalls previous = Calls();
    Calls() = calls;
    return previous;
}

FileCalls CurrentFileCalls() {
    return Calls();
}

bool FlushFolder(const std::string& folder) {
    const int fd = Calls().open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool flushed = Calls().flush(fd) == 0;
    if (!flushed) NoteFailure();
    Calls().close(fd);
    return flushed;
}

bool WriteFileUnflushed(const std::string& path, std::string_view bytes, mode_t mode,
                        bool mayReplace) {
    if (RefusedInDataFolder(path)) return false;
    const int flags = O_WRONLY | O_CLOEXEC | (mayReplace ? O_TRUNC : O_EXCL);
    const int fd = Calls().create(path.c_str(), flags, mode);
    if (fd < 0) {
        NoteFailure();
        return false;
    }
    const bool written = WriteAll(fd, bytes);
    const bool closed = Calls().close(fd) == 0;
    if (written && !closed) NoteFailure();
    return written && closed;
}

bool FlushFiles(const std::vector<std::string>& paths, const std::string& folder,
                std::string* failedPath) {
    // Past this many, one flush of the whole disk is quicker than one per file.
    constexpr std::size_t FlushEachUpTo = 64;
    const auto flushed = [failedPath](const std::string& path, int flags, auto flush) {
        const int fd = Calls().open(path.c_str(), flags | O_RDONLY | O_CLOEXEC);
        const bool done = fd >= 0 && flush(fd) == 0;
        if (!done) {
            NoteFailure();
            if (failedPath != nullptr) *failedPath = path;
        }
        if (fd >= 0) Calls().close(fd);
        return done;
    };
    if (paths.size() > FlushEachUpTo) return flushed(folder, O_DIRECTORY, Calls().flushAll);
    return std::all_of(paths.begin(), paths.end(), [&flushed](const std::string& path) {
        return flushed(path, 0, Calls().flush);
    });
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

PathKind KindOfPath(const std::string& path, std::string* reason) {
    const auto unusable = [reason](const std::string& why) {
        if (reason) *reason = why;
        return PathKind::Unusable;
    };
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return PathKind::Nothing;
        return unusable(std::strerror(errno));
    }
    // A link is followed; one that leads nowhere (a drive that is not mounted, say) is not
    // the same as no file at all.
    if (::stat(path.c_str(), &info) != 0) return unusable(std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return unusable(std::strerror(EISDIR));
    if (!S_ISREG(info.st_mode)) return unusable("not a normal file");
    return PathKind::File;
}

std::string LastFileError() {
    return LastError().data();
}

void EnsureFolder(const std::string& path) {
    Calls().makeFolder(path.c_str(), 0700);
}

bool ReplaceFileSafely(const std::string& path, std::string_view bytes) {
    return ReplaceFileSafely(path, std::span<const std::string_view>(&bytes, 1));
}

FileReplacement::FileReplacement(std::string path, WriteOut writeOut)
    : path_(std::move(path)), writeOut_(writeOut) {
    temporary_ = path_ + std::string(TemporaryMark) + "XXXXXX";
    if (RefusedInDataFolder(path_)) return;
    // mkstemp creates the file readable and writable by the user alone.
    fd_ = Calls().makeTemporary(temporary_.data());
    ok_ = fd_ >= 0;
    if (!ok_) NoteFailure();
}

FileReplacement::~FileReplacement() {
    // Not committed: the temporary file goes, the file stays as it was.
    if (fd_ < 0) return;
    Calls().close(fd_);
    Calls().remove(temporary_.c_str());
}

bool FileReplacement::append(std::string_view bytes) {
    ok_ = ok_ && WriteAll(fd_, bytes);
    if (ok_ && writeOut_ == WriteOut::AsWritten && !bytes.empty()) {
        // Only a hint to start writing now: a file system that cannot is flushed at commit().
        ::sync_file_range(fd_, written_, static_cast<off_t>(bytes.size()), SYNC_FILE_RANGE_WRITE);
    }
    written_ += static_cast<off_t>(bytes.size());
    return ok_;
}

bool FileReplacement::commit() {
    if (fd_ < 0) return false;
    bool written = ok_;
    if (written && Calls().flush(fd_) != 0) {
        NoteFailure();
        written = false;
    }
    // A failed close may mean the bytes never reached the disk; the descriptor is gone
    // either way.
    const bool closed = Calls().close(fd_) == 0;
    fd_ = -1;
    if (written && !closed) NoteFailure();
    bool renamed = written && closed;
    if (renamed && Calls().rename(temporary_.c_str(), path_.c_str()) != 0) {
        NoteFailure();
        renamed = false;
    }
    if (!renamed) {
        Calls().remove(temporary_.c_str());
        return false;
    }
    // The rename is only durable once the folder's entry reached the disk as well; the new
    // content is in place either way, so a failure here is not reported as a lost save.
    FlushFolder(FolderOf(path_));
    return true;
}

bool ReplaceFileSafely(const std::string& path, std::span<const std::string_view> pieces) {
    FileReplacement file(path, FileReplacement::WriteOut::AtCommit);
    for (const std::string_view piece : pieces) file.append(piece);
    return file.commit();
}

bool RemoveFile(const std::string& path) {
    return RemoveFiles({path});
}

bool RemoveFiles(const std::vector<std::string>& paths) {
    bool allGone = true;
    bool anyRemoved = false;
    if (!paths.empty() && RefusedInDataFolder(paths.front())) return false;
    for (const std::string& path : paths) {
        if (Calls().remove(path.c_str()) == 0) {
            anyRemoved = true;
        } else if (errno != ENOENT) {
            NoteFailure();
            allGone = false;
        }
    }
    if (anyRemoved) FlushFolder(FolderOf(paths.front()));
    return allGone;
}

namespace {

// Reads until the room is full or the file ends; how much was read, or nothing when a read
// fails (a file that cannot be read to its end is not taken for a shorter one).
std::optional<std::size_t> ReadUntilFullOrEnd(int fd, std::span<char> into) {
    std::size_t filled = 0;
    while (filled < into.size()) {
        const ssize_t got = Calls().read(fd, into.data() + filled, into.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            NoteFailure();
            return std::nullopt;
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

int OpenForReading(const std::string& path) {
    const int fd = Calls().open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) NoteFailure();
    return fd;
}

}  // namespace

std::optional<std::size_t> ReadFileInto(const std::string& path, std::span<char> into) {
    const int fd = OpenForReading(path);
    if (fd < 0) return std::nullopt;
    const auto filled = ReadUntilFullOrEnd(fd, into);
    Calls().close(fd);
    return filled;
}

namespace {

// Reads the open file to its end, then closes it. The limit may be far above any real file: the
// room grows with what is read. One byte more than the limit is asked for, so that a longer
// file is told from one of just that size: a file cut short would be taken for the whole of
// it. A plain file's size is known at once, and its bytes and the one more are asked for in
// one read: a history file is not given 64 KB of room, nor a large file copied as it grows.
// `info` is the file's status when the caller has it already.
std::optional<std::string> ReadOpenFile(int fd, std::size_t maxBytes,
                                        const struct stat* known = nullptr) {
    constexpr std::size_t Piece = 64 * 1024;
    const std::size_t wanted = maxBytes + 1;
    std::size_t piece = Piece;
    struct stat info {};
    if (known != nullptr) info = *known;
    if ((known != nullptr || ::fstat(fd, &info) == 0) && S_ISREG(info.st_mode)) {
        piece = static_cast<std::size_t>(info.st_size) + 1;
    }
    std::string bytes;
    std::optional<std::size_t> got = 0;
    while (bytes.size() < wanted) {
        const std::size_t before = bytes.size();
        const std::size_t want = std::min(piece, wanted - before);
        bytes.resize(before + want);
        got = ReadUntilFullOrEnd(fd, std::span<char>(bytes.data() + before, want));
        bytes.resize(before + got.value_or(0));
        if (!got || *got < want) break;
        piece = Piece;
    }
    Calls().close(fd);
    if (!got) return std::nullopt;
    if (bytes.size() > maxBytes) {
        SetLastError(std::strerror(EFBIG));
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes) {
    const int fd = OpenForReading(path);
    if (fd < 0) return std::nullopt;
    return ReadOpenFile(fd, maxBytes);
}

std::optional<std::string> ReadFileBytesIfPresent(const std::string& path, std::size_t maxBytes,
                                                  bool& absent) {
    absent = false;
    // Not blocking: a pipe under the file's name must not hold the program up.
    const int fd = Calls().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        absent = errno == ENOENT || errno == ENOTDIR;
        if (!absent) NoteFailure();
        return std::nullopt;
    }
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (known && !S_ISREG(info.st_mode)) {
        Calls().close(fd);
        absent = true;
        return std::nullopt;
    }
    return ReadOpenFile(fd, maxBytes, known ? &info : nullptr);
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
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            Calls().remove(path.c_str());
        }
    }
}

}  // namespace store
