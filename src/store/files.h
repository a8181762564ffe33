#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// True when a normal file of that exact name exists.
bool FileExists(const std::string& path);

// What stands at a path: nothing at all (no entry of that name), a normal file, or anything
// else that cannot be taken for the file (a folder, a link to nothing, a path that cannot be
// reached); the reason tells which, in the system's words.
enum class PathKind { Nothing, File, Unusable };
PathKind KindOfPath(const std::string& path, std::string* reason = nullptr);
// Makes the folder (readable and writable by the user alone); any failure, including that
// it exists already, is ignored.
void EnsureFolder(const std::string& path);

// Replaces the file with the given bytes so that, whatever fails and even after a crash or a
// power cut, the file holds either its old or its new content whole: the bytes go to a
// temporary file in the same folder, which is flushed to the disk and renamed over the old
// one, and then the folder itself is flushed. On failure nothing but the old file is left.
bool ReplaceFileSafely(const std::string& path, std::string_view bytes);
// The same for a file made of pieces, written one after the other: a large text built in parts
// on several threads is not joined into one copy first.
bool ReplaceFileSafely(const std::string& path, std::span<const std::string_view> pieces);

// The same for a file written as its pieces are made: each piece appended is written at once
// and started on its way to the disk, so that the flush of commit() waits for little more than
// the last one. Until commit() succeeds the old file stays as it was, and a replacement dropped
// uncommitted leaves nothing behind.
class FileReplacement {
public:
    // When the bytes start on their way to the disk: as each piece is written, or all at
    // commit() (for a few small pieces, starting each early costs more than it saves).
    enum class WriteOut { AsWritten, AtCommit };
    explicit FileReplacement(std::string path, WriteOut writeOut = WriteOut::AsWritten);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Writes the bytes after those before; false, and nothing more written, once any write
    // failed (LastFileError tells why).
    bool append(std::string_view bytes);
    // Flushes the temporary file, renames it over the file and flushes the folder; true when
    // the file now holds what was appended.
    bool commit();

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool ok_ = false;
    WriteOut writeOut_;
    off_t written_ = 0;
};

// Writes a new file without flushing it: many files written so are flushed together by
// FlushFiles, which costs far less than a flush each. The file is made with the mode; one
// already there is refused unless mayReplace. false, with LastFileError, when any step fails.
bool WriteFileUnflushed(const std::string& path, std::string_view bytes, mode_t mode,
                        bool mayReplace = false);
// Makes sure the files' bytes reached the disk: a few one by one, many with one flush of the
// whole disk holding the folder. On failure, failedPath (when given) names the file or folder.
bool FlushFiles(const std::vector<std::string>& paths, const std::string& folder,
                std::string* failedPath = nullptr);
// Flushes a folder's entries (new, renamed or removed files) to the disk; false when it cannot
// be opened or flushed.
bool FlushFolder(const std::string& folder);

// Removes a file and flushes its folder, so that the removal survives a crash; true when it is
// gone afterwards.
bool RemoveFile(const std::string& path);
// Removes the files of one folder and flushes the folder once; true when all are gone.
bool RemoveFiles(const std::vector<std::string>& paths);

// The system's words for the latest failure of a call above ("" before any).
std::string LastFileError();

// Reads the file's first bytes into the room given and tells how many it read; nothing when
// the file cannot be opened or a read fails.
std::optional<std::size_t> ReadFileInto(const std::string& path, std::span<char> into);
// The file's bytes; nothing when it cannot be opened or read, or holds more than maxBytes.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes);
// As ReadFileBytes, for a file that may well not be there: `absent` tells nothing at the path,
// or something that is no plain file, from a file that cannot be read, in one look.
std::optional<std::string> ReadFileBytesIfPresent(const std::string& path, std::size_t maxBytes,
                                                  bool& absent);

// Removes the temporary files that a replacement cut short by a crash left in the folder.
// Only the program's own temporary names are touched.
void RemoveLeftoverTemporaries(const std::string& folder);

// The system calls every read, write and removal above goes through, so that a test can make
// any one of them fail the way a full or failing disk does, or watch which files are touched.
// Each returns what the system call of the same name returns and sets errno the same way.
struct FileCalls {
    int (*open)(const char* path, int flags);  // open for reading
    ssize_t (*read)(int fd, void* bytes, std::size_t count);
    int (*makeTemporary)(char* pathTemplate);  // mkstemp
    ssize_t (*write)(int fd, const void* bytes, std::size_t count);
    int (*flush)(int fd);  // fsync, of a file or of a folder
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*remove)(const char* path);                          // unlink
    int (*create)(const char* path, int flags, mode_t mode);  // open with O_CREAT
    int (*link)(const char* from, const char* to);
    int (*flushAll)(int fd);                           // syncfs: every file of the disk holding fd
    int (*makeFolder)(const char* path, mode_t mode);  // mkdir
    int (*removeFolder)(const char* path);             // rmdir
    int (*exchange)(const char* first, const char* second);  // renameat2 RENAME_EXCHANGE
};

// The real system calls.
FileCalls SystemFileCalls();
// Installs calls in place of the current ones and returns those.
FileCalls SetFileCalls(const FileCalls& calls);
// The calls in use now, for code of the store that goes to the system itself.
FileCalls CurrentFileCalls();

}  // namespace store
