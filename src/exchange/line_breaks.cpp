#include "exchange/line_breaks.h"

#include <algorithm>

namespace exchange {

namespace {

// The first CR or LF from the position on; npos when there is none. Searched for one after
// the other, each as far as the next LF, since histories are long and their lines short.
std::size_t FindLineBreak(std::string_view text, std::size_t from) {
    const std::size_t lf = text.find('\n', from);
    const std::size_t limit = lf == std::string_view::npos ? text.size() : lf;
    const std::size_t cr = text.substr(from, limit - from).find('\r');
    return cr == std::string_view::npos ? lf : from + cr;
}

}  // namespace

std::string WithLineBreaks(std::string_view text, std::string_view lineBreak) {
    if (text.find('\r') == std::string_view::npos) {
        // Lines ended by LF alone, as a contact's are: one search a line.
        if (lineBreak == "\n") return std::string(text);
        const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        std::string result;
        result.reserve(text.size() + lines * (lineBreak.size() - 1));
        std::size_t start = 0;
        for (std::size_t lf = text.find('\n'); lf != std::string_view::npos;
             lf = text.find('\n', start)) {
            result.append(text.substr(start, lf - start));
            result.append(lineBreak);
            start = lf + 1;
        }
        result.append(text.substr(start));
        return result;
    }
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    std::size_t start = 0;
    for (std::size_t at = FindLineBreak(text, 0); at != std::string_view::npos;
         at = FindLineBreak(text, start)) {
        result.append(text.substr(start, at - start));
        result.append(lineBreak);
        start = at + (text.compare(at, 2, "\r\n") == 0 ? 2 : 1);
    }
    result.append(text.substr(start));
    return result;
}

}  // namespace exchange
