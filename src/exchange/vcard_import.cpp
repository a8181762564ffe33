#include "exchange/vcard_import.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <exception>
#include <functional>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <utility>

#include "exchange/in_blocks.h"
#include "exchange/vcard_card.h"
#include "exchange/vcard_text.h"
#include "store/files.h"

namespace exchange {

namespace {

using vcard::AddParameters;
using vcard::BuildContact;
using vcard::CardBuilder;
using vcard::FindUnquoted;
using vcard::HoldsWord;
using vcard::IsBlank;
using vcard::LineEndBytes;
using vcard::Name;
using vcard::NameOf;
using vcard::Property;
using vcard::Quoted;
using vcard::Trimmed;
using vcard::Upper;
using vcard::Version;

// A content line taken apart: the name without its group, the parameters and the value.
struct LineParts {
    std::string_view name;
    std::string_view head;  // the name and its parameters
    std::string_view value;
};

std::optional<LineParts> Parts(std::string_view line) {
    const std::size_t colon = FindUnquoted(line, ':');
    if (colon == std::string_view::npos) return std::nullopt;
    LineParts parts;
    parts.head = line.substr(0, colon);
    parts.name = Trimmed(parts.head.substr(0, FindUnquoted(parts.head, ';')));
    if (const std::size_t dot = parts.name.rfind('.'); dot != std::string_view::npos) {
        parts.name.remove_prefix(dot + 1);
    }
    parts.value = line.substr(colon + 1);
    return parts;
}

bool IsEmpty(const Contact& c) {
    for (const std::string* text :
         {&c.client, &c.address, &c.city, &c.state, &c.zip, &c.contact, &c.phone, &c.ext, &c.fax,
          &c.cell, &c.gatekeeper, &c.email, &c.followUpDate, &c.followUpAction, &c.history}) {
        if (!text->empty()) return false;
    }
    return true;
}

// Reads logical lines one after the other and keeps track of the card they belong to.
class Reader {
public:
    // Each card read is handed to the sink as one of the piece's cards.
    Reader(const VCardSink& sink, std::size_t piece) : sink_(sink), piece_(piece) {}

    // The line is a view of the file, or, when folded, of a string that changes with the
    // next line.
    void Take(std::string_view line, int number, bool folded) {
        if (Trimmed(line).empty()) return;
        const std::optional<LineParts> parts = Parts(line);
        if (!parts || parts->name.empty()) {
            if (!inCard_) return Fail(number, "the line is not a vCard line " + Quoted(line) + ".");
            return Fail(number, "the line has no property name and \":\" before its value.");
        }
        const Name name = NameOf(parts->name);
        // Only these lines' values steer the reading.
        const bool steers = name == Name::Begin || name == Name::End || name == Name::Version ||
                            name == Name::Agent;
        const std::string value = steers ? Upper(Trimmed(parts->value)) : std::string();
        if (skippedDepth_ > 0) {
            if (name == Name::Begin && value == "VCARD") ++skippedDepth_;
            if (name == Name::End && value == "VCARD") --skippedDepth_;
            return;
        }
        const bool agentBefore = emptyAgent_;
        emptyAgent_ = name == Name::Agent && value.empty();
        if (name == Name::Begin) return Begin(value, agentBefore, number);
        if (name == Name::End) return End(value, number);
        if (!inCard_) {
            return Fail(number, "this line is outside any card; cards begin with BEGIN:VCARD.");
        }
        if (name == Name::Version) return SetVersion(value, number);
        if (name == Name::Other || name == Name::Agent) return;
        Property& property = properties_.emplace_back(name, number);
        AddParameters(property, parts->head);
        property.folded = folded;
        if (folded) {
            if (!spare_.empty()) {
                property.unfolded = std::move(spare_.back());
                spare_.pop_back();
            }
            property.unfolded.assign(parts->value);
        } else {
            property.written = parts->value;
        }
    }

    void Finish(int lastLine) {
        if (!error_.empty()) return;
        if (inCard_ || skippedDepth_ > 0) {
            return Fail(lastLine, "the file ends inside the card begun on line " +
                                      std::to_string(cardLine_) + "; END:VCARD is missing.");
        }
        if (cardNumber_ == 0) error_ = "The file holds no vCard: no line reads BEGIN:VCARD.";
    }

    // vCard 2.1 folds only where blanks were, and keeps them; later versions drop one.
    bool keepsFoldingBlank() const { return version_ == Version::V21; }
    bool failed() const { return !error_.empty(); }
    // Whether the lines so far left the reader outside any card, as at the start of a file.
    bool betweenCards() const { return !inCard_ && skippedDepth_ == 0; }
    const std::string& error() const { return error_; }

private:
    void Begin(const std::string& value, bool afterAgent, int number) {
        if (value != "VCARD") {
            return Fail(number, "BEGIN:" + Quoted(value) + " begins something else than a vCard.");
        }
        if (inCard_) {
            // A vCard 2.1 AGENT holds a card of its own, which is not a client.
            if (afterAgent) {
                skippedDepth_ = 1;
                return;
            }
            return Fail(number, "a new card begins before this one ends with END:VCARD.");
        }
        inCard_ = true;
        ++cardNumber_;
        cardLine_ = number;
        version_ = Version::V30;
        ClearProperties();
    }

    void End(const std::string& value, int number) {
        if (!inCard_) return Fail(number, "END:" + value + " without a BEGIN:VCARD before it.");
        if (value != "VCARD") {
            return Fail(number, "the card ends with END:" + Quoted(value) + ", not END:VCARD.");
        }
        CardBuilder builder(version_);
        std::optional<Contact> contact = BuildContact(properties_, builder);
        if (!contact) return Fail(builder.errorLine(), builder.error());
        // A card with nothing the program keeps is no client.
        if (!IsEmpty(*contact)) sink_.keep(piece_, std::move(*contact));
        inCard_ = false;
        ClearProperties();
    }

    void SetVersion(const std::string& value, int number) {
        if (value == "2.1") {
            version_ = Version::V21;
        } else if (value == "3.0") {
            version_ = Version::V30;
        } else if (value == "4.0") {
            version_ = Version::V40;
        } else {
            Fail(number, "vCard version " + Quoted(value) +
                             " cannot be read; versions 2.1, 3.0 and 4.0 can.");
        }
    }

    void Fail(int number, const std::string& why) {
        if (!error_.empty()) return;
        const std::string where = std::to_string(number);
        error_ = inCard_ ? "Card " + std::to_string(cardNumber_) + " (line " + where + "): " + why
                         : "Line " + where + ": " + why;
    }

    // The folded values' strings are kept for the next card's: a history's string is the
    // largest a card needs besides the one its contact keeps.
    void ClearProperties() {
        for (Property& property : properties_) {
            if (property.folded) spare_.push_back(std::move(property.unfolded));
        }
        properties_.clear();
    }

    const VCardSink& sink_;
    std::size_t piece_ = 0;
    std::vector<Property> properties_;
    std::vector<std::string> spare_;
    std::string error_;
    bool inCard_ = false;
    int cardNumber_ = 0;
    int cardLine_ = 0;
    Version version_ = Version::V30;
    int skippedDepth_ = 0;
    bool emptyAgent_ = false;
};

// The file as UTF-8: a byte order mark is dropped, UTF-16 converted into `converted`.
std::string_view Utf8Text(std::string_view bytes, std::string& converted) {
    const auto decodeAs = [bytes, &converted](QStringConverter::Encoding encoding) {
        QStringDecoder decoder(encoding);
        converted =
            QString(decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()))))
                .toStdString();
        return std::string_view(converted);
    };
    if (bytes.starts_with("\xEF\xBB\xBF")) return bytes.substr(3);
    if (bytes.starts_with("\xFF\xFE")) return decodeAs(QStringConverter::Utf16LE);
    if (bytes.starts_with("\xFE\xFF")) return decodeAs(QStringConverter::Utf16BE);
    return bytes;
}

// Whether the start of a logical line asks for quoted-printable, whose lines end in "=" when
// they go on.
bool IsQuotedPrintable(std::string_view line) {
    return HoldsWord(line.substr(0, FindUnquoted(line, ':')), "QUOTED-PRINTABLE");
}

// The start of the line after the one ending at end (a CR, an LF or the size of the text).
std::size_t NextLine(std::string_view text, std::size_t end) {
    return end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
}

// Hands the text's logical lines to the reader: folded lines (and quoted-printable soft line
// breaks) joined, each numbered by its first line. Gives the number of lines read.
int ReadLines(std::string_view text, Reader& reader) {
    // The logical line being gathered: a view of the file while it is one line, joined once
    // a folded line follows.
    std::string_view logical;
    std::string joined;
    bool isJoined = false;
    int logicalNumber = 0;
    std::string_view firstLine;  // of the logical line
    int number = 0;
    const auto join = [&](std::string_view more) {
        if (!isJoined) {
            joined.assign(logical);
            isJoined = true;
        }
        joined.append(more);
        logical = joined;
    };
    std::size_t start = 0;
    while (start < text.size() && !reader.failed()) {
        // A line ends at CR LF, LF or a lone CR.
        const std::size_t end = FindFirst<LineEndBytes>(text, start);
        const std::string_view line = text.substr(start, end - start);
        start = NextLine(text, end);
        ++number;
        if (logicalNumber != 0 && !logical.empty() && logical.back() == '=' &&
            IsQuotedPrintable(firstLine)) {
            logical.remove_suffix(1);
            if (isJoined) joined.pop_back();
            join(line);
        } else if (logicalNumber != 0 && !line.empty() && IsBlank(line.front())) {
            join(line.substr(reader.keepsFoldingBlank() ? 0 : 1));
        } else {
            if (logicalNumber != 0) reader.Take(logical, logicalNumber, isJoined);
            logical = line;
            isJoined = false;
            logicalNumber = number;
            firstLine = line;
        }
    }
    if (logicalNumber != 0 && !reader.failed()) {
        reader.Take(logical, logicalNumber, isJoined);
    }
    return number;
}

std::string ReadInOnePiece(std::string_view text, const VCardSink& sink) {
    sink.begin(1);
    Reader reader(sink, 0);
    const int lines = ReadLines(text, reader);
    reader.Finish(lines);
    return reader.error();
}

// Where a piece of the file may begin, if the line "END:VCARD" at `end` is followed by a line
// beginning "BEGIN:VCARD" (empty lines between them allowed), or 0. A logical line begins
// there: no folded line begins with "B", and neither an empty line nor "END:VCARD" ends in a
// soft line break. The reading there is as at the start of the file when the piece before
// ends between cards, which its reading tells. (Only blanks folded into "BEGIN:VCARD" would
// be joined by the version of the card before, and blanks are trimmed from its value.)
std::size_t CardBoundaryAfter(std::string_view text, std::size_t end) {
    constexpr std::string_view Begin = "BEGIN:VCARD";
    constexpr std::string_view End = "END:VCARD";
    const auto isLineEnd = [text](std::size_t at) {
        return at < text.size() && (text[at] == '\r' || text[at] == '\n');
    };
    if (end > 0 && !isLineEnd(end - 1)) return 0;
    std::size_t at = end + End.size();
    if (!isLineEnd(at)) return 0;
    at = NextLine(text, at);
    while (isLineEnd(at)) at = NextLine(text, at);
    return text.compare(at, Begin.size(), Begin) == 0 ? at : 0;
}

// Where the pieces begin: at the first card boundary at least pieceBytes after the last.
std::vector<std::size_t> PieceStarts(std::string_view text, std::size_t pieceBytes) {
    constexpr std::string_view End = "END:VCARD";
    const std::boyer_moore_horspool_searcher findEnd(End.begin(), End.end());
    std::vector<std::size_t> starts{0};
    std::size_t from = pieceBytes;
    while (from < text.size()) {
        const auto found =
            std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), findEnd);
        if (found == text.end()) break;
        const auto end = static_cast<std::size_t>(found - text.begin());
        const std::size_t boundary = CardBoundaryAfter(text, end);
        if (boundary == 0) {
            from = end + 1;
            continue;
        }
        starts.push_back(boundary);
        from = boundary + pieceBytes;
    }
    return starts;
}

// Whether the piece reads without a fault and ends between cards.
bool ReadPiece(std::string_view piece, const VCardSink& sink, std::size_t number) {
    Reader reader(sink, number);
    ReadLines(piece, reader);
    return !reader.failed() && reader.betweenCards();
}

// Files are read in pieces of at least this size, one to a processor.
constexpr std::size_t MinPieceBytes = 256 * 1024;

}  // namespace

std::string ReadVCardsInto(std::string_view bytes, std::size_t pieceBytes, const VCardSink& sink) {
    std::string converted;
    const std::string_view text = Utf8Text(bytes, converted);
    if (pieceBytes == 0) return ReadInOnePiece(text, sink);
    const std::vector<std::size_t> starts = PieceStarts(text, pieceBytes);
    if (starts.size() == 1) return ReadInOnePiece(text, sink);

    sink.begin(starts.size());
    std::vector<char> whole(starts.size(), 0);
    const auto readPieces = [&](std::size_t first, std::size_t step) {
        for (std::size_t i = first; i < starts.size(); i += step) {
            const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
            try {
                whole[i] = ReadPiece(text.substr(starts[i], end - starts[i]), sink, i) ? 1 : 0;
            } catch (const std::exception&) {
                // Left not whole: the reading in one piece meets the fault again and throws
                // it to the caller, which a helper thread cannot.
            }
        }
    };
    // Small files, and the small pieces tests ask for, are not worth a thread.
    const std::size_t threads =
        std::clamp<std::size_t>(std::min(starts.size(), text.size() / MinPieceBytes), 1,
                                std::max(std::thread::hardware_concurrency(), 1u));
    try {
        std::vector<std::jthread> helpers;
        for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(readPieces, t, threads);
        readPieces(0, threads);
    } catch (const std::system_error&) {
        // No thread to be had: the helpers started are joined, and the file read as a whole.
        return ReadInOnePiece(text, sink);
    }  // the helpers are joined before the pieces are looked at

    // A fault, or a piece whose reading does not end between cards: the pieces were cut where
    // the file's reading does not begin afresh, or the file has a fault whose message must
    // count cards and lines from its start. Either way, the file is read in one piece.
    if (std::find(whole.begin(), whole.end(), 0) != whole.end()) {
        return ReadInOnePiece(text, sink);
    }
    return {};
}

std::size_t VCardPieceBytes(std::string_view bytes) {
    // A share for each processor, unless that is too little to be worth a thread.
    const std::size_t share = bytes.size() / std::max(std::thread::hardware_concurrency(), 1u);
    return share >= MinPieceBytes && share < bytes.size() ? share : 0;
}

VCardReading ReadVCards(std::string_view bytes, std::size_t pieceBytes) {
    std::vector<InBlocks<Contact>> pieces;
    std::string error = ReadVCardsInto(
        bytes, pieceBytes,
        {.begin = [&pieces](std::size_t count) { pieces.assign(count, {}); },
         .keep = [&pieces](std::size_t piece,
                           Contact&& contact) { pieces[piece].push(std::move(contact)); }});
    if (!error.empty()) return {{}, std::move(error)};
    return {Joined(std::span(pieces)), {}};
}

VCardReading ReadVCards(std::string_view bytes) {
    return ReadVCards(bytes, VCardPieceBytes(bytes));
}

VCardFileBytes ReadVCardFileBytes(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    if (info.exists() && static_cast<std::size_t>(info.size()) > MaxVCardFileBytes) {
        return {{}, "\"" + path + "\" is larger than a vCard file can be (64 MB)."};
    }
    std::optional<std::string> bytes = store::ReadFileBytes(path, MaxVCardFileBytes);
    if (!bytes) return {{}, "\"" + path + "\" cannot be read: " + store::LastFileError() + "."};
    return {std::move(bytes), {}};
}

VCardReading ReadVCardFile(const std::string& path) {
    const VCardFileBytes file = ReadVCardFileBytes(path);
    if (!file.bytes) return {{}, file.error};
    return ReadVCards(*file.bytes);
}

}  // namespace exchange
