#pragma once

#include <string>
#include <string_view>

namespace exchange {

// The text with every line break (CR LF, a lone CR or LF) made the given one: texts come in
// with any of them and leave as the program's files or as a contact holds them.
std::string WithLineBreaks(std::string_view text, std::string_view lineBreak);
// The same with "\n" for every line break, made in the text's own room: nothing it does
// lengthens the text, and a history read from its file is copied no more.
std::string WithLfLineBreaks(std::string&& text);

}  // namespace exchange
