#include "store/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace store {

FolderLock::~FolderLock() { release(); }

bool FolderLock::acquire(const std::string& path) {
    release();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FolderLock::release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the only descriptor lets go of the lock
    fd_ = -1;
}

}  // namespace store
