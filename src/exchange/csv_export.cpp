#include "exchange/csv_export.h"

#include <QFileInfo>
#include <QString>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "exchange/byte_scan.h"
#include "exchange/client_records.h"
#include "exchange/in_parallel.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace exchange {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view RowEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The bytes that put a field in quotes, and those changed inside them.
constexpr auto QuotedAlways = BytesOf(",;\"\r\n\t");
constexpr auto ChangedInQuotes = BytesOf("\"\r\n");

// Readers trim unquoted fields and end rows at line breaks, so such fields go in quotes.
bool NeedsQuotes(std::string_view text) {
    if (text.empty()) return false;
    if (IsBlank(text.front()) || IsBlank(text.back())) return true;
    return FindFirst(text, 0, QuotedAlways) < text.size();
}

void AppendField(std::string& out, std::string_view text) {
    if (!NeedsQuotes(text)) {
        out += text;
        return;
    }
    out += '"';
    std::size_t start = 0;
    for (std::size_t at = FindFirst(text, 0, ChangedInQuotes); at < text.size();
         at = FindFirst(text, start, ChangedInQuotes)) {
        out.append(text.substr(start, at - start));
        start = at + 1;
        if (text[at] == '"') {
            out += "\"\"";
        } else {
            // Every line break the same way as the rows', whichever form the text held.
            if (text[at] == '\r' && start < text.size() && text[start] == '\n') ++start;
            out += RowEnd;
        }
    }
    out.append(text.substr(start));
    out += '"';
}

template <typename Texts>
void AppendRow(std::string& out, const Texts& texts) {
    bool first = true;
    for (const auto& text : texts) {
        if (!first) out += ',';
        first = false;
        AppendField(out, text);
    }
    out += RowEnd;
}

void AppendContact(std::string& out, const Contact& c) {
    const std::string_view fields[] = {c.client,       c.address,        c.city,       c.state,
                                       c.zip,          c.contact,        c.phone,      c.ext,
                                       c.fax,          c.cell,           c.gatekeeper, c.email,
                                       c.followUpDate, c.followUpAction, c.history};
    static_assert(std::size(fields) == FieldNames.size());
    AppendRow(out, fields);
}

void AppendRows(std::string& out, std::span<const Contact> contacts) {
    // Room for every text and a little for quotes, separators and line ends: the text is
    // built once, not copied as it grows.
    std::size_t bytes = 0;
    for (const Contact& c : contacts) bytes += c.history.size() + 160;
    out.reserve(out.size() + bytes + bytes / 16);
    for (const Contact& c : contacts) AppendContact(out, c);
}

// The byte-order mark and the header row.
std::string Head() {
    std::string head(ByteOrderMark);
    AppendRow(head, FieldNames);
    return head;
}

QString Canonical(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.canonicalFilePath() : QString();
}

// True when the path names the data folder, anything inside it, or (through links) one of its
// files.
bool IsInsideDataFolder(const std::string& path) {
    const QString folder = Canonical(QString::fromStdString(store::DataFolder()));
    if (folder.isEmpty()) return false;
    const QFileInfo target(QString::fromStdString(path));
    QString parent = Canonical(target.absolutePath());
    const QString itself = Canonical(target.absoluteFilePath());
    const auto within = [&](const QString& candidate) {
        return !candidate.isEmpty() && (candidate == folder || candidate.startsWith(folder + u'/'));
    };
    return within(parent) || within(itself);
}

// Why nothing can be exported to the path; nothing when the path will do.
std::optional<std::string> Refusal(const std::string& path) {
    if (path.empty()) return "No file was named to export the clients to.";
    if (IsInsideDataFolder(path)) {
        return "The clients cannot be exported into the program's data folder \"" +
               store::DataFolder() + "\". Please choose another folder.";
    }
    std::string reason;
    if (store::KindOfPath(path, &reason) == store::PathKind::Unusable) {
        return "The clients could not be exported to \"" + path + "\": " + reason + ".";
    }
    return std::nullopt;
}

// Writes the count items to the path, append(out, i) writing each one's row.
template <typename AppendItem>
CsvExport Export(const std::string& path, std::size_t count, const AppendItem& append) {
    CsvExport result;
    result.path = path;
    if (auto refusal = Refusal(path)) {
        result.error = std::move(*refusal);
        return result;
    }
    if (!ReplaceFileAsMade(path, Head(), count, append)) {
        result.error = "The clients could not be exported to \"" + path +
                       "\": " + store::LastFileError() + ".";
        return result;
    }
    result.clientCount = count;
    return result;
}

}  // namespace

CsvExport ExportCsvFile(std::span<const Contact> contacts, const std::string& path) {
    return Export(path, contacts.size(),
                  [contacts](std::string& out, std::size_t i) { AppendContact(out, contacts[i]); });
}

CsvExport ExportClientsCsv(std::span<const store::ClientRecord> clients, const std::string& path) {
    ClientContacts contacts(clients);
    CsvExport result = Export(path, contacts.size(), [&contacts](std::string& out, std::size_t i) {
        AppendContact(out, contacts(i));
    });
    if (result.error.empty()) result.unreadableHistories = contacts.UnreadableHistories();
    return result;
}

std::string CsvText(std::span<const Contact> contacts) {
    std::string text = Head();
    AppendRows(text, contacts);
    return text;
}

std::string CsvExportMessage(const CsvExport& result) {
    if (!result.error.empty()) return result.error;
    const std::string count = std::to_string(result.clientCount);
    return (result.clientCount == 1 ? "1 client was" : count + " clients were") +
           " exported to \"" + result.path + "\".";
}

}  // namespace exchange
