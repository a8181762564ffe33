#include "store/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace store {

FolderLock::~FolderLock() {
    release();
}

LockOutcome FolderLock::acquire(const std::string& folder, std::string* reason) {
    release();
    const auto cannot = [reason](int error) {
        if (reason) *reason = std::strerror(error);
        return LockOutcome::CannotLock;
    };
    // Reading a folder is enough to lock it, so a folder the user may only read is locked too.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return cannot(errno);
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? LockOutcome::HeldByAnother : cannot(error);
    }
    fd_ = fd;
    return LockOutcome::Held;
}

void FolderLock::release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the only descriptor lets go of the lock
    fd_ = -1;
}

}  // namespace store
