#include "exchange/csv_export.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "exchange/client_records.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace exchange {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view RowEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The bytes changed inside quotes, and those that put a field in quotes.
bool ChangedInQuotes(char c) {
    return c == '"' || c == '\r' || c == '\n';
}
bool QuotedAlways(char c) {
    return c == ',' || c == ';' || c == '\t' || ChangedInQuotes(c);
}

// Readers trim unquoted fields and end rows at line breaks, so such fields go in quotes.
bool NeedsQuotes(std::string_view text) {
    if (text.empty()) return false;
    if (IsBlank(text.front()) || IsBlank(text.back())) return true;
    return std::any_of(text.begin(), text.end(), QuotedAlways);
}

// A plain number or a phone number: a sign and digits, with blanks, dots, dashes, slashes or
// parentheses between them ("-12.5", "+1 (503) 555-0142").
bool IsNumber(std::string_view text) {
    if (text.starts_with('+') || text.starts_with('-')) text.remove_prefix(1);
    return text.find_first_of("0123456789") != std::string_view::npos &&
           text.find_first_not_of("0123456789 .-/()") == std::string_view::npos;
}

// Whether the text needs an apostrophe before it: a spreadsheet would take it for a formula,
// or the import would take the apostrophes it begins with for one written here.
bool NeedsFormulaGuard(std::string_view text) {
    const std::size_t start = text.find_first_not_of('\'');
    if (start == std::string_view::npos ||
        FormulaStarts.find(text[start]) == std::string_view::npos) {
        return false;
    }
    return start > 0 || !IsNumber(text);
}

void AppendField(std::string& out, std::string_view text) {
    const std::string_view guard = NeedsFormulaGuard(text) ? "'" : "";
    if (!NeedsQuotes(text)) {
        out += guard;
        out += text;
        return;
    }
    out += '"';
    out += guard;
    std::size_t start = 0;
    const auto next = [text](std::size_t from) {
        return static_cast<std::size_t>(
            std::find_if(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                         ChangedInQuotes) -
            text.begin());
    };
    for (std::size_t at = next(0); at < text.size(); at = next(start)) {
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
    std::string text = Head();
    for (std::size_t i = 0; i < count; ++i) append(text, i);
    if (!store::ReplaceFileSafely(path, text)) {
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
