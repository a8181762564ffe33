#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace store {

// True when a normal file of that exact name exists.
bool FileExists(const std::string& path);
// Makes the folder (readable and writable by the user alone); any failure, including that
// it exists already, is ignored.
void EnsureFolder(const std::string& path);

// Replaces the file with the given bytes so that, whatever fails and even after a crash or a
// power cut, the file holds either its old or its new content whole: the bytes go to a
// temporary file in the same folder, which is flushed to the disk and renamed over the old
// one, and then the folder itself is flushed. On failure nothing but the old file is left.
bool ReplaceFileSafely(const std::string& path, std::string_view bytes);

// Removes a file; true when it is gone afterwards.
bool RemoveFile(const std::string& path);

// The file's bytes, at most maxBytes of them; nothing when it cannot be opened.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes);

}  // namespace store
