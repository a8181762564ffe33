#include "exchange/vcard_import.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "exchange/import_file.h"
#include "exchange/line_breaks.h"
#include "exchange/utf8.h"
#include "store/text_field.h"

namespace exchange {

namespace {

enum class Version { V21, V30, V40 };

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string_view Unquoted(std::string_view text) {
    text = BlankTrimmed(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

// A piece of the file for a message: short, printable ASCII only.
std::string Quoted(std::string_view text) {
    constexpr std::size_t MaxShown = 30;
    std::string shown;
    for (const char c : text.substr(0, MaxShown)) shown.push_back(c >= ' ' && c <= '~' ? c : '?');
    return "\"" + shown + (text.size() > MaxShown ? "...\"" : "\"");
}

// The position of the first c outside double quotes, or npos.
std::size_t FindUnquoted(std::string_view text, char c) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;
        if (text[i] == c && !quoted) return i;
    }
    return std::string_view::npos;
}

// The parts of the text between separators outside quotes.
std::vector<std::string_view> SplitUnquoted(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t at = FindUnquoted(text, separator); at != std::string_view::npos;
         at = FindUnquoted(text, separator)) {
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + 1);
    }
    parts.push_back(text);
    return parts;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "=XX" becomes the byte XX, at the value's end too; an "=" not followed by two hex digits is
// kept as written.
std::string FromQuotedPrintable(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            bytes.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
            i += 2;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

// Escapes are undone: in vCard 2.1 only "\;" is one (a Windows path keeps its backslashes);
// later versions escape the backslash, the comma, the semicolon and line breaks ("\n", "\N").
std::string Unescaped(std::string_view text, Version version) {
    if (text.find('\\') == std::string_view::npos) return std::string(text);
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '\\' && i + 1 < text.size() &&
                            (version != Version::V21 || text[i + 1] == ';');
        if (!escape) {
            result.push_back(text[i]);
            continue;
        }
        const char next = text[++i];
        result.push_back(next == 'n' || next == 'N' ? '\n' : next);
    }
    return result;
}

// A structured value (N, ADR, ORG) split at the semicolons not escaped, each part unescaped.
std::vector<std::string> Components(std::string_view text, Version version) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '\\' && i + 1 < text.size() &&
            (version != Version::V21 || text[i + 1] == ';')) {
            ++i;
        } else if (i == text.size() || text[i] == ';') {
            parts.push_back(Unescaped(text.substr(start, i - start), version));
            start = i + 1;
        }
    }
    return parts;
}

// A text for a one-line field: line breaks become the separator, other control characters
// blanks, and blanks are trimmed from the ends.
std::string OneLine(std::string_view text, std::string_view separator = " ") {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            result.append(separator);
        } else {
            result.push_back(c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c));
        }
    }
    return std::string(BlankTrimmed(result));
}

// A history: lines separated by "\n", no control characters but tabs, no blanks or empty lines
// at the end.
std::string HistoryText(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            result.push_back('\n');
        } else {
            result.push_back((c < 0x20 && c != '\t') || c == 0x7F ? ' ' : static_cast<char>(c));
        }
    }
    // Blanks at the end go, as the history box drops them; a last line break is the note's own.
    while (!result.empty() && IsBlank(result.back())) result.pop_back();
    return result;
}

std::string JoinNonEmpty(const std::vector<std::string>& parts, std::string_view separator) {
    std::string result;
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        if (!result.empty()) result.append(separator);
        result.append(part);
    }
    return result;
}

// A number as written, or the number and extension of a vCard 4.0 "tel:" address
// ("tel:+1-418-656-9254;ext=102") as the program writes them ("+1-418-656-9254 x102").
std::string NumberText(std::string_view value) {
    const std::string number = OneLine(value);
    std::string_view uri = number;
    while (Upper(uri.substr(0, 4)) == "TEL:") uri = BlankTrimmed(uri.substr(4));
    if (uri.size() == number.size()) return number;
    const std::vector<std::string_view> parts = SplitUnquoted(uri, ';');
    std::string text = OneLine(parts.front());
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string ext = OneLine(parts[i].substr(std::min<std::size_t>(parts[i].size(), 4)));
        if (Upper(parts[i].substr(0, 4)) == "EXT=" && !ext.empty()) {
            text += (text.empty() ? "x" : " x") + ext;
        }
    }
    return text;
}

// Splits a number from its extension: "555-0100 x12" as the program writes it, and
// "555-0100 ext. 12" or "ext 12" as people type it; the first marker with text after it counts.
void SplitExtension(const std::string& number, std::string& phone, std::string& ext) {
    const std::string upper = " " + Upper(number);
    for (std::size_t at = 0; at < upper.size(); ++at) {
        for (const std::string_view marker : {" EXT.", " EXT ", " X"}) {
            if (upper.compare(at, marker.size(), marker) != 0) continue;
            std::string rest = OneLine(std::string_view(number).substr(at + marker.size() - 1));
            if (rest.empty()) continue;
            phone = OneLine(std::string_view(number).substr(0, at == 0 ? 0 : at - 1));
            ext = std::move(rest);
            return;
        }
    }
    phone = number;
}

// The properties read; every other one is skipped.
constexpr std::array<std::string_view, 12> ReadProperties{
    "ORG",
    "FN",
    "N",
    "ADR",
    "EMAIL",
    "NOTE",
    "TEL",
    "TITLE",
    "URL",
    "X-VENDRIX-GATEKEEPER",
    "X-VENDRIX-FOLLOW-UP",
    "X-VENDRIX-FOLLOW-UP-ACTION",
};

// One content line the program reads: "[group.]NAME;PARAM=VALUE;...:value".
struct Property {
    std::string name;                // upper case, without its group
    std::vector<std::string> types;  // upper case: TYPE values, PREF, bare 2.1 parameters
    std::string encoding;            // upper case
    std::string charset;
    std::string value;  // as written, unfolded
    int line = 0;

    bool is(std::string_view type) const {
        return std::find(types.begin(), types.end(), type) != types.end();
    }
};

// Adds the parameters of a line's head ("NAME;PARAM=VALUE;...") to the property.
void AddParameters(Property& property, std::string_view head) {
    const std::vector<std::string_view> parameters = SplitUnquoted(head, ';');
    for (std::size_t i = 1; i < parameters.size(); ++i) {
        const std::size_t equals = parameters[i].find('=');
        const std::string name = Upper(BlankTrimmed(parameters[i].substr(0, equals)));
        if (equals == std::string_view::npos) {
            // vCard 2.1 names types and encodings bare: "TEL;WORK;FAX", "NOTE;QUOTED-PRINTABLE".
            if (name == "QUOTED-PRINTABLE" || name == "BASE64" || name == "8BIT" ||
                name == "7BIT") {
                property.encoding = name;
            } else {
                property.types.push_back(name);
            }
            continue;
        }
        const std::string_view value = Unquoted(parameters[i].substr(equals + 1));
        if (name == "TYPE") {
            for (const std::string_view type : SplitUnquoted(value, ',')) {
                property.types.push_back(Upper(Unquoted(type)));
            }
        } else if (name == "ENCODING") {
            property.encoding = Upper(value);
        } else if (name == "CHARSET") {
            property.charset = std::string(value);
        } else if (name == "PREF") {
            property.types.emplace_back("PREF");
        }
    }
}

// How well a property fits a field: a work one first, then a preferred one.
int Rank(const Property& property) {
    return (property.is("WORK") ? 2 : 0) + (property.is("PREF") ? 1 : 0);
}

// Keeps the best-ranked candidate; of equal rank the first stays.
void Choose(const Property*& chosen, const Property& candidate) {
    if (chosen == nullptr || Rank(candidate) > Rank(*chosen)) chosen = &candidate;
}

// The properties read, by the field each goes to.
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
    std::vector<const Property*> emails;
    std::vector<const Property*> notes;
};

CardFields FieldsOf(const std::vector<Property>& card) {
    CardFields fields;
    const auto first = [](const Property*& field, const Property& property) {
        if (field == nullptr) field = &property;
    };
    for (const Property& p : card) {
        if (p.name == "ORG") first(fields.org, p);
        if (p.name == "FN") first(fields.fn, p);
        if (p.name == "N") first(fields.n, p);
        if (p.name == "X-VENDRIX-GATEKEEPER") first(fields.gatekeeper, p);
        if (p.name == "X-VENDRIX-FOLLOW-UP") first(fields.followUpDate, p);
        if (p.name == "X-VENDRIX-FOLLOW-UP-ACTION") first(fields.followUpAction, p);
        if (p.name == "ADR") Choose(fields.adr, p);
        if (p.name == "EMAIL") fields.emails.push_back(&p);
        if (p.name == "NOTE") fields.notes.push_back(&p);
        if (p.name != "TEL") continue;
        if (p.is("FAX")) {
            Choose(fields.fax, p);
        } else if (p.is("CELL") || p.is("MOBILE")) {
            Choose(fields.cell, p);
        } else if (!p.is("PAGER")) {
            Choose(fields.phone, p);
        }
    }
    return fields;
}

// What a value no field holds is labelled with ("Phone (home)", "Title"); empty for a value
// that has a field of its own.
std::string ExtraLabel(const Property& property) {
    const std::string where = property.is("HOME")   ? " (home)"
                              : property.is("WORK") ? " (work)"
                                                    : "";
    if (property.name == "TITLE") return "Title";
    if (property.name == "URL") return "Web";
    if (property.name == "NOTE") return "Note";
    if (property.name == "ADR") return "Address" + where;
    if (property.name != "TEL") return {};
    if (property.is("FAX")) return "Fax" + where;
    if (property.is("CELL") || property.is("MOBILE")) return "Cell" + where;
    return (property.is("PAGER") ? "Pager" : "Phone") + where;
}

// Reads logical lines one after the other: a small state machine of the card they belong to.
class Reader {
public:
    explicit Reader(bool utf8File) : utf8File_(utf8File) {}

    void Take(std::string_view line, int number) {
        if (BlankTrimmed(line).empty()) return;
        const std::size_t colon = FindUnquoted(line, ':');
        const std::string_view head = line.substr(0, colon);
        std::string name = Upper(BlankTrimmed(head.substr(0, FindUnquoted(head, ';'))));
        if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) {
            name.erase(0, dot + 1);  // the group ("item1.EMAIL")
        }
        if (colon == std::string_view::npos || name.empty()) {
            if (!inCard_) return Fail(number, "the line is not a vCard line " + Quoted(line) + ".");
            return Fail(number, "the line has no property name and \":\" before its value.");
        }
        const std::string_view value = line.substr(colon + 1);
        const std::string word = Upper(BlankTrimmed(value.substr(0, 16)));
        if (skippedDepth_ > 0) {
            // The cards of a vCard 2.1 AGENT, which are no clients.
            if (name == "BEGIN" && word == "VCARD") ++skippedDepth_;
            if (name == "END" && word == "VCARD") --skippedDepth_;
            return;
        }
        const bool afterEmptyAgent = emptyAgent_;
        emptyAgent_ = name == "AGENT" && BlankTrimmed(value).empty();
        if (name == "BEGIN") return Begin(word, afterEmptyAgent, number);
        if (name == "END") return End(word, number);
        if (!inCard_) {
            return Fail(number, "this line is outside any card; cards begin with BEGIN:VCARD.");
        }
        if (name == "VERSION") return SetVersion(word, number);
        if (std::find(ReadProperties.begin(), ReadProperties.end(), name) == ReadProperties.end()) {
            return;
        }
        Property& property = card_.emplace_back();
        property.name = std::move(name);
        property.value = std::string(value);
        property.line = number;
        AddParameters(property, head);
    }

    void Finish(int lastLine) {
        if (!reading_.error.empty()) return;
        if (inCard_ || skippedDepth_ > 0) {
            return Fail(lastLine, "the file ends inside the card begun on line " +
                                      std::to_string(cardLine_) + "; END:VCARD is missing.");
        }
        if (cardNumber_ == 0) {
            reading_.error = "The file holds no vCard: no line reads BEGIN:VCARD.";
            return;
        }
        if (!badBytes_.empty()) reading_.notes.push_back(BadBytesNote(badBytes_));
    }

    // vCard 2.1 folds only where blanks were, and keeps them; later versions drop one.
    bool keepsFoldingBlank() const { return version_ == Version::V21; }
    bool failed() const { return !reading_.error.empty(); }
    VCardReading& reading() { return reading_; }

private:
    void Begin(const std::string& value, bool afterEmptyAgent, int number) {
        if (value != "VCARD") {
            return Fail(number, "BEGIN:" + Quoted(value) + " begins something else than a vCard.");
        }
        if (inCard_) {
            if (afterEmptyAgent) {
                skippedDepth_ = 1;
                return;
            }
            return Fail(number, "a new card begins before this one ends with END:VCARD.");
        }
        inCard_ = true;
        ++cardNumber_;
        cardLine_ = number;
        version_ = Version::V30;
        card_.clear();
    }

    void End(const std::string& value, int number) {
        if (!inCard_) return Fail(number, "END:" + value + " without a BEGIN:VCARD before it.");
        if (value != "VCARD") {
            return Fail(number, "the card ends with END:" + Quoted(value) + ", not END:VCARD.");
        }
        std::optional<Contact> contact = ContactOfCard();
        if (!contact) return;
        if (!FillsNoField(*contact)) reading_.contacts.push_back(std::move(*contact));
        inCard_ = false;
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
        if (failed()) return;
        const std::string where = std::to_string(number);
        reading_.error =
            inCard_ ? "Card " + std::to_string(cardNumber_) + " (line " + where + "): " + why
                    : "Line " + where + ": " + why;
        reading_.contacts.clear();
    }

    // The property's value decoded to UTF-8, still escaped; nothing when it cannot be.
    std::optional<std::string> Decoded(const Property& property) {
        std::string bytes;
        const std::string& encoding = property.encoding;
        const bool asWritten = encoding.empty() || encoding == "8BIT" || encoding == "7BIT";
        if (asWritten) {
            bytes = property.value;
        } else if (encoding == "QUOTED-PRINTABLE") {
            bytes = FromQuotedPrintable(property.value);
        } else if (encoding == "B" || encoding == "BASE64") {
            QByteArray compact = QByteArray::fromStdString(property.value);
            compact.replace(' ', "").replace('\t', "");
            const auto decoded =
                QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded) return FailOn(property, "the base64 value cannot be decoded.");
            bytes = decoded.decoded.toStdString();
        } else {
            return FailOn(property, "the encoding " + Quoted(encoding) + " is unknown.");
        }
        if (!property.charset.empty()) {
            QStringDecoder decoder(property.charset.c_str());
            if (!decoder.isValid()) {
                return FailOn(property,
                              "the character set " + Quoted(property.charset) + " is unknown.");
            }
            return QString(decoder(QByteArray::fromStdString(bytes))).toStdString();
        }
        if (IsValidUtf8(bytes)) return bytes;
        // Bytes of an unnamed character set: in a UTF-8 file a stray byte is a fault shown as
        // "?"; an encoded value, or one of a file that is no UTF-8, is what older address books
        // wrote, Windows-1252.
        if (utf8File_ && asWritten) {
            return WithBadBytesShown(bytes, badBytes_, static_cast<std::size_t>(property.line));
        }
        return store::DecodeWindows1252(bytes);
    }

    std::nullopt_t FailOn(const Property& property, const std::string& why) {
        Fail(property.line, why);
        return std::nullopt;
    }

    std::optional<std::string> Text(const Property* property) {
        if (property == nullptr) return std::string();
        std::optional<std::string> decoded = Decoded(*property);
        if (!decoded) return std::nullopt;
        return Unescaped(*decoded, version_);
    }

    std::optional<std::vector<std::string>> Parts(const Property* property) {
        if (property == nullptr) return std::vector<std::string>();
        std::optional<std::string> decoded = Decoded(*property);
        if (!decoded) return std::nullopt;
        return Components(*decoded, version_);
    }

    // A value no field holds as its label's text goes with it; empty when it cannot be decoded.
    std::string ExtraValue(const Property& property) {
        if (property.name == "ADR") {
            // All seven parts, the street first, as an address is written on an envelope.
            const std::vector<std::string> parts =
                Parts(&property).value_or(std::vector<std::string>());
            std::vector<std::string> lines;
            for (const std::size_t i : {2U, 1U, 0U, 3U, 4U, 5U, 6U}) {
                if (i < parts.size()) lines.push_back(OneLine(parts[i], ", "));
            }
            return JoinNonEmpty(lines, ", ");
        }
        const std::string text = Text(&property).value_or("");
        if (property.name == "TEL") return NumberText(text);
        return property.name == "NOTE" ? HistoryText(text) : OneLine(text);
    }

    // The card's contact, or nothing when a value cannot be decoded (the reading then fails).
    std::optional<Contact> ContactOfCard() {
        const CardFields fields = FieldsOf(card_);
        const auto org = Parts(fields.org);
        const auto fn = Text(fields.fn);
        const auto n = Parts(fields.n);
        const auto adr = Parts(fields.adr);
        const auto phone = Text(fields.phone);
        const auto fax = Text(fields.fax);
        const auto cell = Text(fields.cell);
        const auto gatekeeper = Text(fields.gatekeeper);
        const auto followUpDate = Text(fields.followUpDate);
        const auto followUpAction = Text(fields.followUpAction);
        std::vector<std::string> emails;
        for (const Property* email : fields.emails)
            emails.push_back(OneLine(Text(email).value_or("")));
        // The first note is the history; the others are kept with what no field holds.
        const auto history = Text(fields.notes.empty() ? nullptr : fields.notes.front());
        std::vector<std::string> extras;
        for (const Property& property : card_) {
            const std::string label = ExtraLabel(property);
            const bool taken = &property == fields.adr || &property == fields.phone ||
                               &property == fields.fax || &property == fields.cell ||
                               (!fields.notes.empty() && &property == fields.notes.front());
            if (taken || label.empty()) continue;
            const std::string value = ExtraValue(property);
            if (!value.empty()) extras.push_back(label + ": " + value);
        }
        if (failed()) return std::nullopt;

        // Structured parts past those written are empty.
        const auto part = [](const std::vector<std::string>& parts, std::size_t i,
                             std::string_view separator = " ") {
            return i < parts.size() ? OneLine(parts[i], separator) : std::string();
        };
        Contact contact;
        contact.client = part(*org, 0);
        std::string person = OneLine(*fn);
        // N holds family;given;additional;prefixes;suffixes.
        if (person.empty()) {
            person = JoinNonEmpty({part(*n, 3), part(*n, 1), part(*n, 2), part(*n, 0), part(*n, 4)},
                                  " ");
        }
        // A company's own card names the company as its person as well.
        if (person != contact.client) contact.contact = std::move(person);
        contact.email = JoinNonEmpty(emails, "; ");
        // A card of nothing but an address is listed by it.
        if (contact.client.empty() && contact.contact.empty()) {
            const auto first =
                std::find_if(emails.begin(), emails.end(),
                             [](const std::string& email) { return !email.empty(); });
            if (first != emails.end()) contact.client = *first;
        }
        // ADR holds post office box;extended address;street;locality;region;postal code;country.
        contact.address =
            JoinNonEmpty({part(*adr, 2, ", "), part(*adr, 1, ", "), part(*adr, 0, ", ")}, ", ");
        contact.city = part(*adr, 3);
        contact.state = part(*adr, 4);
        contact.zip = part(*adr, 5);
        SplitExtension(NumberText(*phone), contact.phone, contact.ext);
        contact.fax = NumberText(*fax);
        contact.cell = NumberText(*cell);
        contact.gatekeeper = OneLine(*gatekeeper);
        contact.followUpDate = OneLine(*followUpDate);
        contact.followUpAction = OneLine(*followUpAction);
        contact.history = HistoryText(*history);
        contact.extras = std::move(extras);
        return contact;
    }

    bool utf8File_;
    VCardReading reading_;
    std::vector<Property> card_;
    LineList badBytes_;
    bool inCard_ = false;
    int cardNumber_ = 0;
    int cardLine_ = 0;
    Version version_ = Version::V30;
    int skippedDepth_ = 0;
    bool emptyAgent_ = false;
};

// Whether a logical line's first line asks for quoted-printable, whose lines end in "=" when
// they go on.
bool IsQuotedPrintable(std::string_view line) {
    return Upper(line.substr(0, FindUnquoted(line, ':'))).find("QUOTED-PRINTABLE") !=
           std::string::npos;
}

}  // namespace

VCardReading ReadVCards(std::string_view bytes) {
    FileText file = TextOfFile(bytes);
    const std::string_view text = file.text();
    Reader reader(file.encoding != "Windows-1252");
    // The logical line being gathered: its physical lines joined, numbered by the first.
    std::string logical;
    int logicalNumber = 0;
    bool quotedPrintable = false;
    int number = 0;
    for (std::size_t at = 0; at < text.size() && !reader.failed();) {
        // A line ends at CR LF, LF or a lone CR.
        const std::size_t end = std::min(FindLineBreak(text, at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++number;
        if (logicalNumber != 0 && quotedPrintable && logical.ends_with('=')) {
            logical.pop_back();  // a soft line break
            logical.append(line);
        } else if (logicalNumber != 0 && !line.empty() && IsBlank(line.front())) {
            logical.append(line.substr(reader.keepsFoldingBlank() ? 0 : 1));
        } else {
            if (logicalNumber != 0) reader.Take(logical, logicalNumber);
            logical.assign(line);
            logicalNumber = number;
            quotedPrintable = IsQuotedPrintable(line);
        }
    }
    if (logicalNumber != 0 && !reader.failed()) reader.Take(logical, logicalNumber);
    reader.Finish(number);
    VCardReading& reading = reader.reading();
    if (reading.error.empty()) {
        file.notes.insert(file.notes.end(), reading.notes.begin(), reading.notes.end());
        reading.notes = std::move(file.notes);
    }
    return std::move(reading);
}

VCardReading ReadVCardFile(const std::string& path) {
    const ImportFileBytes file = ReadImportFile(path);
    if (!file.bytes) return {{}, file.error, {}};
    return ReadVCards(*file.bytes);
}

bool HoldsVCards(std::string_view bytes) {
    // The start is enough; UTF-16 is cut after a whole character.
    const FileText file = TextOfFile(bytes.substr(0, 4096));
    std::string_view text = file.text();
    text.remove_prefix(std::min(text.find_first_not_of(" \t\r\n"), text.size()));
    return Upper(text.substr(0, 11)) == "BEGIN:VCARD";
}

bool IsVCardName(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return false;
    const std::string suffix = Upper(path.substr(dot + 1));
    return suffix == "VCF" || suffix == "VCARD";
}

}  // namespace exchange
