#pragma once

#include <string>

#include "store/client_record.h"
#include "support/temp_app_folder.h"

namespace testing {

// Clicks a button, check box or radio button of an open window with the mouse, as a person
// would (on the tick mark of a check box or radio button). False when there is no such
// control.
bool ClickControl(const std::string& form, int id);

// Whether a control of an open window is enabled (false when there is none).
bool ControlEnabled(const std::string& form, int id);

// The settings block at the head of the folder's "Clients.dat" (zeros when unreadable).
store::Settings SettingsInFile(const TempAppFolder& folder);

}  // namespace testing
