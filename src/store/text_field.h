#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace store {

// Fields and history files hold Windows-1252 bytes, the form files of the original Windows
// program use; the program itself works in UTF-8. Every byte has a character, so decoding
// then encoding gives the same bytes back.
std::string DecodeWindows1252(std::string_view bytes);
// A character without a Windows-1252 form becomes "?".
std::string EncodeWindows1252(std::string_view utf8);

// Whether every byte is below 0x80: such text is its own UTF-8 and its own Windows-1252 bytes,
// and needs neither composing nor encoding.
bool IsAscii(std::string_view text);
// How many leading bytes are below 0x80, looked at eight at a time: histories and exchanged
// files are megabytes of them.
std::size_t AsciiPrefixLength(std::string_view text);

// Removes NULs and blanks from both ends.
std::string_view TrimBlanksAndNuls(std::string_view bytes);

// The field's text as shown: trimmed, decoded.
template <std::size_t N>
std::string FieldText(const std::array<char, N>& field) {
    return DecodeWindows1252(TrimBlanksAndNuls(std::string_view(field.data(), N)));
}

// What storing a text into a field did: the text's length in the file's bytes, trimmed, before
// it was cut to the field's width (longer than the width: cut), and whether it was plain ASCII.
struct StoredText {
    std::size_t length = 0;
    bool ascii = true;
};

// Stores text into a fixed field: encoded, control characters made blanks, trimmed, cut to
// the field's width, padded with blanks.
StoredText StoreFieldBytes(char* field, std::size_t width, std::string_view utf8);
template <std::size_t N>
StoredText StoreField(std::array<char, N>& field, std::string_view utf8) {
    return StoreFieldBytes(field.data(), N, utf8);
}

}  // namespace store
