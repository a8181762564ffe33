#include "store/text_field.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace store {

namespace {

// A control character, a NUL among them, becomes a blank in a field.
bool IsBlankInField(unsigned char c) {
    return c <= 0x20 || c == 0x7F;
}

// The characters of bytes 0x80..0x9F; the five bytes Windows leaves undefined keep their C1
// control code, as Windows itself decodes them, so that they survive a round trip.
constexpr std::array<char16_t, 32> HighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t CharacterOfByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return HighControlRange[byte - 0x80];
    return byte;
}

char ByteOfCharacter(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    const auto found = std::find(HighControlRange.begin(), HighControlRange.end(), c);
    if (found != HighControlRange.end()) {
        return static_cast<char>(0x80 + (found - HighControlRange.begin()));
    }
    return '?';
}

}  // namespace

std::string DecodeWindows1252(std::string_view bytes) {
    // Written as UTF-8 straight away: every field of every row of the list passes here, and
    // most of them are plain ASCII, which is UTF-8 already.
    std::string text(bytes.substr(0, AsciiPrefixLength(bytes)));
    if (text.size() == bytes.size()) return text;
    text.reserve(bytes.size() + bytes.size() / 2);
    for (const char signedByte : bytes.substr(text.size())) {
        const auto byte = static_cast<unsigned char>(signedByte);
        if (byte < 0x80) {
            text.push_back(static_cast<char>(byte));
            continue;
        }
        const char16_t c = CharacterOfByte(byte);
        if (c < 0x800) {
            text.push_back(static_cast<char>(0xC0 | (c >> 6)));
        } else {
            text.push_back(static_cast<char>(0xE0 | (c >> 12)));
            text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        }
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return text;
}

std::size_t AsciiPrefixLength(std::string_view text) {
    constexpr std::uint64_t HighBits = 0x8080808080808080U;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Thirty-two bytes a step: the high bits of sixteen bytes come out of one instruction.
    for (; i + 32 <= text.size(); i += 32) {
        const auto* at = reinterpret_cast<const __m128i*>(text.data() + i);
        const __m128i either = _mm_or_si128(_mm_loadu_si128(at), _mm_loadu_si128(at + 1));
        if (_mm_movemask_epi8(either) != 0) break;
    }
#endif
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & HighBits) != 0) break;
    }
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0x80) == 0) ++i;
    return i;
}

bool IsAscii(std::string_view text) {
    // Most texts asked about are a field's few dozen bytes: their words are looked at without
    // a stop at the first high bit, the last one overlapping the one before.
    constexpr std::uint64_t HighBits = 0x8080808080808080U;
    const std::size_t size = text.size();
    if (size > 64) return AsciiPrefixLength(text) == size;
    if (size < 8) {
        unsigned char high = 0;
        for (const char c : text) high |= static_cast<unsigned char>(c);
        return (high & 0x80) == 0;
    }
    const auto word = [&text](std::size_t at) {
        std::uint64_t bytes = 0;
        std::memcpy(&bytes, text.data() + at, sizeof bytes);
        return bytes;
    };
    std::uint64_t any = word(size - 8);
    for (std::size_t i = 0; i + 8 <= size; i += 8) any |= word(i);
    return (any & HighBits) == 0;
}

std::string EncodeWindows1252(std::string_view utf8) {
    // ASCII is its own composed form and its own Windows-1252 bytes; an exchanged file's
    // histories are megabytes of it.
    if (IsAscii(utf8)) return std::string(utf8);
    // Composed first: an "é" typed or pasted as "e" and a combining accent is one character
    // of Windows-1252, not an "e" followed by a "?".
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
                             .normalized(QString::NormalizationForm_C);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t c : text.toUcs4()) bytes.push_back(ByteOfCharacter(c));
    return bytes;
}

std::string_view TrimBlanksAndNuls(std::string_view bytes) {
    const auto isPad = [](char c) { return c == ' ' || c == '\0'; };
    while (!bytes.empty() && isPad(bytes.front())) bytes.remove_prefix(1);
    while (!bytes.empty() && isPad(bytes.back())) bytes.remove_suffix(1);
    return bytes;
}

StoredText StoreFieldBytes(char* field, std::size_t width, std::string_view utf8) {
    if (IsAscii(utf8)) {
        // ASCII is its own bytes: stored straight from the text, as the general way below
        // would store it, without making the encoded copy first.
        const auto blank = [](char c) { return IsBlankInField(static_cast<unsigned char>(c)); };
        while (!utf8.empty() && blank(utf8.front())) utf8.remove_prefix(1);
        while (!utf8.empty() && blank(utf8.back())) utf8.remove_suffix(1);
        const std::size_t length = std::min(utf8.size(), width);
        for (std::size_t i = 0; i < length; ++i) field[i] = blank(utf8[i]) ? ' ' : utf8[i];
        std::memset(field + length, ' ', width - length);
        return {utf8.size(), true};
    }
    std::string bytes = EncodeWindows1252(utf8);
    // A field is one line of text: a tab, a line break, a NUL or another control character
    // (pasted into a box, say) would break the list and the printed lines, and a NUL means
    // "never written". Each becomes a blank.
    for (char& byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c < 0x20 || c == 0x7F) byte = ' ';
    }
    const std::string_view text = TrimBlanksAndNuls(bytes);
    const std::size_t length = std::min(text.size(), width);
    std::memcpy(field, text.data(), length);
    std::memset(field + length, ' ', width - length);
    return {text.size(), false};
}

}  // namespace store
