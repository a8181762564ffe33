#include "exchange/csv_export.h"

#include <QFileInfo>
#include <QString>

#include <string_view>

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

// Readers trim unquoted fields and end rows at line breaks, so such fields go in quotes.
bool NeedsQuotes(std::string_view text) {
    if (text.empty()) return false;
    if (IsBlank(text.front()) || IsBlank(text.back())) return true;
    return text.find_first_of(",;\"\r\n\t") != std::string_view::npos;
}

void AppendField(std::string& out, std::string_view text) {
    if (!NeedsQuotes(text)) {
        out += text;
        return;
    }
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            out += "\"\"";
        } else if (c == '\r' || c == '\n') {
            // Every line break the same way as the rows', whichever form the text held.
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += RowEnd;
        } else {
            out += c;
        }
    }
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

}  // namespace

std::string CsvText(std::span<const Contact> contacts) {
    std::string out(ByteOrderMark);
    AppendRow(out, FieldNames);
    for (const Contact& c : contacts) {
        const std::string_view fields[] = {c.client,       c.address,        c.city,       c.state,
                                           c.zip,          c.contact,        c.phone,      c.ext,
                                           c.fax,          c.cell,           c.gatekeeper, c.email,
                                           c.followUpDate, c.followUpAction, c.history};
        static_assert(std::size(fields) == FieldNames.size());
        AppendRow(out, fields);
    }
    return out;
}

CsvExport ExportCsvFile(std::span<const Contact> contacts, const std::string& path) {
    CsvExport result;
    result.path = path;
    if (path.empty()) {
        result.error = "No file was named to export the clients to.";
        return result;
    }
    if (IsInsideDataFolder(path)) {
        result.error = "The clients cannot be exported into the program's data folder \"" +
                       store::DataFolder() + "\". Please choose another folder.";
        return result;
    }
    std::string reason;
    if (store::KindOfPath(path, &reason) == store::PathKind::Unusable) {
        result.error = "The clients could not be exported to \"" + path + "\": " + reason + ".";
        return result;
    }
    if (!store::ReplaceFileSafely(path, CsvText(contacts))) {
        result.error = "The clients could not be exported to \"" + path +
                       "\": " + store::LastFileError() + ".";
        return result;
    }
    result.clientCount = contacts.size();
    return result;
}

std::string CsvExportMessage(const CsvExport& result) {
    if (!result.error.empty()) return result.error;
    const std::string count = std::to_string(result.clientCount);
    return (result.clientCount == 1 ? "1 client was" : count + " clients were") +
           " exported to \"" + result.path + "\".";
}

}  // namespace exchange
