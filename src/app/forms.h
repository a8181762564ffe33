#pragma once

#include <string>

namespace app {

// The windows by name.
inline constexpr const char* MainForm = "F1";
inline constexpr const char* DetailsForm = "F2";
inline constexpr const char* ScanForm = "F3";
inline constexpr const char* ScanResultsForm = "F4";
inline constexpr const char* PrintForm = "F5";
inline constexpr const char* OptionsForm = "F6";

// Called by the toolkit while a window is made: builds its controls and sets the icon.
void DesignProcedure(const std::string& form);
// Called by the toolkit for every event: hands it to the window's handler.
void EventProcedure(const std::string& form, int& id, int& code, int& value, int& cancel);

}  // namespace app
