#pragma once

// The byte-level text work of the vCard reader: words, blanks, the scanners for line ends,
// controls and escapes, the decodings and the texts made for the fields. Shared by the reading
// of lines and the building of cards.

#include <bit>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/byte_scan.h"

namespace exchange::vcard {

enum class Version { V21, V30, V40 };

// The small helpers below are called for every line, so they stay inline where they are used.

inline char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view text);

// Whether the text, upper-cased, is the upper-case word.
inline bool IsWord(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (UpperChar(text[i]) != word[i]) return false;
    }
    return true;
}

// Whether the text, upper-cased, holds the upper-case word.
bool HoldsWord(std::string_view text, std::string_view word);

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

inline std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

inline bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// Control characters: below 0x20, and 0x7F.
struct ControlBytes {
    static bool Matches(char c) { return IsControl(static_cast<unsigned char>(c)); }
#if defined(__SSE2__)
    static __m128i Matching(__m128i bytes) {
        const __m128i below20 = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(0x1F)), bytes);
        return _mm_or_si128(below20, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7F)));
    }
#endif
};

// The bytes that end a line: CR and LF.
struct LineEndBytes {
    static bool Matches(char c) { return c == '\r' || c == '\n'; }
#if defined(__SSE2__)
    static __m128i Matching(__m128i bytes) {
        return _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                            _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    }
#endif
};

// What a history's text is looked through for: control characters and backslashes.
struct EscapeOrControlBytes {
    static bool Matches(char c) { return c == '\\' || ControlBytes::Matches(c); }
#if defined(__SSE2__)
    static __m128i Matching(__m128i bytes) {
        return _mm_or_si128(ControlBytes::Matching(bytes),
                            _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')));
    }
#endif
};

// The same and every byte above 0x7F: a history in ASCII needs no check of its UTF-8.
struct AsciiHistoryBytes {
    static bool Matches(char c) {
        return EscapeOrControlBytes::Matches(c) || static_cast<unsigned char>(c) > 0x7F;
    }
#if defined(__SSE2__)
    static __m128i Matching(__m128i bytes) {
        return _mm_or_si128(EscapeOrControlBytes::Matching(bytes),
                            _mm_cmplt_epi8(bytes, _mm_setzero_si128()));
    }
#endif
};

// A piece of the file for a message: short, printable ASCII only.
std::string Quoted(std::string_view text);

// The position of the first character c outside double quotes, or of the first c at all when
// the quotes do not close.
std::size_t FindUnquoted(std::string_view text, char c);

// Hands each part of the text between separators outside quotes to take, in their order.
template <typename Take>
void ForEachUnquoted(std::string_view text, char separator, Take take) {
    for (;;) {
        const std::size_t at = FindUnquoted(text, separator);
        take(text.substr(0, at));
        if (at == std::string_view::npos) return;
        text.remove_prefix(at + 1);
    }
}

// "=XX" becomes the byte XX; an "=" not followed by two hex digits is kept as written.
std::string FromQuotedPrintable(std::string_view text);

std::optional<std::string> FromBase64(std::string_view text);

// Unescapes one text value. vCard 2.1 escapes only the semicolon; later versions also the
// backslash, the comma and line breaks ("\n").
std::string Unescaped(std::string_view text, Version version);

// A text for a one-line field: line breaks become the separator, other control characters
// blanks, and blanks are trimmed from the ends.
std::string OneLine(std::string_view text, std::string_view separator = " ");

// The same with a blank for a separator, made in the text's own room: nothing it does
// lengthens the text, and most fields are taken over as they are.
std::string OneLine(std::string&& text);

// A history text of an escaped value: unescaped as Unescaped does, lines separated by "\n",
// no other control characters but tabs, no blanks or empty lines at the end. One pass over
// what makes up most of a file's bytes. Read with AsciiHistoryBytes, a byte above 0x7F gives
// nothing. Made for AsciiHistoryBytes and EscapeOrControlBytes.
template <typename Specials>
std::optional<std::string> HistoryText(std::string_view text, Version version);

}  // namespace exchange::vcard
