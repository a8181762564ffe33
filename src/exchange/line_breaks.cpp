#include "exchange/line_breaks.h"

#include <algorithm>

#include "exchange/byte_scan.h"

namespace exchange {

namespace {

constexpr auto LineBreakBytes = BytesOf("\r\n");

// The first CR or LF from the position on; npos when there is none.
std::size_t FindLineBreak(std::string_view text, std::size_t from) {
    const std::size_t at = FindFirst(text, from, LineBreakBytes);
    return at == text.size() ? std::string_view::npos : at;
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

std::string WithLfLineBreaks(std::string&& text) {
    std::size_t kept = text.find('\r');
    if (kept == std::string::npos) return std::move(text);
    // Each CR is dropped before an LF and made an LF elsewhere; what follows moves up.
    std::size_t from = kept;
    while (from < text.size()) {
        const std::size_t cr = text.find('\r', from);
        const std::size_t end = cr == std::string::npos ? text.size() : cr;
        // Forwards, to a place before the text's own: std::copy may overlap so.
        std::copy(text.begin() + static_cast<std::ptrdiff_t>(from),
                  text.begin() + static_cast<std::ptrdiff_t>(end),
                  text.begin() + static_cast<std::ptrdiff_t>(kept));
        kept += end - from;
        if (cr == std::string::npos) break;
        const bool crLf = cr + 1 < text.size() && text[cr + 1] == '\n';
        text[kept++] = '\n';
        from = cr + (crLf ? 2U : 1U);
    }
    text.resize(kept);
    return std::move(text);
}

}  // namespace exchange
