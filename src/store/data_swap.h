#pragma once

#include <string>
#include <string_view>

namespace store {

// The data folder replaced whole, so that a crash at any moment leaves either the old folder or
// the new one in its place, never a mix of the two. The new folder is built beside it under a
// hidden name (".restoring-" and six random characters) and flushed; then the two are swapped
// in one step (renameat2 with RENAME_EXCHANGE). A file system that cannot swap takes two
// renames: the old folder goes aside as ".replaced-" with the same six characters, then the new
// one takes its place. The folder swapped out is removed at once, and what a crash left of a
// swap is finished or undone, under the lock, at the next start:
// - ".replaced-X" beside ".restoring-X": the second rename never happened, so the old folder is
//   put back;
// - ".replaced-X" alone, or ".restoring-X" alone: the folder in place is whole (the new one
//   after the swap, the old one before it), and the hidden one is removed.
// Removing a hidden folder removes the program's own files (data files, pending histories, the
// note of histories told); anything else in it (a user's own notes kept in the data folder)
// goes back into the data folder.

// True for "Clients.dat" and the history files' names ("C" + four digits + ".dat").
bool IsDataFileName(std::string_view name);

// Makes a new empty folder, readable by the user alone, named the prefix (a path) and six random
// letters or digits; its path ending in "/", or "" with error set when it cannot.
std::string MakeHiddenFolder(const std::string& prefix, std::string& error);
// The same beside the folder (a path ending in "/"), to build its replacement in.
std::string MakeReplacementFolder(const std::string& folder, std::string& error);

// Puts the flushed replacement in the folder's place and flushes their parent. Returns where
// the old folder waits now; "" when nothing was changed, with error set.
std::string SwapInFolder(const std::string& replacement, const std::string& folder,
                         std::string& error);

// Removes a hidden folder left by a swap as said above. Returns true when it is gone.
bool RemoveSwappedFolder(const std::string& hidden, const std::string& folder);

// Finishes or undoes what swaps cut short beside the folder left; run under the folder's lock
// before the folder is used.
void FinishFolderSwaps(const std::string& folder);

}  // namespace store
