#include "exchange/vcard_export.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "exchange/client_records.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace exchange {

namespace {

// RFC 2425: a line is at most 75 octets, not counting its line break.
constexpr std::size_t MaxLineOctets = 75;
constexpr std::string_view LineEnd = "\r\n";

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Appends the text folded so that no line passes 75 octets, every continuation starting with
// a blank and no UTF-8 character cut in two; `used` is what the line already holds.
void AppendFoldedText(std::string& out, std::string_view text, std::size_t used) {
    std::size_t room = MaxLineOctets - used;
    while (text.size() > room) {
        std::size_t cut = room;
        while (cut > 1 && IsContinuationByte(text[cut])) --cut;
        out.append(text.substr(0, cut));
        out.append(LineEnd);
        out.push_back(' ');
        text.remove_prefix(cut);
        room = MaxLineOctets - 1;
    }
    out.append(text);
}

// Writes one content line, folded.
void AppendFolded(std::string& out, std::string_view line) {
    AppendFoldedText(out, line, 0);
    out.append(LineEnd);
}

// A text value as RFC 2426 writes it: backslash, comma and semicolon escaped, every line
// break (CR LF, CR or LF) as "\n". Copied in runs between such characters: histories are long.
std::string Escaped(std::string_view text) {
    const auto special = [](char c) {
        return c == '\\' || c == ',' || c == ';' || c == '\r' || c == '\n';
    };
    const auto next = [text, special](std::size_t from) {
        return static_cast<std::size_t>(
            std::find_if(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), special) -
            text.begin());
    };
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    std::size_t start = 0;
    for (std::size_t i = next(0); i < text.size(); i = next(start)) {
        const char c = text[i];
        result.append(text.substr(start, i - start));
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            result.append("\\n");
        } else {
            result.push_back('\\');
            result.push_back(c);
        }
        start = i + 1;
    }
    result.append(text.substr(start));
    return result;
}

void AppendProperty(std::string& out, std::string_view nameAndParameters, std::string_view value) {
    // The name and its parameters never come near the width of a line.
    out.append(nameAndParameters);
    out.push_back(':');
    AppendFoldedText(out, value, nameAndParameters.size() + 1);
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
    AppendFolded(out, "BEGIN:VCARD");
    AppendFolded(out, "VERSION:3.0");
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
    AppendFolded(out, "END:VCARD");
}

QString CleanAbsolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The path with its links resolved as far as they exist, so that neither a link nor "..",
// nor a file not made yet, hides where the path leads.
QString Resolved(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty()) return CleanAbsolute(path);
    return QDir::cleanPath(folder + "/" + info.fileName());
}

bool InDataFolder(const std::string& path) {
    const QString dataFolder = QString::fromStdString(store::DataFolder());
    const QString target = Resolved(QString::fromStdString(path));
    for (const QString& folder : {Resolved(dataFolder), CleanAbsolute(dataFolder)}) {
        if (target == folder || target.startsWith(folder + "/")) return true;
    }
    return false;
}

std::string ClientCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " client" : " clients");
}

}  // namespace

std::string VCardText(std::span<const Contact> contacts) {
    std::string text;
    for (const Contact& contact : contacts) AppendCard(text, contact);
    return text;
}

namespace {

// Writes the count items to the path as cards, append(out, i) writing each one's card.
template <typename AppendItem>
VCardExport Export(const std::string& path, std::size_t count, const AppendItem& append) {
    if (InDataFolder(path)) {
        return {false,
                "The clients cannot be exported into the program's data folder, where their own "
                "files are kept. Please choose another folder.",
                {}};
    }
    std::string reason;
    if (store::KindOfPath(path, &reason) == store::PathKind::Unusable) {
        return {false, "\"" + path + "\" cannot be written: " + reason + ".", {}};
    }
    std::string text;
    for (std::size_t i = 0; i < count; ++i) append(text, i);
    if (!store::ReplaceFileSafely(path, text)) {
        return {false,
                "\"" + path + "\" could not be written: " + store::LastFileError() +
                    ". Nothing was exported.",
                {}};
    }
    return {true, ClientCount(count) + " exported to \"" + path + "\".", {}};
}

}  // namespace

VCardExport WriteVCardFile(const std::string& path, std::span<const Contact> contacts) {
    return Export(path, contacts.size(),
                  [contacts](std::string& out, std::size_t i) { AppendCard(out, contacts[i]); });
}

VCardExport ExportClientsVCard(std::span<const store::ClientRecord> clients,
                               const std::string& path) {
    ClientContacts contacts(clients);
    VCardExport result =
        Export(path, contacts.size(),
               [&contacts](std::string& out, std::size_t i) { AppendCard(out, contacts(i)); });
    if (result.written) result.unreadableHistories = contacts.UnreadableHistories();
    return result;
}

}  // namespace exchange
