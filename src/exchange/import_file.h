#pragma once

// The bytes of a file the user chose to import clients from.

#include <cstddef>
#include <optional>
#include <string>

namespace exchange {

// The largest file read: far beyond 2000 clients with long histories.
constexpr std::size_t MaxImportFileBytes = 64 * 1024 * 1024;

struct ImportFileBytes {
    std::optional<std::string> bytes;
    std::string error;  // why there are none, for the user
};

// Reads a normal file of at most MaxImportFileBytes. The path is opened without blocking and
// looked at before anything is read: a named pipe, a device, a socket or a folder is refused
// at once, whatever its name, with a message that says what it is.
ImportFileBytes ReadImportFile(const std::string& path);

}  // namespace exchange
