#pragma once

#include <string_view>

namespace fuzzing {

// Stops the run with a report (a finding).
[[noreturn]] void Fail(const char* what);

// Stops the run with a report (a finding) when the condition does not hold. Inline: the
// checks call it for each of 2000 slots several times an input.
inline void Require(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// Well-formed UTF-8: no stray continuation byte, no overlong form, no surrogate, nothing past
// U+10FFFF.
bool IsValidUtf8(std::string_view text);

}  // namespace fuzzing
