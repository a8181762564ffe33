#pragma once

#include <string_view>

namespace exchange {

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing beyond
// U+10FFFF, no sequence cut short. Runs of ASCII are checked eight bytes at a time, since
// exchanged files are mostly ASCII and may be many megabytes long.
bool IsValidUtf8(std::string_view bytes);

}  // namespace exchange
