#include "exchange/export_file.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <optional>
#include <utility>

#include "exchange/client_records.h"
#include "exchange/csv_export.h"
#include "exchange/vcard_export.h"
#include "store/data_folder.h"
#include "store/files.h"

namespace exchange {

namespace {

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

// True when the path names the data folder or anything inside it, through links or not.
bool InDataFolder(const std::string& path) {
    const QString dataFolder = QString::fromStdString(store::DataFolder());
    const QString target = Resolved(QString::fromStdString(path));
    for (const QString& folder : {Resolved(dataFolder), CleanAbsolute(dataFolder)}) {
        if (target == folder || target.startsWith(folder + "/")) return true;
    }
    return false;
}

std::string NotExported(const std::string& path, const std::string& reason) {
    return "The clients could not be exported to \"" + path + "\": " + reason + ".";
}

// Why nothing can be exported to the path; nothing when the path will do.
std::optional<std::string> Refusal(const std::string& path) {
    if (path.empty()) return "No file was named to export the clients to.";
    if (InDataFolder(path)) {
        return "The clients cannot be exported into the program's data folder, where their own "
               "files are kept. Please choose another folder.";
    }
    std::string reason;
    if (store::KindOfPath(path, &reason) == store::PathKind::Unusable) {
        return NotExported(path, reason);
    }
    return std::nullopt;
}

}  // namespace

namespace {

// Writes the contacts to a path that will do, and says so.
ExportResult Written(std::span<const Contact> contacts, const std::string& path,
                     ExportFormat format) {
    const std::string text = format == ExportFormat::Csv ? CsvText(contacts) : VCardText(contacts);
    if (!store::ReplaceFileSafely(path, text)) {
        return {false, NotExported(path, store::LastFileError()), {}};
    }
    const std::size_t count = contacts.size();
    return {true,
            (count == 1 ? "1 client was" : std::to_string(count) + " clients were") +
                " exported to \"" + path + "\".",
            {}};
}

}  // namespace

ExportResult ExportContacts(std::span<const Contact> contacts, const std::string& path,
                            ExportFormat format) {
    if (std::optional<std::string> refusal = Refusal(path)) return {false, *refusal, {}};
    return Written(contacts, path, format);
}

ExportResult ExportClients(std::span<const store::ClientRecord> clients, const std::string& path,
                           ExportFormat format) {
    // A refused path is told before any history is read.
    if (std::optional<std::string> refusal = Refusal(path)) return {false, *refusal, {}};
    std::vector<Contact> contacts;
    std::vector<std::string> unreadable;
    for (const store::ClientRecord& client : clients) {
        bool unreadableHistory = false;
        contacts.push_back(ContactOfClient(client, unreadableHistory));
        if (unreadableHistory) unreadable.push_back(contacts.back().client);
    }
    ExportResult result = Written(contacts, path, format);
    if (result.written) result.unreadableHistories = std::move(unreadable);
    return result;
}

}  // namespace exchange
