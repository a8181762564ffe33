#pragma once

#include <string>

namespace store {

// How this run may use its data folder.
enum class FolderAccess {
    Writable,       // locked for this run; the clients are read and saved here
    ReadOnly,       // the clients can be read, but nothing can be saved here (see the reason)
    HeldByAnother,  // another copy of the program works on these clients
};

struct FolderOpening {
    FolderAccess access = FolderAccess::Writable;
    std::string reason;  // with ReadOnly: why, in the system's words
};

// The folder of the clients and their histories, ending in "/": the program's folder +
// "Data/", set at start-up; "Data/" in the working folder until then.
constexpr const char* DataFolderName = "Data/";
void SetDataFolder(const std::string& folder);
std::string DataFolder();

// Locks the folder holding the data folder for this run (a restore swaps the data folder itself
// for another one), finishes or undoes a restore a crash cut short, makes the data folder when
// it is missing (readable by the user alone) and finds out whether the program may write in it.
FolderOpening OpenDataFolder();
// Clears the leftovers of crashed saves (under the lock) and lets go of the folder.
void CloseDataFolder();

// False when this run must not write in its data folder.
bool DataWritable();
// Why the data folder cannot be written ("" when it can).
std::string ReadOnlyReason();

// False when the folder at the data folder's path is no longer the one opened for this run
// (moved away and copied back, or removed, while the program ran): the lock does not cover it,
// and nothing may be written there. The reason says so, naming the folder.
bool SameDataFolder(std::string* reason = nullptr);
// After this run swapped the data folder for another one under its lock (a restore): the new
// folder is the one opened from now on.
void AdoptDataFolder();

// Called before every write into the data folder: the first one of a run removes the
// temporary files a crashed save left there, so that they cannot fill a nearly full disk and
// make every save fail.
void PrepareForWriting();

// Back to the start of a run: writable, nothing cleared yet, no lock held. The data folder
// stays where it was set.
void ResetDataFolder();

}  // namespace store
