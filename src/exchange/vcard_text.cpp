#include "exchange/vcard_text.h"

#include <QByteArray>

#include <cstring>
#include <utility>

namespace exchange::vcard {

namespace {

// The position of c at or after from, or the size of the text.
std::size_t Find(std::string_view text, char c, std::size_t from) {
    if (from >= text.size()) return text.size();
    const void* at = std::memchr(text.data() + from, c, text.size() - from);
    return at == nullptr ? text.size()
                         : static_cast<std::size_t>(static_cast<const char*>(at) - text.data());
}

std::size_t FindControl(std::string_view text, std::size_t from) {
    return FindFirst<ControlBytes>(text, from);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = UpperChar(c);
    return result;
}

bool HoldsWord(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        if (IsWord(text.substr(at, word.size()), word)) return true;
    }
    return false;
}

std::string Quoted(std::string_view text) {
    constexpr std::size_t MaxShown = 30;
    std::string shown;
    for (const char c : text.substr(0, MaxShown)) shown.push_back(c >= ' ' && c <= '~' ? c : '?');
    return "\"" + shown + (text.size() > MaxShown ? "...\"" : "\"");
}

std::size_t FindUnquoted(std::string_view text, char c) {
    const std::size_t first = text.find(c);
    // Most texts have no quotes: the first c is then outside them.
    if (first == std::string_view::npos ||
        text.substr(0, first).find('"') == std::string_view::npos) {
        return first;
    }
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;
        if (text[i] == c && !quoted) return i;
    }
    return first;
}

std::string FromQuotedPrintable(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t equals = Find(text, '=', i);
        bytes.append(text.substr(i, equals - i));
        if (equals == text.size()) break;
        if (equals + 2 < text.size() && HexDigit(text[equals + 1]) >= 0 &&
            HexDigit(text[equals + 2]) >= 0) {
            bytes.push_back(
                static_cast<char>(HexDigit(text[equals + 1]) * 16 + HexDigit(text[equals + 2])));
            i = equals + 3;
        } else {
            bytes.push_back('=');
            i = equals + 1;
        }
    }
    return bytes;
}

std::optional<std::string> FromBase64(std::string_view text) {
    QByteArray compact;
    for (const char c : text) {
        if (!IsBlank(c)) compact.push_back(c);
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return std::nullopt;
    return decoded.decoded.toStdString();
}

std::string Unescaped(std::string_view text, Version version) {
    if (text.find('\\') == std::string_view::npos) return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t slash = Find(text, '\\', i);
        result.append(text.substr(i, slash - i));
        if (slash + 1 >= text.size()) {
            result.append(text.substr(slash));
            break;
        }
        const char next = text[slash + 1];
        if (version == Version::V21 && next != ';') {
            result.push_back('\\');
            i = slash + 1;
            continue;
        }
        result.push_back(next == 'n' || next == 'N' ? '\n' : next);
        i = slash + 2;
    }
    return result;
}

std::string OneLine(std::string_view text, std::string_view separator) {
    text = Trimmed(text);
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t control = FindControl(text, i);
        result.append(text.substr(i, control - i));
        if (control == text.size()) break;
        const char c = text[control];
        i = control + 1;
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
            result.append(separator);
        } else {
            result.push_back(' ');
        }
    }
    // Trimmed before as well, so that a long text is not copied only to be cut.
    const std::string_view trimmed = Trimmed(result);
    if (trimmed.size() == result.size()) return result;
    return std::string(trimmed);
}

std::string OneLine(std::string&& text) {
    std::size_t read = 0;
    std::size_t written = 0;
    while (read < text.size()) {
        const std::size_t control = FindControl(text, read);
        if (written != read) std::memmove(&text[written], &text[read], control - read);
        written += control - read;
        if (control == text.size()) break;
        read = control + 1;
        if (text[control] == '\r' && read < text.size() && text[read] == '\n') ++read;
        text[written++] = ' ';
    }
    text.resize(written);
    const std::string_view trimmed = Trimmed(text);
    text.resize(static_cast<std::size_t>(trimmed.data() - text.data()) + trimmed.size());
    text.erase(0, static_cast<std::size_t>(trimmed.data() - text.data()));
    return std::move(text);
}

template <typename Specials>
std::optional<std::string> HistoryText(std::string_view text, Version version) {
    std::string result;
    result.reserve(text.size());
    bool afterCr = false;  // a CR LF ends one line
    const auto put = [&result, &afterCr](char c) {
        const bool lfAfterCr = afterCr && c == '\n';
        afterCr = c == '\r';
        if (lfAfterCr) return;
        if (c == '\r' || c == '\n') {
            result.push_back('\n');
        } else {
            result.push_back(ControlBytes::Matches(c) && c != '\t' ? ' ' : c);
        }
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t special = FindFirst<Specials>(text, i);
        if (special > i) {
            result.append(text.substr(i, special - i));
            afterCr = false;
        }
        if (special == text.size()) break;
        const char c = text[special];
        if (static_cast<unsigned char>(c) > 0x7F) return std::nullopt;
        i = special + 1;
        if (c != '\\') {
            put(c);
        } else if (i == text.size() || (version == Version::V21 && text[i] != ';')) {
            put('\\');
        } else {
            // An escaped byte is not looked at by the search: checked here.
            if (Specials::Matches('\x80') && static_cast<unsigned char>(text[i]) > 0x7F) {
                return std::nullopt;
            }
            put(text[i] == 'n' || text[i] == 'N' ? '\n' : text[i]);
            ++i;
        }
    }
    while (!result.empty() && (IsBlank(result.back()) || result.back() == '\n')) result.pop_back();
    return result;
}

// The two kinds of history the card builder reads: in ASCII, and decoded.
template std::optional<std::string> HistoryText<AsciiHistoryBytes>(std::string_view, Version);
template std::optional<std::string> HistoryText<EscapeOrControlBytes>(std::string_view, Version);

}  // namespace exchange::vcard
