#pragma once

#include <string_view>

namespace fuzzing {

// Stops the run with a report (a finding) when the condition does not hold.
void Require(bool condition, const char* what);

// Well-formed UTF-8: no stray continuation byte, no overlong form, no surrogate, nothing past
// U+10FFFF.
bool IsValidUtf8(std::string_view text);

}  // namespace fuzzing
