#include "exchange/vcard_import.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <utility>

#include "exchange/field_rules.h"
#include "exchange/import_file.h"
#include "exchange/line_breaks.h"
#include "exchange/utf8.h"
#include "store/text_field.h"

namespace exchange {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// ASCII letters upper case; names and parameters are ASCII in any case.
std::string Upper(std::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toUpper().toStdString();
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

// "=XX" becomes the byte XX, at the value's end too; an "=" not followed by two hex digits is
// kept as written.
std::string FromQuotedPrintable(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view hex = text.substr(i + 1, 2);
        unsigned char byte = 0;
        if (text[i] == '=' && hex.size() == 2 &&
            std::from_chars(hex.data(), hex.data() + 2, byte, 16).ptr == hex.data() + 2) {
            bytes.push_back(static_cast<char>(byte));
            i += 2;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

// The value with its escapes undone, and a structured one (N, ADR, ORG) split at the
// semicolons not escaped. In vCard 2.1 only "\;" is an escape (a Windows path keeps its
// backslashes); later versions escape the backslash, the comma, the semicolon and line breaks
// ("\n", "\N").
std::vector<std::string> Unescaped(std::string_view text, bool version21, bool structured) {
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (!version21 || text[i + 1] == ';')) {
            const char next = text[++i];
            part.push_back(next == 'n' || next == 'N' ? '\n' : next);
        } else if (text[i] == ';' && structured) {
            parts.push_back(std::exchange(part, {}));
        } else {
            part.push_back(text[i]);
        }
    }
    parts.push_back(std::move(part));
    return parts;
}

// A text for a one-line field: line breaks become the separator, other control characters
// blanks, and blanks are trimmed from the ends.
std::string OneLine(std::string_view text, std::string_view separator = " ") {
    std::string line = WithLineBreaks(text, separator);
    std::ranges::replace_if(line, IsControl, ' ');
    return std::string(BlankTrimmed(line));
}

// A history: lines separated by "\n", no control characters but tabs, no blanks at the end.
std::string HistoryText(std::string_view text) {
    std::string history = WithLineBreaks(text, "\n");
    std::ranges::replace_if(
        history, [](char c) { return c != '\n' && c != '\t' && IsControl(c); }, ' ');
    // Blanks at the end go, as the history box drops them; a last line break is the note's own.
    history.erase(history.find_last_not_of(" \t") + 1);
    return history;
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

// A number and its extension; an extension alone ("x12", as the program writes one without a
// number) holds no number.
NumberAndExtension PhoneAndExtension(std::string_view value) {
    const std::string text = NumberText(value);
    const std::optional<std::string> alone = ExtensionDigits(text);
    if (alone && !alone->empty() && *alone != text) return {{}, *alone};
    return SplitExtension(text);
}

// The properties read; every other one is skipped.
constexpr std::string_view ReadProperties[] = {
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

    bool is(std::string_view type) const { return std::ranges::find(types, type) != types.end(); }
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

// What a property holds: its name, or the kind of number a TEL is ("Fax", "Phone").
std::string KindOf(const Property& property) {
    if (property.name != "TEL") return property.name;
    if (property.is("FAX")) return "Fax";
    if (property.is("CELL") || property.is("MOBILE")) return "Cell";
    return property.is("PAGER") ? "Pager" : "Phone";
}

// How well a property fits its field: of addresses and numbers a work one first, then a
// preferred one; of the others the first.
int Rank(const Property& property) {
    if (property.name != "ADR" && property.name != "TEL") return 0;
    return (property.is("WORK") ? 2 : 0) + (property.is("PREF") ? 1 : 0);
}

// What a value no field holds is labelled with ("Phone (home)", "Title"); empty for a value
// that is not kept so.
std::string ExtraLabel(const Property& property) {
    const std::string where = property.is("HOME")   ? " (home)"
                              : property.is("WORK") ? " (work)"
                                                    : "";
    if (property.name == "TITLE") return "Title";
    if (property.name == "URL") return "Web";
    if (property.name == "NOTE") return "Note";
    if (property.name == "ADR") return "Address" + where;
    return property.name == "TEL" ? KindOf(property) + where : "";
}

// A structured value's part as a one-line text; parts past those written are empty.
std::string Part(const std::vector<std::string>& parts, std::size_t i,
                 std::string_view separator = " ") {
    return i < parts.size() ? OneLine(parts[i], separator) : std::string();
}

// The street lines of an address: ADR holds post office box;extended address;street;locality;
// region;postal code;country.
std::string Street(const std::vector<std::string>& adr) {
    return JoinNonEmpty({Part(adr, 2, ", "), Part(adr, 1, ", "), Part(adr, 0, ", ")}, ", ");
}

// The text a value no field holds is kept with: all of an address, as on an envelope.
std::string ExtraText(const Property& property, const std::vector<std::string>& parts) {
    if (property.name == "ADR") {
        return JoinNonEmpty({Street(parts), Part(parts, 3, ", "), Part(parts, 4, ", "),
                             Part(parts, 5, ", "), Part(parts, 6, ", ")},
                            ", ");
    }
    if (property.name == "TEL") return NumberText(parts.front());
    return property.name == "NOTE" ? HistoryText(parts.front()) : OneLine(parts.front());
}

// Reads logical lines one after the other: a small state machine of the card they belong to.
class Reader {
public:
    // The file's own notes come first, when it is read.
    Reader(bool utf8File, std::vector<std::string> fileNotes)
        : utf8File_(utf8File), fileNotes_(std::move(fileNotes)) {}

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
        if (std::ranges::find(ReadProperties, name) == std::end(ReadProperties)) return;
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
        reading_.notes = std::move(fileNotes_);
        if (!badBytes_.empty()) reading_.notes.push_back(BadBytesNote(badBytes_));
    }

    // vCard 2.1 folds only where blanks were, and keeps them; later versions drop one.
    bool keepsFoldingBlank() const { return version21_; }
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
        version21_ = false;
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
        if (value != "2.1" && value != "3.0" && value != "4.0") {
            return Fail(number, "vCard version " + Quoted(value) +
                                    " cannot be read; versions 2.1, 3.0 and 4.0 can.");
        }
        version21_ = value == "2.1";
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

    // The card's contact, or nothing when a value cannot be decoded (the reading then fails).
    std::optional<Contact> ContactOfCard() {
        // The best ranked property of each kind fills its field; of equal rank the first.
        std::map<std::string, const Property*> chosen;
        for (const Property& property : card_) {
            const Property*& best = chosen[KindOf(property)];
            if (best == nullptr || Rank(property) > Rank(*best)) best = &property;
        }
        Contact contact;
        std::string name;  // of N, for a card without FN
        std::vector<std::string> emails;
        for (const Property& property : card_) {
            const std::string kind = KindOf(property);
            // Every e-mail address is kept; pagers, titles and web addresses have no field.
            const bool fills = kind == "EMAIL" || (chosen[kind] == &property && kind != "Pager" &&
                                                   kind != "TITLE" && kind != "URL");
            const std::string label = fills ? "" : ExtraLabel(property);
            if (!fills && label.empty()) continue;  // a second FN, ORG...: not read
            const std::optional<std::string> decoded = Decoded(property);
            if (!decoded) return std::nullopt;
            const std::vector<std::string> parts =
                Unescaped(*decoded, version21_, kind == "N" || kind == "ADR" || kind == "ORG");
            const std::string& text = parts.front();
            if (!fills) {
                const std::string value = ExtraText(property, parts);
                if (!value.empty()) contact.extras.push_back(label + ": " + value);
            } else if (kind == "EMAIL") {
                emails.push_back(OneLine(text));
            } else if (kind == "ORG") {
                contact.client = Part(parts, 0);
            } else if (kind == "FN") {
                contact.contact = OneLine(text);
            } else if (kind == "N") {
                // N holds family;given;additional;prefixes;suffixes.
                name = JoinNonEmpty({Part(parts, 3), Part(parts, 1), Part(parts, 2), Part(parts, 0),
                                     Part(parts, 4)},
                                    " ");
            } else if (kind == "ADR") {
                contact.address = Street(parts);
                contact.city = Part(parts, 3);
                contact.state = Part(parts, 4);
                contact.zip = Part(parts, 5);
            } else if (kind == "Phone") {
                NumberAndExtension phone = PhoneAndExtension(text);
                contact.phone = std::move(phone.number);
                contact.ext = std::move(phone.extension);
            } else if (kind == "Fax") {
                contact.fax = NumberText(text);
            } else if (kind == "Cell") {
                contact.cell = NumberText(text);
            } else if (kind == "NOTE") {
                contact.history = HistoryText(text);
            } else if (kind == "X-VENDRIX-GATEKEEPER") {
                contact.gatekeeper = OneLine(text);
            } else if (kind == "X-VENDRIX-FOLLOW-UP") {
                contact.followUpDate = OneLine(text);
            } else if (kind == "X-VENDRIX-FOLLOW-UP-ACTION") {
                contact.followUpAction = OneLine(text);
            }
        }
        if (contact.contact.empty()) contact.contact = std::move(name);
        // A company's own card names the company as its person as well.
        if (contact.contact == contact.client) contact.contact.clear();
        contact.email = JoinNonEmpty(emails, "; ");
        // A card of nothing but an address is listed by it.
        if (contact.client.empty() && contact.contact.empty()) {
            const auto address =
                std::ranges::find_if(emails, [](const auto& e) { return !e.empty(); });
            if (address != emails.end()) contact.client = *address;
        }
        return contact;
    }

    bool utf8File_;
    std::vector<std::string> fileNotes_;
    VCardReading reading_;
    std::vector<Property> card_;
    LineList badBytes_;
    bool inCard_ = false;
    int cardNumber_ = 0;
    int cardLine_ = 0;
    bool version21_ = false;
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
    Reader reader(file.encoding != "Windows-1252", std::move(file.notes));
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
        } else if (logicalNumber != 0 && (line.starts_with(' ') || line.starts_with('\t'))) {
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
    return std::move(reader.reading());
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
    const QString name = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == "vcf" || suffix == "vcard";
}

}  // namespace exchange
