#pragma once

#include <string>

namespace store {

// What became of a request for the lock.
enum class LockOutcome {
    Held,           // this program holds it now
    HeldByAnother,  // another holder has it, in this process or another
    CannotLock,     // the folder cannot be opened or locked at all; nobody holds it
};

// An exclusive hold on a folder, as long as the object lives. The folder itself is locked, not
// a file in it: a second copy can neither remove nor replace what it would have to lock. The
// system lets go of it when the process ends in any way, so a crash never leaves a stale lock
// behind.
class FolderLock {
public:
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

    // Tries once, without waiting; with CannotLock, reason holds the system's words.
    LockOutcome acquire(const std::string& folder, std::string* reason = nullptr);
    void release();

private:
    int fd_ = -1;
};

}  // namespace store
