#pragma once

#include "store/data_location.h"

namespace store {

// Makes what the program keeps readable by the user alone again, whatever left it open (an
// earlier version, an archive unpacked with its own modes, a copy made by another tool): the
// data folder and, when it is not the program's folder, the folder holding it become 0700,
// "Clients.dat" and the history files 0600 (when the data folder was found open to others),
// and the "Backups/" and "Reports/" folders beside the data folder 0700. Only what belongs to the
// user running the program is changed; another user's files and symbolic links are left as they
// are, and nothing missing is made.
void RepairDataPermissions(const DataHome& home);

}  // namespace store
