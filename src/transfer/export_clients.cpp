#include "transfer/export_clients.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <string>
#include <vector>

#include "exchange/export_file.h"
#include "exchange/vcard_import.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/client_table.h"

namespace transfer {

namespace {

constexpr int VCardFilter = 1;

// The clients of the list's rows, in the list's order.
std::vector<store::ClientRecord> ListedClients(bool highlightedOnly) {
    std::vector<store::ClientRecord> clients;
    for (const int row : shell::MainListRows(highlightedOnly)) {
        if (row < 0 || row >= store::MaxClients) continue;
        const store::ClientRecord& record = store::ClientTable[row + 1];
        if (record.InUse > 0) clients.push_back(record);
    }
    return clients;
}

// The chosen name, with the chosen kind's extension unless it ends in one of either kind
// ("Acme Inc." and "clients.2026" get one too).
std::string WithExtension(const std::string& path, int filter) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    if (exchange::IsVCardName(path) || suffix == QStringLiteral("csv")) return path;
    return path + (filter == VCardFilter ? ".vcf" : ".csv");
}

// Which clients went out without their history, because its file could not be read.
std::string WithoutHistory(const std::vector<std::string>& clients) {
    constexpr std::size_t Named = 5;
    std::string names;
    for (std::size_t i = 0; i < clients.size() && i < Named; ++i) {
        names += (i == 0 ? "\"" : ", \"") + clients[i] + "\"";
    }
    if (clients.size() > Named) names += " and " + std::to_string(clients.size() - Named) + " more";
    return "The history of " + names + " could not be read, so " +
           (clients.size() == 1 ? "it is" : "they are") +
           " not in the file; the histories on file are unchanged.";
}

}  // namespace

void ExportClients(bool highlightedOnly) {
    const std::vector<store::ClientRecord> clients = ListedClients(highlightedOnly);
    if (clients.empty()) {
        gui::EZ_MSGBOX(shell::MainForm,
                       highlightedOnly ? "No client is highlighted in the list.{!}"
                                       : "There are no clients to export.{!}",
                       "Export Clients", "OK");
        return;
    }
    const gui::FileChoice choice = gui::ChooseFile({
        .owner = shell::MainForm,
        .caption = highlightedOnly ? "Export Highlighted Clients" : "Export All Clients",
        .start = QDir::homePath().toStdString() + "/Clients.csv",
        .filters = {"CSV files for spreadsheets (*.csv)", "vCard files for address books (*.vcf)"},
        .forWriting = true,
    });
    if (choice.path.empty()) return;
    const std::string path = WithExtension(choice.path, choice.filter);
    const exchange::ExportResult result = exchange::ExportClients(
        clients, path,
        exchange::IsVCardName(path) ? exchange::ExportFormat::VCard : exchange::ExportFormat::Csv);
    const bool complete = result.unreadableHistories.empty();
    std::string message = result.message;
    if (result.written && !complete) message += " " + WithoutHistory(result.unreadableHistories);
    gui::EZ_MSGBOX(shell::MainForm, message + (result.written && complete ? "" : "{!}"),
                   result.written ? "Clients Exported" : "Export Not Possible", "OK");
}

}  // namespace transfer
