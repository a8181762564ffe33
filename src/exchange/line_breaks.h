#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace exchange {

// The text with every line break (CR LF, a lone CR or LF) made the given one: texts come in
// with any of them and leave as the program's files or as a contact holds them.
std::string WithLineBreaks(std::string_view text, std::string_view lineBreak);
// The first CR or LF at or after `from`; npos when there is none.
std::size_t FindLineBreak(std::string_view text, std::size_t from = 0);

}  // namespace exchange
