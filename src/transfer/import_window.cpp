#include "transfer/import_window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <string>
#include <vector>

#include "exchange/csv_import.h"
#include "exchange/header_mapping.h"
#include "exchange/import_plan.h"
#include "exchange/vcard_import.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/backups.h"
#include "store/text_field.h"

namespace transfer {

namespace {

using shell::ImportForm;

// The rows shown as they will be stored; the rest are added just the same.
constexpr std::size_t PreviewRows = 200;
constexpr double ButtonRow = 22.5;
constexpr double ButtonWidth = 8.25;
constexpr double ButtonHeight = 1.5;

// What the window shows and imports, from the file read until the window closes.
struct ImportWindowState {
    std::string fileName;
    exchange::ImportPlan plan;
    exchange::ImportSelection selection;
};

ImportWindowState& Window() {
    static ImportWindowState state;
    return state;
}

bool LooksLikeVCard(const std::string& path) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    if (suffix == QStringLiteral("vcf") || suffix == QStringLiteral("vcard")) return true;
    if (suffix == QStringLiteral("csv") || suffix == QStringLiteral("txt")) return false;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    return file.read(512).toUpper().contains("BEGIN:VCARD");
}

struct FileContacts {
    std::vector<exchange::Contact> contacts;
    std::string error;
};

FileContacts ReadContacts(const std::string& path) {
    if (LooksLikeVCard(path)) {
        exchange::VCardReading reading = exchange::ReadVCardFile(path);
        return {std::move(reading.contacts), reading.error};
    }
    const exchange::CsvReading reading = exchange::ReadCsvFile(path);
    if (!reading.error.empty()) return {{}, reading.error};
    const exchange::ColumnMapping mapping = exchange::MapHeader(reading.table.header);
    if (std::all_of(mapping.begin(), mapping.end(), [](exchange::ColumnTarget target) {
            return target == exchange::ColumnTarget::NotImported;
        })) {
        return {{},
                "None of the file's column names is one Vendrix 2 knows (such as Client, "
                "Company, Contact, Name, Phone or E-mail), so nothing could be imported."};
    }
    return {exchange::ContactsFromRows(reading.table.rows, mapping), {}};
}

std::string Count(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string ClientName(const exchange::PlannedClient& client) {
    return store::FieldText(client.stored.record.ClientName);
}

std::string Joined(const std::vector<std::string_view>& names) {
    std::string text;
    for (const std::string_view name : names) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

void ShowSummary() {
    const ImportWindowState& state = Window();
    std::string text = Count(state.selection.added.size(), "client", "clients") +
                       " will be added from \"" + state.fileName + "\".";
    if (!state.selection.leftOutDuplicates.empty()) {
        text += " " + Count(state.selection.leftOutDuplicates.size(), "client is", "clients are") +
                " already on file and left out.";
    }
    if (!state.selection.notFitting.empty()) {
        text += " " + Count(state.selection.notFitting.size(), "client does", "clients do") +
                " not fit: only " + std::to_string(state.plan.freeSlots) +
                " of the 2000 places are free.";
    }
    gui::EZ_SETTEXT(ImportForm, ImportSummary, text);
    if (state.selection.added.empty()) {
        gui::EZ_DISABLEC(ImportForm, ImportButton);
    } else {
        gui::EZ_ENABLEC(ImportForm, ImportButton);
    }
}

void AddRow(int list, int row, const std::vector<std::string>& cells) {
    for (std::size_t column = 0; column < cells.size(); ++column) {
        gui::EZ_ADDLVITEM(ImportForm, list, cells[column], 0, row, static_cast<int>(column), "");
    }
}

// The first clients to be added, as the data file will hold them.
void FillPreview() {
    const ImportWindowState& state = Window();
    gui::EZ_CLEAR(ImportForm, ImportPreviewList);
    gui::EZ_SETREDRAWSTATE(ImportForm, ImportPreviewList, 0);
    int row = 0;
    for (const std::size_t index : state.selection.added) {
        if (static_cast<std::size_t>(row) == PreviewRows) break;
        const store::ClientRecord& record = state.plan.clients[index].stored.record;
        AddRow(ImportPreviewList, row++,
               {store::FieldText(record.ClientName), store::FieldText(record.Contact),
                store::FieldText(record.Phone), store::FieldText(record.EMail),
                record.FollowUpFlag != 0 ? exchange::IsoDate(record.FollowUpDate) : ""});
    }
    gui::EZ_SETREDRAWSTATE(ImportForm, ImportPreviewList, 1);
    gui::EZ_REDRAWCONTROL(ImportForm, ImportPreviewList);
}

// Everything the user should know before importing, client by client.
void FillNotes() {
    const ImportWindowState& state = Window();
    gui::EZ_CLEAR(ImportForm, ImportNotesList);
    gui::EZ_SETREDRAWSTATE(ImportForm, ImportNotesList, 0);
    int row = 0;
    const auto note = [&row](const exchange::PlannedClient& client, const std::string& text) {
        AddRow(ImportNotesList, row++, {ClientName(client), text});
    };
    for (const std::size_t index : state.selection.notFitting) {
        note(state.plan.clients[index], "Not imported: no free place is left for it.");
    }
    for (const std::size_t index : state.selection.leftOutDuplicates) {
        note(state.plan.clients[index],
             "Already on file with this contact: left out unless you tick the box below.");
    }
    for (const exchange::PlannedClient& client : state.plan.clients) {
        if (!client.stored.cutFields.empty()) {
            note(client, "Cut to the field's width: " + Joined(client.stored.cutFields) + ".");
        }
        if (!client.stored.unstorableFields.empty()) {
            note(client, "Characters the data file cannot store become \"?\": " +
                             Joined(client.stored.unstorableFields) + ".");
        }
        if (client.stored.badFollowUpDate) {
            note(client, "The follow-up date is no date from 1961 to 2060: no follow-up is set.");
        }
    }
    gui::EZ_SETREDRAWSTATE(ImportForm, ImportNotesList, 1);
    gui::EZ_REDRAWCONTROL(ImportForm, ImportNotesList);
}

void Reselect() {
    ImportWindowState& state = Window();
    state.selection = exchange::SelectForImport(
        state.plan, gui::EZ_GETCHECK(ImportForm, AddDuplicatesCheck) != 0);
    ShowSummary();
    FillPreview();
    FillNotes();
}

void RunImport() {
    ImportWindowState& state = Window();
    // The clients on file now are kept first, so that the wrong file's import can be undone.
    const store::BackupResult backup = store::MakeBackup(store::BackupReason::BeforeImport);
    if (!backup.ok) {
        gui::EZ_MSGBOX(ImportForm,
                       "No client was imported: the backup of the clients on file that comes "
                       "first could not be made (" +
                           backup.error + ").{!}",
                       "Import Not Possible", "OK");
        return;
    }
    const exchange::ImportResult result = exchange::AddSelectedClients(state.plan, state.selection);
    shell::ResortMainList();
    gui::EZ_UNLOADFORM(ImportForm);
    std::string text = Count(result.added, "client was", "clients were") + " imported from \"" +
                       state.fileName + "\".";
    if (!result.error.empty()) text += " The import stopped early: " + result.error + "{!}";
    gui::EZ_MSGBOX(shell::MainForm, text,
                   result.error.empty() ? "Clients Imported" : "Import Stopped", "OK");
}

}  // namespace

void ImportClients(const std::string& opener) {
    const gui::FileChoice choice = gui::ChooseFile({
        .owner = opener,
        .caption = "Import Clients",
        .start = QDir::homePath().toStdString(),
        .filters = {"Address book files (*.csv *.vcf *.vcard)", "CSV files (*.csv)",
                    "vCard files (*.vcf *.vcard)", "All files (*)"},
        .forWriting = false,
    });
    if (!choice.path.empty()) ImportFile(opener, choice.path);
}

void ImportFile(const std::string& opener, const std::string& path) {
    const FileContacts read = ReadContacts(path);
    const std::string name = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
    if (!read.error.empty()) {
        gui::EZ_MSGBOX(opener, "\"" + name + "\" cannot be imported. " + read.error + "{!}",
                       "Import Not Possible", "OK");
        return;
    }
    if (read.contacts.empty()) {
        gui::EZ_MSGBOX(opener, "\"" + name + "\" holds no clients.{!}", "Import Clients", "OK");
        return;
    }
    ImportWindowState& state = Window();
    state.fileName = name;
    state.plan = exchange::PlanImport(read.contacts);
    state.selection = {};
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(ImportForm, opener, ImportWindowCaption, 0, 0, 79.5, 24.75, "CMK");
}

void BuildImportWindow() {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    gui::EZ_LABEL(ImportSummary, 1.5, 0.5, 76.5, 2.0, "", "");
    gui::EZ_LISTVIEW(ImportPreviewList, 1.5, 2.75, 76.5, 9.0,
                     "Client{22}|Contact{16}|Phone{12}|E-mail{22}|Follow-up{10}|", "-#SV");
    gui::EZ_LABEL(ImportNotesLabel, 1.5, 12.25, 76.5, 0.9375,
                  "Worth a look before you import:", "");
    gui::EZ_LISTVIEW(ImportNotesList, 1.5, 13.375, 76.5, 6.375, "Client{22}|What happens{60}|",
                     "-#SV");
    gui::EZ_CHECKBOX(AddDuplicatesCheck, 1.5, 20.25, 60.0, 0.9375,
                     "Add clients that are &already on file too", "T");
    gui::EZ_BUTTON(ImportHelpButton, 1.5, ButtonRow, ButtonWidth, ButtonHeight, "&Help", "T");
    gui::EZ_BUTTON(ImportButton, 60.375, ButtonRow, ButtonWidth, ButtonHeight, "&Import", "T");
    gui::EZ_BUTTON(ImportCancelButton, 69.75, ButtonRow, ButtonWidth, ButtonHeight, "Cancel", "T");
    Reselect();
    gui::EZ_SETFOCUS(ImportForm, ImportButton);
    gui::EZ_DISPLAYLAYER(ImportForm, 1, 0);
}

void ImportWindowEvents(int& id, int& code, int& value, int&) {
    if (code == gui::EV_KEY && value == gui::VK_ESCAPE) {
        gui::EZ_UNLOADFORM(ImportForm);
        return;
    }
    if (code != gui::EV_CLICK) return;
    switch (id) {
        case AddDuplicatesCheck:
            Reselect();
            break;
        case ImportButton:
            RunImport();
            break;
        case ImportCancelButton:
            gui::EZ_UNLOADFORM(ImportForm);
            break;
        case ImportHelpButton:
            shell::HelpOpen =
                gui::EZ_WINHELP(ImportForm, shell::HelpFilePath, ImportHelpTopic, "K");
            break;
        default:
            break;
    }
}

}  // namespace transfer
