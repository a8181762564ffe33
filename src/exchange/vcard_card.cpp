#include "exchange/vcard_card.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>

#include "exchange/utf8.h"
#include "store/text_field.h"

namespace exchange::vcard {

namespace {

// The types a field's choice depends on, as bits.
enum Type : unsigned {
    Work = 1,
    Pref = 2,
    Fax = 4,
    Cell = 8,
    Mobile = 16,
    Pager = 32,
};

bool HasFlag(unsigned types, Type type) {
    return (types & type) != 0;
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

}  // namespace

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

void AddParameters(Property& property, std::string_view head) {
    bool first = true;
    ForEachUnquoted(head, ';', [&](std::string_view parameter) {
        if (!first) AddParameter(property, parameter);
        first = false;
    });
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

namespace {

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

}  // namespace

std::optional<std::string_view> CardBuilder::Raw(const Property& property, std::string& decoded) {
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
    decoded = QString(decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()))))
                  .toStdString();
    return std::string_view(decoded);
}

std::optional<std::string> CardBuilder::Text(const Property* property) {
    if (property == nullptr) return std::string();
    std::string decoded;
    const auto raw = Raw(*property, decoded);
    if (!raw) return std::nullopt;
    return Unescaped(*raw, version_);
}

std::optional<std::string> CardBuilder::History(const Property& property) {
    if (property.encoding.empty() && property.charset.empty()) {
        auto ascii = HistoryText<AsciiHistoryBytes>(property.value(), version_);
        if (ascii) return ascii;
    }
    std::string decoded;
    const auto raw = Raw(property, decoded);
    if (!raw) return std::nullopt;
    return HistoryText<EscapeOrControlBytes>(*raw, version_);
}

std::optional<Structured> CardBuilder::Parts(const Property* property) {
    if (property == nullptr) return Structured();
    std::string decoded;
    const auto raw = Raw(*property, decoded);
    if (!raw) return std::nullopt;
    const bool isDecoded = raw->data() == decoded.data();
    return Structured(*raw, std::move(decoded), isDecoded, version_);
}

std::nullopt_t CardBuilder::Fail(const Property& property, std::string why) {
    if (error_.empty()) {
        errorLine_ = property.line;
        error_ = std::move(why);
    }
    return std::nullopt;
}

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

}  // namespace exchange::vcard
