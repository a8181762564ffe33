#pragma once

#include <string>

namespace store {

// Where a run keeps "Data/", with "Backups/" beside it (and a copy's "Reports/"; an installed
// program's reports go to the user's documents folder).
//
// An installed program, one whose share folder "<program folder>/../share/<application id>/"
// exists, keeps them in the user's own data folder, whoever runs it: root may write the
// program's folder too, but data kept there would be root's in the one folder every user's
// copy looks in first. A copy unpacked into a folder of its own keeps them beside itself, as
// it always has, when "Data/" is there already or the user may write in that folder; otherwise
// in the user's data folder as well.
struct DataHome {
    std::string folder;         // ends in "/"
    bool besideProgram = true;  // the program's folder; else the user's data folder
    bool installed = false;     // the program has its share folder
};

// This program's folder among the running user's data folders, ending in "/":
// $XDG_DATA_HOME, or ~/.local/share when it is unset or not an absolute path (the XDG Base
// Directory rules say a relative one is to be ignored), + "/<application id>/". Root does not
// take a home or data folder that belongs to another user (sudo keeping the caller's
// environment), but its own home from the system's user list. "" when no home is known.
std::string UserDataFolder(const std::string& applicationId);

// Applies the rule to the program's folder (ending in "/"). The user's folder is made when it
// is chosen; RepairDataPermissions then makes it the user's alone.
DataHome ChooseDataHome(const std::string& programFolder, const std::string& applicationId);

}  // namespace store
