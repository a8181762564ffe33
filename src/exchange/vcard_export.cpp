#include "exchange/vcard_export.h"

#include <string_view>

#include "exchange/line_breaks.h"

namespace exchange {

namespace {

// RFC 2425: a line is at most 75 octets, not counting its line break.
constexpr std::size_t MaxLineOctets = 75;
constexpr std::string_view LineEnd = "\r\n";

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A text value as RFC 2426 writes it: backslash, comma and semicolon escaped, every line
// break (CR LF, CR or LF) as "\n".
std::string Escaped(std::string_view text) {
    std::string result;
    for (const char c : WithLineBreaks(text, "\n")) {
        if (c == '\\' || c == ',' || c == ';' || c == '\n') result.push_back('\\');
        result.push_back(c == '\n' ? 'n' : c);
    }
    return result;
}

// Appends the content line "NAME;PARAMETERS:value" folded so that no line passes 75 octets,
// every continuation starting with a blank and no UTF-8 character cut in two.
void AppendProperty(std::string& out, std::string_view nameAndParameters, std::string_view value) {
    out.append(nameAndParameters);
    out.push_back(':');
    // The name and its parameters never come near the width of a line.
    std::size_t room = MaxLineOctets - nameAndParameters.size() - 1;
    while (value.size() > room) {
        std::size_t cut = room;
        while (cut > 1 && IsContinuationByte(value[cut])) --cut;
        out.append(value.substr(0, cut));
        out.append(LineEnd);
        out.push_back(' ');
        value.remove_prefix(cut);
        room = MaxLineOctets - 1;
    }
    out.append(value);
    out.append(LineEnd);
}

void AppendText(std::string& out, std::string_view nameAndParameters, std::string_view text) {
    if (!text.empty()) AppendProperty(out, nameAndParameters, Escaped(text));
}

// N holds family;given;additional;prefixes;suffixes; the name is split at its last blank.
std::string StructuredName(std::string_view name) {
    const std::size_t blank = name.find_last_of(' ');
    if (blank == std::string_view::npos) return Escaped(name) + ";;;;";
    std::string_view given = name.substr(0, blank);
    while (!given.empty() && given.back() == ' ') given.remove_suffix(1);
    return Escaped(name.substr(blank + 1)) + ";" + Escaped(given) + ";;;";
}

void AppendCard(std::string& out, const Contact& contact) {
    AppendProperty(out, "BEGIN", "VCARD");
    AppendProperty(out, "VERSION", "3.0");
    const std::string& person = contact.contact.empty() ? contact.client : contact.contact;
    AppendProperty(out, "FN", Escaped(person));
    AppendProperty(out, "N", StructuredName(person));
    AppendText(out, "ORG", contact.client);
    if (!contact.address.empty() || !contact.city.empty() || !contact.state.empty() ||
        !contact.zip.empty()) {
        AppendProperty(out, "ADR;TYPE=WORK",
                       ";;" + Escaped(contact.address) + ";" + Escaped(contact.city) + ";" +
                           Escaped(contact.state) + ";" + Escaped(contact.zip) + ";");
    }
    // vCard 3.0 has no parameter for an extension, and one an address book does not know is
    // dropped on import; the number's own text is shown and kept by all of them.
    if (!contact.phone.empty() || !contact.ext.empty()) {
        std::string number = contact.phone;
        if (!contact.ext.empty()) number += (number.empty() ? "x" : " x") + contact.ext;
        AppendText(out, "TEL;TYPE=WORK,VOICE", number);
    }
    AppendText(out, "TEL;TYPE=WORK,FAX", contact.fax);
    AppendText(out, "TEL;TYPE=CELL", contact.cell);
    for (const std::string& address : SplitAddresses(contact.email)) {
        AppendText(out, "EMAIL;TYPE=INTERNET", address);
    }
    AppendText(out, "NOTE", contact.history);
    AppendText(out, "X-VENDRIX-GATEKEEPER", contact.gatekeeper);
    AppendText(out, "X-VENDRIX-FOLLOW-UP", contact.followUpDate);
    AppendText(out, "X-VENDRIX-FOLLOW-UP-ACTION", contact.followUpAction);
    AppendProperty(out, "END", "VCARD");
}

}  // namespace

std::string VCardText(std::span<const Contact> contacts) {
    std::string text;
    for (const Contact& contact : contacts) AppendCard(text, contact);
    return text;
}

}  // namespace exchange
