#include "exchange/vcard_import.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "exchange/utf8.h"
#include "store/files.h"
#include "store/text_field.h"

namespace exchange {

namespace {

enum class Version { V21, V30, V40 };

// The property names the reader acts on; every other one is skipped.
enum class Name {
    Other,
    Begin,
    End,
    Version,
    Agent,
    Org,
    Fn,
    N,
    Adr,
    Email,
    Note,
    Tel,
    Gatekeeper,
    FollowUp,
    FollowUpAction,
};

// The types a field's choice depends on, as bits.
enum Type : unsigned {
    Work = 1,
    Pref = 2,
    Fax = 4,
    Cell = 8,
    Mobile = 16,
    Pager = 32,
};

// One content line the program keeps: "[group.]NAME;PARAM=VALUE;...:value", the value still
// as written.
struct Property {
    // Constructed member by member: a whole-object zeroing costs more than the rest of a line.
    Property(Name kind, int number) : name(kind), line(number) {}

    Name name;
    int line;
    unsigned types = 0;    // TYPE values and bare 2.1 parameters
    std::string encoding;  // upper case
    std::string charset;

    std::string_view value() const { return folded ? std::string_view(unfolded) : written; }

    // A value on one line is a view of the file; a folded one is kept joined.
    bool folded = false;
    std::string_view written;
    std::string unfolded;
};

char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = UpperChar(c);
    return result;
}

// Whether the text, upper-cased, is the upper-case word.
bool IsWord(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (UpperChar(text[i]) != word[i]) return false;
    }
    return true;
}

// Whether the text, upper-cased, holds the upper-case word.
bool HoldsWord(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        if (IsWord(text.substr(at, word.size()), word)) return true;
    }
    return false;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The position of c at or after from, or the size of the text.
std::size_t Find(std::string_view text, char c, std::size_t from) {
    if (from >= text.size()) return text.size();
    const void* at = std::memchr(text.data() + from, c, text.size() - from);
    return at == nullptr ? text.size()
                         : static_cast<std::size_t>(static_cast<const char*>(at) - text.data());
}

bool IsControl(unsigned char c) {
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

// The position of the first of the Bytes at or after from, or the size of the text.
// Histories make up most of a file, so their bytes are looked through sixteen at a time where
// the processor can.
template <typename Bytes>
std::size_t FindFirst(std::string_view text, std::size_t from) {
    std::size_t i = from;
#if defined(__SSE2__)
    for (; i + 16 <= text.size(); i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(Bytes::Matching(bytes)));
        if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask));
    }
#endif
    while (i < text.size() && !Bytes::Matches(text[i])) ++i;
    return i;
}

std::size_t FindControl(std::string_view text, std::size_t from) {
    return FindFirst<ControlBytes>(text, from);
}

bool HasFlag(unsigned types, Type type) {
    return (types & type) != 0;
}

// A piece of the file for a message: short, printable ASCII only.
std::string Quoted(std::string_view text) {
    constexpr std::size_t MaxShown = 30;
    std::string shown;
    for (const char c : text.substr(0, MaxShown)) shown.push_back(c >= ' ' && c <= '~' ? c : '?');
    return "\"" + shown + (text.size() > MaxShown ? "...\"" : "\"");
}

// The position of the first character c outside double quotes, or of the first c at all when
// the quotes do not close.
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

std::string_view Unquoted(std::string_view text) {
    text = Trimmed(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

unsigned TypeOf(std::string_view upper) {
    if (upper == "WORK") return Work;
    if (upper == "PREF") return Pref;
    if (upper == "FAX") return Fax;
    if (upper == "CELL") return Cell;
    if (upper == "MOBILE") return Mobile;
    if (upper == "PAGER") return Pager;
    return 0;
}

void AddParameter(Property& property, std::string_view parameter) {
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) {
        // vCard 2.1 names types and encodings bare: "TEL;WORK;FAX", "NOTE;QUOTED-PRINTABLE".
        const std::string bare = Upper(Trimmed(parameter));
        if (bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "8BIT" || bare == "7BIT") {
            property.encoding = bare;
        } else {
            property.types |= TypeOf(bare);
        }
        return;
    }
    const std::string_view name = Trimmed(parameter.substr(0, equals));
    const std::string_view value = parameter.substr(equals + 1);
    if (IsWord(name, "TYPE")) {
        ForEachUnquoted(Unquoted(value), ',', [&property](std::string_view type) {
            property.types |= TypeOf(Upper(Unquoted(type)));
        });
    } else if (IsWord(name, "ENCODING")) {
        property.encoding = Upper(Unquoted(value));
    } else if (IsWord(name, "CHARSET")) {
        property.charset = std::string(Unquoted(value));
    } else if (IsWord(name, "PREF")) {
        property.types |= Pref;
    }
}

Name NameOf(std::string_view name) {
    struct Known {
        std::string_view word;
        Name name;
    };
    static constexpr Known Names[] = {
        {"BEGIN", Name::Begin},
        {"END", Name::End},
        {"VERSION", Name::Version},
        {"AGENT", Name::Agent},
        {"ORG", Name::Org},
        {"FN", Name::Fn},
        {"N", Name::N},
        {"ADR", Name::Adr},
        {"EMAIL", Name::Email},
        {"NOTE", Name::Note},
        {"TEL", Name::Tel},
        {"X-VENDRIX-GATEKEEPER", Name::Gatekeeper},
        {"X-VENDRIX-FOLLOW-UP", Name::FollowUp},
        {"X-VENDRIX-FOLLOW-UP-ACTION", Name::FollowUpAction},
    };
    for (const Known& known : Names) {
        if (IsWord(name, known.word)) return known.name;
    }
    return Name::Other;
}

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

void AddParameters(Property& property, std::string_view head) {
    bool first = true;
    ForEachUnquoted(head, ';', [&](std::string_view parameter) {
        if (!first) AddParameter(property, parameter);
        first = false;
    });
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "=XX" becomes the byte XX; an "=" not followed by two hex digits is kept as written.
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

// Unescapes one text value. vCard 2.1 escapes only the semicolon; later versions also the
// backslash, the comma and line breaks ("\n").
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

// A structured value (N, ADR, ORG) decoded to UTF-8: components split at semicolons not
// escaped, unescaped as they are asked for. A value ending in a lone backslash has no
// component after its last semicolon.
class Structured {
public:
    Structured() = default;  // no value, no components
    Structured(std::string_view written, std::string decoded, bool isDecoded, Version version)
        : written_(written),
          decoded_(std::move(decoded)),
          isDecoded_(isDecoded),
          version_(version) {
        const std::string_view value = text();
        std::size_t start = 0;
        for (std::size_t i = 0; i <= value.size() && count_ < MaxComponents; ++i) {
            if (i < value.size() && value[i] == '\\') {
                ++i;
            } else if (i == value.size() || value[i] == ';') {
                parts_[count_++] = {start, i - start};
                start = i + 1;
            }
        }
    }

    bool empty() const { return count_ == 0; }
    std::string component(std::size_t index) const {
        if (index >= count_) return {};
        return Unescaped(text().substr(parts_[index].first, parts_[index].second), version_);
    }

private:
    // As many as the program reads: ADR's first six.
    static constexpr std::size_t MaxComponents = 6;

    std::string_view text() const { return isDecoded_ ? decoded_ : written_; }

    std::string_view written_;
    std::string decoded_;
    bool isDecoded_ = true;
    Version version_ = Version::V30;
    // Where each component starts in the text, and its size.
    std::array<std::pair<std::size_t, std::size_t>, MaxComponents> parts_{};
    std::size_t count_ = 0;
};

// A text for a one-line field: line breaks become the separator, other control characters
// blanks, and blanks are trimmed from the ends.
std::string OneLine(std::string_view text, std::string_view separator = " ") {
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

// The same with a blank for a separator, made in the text's own room: nothing it does
// lengthens the text, and most fields are taken over as they are.
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

// A history text of an escaped value: unescaped as Unescaped does, lines separated by "\n",
// no other control characters but tabs, no blanks or empty lines at the end. One pass over
// what makes up most of a file's bytes. Read with AsciiHistoryBytes, a byte above 0x7F gives
// nothing.
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

std::string JoinNonEmpty(std::initializer_list<std::string_view> parts,
                         std::string_view separator) {
    std::string result;
    for (const std::string_view part : parts) {
        if (part.empty()) continue;
        if (!result.empty()) result.append(separator);
        result.append(part);
    }
    return result;
}

// A number as written, or the number and extension of a vCard 4.0 "tel:" address
// ("tel:+1-418-656-9254;ext=102") as the program writes them ("+1-418-656-9254 x102").
std::string NumberText(std::string&& value) {
    std::string clean = OneLine(std::move(value));
    std::string_view rest = clean;
    if (!IsWord(rest.substr(0, 4), "TEL:")) return clean;
    while (IsWord(rest.substr(0, 4), "TEL:")) rest = Trimmed(rest.substr(4));
    std::string number;
    bool first = true;
    ForEachUnquoted(rest, ';', [&](std::string_view part) {
        if (first) {
            number = OneLine(part);
            first = false;
            return;
        }
        const std::string ext = OneLine(part.substr(std::min<std::size_t>(part.size(), 4)));
        if (IsWord(part.substr(0, 4), "EXT=") && !ext.empty()) {
            number += (number.empty() ? "x" : " x") + ext;
        }
    });
    return number;
}

// Splits a number from its extension: "555-0100 x12" as the program writes it, and
// "555-0100 ext. 12" or "ext 12" as people type it.
void SplitExtension(std::string number, std::string& phone, std::string& ext) {
    // Every marker holds an "X".
    if (number.find_first_of("xX") == std::string::npos) {
        phone = std::move(number);
        return;
    }
    const std::string upper = " " + Upper(number);
    // The first marker with text after it, so that an extension holding a marker comes back
    // whole.
    for (std::size_t at = 0; at < upper.size(); ++at) {
        if (upper[at] != ' ') continue;  // where every marker begins
        for (const std::string_view marker : {" EXT.", " EXT ", " X"}) {
            if (upper.compare(at, marker.size(), marker) != 0) continue;
            std::string rest = OneLine(std::string_view(number).substr(at + marker.size() - 1));
            if (rest.empty()) continue;
            phone = OneLine(std::string_view(number).substr(0, at == 0 ? 0 : at - 1));
            ext = std::move(rest);
            return;
        }
    }
    phone = std::move(number);
}

// How well a property fits a field: a work one first, then a preferred one.
int Rank(const Property& property) {
    return (HasFlag(property.types, Work) ? 2 : 0) + (HasFlag(property.types, Pref) ? 1 : 0);
}

enum class Phone { Voice, Fax, Cell, None };

Phone KindOfPhone(const Property& property) {
    const unsigned types = property.types;
    if (HasFlag(types, Fax)) return Phone::Fax;
    if (HasFlag(types, Cell) || HasFlag(types, Mobile)) return Phone::Cell;
    if (HasFlag(types, Pager)) return Phone::None;
    return Phone::Voice;
}

// Keeps the best-ranked property of a kind; the first of equal rank wins.
void Choose(const Property*& chosen, const Property& candidate) {
    if (chosen == nullptr || Rank(candidate) > Rank(*chosen)) chosen = &candidate;
}

struct CardFields {
    const Property* org = nullptr;
    const Property* fn = nullptr;
    const Property* n = nullptr;
    const Property* adr = nullptr;
    const Property* phone = nullptr;
    const Property* fax = nullptr;
    const Property* cell = nullptr;
    const Property* gatekeeper = nullptr;
    const Property* followUpDate = nullptr;
    const Property* followUpAction = nullptr;
};

CardFields Sort(const std::vector<Property>& properties) {
    CardFields fields;
    const auto first = [](const Property*& field, const Property& property) {
        if (field == nullptr) field = &property;
    };
    for (const Property& property : properties) {
        switch (property.name) {
            case Name::Org:
                first(fields.org, property);
                break;
            case Name::Fn:
                first(fields.fn, property);
                break;
            case Name::N:
                first(fields.n, property);
                break;
            case Name::Adr:
                Choose(fields.adr, property);
                break;
            case Name::Gatekeeper:
                first(fields.gatekeeper, property);
                break;
            case Name::FollowUp:
                first(fields.followUpDate, property);
                break;
            case Name::FollowUpAction:
                first(fields.followUpAction, property);
                break;
            case Name::Tel:
                switch (KindOfPhone(property)) {
                    case Phone::Voice:
                        Choose(fields.phone, property);
                        break;
                    case Phone::Fax:
                        Choose(fields.fax, property);
                        break;
                    case Phone::Cell:
                        Choose(fields.cell, property);
                        break;
                    case Phone::None:
                        break;
                }
                break;
            default:
                break;
        }
    }
    return fields;
}

// Builds contacts from the cards' properties as the file is read.
class CardBuilder {
public:
    explicit CardBuilder(Version version) : version_(version) {}

    // The property's value decoded to UTF-8: the value itself when it needs no decoding, else
    // decoded into `decoded`; nothing when it cannot be decoded (error() tells why).
    std::optional<std::string_view> Raw(const Property& property, std::string& decoded) {
        std::string_view bytes = property.value();
        const std::string_view encoding = property.encoding;
        if (encoding.empty()) {
            // as written, as most values are
        } else if (encoding == "QUOTED-PRINTABLE") {
            decoded = FromQuotedPrintable(bytes);
            bytes = decoded;
        } else if (encoding == "B" || encoding == "BASE64") {
            auto base64 = FromBase64(bytes);
            if (!base64) return Fail(property, "the base64 value cannot be decoded.");
            decoded = std::move(*base64);
            bytes = decoded;
        } else if (encoding != "8BIT" && encoding != "7BIT") {
            return Fail(property, "the encoding " + Quoted(encoding) + " is unknown.");
        }
        // Bytes whose character set is not named are taken as UTF-8 when they are, and as
        // Windows-1252 (what older address books wrote) when they are not.
        if (property.charset.empty()) {
            if (IsValidUtf8(bytes)) return bytes;
            decoded = store::DecodeWindows1252(bytes);
            return std::string_view(decoded);
        }
        QStringDecoder decoder(property.charset.c_str());
        if (!decoder.isValid()) {
            return Fail(property, "the character set " + Quoted(property.charset) + " is unknown.");
        }
        decoded =
            QString(decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()))))
                .toStdString();
        return std::string_view(decoded);
    }
    // The property's value decoded and unescaped.
    std::optional<std::string> Text(const Property* property) {
        if (property == nullptr) return std::string();
        std::string decoded;
        const auto raw = Raw(*property, decoded);
        if (!raw) return std::nullopt;
        return Unescaped(*raw, version_);
    }
    std::optional<std::string> History(const Property& property) {
        if (property.encoding.empty() && property.charset.empty()) {
            auto ascii = HistoryText<AsciiHistoryBytes>(property.value(), version_);
            if (ascii) return ascii;
        }
        std::string decoded;
        const auto raw = Raw(property, decoded);
        if (!raw) return std::nullopt;
        return HistoryText<EscapeOrControlBytes>(*raw, version_);
    }
    std::optional<Structured> Parts(const Property* property) {
        if (property == nullptr) return Structured();
        std::string decoded;
        const auto raw = Raw(*property, decoded);
        if (!raw) return std::nullopt;
        const bool isDecoded = raw->data() == decoded.data();
        return Structured(*raw, std::move(decoded), isDecoded, version_);
    }

    int errorLine() const { return errorLine_; }
    const std::string& error() const { return error_; }

private:
    std::nullopt_t Fail(const Property& property, std::string why) {
        if (error_.empty()) {
            errorLine_ = property.line;
            error_ = std::move(why);
        }
        return std::nullopt;
    }

    Version version_;
    int errorLine_ = 0;
    std::string error_;
};

std::optional<Contact> BuildContact(const std::vector<Property>& properties, CardBuilder& builder) {
    const CardFields fields = Sort(properties);
    const auto org = builder.Parts(fields.org);
    auto fn = builder.Text(fields.fn);
    const auto n = builder.Parts(fields.n);
    const auto adr = builder.Parts(fields.adr);
    auto phone = builder.Text(fields.phone);
    auto fax = builder.Text(fields.fax);
    auto cell = builder.Text(fields.cell);
    auto gatekeeper = builder.Text(fields.gatekeeper);
    auto followUpDate = builder.Text(fields.followUpDate);
    auto followUpAction = builder.Text(fields.followUpAction);
    Contact contact;
    // Every e-mail address and every note in their order, joined.
    std::size_t firstEmailSize = 0;
    for (const Property& property : properties) {
        if (property.name != Name::Email) continue;
        const std::string email = OneLine(builder.Text(&property).value_or(""));
        if (email.empty()) continue;
        if (contact.email.empty()) {
            firstEmailSize = email.size();
        } else {
            contact.email.append("; ");
        }
        contact.email.append(email);
    }
    bool firstNote = true;
    for (const Property& property : properties) {
        if (property.name != Name::Note) continue;
        std::string note = builder.History(property).value_or("");
        if (firstNote) {
            contact.history = std::move(note);  // most cards have one note, the history itself
            firstNote = false;
        } else if (!note.empty()) {
            if (!contact.history.empty()) contact.history.push_back('\n');
            contact.history.append(note);
        }
    }
    if (!builder.error().empty()) return std::nullopt;

    contact.client = OneLine(org->component(0));
    std::string person = OneLine(std::move(*fn));
    if (person.empty() && !n->empty()) {
        // N holds family;given;additional;prefixes;suffixes.
        person = OneLine(JoinNonEmpty(
            {OneLine(n->component(3)), OneLine(n->component(1)), OneLine(n->component(2)),
             OneLine(n->component(0)), OneLine(n->component(4))},
            " "));
    }
    if (contact.client.empty()) contact.client = person;
    if (contact.client.empty()) contact.client = contact.email.substr(0, firstEmailSize);
    // A company's own card names the company as its person as well.
    if (person != contact.client) contact.contact = std::move(person);
    // ADR holds post office box;extended address;street;locality;region;postal code;country.
    contact.address =
        JoinNonEmpty({OneLine(adr->component(2), ", "), OneLine(adr->component(1), ", "),
                      OneLine(adr->component(0), ", ")},
                     ", ");
    contact.city = OneLine(adr->component(3));
    contact.state = OneLine(adr->component(4));
    contact.zip = OneLine(adr->component(5));
    SplitExtension(NumberText(std::move(*phone)), contact.phone, contact.ext);
    contact.fax = NumberText(std::move(*fax));
    contact.cell = NumberText(std::move(*cell));
    contact.gatekeeper = OneLine(std::move(*gatekeeper));
    contact.followUpDate = OneLine(std::move(*followUpDate));
    contact.followUpAction = OneLine(std::move(*followUpAction));
    return contact;
}

bool IsEmpty(const Contact& c) {
    for (const std::string* text :
         {&c.client, &c.address, &c.city, &c.state, &c.zip, &c.contact, &c.phone, &c.ext, &c.fax,
          &c.cell, &c.gatekeeper, &c.email, &c.followUpDate, &c.followUpAction, &c.history}) {
        if (!text->empty()) return false;
    }
    return true;
}

// The contacts of the blocks, in their order, in one vector.
std::vector<Contact> Joined(std::vector<std::vector<Contact>> blocks) {
    std::size_t count = 0;
    for (const auto& block : blocks) count += block.size();
    std::vector<Contact> contacts;
    contacts.reserve(count);
    for (auto& block : blocks) {
        std::move(block.begin(), block.end(), std::back_inserter(contacts));
    }
    return contacts;
}

// Reads logical lines one after the other and keeps track of the card they belong to.
class Reader {
public:
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
    std::vector<std::vector<Contact>> TakeBlocks() { return std::move(blocks_); }
    VCardReading Result() {
        if (!error_.empty()) return {{}, error_};
        return {Joined(TakeBlocks()), {}};
    }

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
        if (!IsEmpty(*contact)) Keep(std::move(*contact));
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

    void Keep(Contact&& contact) {
        constexpr std::size_t BlockSize = 256;
        if (blocks_.empty() || blocks_.back().size() == BlockSize) {
            blocks_.emplace_back().reserve(BlockSize);
        }
        blocks_.back().push_back(std::move(contact));
    }

    // The contacts read, in blocks that never grow once reserved: each contact is moved once,
    // into the result, rather than each time one vector outgrows its room.
    std::vector<std::vector<Contact>> blocks_;
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

VCardReading ReadInOnePiece(std::string_view text) {
    Reader reader;
    const int lines = ReadLines(text, reader);
    reader.Finish(lines);
    return reader.Result();
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

struct PieceReading {
    std::vector<std::vector<Contact>> blocks;
    bool whole = false;  // read without a fault, and ending between cards
};

PieceReading ReadPiece(std::string_view piece) {
    Reader reader;
    ReadLines(piece, reader);
    return {reader.TakeBlocks(), !reader.failed() && reader.betweenCards()};
}

// Files are read in pieces of at least this size, one to a processor.
constexpr std::size_t MinPieceBytes = 256 * 1024;

}  // namespace

VCardReading ReadVCards(std::string_view bytes, std::size_t pieceBytes) {
    std::string converted;
    const std::string_view text = Utf8Text(bytes, converted);
    if (pieceBytes == 0) return ReadInOnePiece(text);
    const std::vector<std::size_t> starts = PieceStarts(text, pieceBytes);
    if (starts.size() == 1) return ReadInOnePiece(text);

    std::vector<PieceReading> pieces(starts.size());
    const auto readPieces = [&](std::size_t first, std::size_t step) {
        for (std::size_t i = first; i < starts.size(); i += step) {
            const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
            try {
                pieces[i] = ReadPiece(text.substr(starts[i], end - starts[i]));
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
        return ReadInOnePiece(text);
    }  // the helpers are joined before the pieces are looked at

    // A fault, or a piece whose reading does not end between cards: the pieces were cut where
    // the file's reading does not begin afresh, or the file has a fault whose message must
    // count cards and lines from its start. Either way, the file is read in one piece.
    const bool whole = std::all_of(pieces.begin(), pieces.end(),
                                   [](const PieceReading& piece) { return piece.whole; });
    if (!whole) return ReadInOnePiece(text);
    std::vector<std::vector<Contact>> blocks;
    for (PieceReading& piece : pieces) {
        std::move(piece.blocks.begin(), piece.blocks.end(), std::back_inserter(blocks));
    }
    return {Joined(std::move(blocks)), {}};
}

VCardReading ReadVCards(std::string_view bytes) {
    // A share for each processor, unless that is too little to be worth a thread.
    const std::size_t share = bytes.size() / std::max(std::thread::hardware_concurrency(), 1u);
    return ReadVCards(bytes, share >= MinPieceBytes && share < bytes.size() ? share : 0);
}

VCardReading ReadVCardFile(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    if (info.exists() && static_cast<std::size_t>(info.size()) > MaxVCardFileBytes) {
        return {{}, "\"" + path + "\" is larger than a vCard file can be (64 MB)."};
    }
    const std::optional<std::string> bytes = store::ReadFileBytes(path, MaxVCardFileBytes);
    if (!bytes) return {{}, "\"" + path + "\" cannot be read: " + store::LastFileError() + "."};
    return ReadVCards(*bytes);
}

}  // namespace exchange
