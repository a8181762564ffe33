#include "transfer/import_window.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/csv_import.h"
#include "exchange/header_mapping.h"
#include "exchange/import_file.h"
#include "exchange/import_plan.h"
#include "exchange/vcard_import.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "platform/print/progress.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/window_links.h"
#include "store/backups.h"
#include "store/text_field.h"
#include "transfer/window_buttons.h"

namespace transfer {

namespace {

using shell::ImportForm;

// The rows shown as they will be stored; the rest are added just the same.
constexpr std::size_t PreviewRows = 200;
constexpr double ButtonRow = 22.5;
constexpr double ButtonWidth = 8.25;
constexpr double ButtonHeight = 1.5;
constexpr double WindowWidth = 79.5;
constexpr double WindowHeight = 24.75;
// The rows the column list and the choice under it take above the preview of a CSV file.
constexpr double ColumnRowsHeight = 9.0;

// What the window shows and imports, from the file read until the window closes.
struct ImportWindowState {
    std::string fileName;
    std::vector<std::string> fileNotes;  // what could not be read as written
    // A CSV file's table and what each of its columns is imported as; a vCard file has none.
    bool mapsColumns = false;
    exchange::CsvTable table;
    exchange::ColumnMapping mapping;
    exchange::ImportPlan plan;
    exchange::ImportSelection selection;
};

ImportWindowState& Window() {
    static ImportWindowState state;
    return state;
}

// What a file gives before the window opens: a vCard file's plan, or a CSV file's table, and
// what could not be read as written.
struct FileRead {
    std::string error;
    bool csv = false;
    exchange::ImportPlan plan;
    exchange::CsvTable table;
    std::vector<std::string> notes;
};

// The file is read once, and a vCard file told by what it holds, whatever its name. A CSV
// file's columns are mapped by their names; the user can map the rest in the window, so a file
// whose names the program does not know is read all the same.
FileRead ReadFile(const std::string& path) {
    FileRead read;
    const exchange::ImportFileBytes file = exchange::ReadImportFile(path);
    if (!file.bytes) {
        read.error = file.error;
        return read;
    }
    if (exchange::HoldsVCards(*file.bytes) || exchange::IsVCardName(path)) {
        exchange::VCardReading reading = exchange::ReadVCards(*file.bytes);
        read.error = std::move(reading.error);
        read.notes = std::move(reading.notes);
        read.plan =
            exchange::PlanImport(std::move(reading.contacts),
                                 QFileInfo(QString::fromStdString(path)).fileName().toStdString());
        return read;
    }
    exchange::CsvReading reading = exchange::ReadCsv(*file.bytes);
    read.csv = true;
    read.error = std::move(reading.error);
    read.notes = std::move(reading.table.notes);
    read.table = std::move(reading.table);
    return read;
}

bool MapsNothing(const exchange::ColumnMapping& mapping) {
    return std::all_of(mapping.begin(), mapping.end(), [](exchange::ColumnTarget target) {
        return target == exchange::ColumnTarget::NotImported;
    });
}

std::string Count(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string ClientName(const exchange::PlannedClient& client) {
    return store::FieldText(client.stored.record.ClientName);
}

template <typename Names>
std::string Joined(const Names& names) {
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
    if (state.mapsColumns && MapsNothing(state.mapping)) {
        text = "No column of \"" + state.fileName +
               "\" is imported yet: highlight a column below and choose what it is imported as.";
    }
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

// A text as a list's cell shows it: on one line, and cut to a few hundred bytes with "..."
// (a file may hold a field of megabytes, which no column shows, and a list would lay it out
// whole).
std::string Shown(std::string_view text) {
    constexpr std::size_t MaxBytes = 250;
    std::size_t cut = std::min(text.size(), MaxBytes);
    // Not inside a character: back to the start of the one the cut falls in.
    while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    std::string shown(text.substr(0, cut));
    for (char& c : shown) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return cut < text.size() ? shown + "..." : shown;
}

// Each cell shown as Shown gives it; the texts need live only for the call.
void AddRow(int list, int row, std::initializer_list<std::string_view> cells) {
    int column = 0;
    for (const std::string_view cell : cells) {
        gui::EZ_ADDLVITEM(ImportForm, list, Shown(cell), 0, row, column++, "");
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
    for (const std::string& text : state.fileNotes) {
        AddRow(ImportNotesList, row++, {state.fileName, text});
    }
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
            note(client, "Cut to the field's width, kept whole in the history: " +
                             Joined(client.stored.cutFields) + ".");
        }
        if (!client.stored.keptInHistory.empty()) {
            note(client, "Kept in the history: " + Joined(client.stored.keptInHistory) + ".");
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
    gui::FitListColumnToTexts(ImportForm, ImportNotesList, 1);
    gui::EZ_REDRAWCONTROL(ImportForm, ImportNotesList);
}

std::string ColumnName(std::size_t column) {
    const std::string& name = Window().table.header[column];
    return name.empty() ? "Column " + std::to_string(column + 1) : name;
}

// The column's first text in the file (a view: a field may be megabytes long).
std::string_view FirstValue(std::size_t column) {
    for (const exchange::CsvRow& row : Window().table.rows) {
        if (column < row.fields.size() && !row.fields[column].empty()) return row.fields[column];
    }
    return {};
}

std::string TargetName(std::size_t column) {
    return std::string(exchange::ColumnTargetName(Window().mapping[column]));
}

void FillColumns() {
    gui::EZ_CLEAR(ImportForm, ImportColumnList);
    gui::EZ_SETREDRAWSTATE(ImportForm, ImportColumnList, 0);
    for (std::size_t column = 0; column < Window().mapping.size(); ++column) {
        AddRow(ImportColumnList, static_cast<int>(column),
               {ColumnName(column), FirstValue(column), TargetName(column)});
    }
    gui::EZ_SETREDRAWSTATE(ImportForm, ImportColumnList, 1);
    gui::EZ_REDRAWCONTROL(ImportForm, ImportColumnList);
}

// The choice shows what the highlighted column is imported as; with none highlighted there
// is nothing to choose for.
void ShowHighlightedTarget() {
    const int row = gui::FirstSelectedRow(ImportForm, ImportColumnList);
    if (row < 0) {
        gui::SetComboIndex(ImportForm, ImportColumnTargetChoice, -1);
        gui::EZ_DISABLEC(ImportForm, ImportColumnTargetChoice);
        return;
    }
    const exchange::ColumnTarget target = Window().mapping[static_cast<std::size_t>(row)];
    const auto found =
        std::find(exchange::ColumnTargets.begin(), exchange::ColumnTargets.end(), target);
    gui::SetComboIndex(ImportForm, ImportColumnTargetChoice,
                       static_cast<int>(found - exchange::ColumnTargets.begin()));
    gui::EZ_ENABLEC(ImportForm, ImportColumnTargetChoice);
}

void Reselect() {
    ImportWindowState& state = Window();
    state.selection = exchange::SelectForImport(
        state.plan, gui::EZ_GETCHECK(ImportForm, AddDuplicatesCheck) != 0);
    ShowSummary();
    FillPreview();
    FillNotes();
}

// The highlighted column is imported as the chosen target from now on: the contacts are read
// from the rows again and the import planned again.
void MapHighlightedColumn(int choice) {
    ImportWindowState& state = Window();
    const int row = gui::FirstSelectedRow(ImportForm, ImportColumnList);
    if (row < 0 || choice < 0 ||
        static_cast<std::size_t>(choice) >= exchange::ColumnTargets.size()) {
        return;
    }
    const auto column = static_cast<std::size_t>(row);
    state.mapping[column] = exchange::ColumnTargets[static_cast<std::size_t>(choice)];
    gui::EZ_ADDLVITEM(ImportForm, ImportColumnList, TargetName(column), 0, row, 2, "");
    state.plan = exchange::PlanImport(state.table.rows, state.mapping, state.fileName);
    Reselect();
}

void BuildColumnChoice() {
    gui::EZ_LISTVIEW(ImportColumnList, 1.5, 2.75, 76.5, 6.75,
                     "Column in the file{22}|First value{30}|Imported as{22}|", "-#SV");
    gui::EZ_LABEL(ImportColumnTargetLabel, 1.5, 10.0, 33.0, 1.3125,
                  "Import the highlighted column as:", "");
    gui::EZ_COMBOBOX(ImportColumnTargetChoice, 35.0, 10.0, 24.0, 1.3125, "");
    std::vector<std::string> names;
    for (const exchange::ColumnTarget target : exchange::ColumnTargets) {
        names.emplace_back(exchange::ColumnTargetName(target));
    }
    gui::SetComboItems(ImportForm, ImportColumnTargetChoice, names);
    FillColumns();
    gui::EZ_SETSELECT(ImportForm, ImportColumnList, 0, 0, 0, 0, 0);
    ShowHighlightedTarget();
}

void RunImport() {
    ImportWindowState& state = Window();
    // The clients on file now are kept first, so that the wrong file's import can be undone.
    const store::BackupResult backup =
        store::MakeBackup(store::BackupReason::BeforeImport, platform::LocalDateTime());
    if (!backup.ok) {
        gui::EZ_MSGBOX(ImportForm,
                       "No client was imported: the backup of the clients on file that comes "
                       "first could not be made (" +
                           backup.error + ").{!}",
                       "Import Not Possible", "OK");
        return;
    }
    if (!backup.notice.empty() &&
        gui::EZ_MSGBOX(ImportForm,
                       "The backup made before the import lacks some histories. " + backup.notice +
                           " Import the clients anyway?{!}",
                       "Backup Incomplete", "NY") != 1) {
        return;
    }
    const std::size_t count = state.selection.added.size();
    store::AddedClients result;
    {
        // Past half a second the user sees how far it is, and may stop it: nothing is kept then.
        print::WorkProgress progress(QString::fromLatin1(ImportWindowCaption),
                                     QStringLiteral("Importing %1 clients from \"%2\"...")
                                         .arg(count)
                                         .arg(QString::fromStdString(state.fileName)),
                                     count);
        result = exchange::AddSelectedClients(
            state.plan, state.selection,
            [&progress](std::size_t done, std::size_t) { return progress.step(done); });
    }
    if (result.cancelled) {
        gui::EZ_MSGBOX(ImportForm, "The import was stopped. No client was imported.",
                       "Import Stopped", "OK");
        return;
    }
    if (!result.error.empty()) {
        gui::EZ_MSGBOX(ImportForm,
                       "No client was imported (" + result.error +
                           "). The clients on file are as they were.{!}",
                       "Import Not Possible", "OK");
        return;
    }
    const std::string fileName = state.fileName;  // the window's state goes as it closes
    shell::ResortMainList();
    gui::EZ_UNLOADFORM(ImportForm);
    gui::EZ_MSGBOX(
        shell::MainForm,
        Count(result.added, "client was", "clients were") + " imported from \"" + fileName + "\".",
        "Clients Imported", "OK");
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
    FileRead read = ReadFile(path);
    const std::string name = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
    if (!read.error.empty()) {
        gui::EZ_MSGBOX(opener, "\"" + name + "\" cannot be imported. " + read.error + "{!}",
                       "Import Not Possible", "OK");
        return;
    }
    // Rows whose columns map to nothing yet are clients still, once the user maps a column.
    if (read.csv ? read.table.rows.empty() : read.plan.clients.empty()) {
        gui::EZ_MSGBOX(opener, "\"" + name + "\" holds no clients.{!}", "Import Clients", "OK");
        return;
    }
    ImportWindowState& state = Window();
    state = {};
    state.fileName = name;
    state.mapsColumns = read.csv;
    state.table = std::move(read.table);
    state.mapping = read.csv ? exchange::MapHeader(state.table.header) : exchange::ColumnMapping();
    state.plan = read.csv ? exchange::PlanImport(state.table.rows, state.mapping, name)
                          : std::move(read.plan);
    state.fileNotes = std::move(read.notes);
    gui::EZ_COLOR(-1, -1);
    gui::EZ_FORM(ImportForm, opener, ImportWindowCaption, 0, 0, WindowWidth,
                 WindowHeight + (state.mapsColumns ? ColumnRowsHeight : 0), "CMK");
}

void BuildImportWindow() {
    gui::EZ_COLOR(-1, -1);
    gui::EZ_SETLAYER(0);
    gui::EZ_USEFONT(shell::MainFont);
    // The summary changes with the columns' mapping: a text of its own, wrapped.
    gui::EZ_LABEL(ImportSummary, 1.5, 0.5, 76.5, 2.0, "", "L");
    // A CSV file's columns come first, since what they are imported as makes the clients.
    const double below = Window().mapsColumns ? ColumnRowsHeight : 0;
    if (Window().mapsColumns) BuildColumnChoice();
    gui::EZ_LISTVIEW(ImportPreviewList, 1.5, below + 2.75, 76.5, 9.0,
                     "Client{20}|Contact{14}|Phone{12}|E-mail{17}|Follow-up{10}|", "-#SV");
    gui::EZ_LABEL(ImportNotesLabel, 1.5, below + 12.25, 76.5, 0.9375,
                  "Worth a look before you import:", "L");
    gui::EZ_LISTVIEW(ImportNotesList, 1.5, below + 13.375, 76.5, 6.375,
                     "Client{22}|What happens{51}|", "-#SV");
    gui::EZ_CHECKBOX(AddDuplicatesCheck, 1.5, below + 20.25, 60.0, 0.9375,
                     "Add clients that are &already on file too", "T");
    const double buttons = below + ButtonRow;
    gui::EZ_BUTTON(ImportHelpButton, 1.5, buttons, ButtonWidth, ButtonHeight, "&Help", "T");
    gui::EZ_BUTTON(ImportButton, 60.375, buttons, ButtonWidth, ButtonHeight, "&Import", "T");
    gui::EZ_BUTTON(ImportCancelButton, 69.75, buttons, ButtonWidth, ButtonHeight, "Cancel", "T");
    Reselect();
    gui::EZ_SETFOCUS(ImportForm, ImportButton);
    gui::EZ_DISPLAYLAYER(ImportForm, 1, 0);
}

void ImportWindowEvents(int& id, int& code, int& value, int& cancel) {
    if (HandleCloseAndHelp({ImportForm, ImportCancelButton, ImportHelpButton, ImportHelpTopic}, id,
                           code, value)) {
        return;
    }
    if (code == gui::EV_CLOSE && id == 0 && cancel == 0) {
        Window() = {};  // a large file's table is not kept past its window
        return;
    }
    if (code == gui::EV_NOTIFY && id == ImportColumnList && value == gui::LVN_ITEMCHANGED) {
        ShowHighlightedTarget();
        return;
    }
    // Enter or a double-click on a column goes on to what it is imported as.
    if (id == ImportColumnList &&
        (code == gui::EV_DBLCLICK || (code == gui::EV_KEY && value == gui::VK_RETURN))) {
        if (code == gui::EV_KEY) value = 0;
        gui::EZ_SETFOCUS(ImportForm, ImportColumnTargetChoice);
        return;
    }
    if (code != gui::EV_CLICK) return;
    switch (id) {
        case ImportColumnTargetChoice:
            MapHighlightedColumn(value);
            break;
        case AddDuplicatesCheck:
            Reselect();
            break;
        case ImportButton:
            RunImport();
            break;
        default:
            break;
    }
}

}  // namespace transfer
