#pragma once

// Clients read from vCard files as address books write them: versions 2.1, 3.0 (RFC 2426) and
// 4.0 (RFC 6350), any number of cards to a file.

#include <cstddef>
#include <functional>
#include <optional>
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

// Where the cards go as they are read, so that more work on each can be done on the processor
// that read it. The file is read in pieces side by side: begin(pieces) comes before any card is
// kept, then keep(piece, contact) for each card of a piece in the file's order, on the thread
// reading that piece (pieces are numbered from 0 in the file's order). A reading that has to
// start again, in one piece, calls begin again; after a fault, what was kept counts for nothing.
struct VCardSink {
    std::function<void(std::size_t pieces)> begin;
    std::function<void(std::size_t piece, Contact&& contact)> keep;
};
// Reads the cards as ReadVCards does, into the sink. Gives the reading's error, or nothing.
std::string ReadVCardsInto(std::string_view bytes, std::size_t pieceBytes, const VCardSink& sink);
// The piece size ReadVCards(bytes) reads in.
std::size_t VCardPieceBytes(std::string_view bytes);

// Files larger than this are refused rather than read into memory.
inline constexpr std::size_t MaxVCardFileBytes = 64 * 1024 * 1024;
VCardReading ReadVCardFile(const std::string& path);

// The bytes of a vCard file, or (with none) why they cannot be read.
struct VCardFileBytes {
    std::optional<std::string> bytes;
    std::string error;
};
VCardFileBytes ReadVCardFileBytes(const std::string& path);

}  // namespace exchange
