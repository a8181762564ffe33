#pragma once

// Clients read from vCard files as address books write them: versions 2.1, 3.0 (RFC 2426) and
// 4.0 (RFC 6350), any number of cards to a file.

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
    std::vector<std::string> notes;  // what could not be read as written, for the user
};

// Reads every card in one pass over the lines: folded lines, quoted-printable and base64
// values, CHARSET parameters, grouped properties ("item1.EMAIL"); properties the program has no
// field for are skipped, and so are cards that fill no field.
VCardReading ReadVCards(std::string_view bytes);

// Reads the file at the path (see ReadImportFile) as ReadVCards does.
VCardReading ReadVCardFile(const std::string& path);

// Whether the bytes begin, after blank lines, with "BEGIN:VCARD" in any case: a vCard file
// whatever its name.
bool HoldsVCards(std::string_view bytes);
// Whether the file's name ends in ".vcf" or ".vcard", in any case.
bool IsVCardName(std::string_view path);

}  // namespace exchange
