#include "exchange/line_breaks.h"

namespace exchange {

std::size_t FindLineBreak(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') return i;
    }
    return std::string_view::npos;
}

std::string WithLineBreaks(std::string_view text, std::string_view lineBreak) {
    std::string result;
    result.reserve(text.size());
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

std::string WithLfLineBreaks(std::string&& text) {
    if (text.find('\r') == std::string::npos) return std::move(text);
    return WithLineBreaks(text, "\n");
}

}  // namespace exchange
