#include "exchange/vcard_import.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

#include "store/files.h"
#include "store/text_field.h"

namespace exchange {

namespace {

enum class Version { V21, V30, V40 };

// One content line: "[group.]NAME;PARAM=VALUE;...:value", the value still as written.
struct Property {
    std::string name;                // upper case, the group dropped
    std::vector<std::string> types;  // TYPE values and bare 2.1 parameters, upper case
    std::string encoding;            // upper case
    std::string charset;
    std::string value;
    int line = 0;
};

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool Contains(const std::vector<std::string>& values, std::string_view value) {
    return std::find(values.begin(), values.end(), value) != values.end();
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
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;
        if (text[i] == c && !quoted) return i;
    }
    return text.find(c);
}

std::vector<std::string_view> SplitUnquoted(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = FindUnquoted(text, separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
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

void AddParameter(Property& property, std::string_view parameter) {
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) {
        // vCard 2.1 names types and encodings bare: "TEL;WORK;FAX", "NOTE;QUOTED-PRINTABLE".
        const std::string bare = Upper(Trimmed(parameter));
        if (bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "8BIT" || bare == "7BIT") {
            property.encoding = bare;
        } else if (!bare.empty()) {
            property.types.push_back(bare);
        }
        return;
    }
    const std::string name = Upper(Trimmed(parameter.substr(0, equals)));
    const std::string_view value = parameter.substr(equals + 1);
    if (name == "TYPE") {
        for (const std::string_view type : SplitUnquoted(Unquoted(value), ',')) {
            property.types.push_back(Upper(Unquoted(type)));
        }
    } else if (name == "ENCODING") {
        property.encoding = Upper(Unquoted(value));
    } else if (name == "CHARSET") {
        property.charset = std::string(Unquoted(value));
    } else if (name == "PREF") {
        property.types.push_back("PREF");
    }
}

std::optional<Property> ParseLine(std::string_view line, int number) {
    const std::size_t colon = FindUnquoted(line, ':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::vector<std::string_view> head = SplitUnquoted(line.substr(0, colon), ';');
    Property property;
    std::string_view name = Trimmed(head.front());
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        name.remove_prefix(dot + 1);
    }
    property.name = Upper(name);
    for (std::size_t i = 1; i < head.size(); ++i) AddParameter(property, head[i]);
    property.value = std::string(line.substr(colon + 1));
    property.line = number;
    return property;
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

bool IsUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString ignored =
        decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

// A Contact's texts are UTF-8; bytes whose character set is not named are taken as UTF-8
// when they are, and as Windows-1252 (what older address books wrote) when they are not.
std::optional<std::string> AsUtf8(std::string_view bytes, const std::string& charset) {
    if (charset.empty()) {
        if (IsUtf8(bytes)) return std::string(bytes);
        return store::DecodeWindows1252(bytes);
    }
    QStringDecoder decoder(charset.c_str());
    if (!decoder.isValid()) return std::nullopt;
    const QString text =
        decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return text.toStdString();
}

// Unescapes one text value. vCard 2.1 escapes only the semicolon; later versions also the
// backslash, the comma and line breaks ("\n").
std::string Unescaped(std::string_view text, Version version) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result.push_back(text[i]);
            continue;
        }
        const char next = text[i + 1];
        if (version == Version::V21 && next != ';') {
            result.push_back('\\');
            continue;
        }
        result.push_back(next == 'n' || next == 'N' ? '\n' : next);
        ++i;
    }
    return result;
}

// The components of a structured value (N, ADR, ORG), split at semicolons not escaped.
std::vector<std::string> Components(std::string_view text, Version version) {
    std::vector<std::string> components;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '\\') {
            ++i;
        } else if (i == text.size() || text[i] == ';') {
            components.push_back(Unescaped(text.substr(start, i - start), version));
            start = i + 1;
        }
    }
    return components;
}

std::string Component(const std::vector<std::string>& components, std::size_t index) {
    return index < components.size() ? components[index] : std::string();
}

// A text for a one-line field: line breaks become the separator, other control characters
// blanks, and blanks are trimmed from the ends.
std::string OneLine(std::string_view text, std::string_view separator = " ") {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            result.append(separator);
        } else {
            result.push_back(c < 0x20 || c == 0x7F ? ' ' : text[i]);
        }
    }
    return std::string(Trimmed(result));
}

// A history text: lines separated by "\n", no other control characters but tabs.
std::string Lines(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            result.push_back('\n');
        } else {
            result.push_back((c < 0x20 && c != '\t') || c == 0x7F ? ' ' : text[i]);
        }
    }
    while (!result.empty() && (IsBlank(result.back()) || result.back() == '\n')) result.pop_back();
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
    const std::string clean = OneLine(value);
    std::string_view rest = clean;
    if (Upper(rest.substr(0, 4)) != "TEL:") return clean;
    while (Upper(rest.substr(0, 4)) == "TEL:") rest = Trimmed(rest.substr(4));
    const std::vector<std::string_view> parts = SplitUnquoted(rest, ';');
    std::string number = OneLine(parts.front());
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string ext = OneLine(parts[i].substr(std::min<std::size_t>(parts[i].size(), 4)));
        if (Upper(parts[i].substr(0, 4)) == "EXT=" && !ext.empty()) {
            number += (number.empty() ? "x" : " x") + ext;
        }
    }
    return number;
}

// Splits a number from its extension: "555-0100 x12" as the program writes it, and
// "555-0100 ext. 12" or "ext 12" as people type it.
void SplitExtension(const std::string& number, std::string& phone, std::string& ext) {
    const std::string upper = " " + Upper(number);
    // The first marker with text after it, so that an extension holding a marker comes back
    // whole.
    for (std::size_t at = 0; at < upper.size(); ++at) {
        for (const std::string_view marker : {" EXT.", " EXT ", " X"}) {
            if (upper.compare(at, marker.size(), marker) != 0) continue;
            const std::string rest =
                OneLine(std::string_view(number).substr(at + marker.size() - 1));
            if (rest.empty()) continue;
            phone = OneLine(std::string_view(number).substr(0, at == 0 ? 0 : at - 1));
            ext = rest;
            return;
        }
    }
    phone = number;
}

// How well a property fits a field: a work one first, then a preferred one.
int Rank(const Property& property) {
    return (Contains(property.types, "WORK") ? 2 : 0) + (Contains(property.types, "PREF") ? 1 : 0);
}

enum class Phone { Voice, Fax, Cell, None };

Phone KindOfPhone(const Property& property) {
    const auto& types = property.types;
    if (Contains(types, "FAX")) return Phone::Fax;
    if (Contains(types, "CELL") || Contains(types, "MOBILE")) return Phone::Cell;
    if (Contains(types, "PAGER")) return Phone::None;
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
    std::vector<const Property*> emails;
    std::vector<const Property*> notes;
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
        const std::string& name = property.name;
        if (name == "ORG") first(fields.org, property);
        if (name == "FN") first(fields.fn, property);
        if (name == "N") first(fields.n, property);
        if (name == "ADR") Choose(fields.adr, property);
        if (name == "EMAIL") fields.emails.push_back(&property);
        if (name == "NOTE") fields.notes.push_back(&property);
        if (name == "X-VENDRIX-GATEKEEPER") first(fields.gatekeeper, property);
        if (name == "X-VENDRIX-FOLLOW-UP") first(fields.followUpDate, property);
        if (name == "X-VENDRIX-FOLLOW-UP-ACTION") first(fields.followUpAction, property);
        if (name == "TEL") {
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
        }
    }
    return fields;
}

// Builds contacts from the cards' properties as the file is read.
class CardBuilder {
public:
    explicit CardBuilder(Version version) : version_(version) {}

    // The property's value decoded to UTF-8 and, unless structured, unescaped; nothing when
    // it cannot be decoded (error() tells why).
    std::optional<std::string> Raw(const Property& property) {
        std::string bytes;
        if (property.encoding == "QUOTED-PRINTABLE") {
            bytes = FromQuotedPrintable(property.value);
        } else if (property.encoding == "B" || property.encoding == "BASE64") {
            auto decoded = FromBase64(property.value);
            if (!decoded) return Fail(property, "the base64 value cannot be decoded.");
            bytes = std::move(*decoded);
        } else if (property.encoding.empty() || property.encoding == "8BIT" ||
                   property.encoding == "7BIT") {
            bytes = property.value;
        } else {
            return Fail(property, "the encoding " + Quoted(property.encoding) + " is unknown.");
        }
        auto text = AsUtf8(bytes, property.charset);
        if (!text)
            return Fail(property, "the character set " + Quoted(property.charset) + " is unknown.");
        return text;
    }
    std::optional<std::string> Text(const Property* property) {
        if (property == nullptr) return std::string();
        auto raw = Raw(*property);
        if (!raw) return std::nullopt;
        return Unescaped(*raw, version_);
    }
    std::optional<std::vector<std::string>> Parts(const Property* property) {
        if (property == nullptr) return std::vector<std::string>();
        auto raw = Raw(*property);
        if (!raw) return std::nullopt;
        return Components(*raw, version_);
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
    const auto fn = builder.Text(fields.fn);
    const auto n = builder.Parts(fields.n);
    const auto adr = builder.Parts(fields.adr);
    const auto phone = builder.Text(fields.phone);
    const auto fax = builder.Text(fields.fax);
    const auto cell = builder.Text(fields.cell);
    const auto gatekeeper = builder.Text(fields.gatekeeper);
    const auto followUpDate = builder.Text(fields.followUpDate);
    const auto followUpAction = builder.Text(fields.followUpAction);
    std::vector<std::string> emails;
    std::vector<std::string> notes;
    for (const Property* email : fields.emails)
        emails.push_back(OneLine(builder.Text(email).value_or("")));
    for (const Property* note : fields.notes)
        notes.push_back(Lines(builder.Text(note).value_or("")));
    if (!builder.error().empty()) return std::nullopt;

    Contact contact;
    contact.client = OneLine(Component(*org, 0));
    std::string person = OneLine(*fn);
    if (person.empty() && !n->empty()) {
        // N holds family;given;additional;prefixes;suffixes.
        person = OneLine(JoinNonEmpty(
            {OneLine(Component(*n, 3)), OneLine(Component(*n, 1)), OneLine(Component(*n, 2)),
             OneLine(Component(*n, 0)), OneLine(Component(*n, 4))},
            " "));
    }
    if (contact.client.empty()) contact.client = person;
    for (const std::string& email : emails) {
        if (contact.client.empty()) contact.client = email;
    }
    // A company's own card names the company as its person as well.
    if (person != contact.client) contact.contact = person;
    // ADR holds post office box;extended address;street;locality;region;postal code;country.
    contact.address =
        JoinNonEmpty({OneLine(Component(*adr, 2), ", "), OneLine(Component(*adr, 1), ", "),
                      OneLine(Component(*adr, 0), ", ")},
                     ", ");
    contact.city = OneLine(Component(*adr, 3));
    contact.state = OneLine(Component(*adr, 4));
    contact.zip = OneLine(Component(*adr, 5));
    SplitExtension(NumberText(*phone), contact.phone, contact.ext);
    contact.fax = NumberText(*fax);
    contact.cell = NumberText(*cell);
    contact.gatekeeper = OneLine(*gatekeeper);
    contact.email = JoinNonEmpty(emails, "; ");
    contact.followUpDate = OneLine(*followUpDate);
    contact.followUpAction = OneLine(*followUpAction);
    contact.history = JoinNonEmpty(notes, "\n");
    return contact;
}

bool IsEmpty(const Contact& c) {
    return (c.client + c.address + c.city + c.state + c.zip + c.contact + c.phone + c.ext + c.fax +
            c.cell + c.gatekeeper + c.email + c.followUpDate + c.followUpAction + c.history)
        .empty();
}

// Reads logical lines one after the other and keeps track of the card they belong to.
class Reader {
public:
    void Take(std::string_view line, int number) {
        if (Trimmed(line).empty()) return;
        std::optional<Property> property = ParseLine(line, number);
        if (!property || property->name.empty()) {
            if (!inCard_) return Fail(number, "the line is not a vCard line " + Quoted(line) + ".");
            return Fail(number, "the line has no property name and \":\" before its value.");
        }
        const std::string value = Upper(Trimmed(property->value));
        if (skippedDepth_ > 0) {
            if (property->name == "BEGIN" && value == "VCARD") ++skippedDepth_;
            if (property->name == "END" && value == "VCARD") --skippedDepth_;
            return;
        }
        const bool agentBefore = emptyAgent_;
        emptyAgent_ = property->name == "AGENT" && value.empty();
        if (property->name == "BEGIN") return Begin(value, agentBefore, number);
        if (property->name == "END") return End(value, number);
        if (!inCard_) {
            return Fail(number, "this line is outside any card; cards begin with BEGIN:VCARD.");
        }
        if (property->name == "VERSION") return SetVersion(value, number);
        properties_.push_back(std::move(*property));
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
    VCardReading Result() {
        if (!error_.empty()) return {{}, error_};
        return {std::move(contacts_), {}};
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
        properties_.clear();
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
        if (!IsEmpty(*contact)) contacts_.push_back(std::move(*contact));
        inCard_ = false;
        properties_.clear();
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

    std::vector<Contact> contacts_;
    std::vector<Property> properties_;
    std::string error_;
    bool inCard_ = false;
    int cardNumber_ = 0;
    int cardLine_ = 0;
    Version version_ = Version::V30;
    int skippedDepth_ = 0;
    bool emptyAgent_ = false;
};

// The file as UTF-8: a byte order mark is dropped, UTF-16 converted.
std::string Utf8File(std::string_view bytes) {
    const auto decodeAs = [bytes](QStringConverter::Encoding encoding) {
        QStringDecoder decoder(encoding);
        return QString(decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()))))
            .toStdString();
    };
    if (bytes.starts_with("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return decodeAs(QStringConverter::Utf16LE);
    if (bytes.starts_with("\xFE\xFF")) return decodeAs(QStringConverter::Utf16BE);
    return std::string(bytes);
}

// Whether the start of a logical line asks for quoted-printable, whose lines end in "=" when
// they go on.
bool IsQuotedPrintable(std::string_view line) {
    return Upper(line.substr(0, FindUnquoted(line, ':'))).find("QUOTED-PRINTABLE") !=
           std::string::npos;
}

}  // namespace

VCardReading ReadVCards(std::string_view bytes) {
    const std::string text = Utf8File(bytes);
    Reader reader;
    std::string logical;
    int logicalNumber = 0;
    bool quotedPrintable = false;
    int number = 0;
    std::size_t start = 0;
    while (start < text.size() && !reader.failed()) {
        // A line ends at CR LF, LF or a lone CR.
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = std::string_view(text).substr(start, end - start);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++number;
        if (logicalNumber != 0 && quotedPrintable && !logical.empty() && logical.back() == '=') {
            logical.pop_back();
            logical.append(line);
        } else if (logicalNumber != 0 && !line.empty() && IsBlank(line.front())) {
            logical.append(line.substr(reader.keepsFoldingBlank() ? 0 : 1));
        } else {
            if (logicalNumber != 0) reader.Take(logical, logicalNumber);
            logical = line;
            logicalNumber = number;
            quotedPrintable = IsQuotedPrintable(line);
        }
    }
    if (logicalNumber != 0 && !reader.failed()) reader.Take(logical, logicalNumber);
    reader.Finish(number);
    return reader.Result();
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
