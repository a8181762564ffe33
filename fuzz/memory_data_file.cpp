#include "memory_data_file.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "fuzz_program.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace fuzzing {

namespace {

struct MemoryFile {
    std::string_view content;
    std::size_t readAt = 0;
    std::string saving;  // the temporary file a save is writing
    std::string saved;   // what replaced "Clients.dat"
    int spareDescriptor = -1;
};

MemoryFile& File() {
    static MemoryFile file;
    return file;
}

bool IsDataFile(const char* path) {
    return path == store::DataFilePath();
}

// The data folder, opened to flush its entries after a save.
bool IsDataFolder(const char* path) {
    const std::string folder = store::DataFolder();
    return path == folder || path == std::string_view(folder).substr(0, folder.size() - 1);
}

// The store closes what it opened with the system's close in places, so every descriptor
// handed out is a real one (a copy of one kept open on /dev/null).
int NewDescriptor() {
    const int fd = ::dup(File().spareDescriptor);
    Require(fd >= 0, "no descriptor is left for the data file");
    return fd;
}

store::FileCalls MemoryFileCalls() {
    return store::FileCalls{
        .open =
            [](const char* path, int) {
                if (IsDataFolder(path)) return NewDescriptor();
                Require(IsDataFile(path), "the store read a file other than Clients.dat");
                File().readAt = 0;
                return NewDescriptor();
            },
        .read =
            [](int, void* bytes, std::size_t count) {
                MemoryFile& file = File();
                const std::size_t n = std::min(count, file.content.size() - file.readAt);
                if (n > 0) std::memcpy(bytes, file.content.data() + file.readAt, n);
                file.readAt += n;
                return static_cast<ssize_t>(n);
            },
        .makeTemporary =
            [](char* pathTemplate) {
                Require(std::string_view(pathTemplate).starts_with(store::DataFilePath()),
                        "the store made a file that does not replace Clients.dat");
                File().saving.clear();
                return NewDescriptor();
            },
        .write =
            [](int, const void* bytes, std::size_t count) {
                File().saving.append(static_cast<const char*>(bytes), count);
                return static_cast<ssize_t>(count);
            },
        .flush = [](int) { return 0; },
        .close = [](int fd) { return ::close(fd); },
        .rename =
            [](const char*, const char* to) {
                Require(IsDataFile(to), "the store renamed a file over another than Clients.dat");
                // Swapped, not moved: both buffers keep their room for the next save.
                std::swap(File().saved, File().saving);
                return 0;
            },
        .remove =
            [](const char*) {
                Require(false, "the store removed a file");
                return -1;
            },
        .create =
            [](const char*, int, mode_t) {
                Require(false, "the store made a file other than a replacement of Clients.dat");
                return -1;
            },
        .link =
            [](const char*, const char*) {
                Require(false, "the store linked a file");
                return -1;
            },
        .flushAll = [](int) { return 0; },
        .makeFolder =
            [](const char*, mode_t) {
                Require(false, "the store made a folder");
                return -1;
            },
        .removeFolder =
            [](const char*) {
                Require(false, "the store removed a folder");
                return -1;
            },
        .exchange =
            [](const char*, const char*) {
                Require(false, "the store swapped folders");
                return -1;
            },
    };
}

}  // namespace

void UseDataFileInMemory() {
    // Removed at the end of the run.
    static const auto folder = std::make_unique<QTemporaryDir>();
    Require(folder->isValid(), "no program folder can be made");
    store::SetDataFolder(folder->path().toStdString() + "/" + store::DataFolderName);
    Require(store::DataFilePath().starts_with(folder->path().toStdString() + "/"),
            "the store keeps its data file outside the folder made for it");
    store::EnsureFolder(store::DataFolder());
    const int placeholder =
        ::open(store::DataFilePath().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    Require(placeholder >= 0, "the empty Clients.dat cannot be made");
    ::close(placeholder);
    File().spareDescriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    Require(File().spareDescriptor >= 0, "/dev/null cannot be opened");
    store::SetFileCalls(MemoryFileCalls());
}

void SetDataFileBytes(std::string_view bytes) {
    File().content = bytes;
    File().readAt = 0;
}

const std::string& SavedDataFile() {
    return File().saved;
}

void ForgetSavedDataFile() {
    File().saved.clear();
}

}  // namespace fuzzing
