#pragma once

// Clients read from vCard files as address books write them: versions 2.1, 3.0 (RFC 2426) and
// 4.0 (RFC 6350), any number of cards to a file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/contact.h"

namespace exchange {

// The cards of a file, or why none of them is taken.
struct VCardReading {
    std::vector<Contact> contacts;
    // Empty when the file was read. Otherwise the first fault, naming its card and line
    // ("Card 3 (line 41): ...") or, outside any card, its line; no contacts are given then.
    std::string error;
};

// Reads every card: folded lines, quoted-printable and base64 values, CHARSET parameters,
// grouped properties ("item1.EMAIL"); properties the program has no field for are skipped.
VCardReading ReadVCards(std::string_view bytes);

// The same reading with the file cut, between cards, into pieces of at least pieceBytes that
// are read side by side (large files on several processors); 0 reads it in one piece. Every
// piece size gives the same result as any other.
VCardReading ReadVCards(std::string_view bytes, std::size_t pieceBytes);

// Files larger than this are refused rather than read into memory.
inline constexpr std::size_t MaxVCardFileBytes = 64 * 1024 * 1024;
VCardReading ReadVCardFile(const std::string& path);

}  // namespace exchange
