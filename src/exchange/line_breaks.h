#pragma once

#include <string>
#include <string_view>

namespace exchange {

// The text with every line break (CR LF, a lone CR or LF) made the given one: texts come in
// with any of them and leave as the program's files or as a contact holds them.
std::string WithLineBreaks(std::string_view text, std::string_view lineBreak);

}  // namespace exchange
