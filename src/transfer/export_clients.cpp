#include "transfer/export_clients.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <string>
#include <vector>

#include "exchange/client_records.h"
#include "exchange/csv_export.h"
#include "exchange/vcard_export.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/client_table.h"

namespace transfer {

namespace {

constexpr int VCardFilter = 1;

std::vector<exchange::Contact> ListedContacts(bool highlightedOnly) {
    std::vector<store::ClientRecord> clients;
    for (const int row : shell::MainListRows(highlightedOnly)) {
        if (row < 0 || row >= store::MaxClients) continue;
        const store::ClientRecord& record = store::ClientTable[row + 1];
        if (record.InUse > 0) clients.push_back(record);
    }
    return exchange::ContactsOfClients(clients);
}

// The chosen name, with the chosen kind's extension when the user typed none.
std::string WithExtension(const std::string& path, int filter) {
    if (!QFileInfo(QString::fromStdString(path)).suffix().isEmpty()) return path;
    return path + (filter == VCardFilter ? ".vcf" : ".csv");
}

bool IsVCardName(const std::string& path) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    return suffix == QStringLiteral("vcf") || suffix == QStringLiteral("vcard");
}

}  // namespace

void ExportClients(bool highlightedOnly) {
    const std::vector<exchange::Contact> contacts = ListedContacts(highlightedOnly);
    if (contacts.empty()) {
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
    const bool asVCard = IsVCardName(path) || (choice.filter == VCardFilter &&
                                               QFileInfo(QString::fromStdString(path)).suffix() !=
                                                   QStringLiteral("csv"));
    if (asVCard) {
        const exchange::VCardExport result = exchange::WriteVCardFile(path, contacts);
        gui::EZ_MSGBOX(shell::MainForm, result.message + (result.written ? "" : "{!}"),
                       result.written ? "Clients Exported" : "Export Not Possible", "OK");
    } else {
        const exchange::CsvExport result = exchange::ExportCsvFile(contacts, path);
        gui::EZ_MSGBOX(shell::MainForm,
                       exchange::CsvExportMessage(result) + (result.error.empty() ? "" : "{!}"),
                       result.error.empty() ? "Clients Exported" : "Export Not Possible", "OK");
    }
}

}  // namespace transfer
