#include "store/data_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/data_swap.h"
#include "store/files.h"
#include "store/folder_lock.h"

namespace store {

namespace {

struct FolderState {
    std::string dataFolder = DataFolderName;
    std::string folder;          // the folder opened for this run ("" when none is)
    std::string readOnlyReason;  // empty while writable
    bool leftoversCleared = false;
    FolderLock lock;
    // The folder opened, as the file system knows it: a folder put at its path later (moved
    // away and copied back, say) is another one, which this run's lock does not cover.
    bool identityKnown = false;
    dev_t device = 0;
    ino_t inode = 0;
};

FolderState& State() {
    static FolderState state;
    return state;
}

// The folder that holds the data folder: it is locked rather than the data folder itself,
// since a restore swaps the data folder for another one, and the lock must stay on.
std::string HomeOf(const std::string& folder) {
    std::string bare = folder;
    while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
    const auto slash = bare.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : bare.substr(0, slash + 1);
}

bool IsEmptyFolder(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return false;
    int entries = 0;
    while (::readdir(listing) != nullptr) ++entries;
    ::closedir(listing);
    return entries <= 2;  // "." and ".."
}

void NoteIdentity(FolderState& state) {
    struct stat info {};
    state.identityKnown = ::stat(state.folder.c_str(), &info) == 0;
    state.device = info.st_dev;
    state.inode = info.st_ino;
}

}  // namespace

void SetDataFolder(const std::string& folder) {
    State().dataFolder = folder;
}

std::string DataFolder() {
    return State().dataFolder;
}

FolderOpening OpenDataFolder() {
    FolderState& state = State();
    ResetDataFolder();
    state.folder = state.dataFolder;
    const std::string& folder = state.folder;
    std::string lockReason;
    const LockOutcome locked = state.lock.acquire(HomeOf(folder), &lockReason);
    if (locked == LockOutcome::HeldByAnother) return {FolderAccess::HeldByAnother, {}};
    // A restore cut short by a crash is finished or undone before anything reads the folder;
    // it may have left no folder in place until then.
    if (locked == LockOutcome::Held) FinishFolderSwaps(folder);
    std::string reason;
    if (CurrentFileCalls().makeFolder(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        reason = std::strerror(errno);
    }
    if (locked == LockOutcome::CannotLock) {
        // Without the lock a second copy could save over this one's work: nothing is
        // written, but the clients can still be read.
        state.readOnlyReason = reason.empty() ? lockReason : reason;
        return {FolderAccess::ReadOnly, state.readOnlyReason};
    }
    NoteIdentity(state);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        state.readOnlyReason = std::strerror(errno);
        return {FolderAccess::ReadOnly, state.readOnlyReason};
    }
    return {FolderAccess::Writable, {}};
}

void CloseDataFolder() {
    FolderState& state = State();
    // A save or a history write cut short by a crash leaves its temporary file behind; the
    // file it was meant to replace is whole, so the leftover only takes room.
    if (DataWritable() && !state.folder.empty() && SameDataFolder()) {
        RemoveLeftoverTemporaries(state.folder);
    }
    state.lock.release();
}

bool DataWritable() {
    return State().readOnlyReason.empty();
}

std::string ReadOnlyReason() {
    return State().readOnlyReason;
}

bool SameDataFolder(std::string* reason) {
    FolderState& state = State();
    // Only the folder opened for this run is checked (a test may point the store elsewhere).
    if (!state.identityKnown || state.folder != state.dataFolder) return true;
    struct stat info {};
    const bool found = ::stat(state.folder.c_str(), &info) == 0;
    const int error = errno;
    if (found && info.st_dev == state.device && info.st_ino == state.inode) return true;
    // An empty folder made in place of one removed holds nothing to mix with this run's
    // clients, and the table in memory may be their only copy now: it becomes the run's folder.
    if (found && S_ISDIR(info.st_mode) && IsEmptyFolder(state.folder)) {
        NoteIdentity(state);
        return true;
    }
    if (reason) {
        *reason = "the folder \"" + state.folder + "\" was moved, replaced or removed while " +
                  "Vendrix 2 ran" + (found ? "" : " (" + std::string(std::strerror(error)) + ")") +
                  "; put it back, or start Vendrix 2 again";
    }
    return false;
}

void AdoptDataFolder() {
    FolderState& state = State();
    if (state.identityKnown && state.folder == state.dataFolder) NoteIdentity(state);
}

void PrepareForWriting() {
    FolderState& state = State();
    if (state.leftoversCleared || state.folder.empty() || !DataWritable() || !SameDataFolder())
        return;
    state.leftoversCleared = true;
    RemoveLeftoverTemporaries(state.folder);
}

void ResetDataFolder() {
    FolderState& state = State();
    state.lock.release();
    state.folder.clear();
    state.readOnlyReason.clear();
    state.leftoversCleared = false;
    state.identityKnown = false;
}

}  // namespace store
