#pragma once

#include <string>

namespace app {

// Called by the toolkit while a window is made: builds its controls and sets the icon.
void DesignProcedure(const std::string& form);
// Called by the toolkit for every event: hands it to the window's handler.
void EventProcedure(const std::string& form, int& id, int& code, int& value, int& cancel);

}  // namespace app
