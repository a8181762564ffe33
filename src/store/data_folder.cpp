#include "store/data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
};

FolderState& State() {
    static FolderState state;
    return state;
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
    std::string reason;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) reason = std::strerror(errno);
    std::string lockReason;
    switch (state.lock.acquire(folder, &lockReason)) {
        case LockOutcome::HeldByAnother:
            return {FolderAccess::HeldByAnother, {}};
        case LockOutcome::CannotLock:
            // Without the lock a second copy could save over this one's work: nothing is
            // written, but the clients can still be read.
            state.readOnlyReason = reason.empty() ? lockReason : reason;
            return {FolderAccess::ReadOnly, state.readOnlyReason};
        case LockOutcome::Held:
            break;
    }
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
    if (DataWritable() && !state.folder.empty()) RemoveLeftoverTemporaries(state.folder);
    state.lock.release();
}

bool DataWritable() {
    return State().readOnlyReason.empty();
}

std::string ReadOnlyReason() {
    return State().readOnlyReason;
}

void PrepareForWriting() {
    FolderState& state = State();
    if (state.leftoversCleared || state.folder.empty() || !DataWritable()) return;
    state.leftoversCleared = true;
    RemoveLeftoverTemporaries(state.folder);
}

void ResetDataFolder() {
    FolderState& state = State();
    state.lock.release();
    state.folder.clear();
    state.readOnlyReason.clear();
    state.leftoversCleared = false;
}

}  // namespace store
