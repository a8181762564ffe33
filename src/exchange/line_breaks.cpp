#include "exchange/line_breaks.h"

namespace exchange {

std::size_t FindLineBreak(std::string_view text, std::size_t from) {
    // A plain loop: find_first_of asks memchr about every character, a third of a vCard's read.
    for (std::size_t at = from; at < text.size(); ++at) {
        if (text[at] == '\r' || text[at] == '\n') return at;
    }
    return std::string_view::npos;
}

std::string WithLineBreaks(std::string_view text, std::string_view lineBreak) {
    std::string result;
    std::size_t start = 0;
    for (std::size_t at = FindLineBreak(text); at != std::string_view::npos;
         at = FindLineBreak(text, start)) {
        result.append(text.substr(start, at - start));
        result.append(lineBreak);
        start = at + (text.compare(at, 2, "\r\n") == 0 ? 2 : 1);
    }
    result.append(text.substr(start));
    return result;
}

}  // namespace exchange
