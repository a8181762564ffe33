#pragma once

#include <string>

namespace details {

inline constexpr const char* LeavePromptText = "Save your changes first?{?}";
inline constexpr const char* ExitPromptText = "Save your changes before exiting?{?}";
inline constexpr const char* PromptCaption = "Changes Not Saved";

// Asked before the record on display is left: true when the action may go on, because
// nothing was changed, the changes were saved, or the user chose to drop them. Cancel, and a
// save that could not store everything, keep the record and its edits on screen.
bool MayLeaveRecord(const std::string& owner, const char* text);

}  // namespace details
