#pragma once

#include <string>

namespace store {

// An exclusive hold on a lock file, as long as the object lives. The system lets go of it when
// the process ends in any way, so a crash never leaves a stale lock behind; the file itself
// stays, and the next start only opens it.
class FolderLock {
public:
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

    // False when another holder has it (in this process or another) or the file cannot be
    // opened or made.
    bool acquire(const std::string& path);
    void release();

private:
    int fd_ = -1;
};

}  // namespace store
