#pragma once

#include <string>

namespace store {

// Where a run keeps "Data/" (and "Reports/" and "Backups/" beside it). A copy the user unpacked
// into a folder of their own keeps its data beside the program, as it always has: when "Data/"
// is there already, or the user may write in the program's folder. An installed program, whose
// folder is not the user's to write, keeps them in the user's own data folder.
struct DataHome {
    std::string folder;  // ends in "/"
    bool besideProgram = true;
};

// The rule itself.
bool KeepsDataBesideProgram(bool dataFolderBesideProgram, bool programFolderWritable);

// Applies the rule to the program's folder and the user's data folder for this program (both
// ending in "/"). The user's folder is made, readable by the user alone, when it is chosen.
DataHome ChooseDataHome(const std::string& programFolder, const std::string& userDataFolder);

// The folder holding the data folder, ending in "/": where "Reports/" and "Backups/" go.
std::string DataHomeFolder();

}  // namespace store
