// Clients going out and coming in, on the full table: an export beside the safe write of the
// same bytes, an import (reading and planning) beside reading the file and splitting it into
// lines, and the "Import Clients" window with its preview, for the 2000 clients and for a file
// of one 50 MB field (with the peak memory it takes), beside the same reading of the file.
// The window and the export have a budget of 150 ms each (budget_ms).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/paired.h"
#include "common/qt_main.h"
#include "common/sample_folder.h"
#include "exchange/client_records.h"
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "exchange/export_file.h"
#include "exchange/header_mapping.h"
#include "exchange/import_plan.h"
#include "exchange/vcard_export.h"
#include "exchange/vcard_import.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "support/program_fixture.h"
#include "support/temp_app_folder.h"
#include "transfer/import_window.h"

namespace {

enum class Kind { Csv, VCard };

// What the user may wait for the window to show, or for an export.
constexpr double BudgetMs = 150;

// Every client of the table, as an export lists them.
std::vector<store::ClientRecord> ClientsOfTable() {
    std::vector<store::ClientRecord> clients;
    clients.reserve(store::MaxClients);
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        const store::ClientRecord& record = store::ClientTable[slot];
        if (record.InUse > 0) clients.push_back(record);
    }
    return clients;
}

// Every client of the table with its history.
std::vector<exchange::Contact> ContactsOfTable() {
    std::vector<exchange::Contact> contacts;
    for (const store::ClientRecord& record : ClientsOfTable()) {
        bool unreadable = false;
        contacts.push_back(exchange::ContactOfClient(record, unreadable));
    }
    return contacts;
}

// The full table in a program folder, and its clients exported once into a folder beside it,
// as a CSV file and as a vCard file.
class ExchangeFiles {
public:
    ExchangeFiles() {
        if (!folder_.isValid()) return;
        const std::string root = folder_.path().toStdString() + "/";
        programFolder_ = root + "Program/";
        if (!bench::WriteSampleFolder(programFolder_, bench::FullTable, bench::HistoryBytes,
                                      true)) {
            return;
        }
        dataFolder_ = store::DataFolder();
        table_ = std::make_unique<store::SlotTable>(store::ClientTable);
        const std::vector<exchange::Contact> contacts = ContactsOfTable();
        csvBytes_ = exchange::CsvText(contacts);
        vcardBytes_ = exchange::VCardText(contacts);
        ok_ = contacts.size() == bench::FullTable &&
              store::ReplaceFileSafely(path(Kind::Csv), csvBytes_) &&
              store::ReplaceFileSafely(path(Kind::VCard), vcardBytes_);
    }

    bool ok() const { return ok_; }
    // The exported file of that kind.
    std::string path(Kind kind) const {
        return folder_.path().toStdString() + (kind == Kind::Csv ? "/Clients.csv" : "/Clients.vcf");
    }
    // A file beside the exported ones, outside the data folder.
    std::string scratch(const char* name) const {
        return folder_.path().toStdString() + "/" + name;
    }
    std::string_view bytes(Kind kind) const { return kind == Kind::Csv ? csvBytes_ : vcardBytes_; }

    // Points the program at the full table again, with its histories (another measurement may
    // have started a program on a folder of its own).
    void useFullTable() const {
        testing::UseAppPath(programFolder_);
        store::SetDataFolder(dataFolder_);
        store::ClientTable = *table_;
    }

private:
    QTemporaryDir folder_;
    std::string programFolder_;
    std::string dataFolder_;
    std::unique_ptr<store::SlotTable> table_;
    std::string csvBytes_;
    std::string vcardBytes_;
    bool ok_ = false;
};

ExchangeFiles& Files() {
    static ExchangeFiles files;
    return files;
}

// As the program exports: the clients with their histories.
bool Export(Kind kind, const std::string& path) {
    const std::vector<store::ClientRecord> clients = ClientsOfTable();
    return exchange::ExportClients(
               clients, path,
               kind == Kind::Csv ? exchange::ExportFormat::Csv : exchange::ExportFormat::VCard)
        .written;
}

// Argument 0: CSV; 1: vCard.
void BM_Export(benchmark::State& state, Kind kind) {
    if (!Files().ok()) return state.SkipWithError("the sample files could not be written");
    Files().useFullTable();
    const std::string exported = Files().scratch(kind == Kind::Csv ? "Out.csv" : "Out.vcf");
    const std::string plain = Files().scratch(kind == Kind::Csv ? "Plain.csv" : "Plain.vcf");
    const std::string_view bytes = Files().bytes(kind);
    bool failed = false;
    bench::RunPaired(
        state, [] {}, [&] { failed = !Export(kind, exported) || failed; },
        [&] { failed = !store::ReplaceFileSafely(plain, bytes) || failed; });
    if (failed) state.SkipWithError("a write failed");
    state.counters["bytes"] = static_cast<double>(bytes.size());
    state.counters["budget_ms"] = BudgetMs;
}
void BM_ExportCsv(benchmark::State& state) {
    BM_Export(state, Kind::Csv);
}
void BM_ExportVCard(benchmark::State& state) {
    BM_Export(state, Kind::VCard);
}
BENCHMARK(BM_ExportCsv)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportVCard)->UseManualTime()->Unit(benchmark::kMillisecond);

// The least any import must do: read the file's bytes and find its lines. Kept until the next
// turn, as an import keeps what it read while the user looks at it: freeing it is not timed.
struct FileLines {
    std::string bytes;
    std::vector<std::string_view> lines;
};
FileLines ReadLines(const std::string& path) {
    FileLines read;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return read;
    std::vector<char> buffer(1 << 16);
    ssize_t got = 0;
    while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
        read.bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    std::string_view rest = read.bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::size_t length = end == std::string_view::npos ? rest.size() : end + 1;
        read.lines.push_back(rest.substr(0, length));
        rest.remove_prefix(length);
    }
    return read;
}

// A file read and its clients planned against the table, as the import window keeps them
// while it is shown.
struct Planned {
    exchange::CsvReading csv;  // a CSV file's table, kept for mapping its columns again
    exchange::ImportPlan plan;
};
Planned PlannedClients(Kind kind, const std::string& path) {
    Planned planned;
    if (kind == Kind::Csv) {
        planned.csv = exchange::ReadCsvFile(path);
        planned.plan = exchange::PlanImport(planned.csv.table.rows,
                                            exchange::MapHeader(planned.csv.table.header));
    } else {
        planned.plan = exchange::PlanImport(exchange::ReadVCardFile(path).contacts);
    }
    return planned;
}

void BM_Import(benchmark::State& state, Kind kind) {
    if (!Files().ok()) return state.SkipWithError("the sample files could not be written");
    Files().useFullTable();
    const std::string path = Files().path(kind);
    Planned planned;
    FileLines lines;
    std::size_t clients = 0;
    bench::RunPaired(
        state,
        [&] {
            planned = {};
            lines = {};
        },
        [&] {
            planned = PlannedClients(kind, path);
            clients = planned.plan.clients.size();
        },
        [&] { lines = ReadLines(path); });
    if (clients != bench::FullTable) state.SkipWithError("the file did not give every client");
    state.counters["lines"] = static_cast<double>(ReadLines(path).lines.size());
}
void BM_ImportCsv(benchmark::State& state) {
    BM_Import(state, Kind::Csv);
}
void BM_ImportVCard(benchmark::State& state) {
    BM_Import(state, Kind::VCard);
}
BENCHMARK(BM_ImportCsv)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportVCard)->UseManualTime()->Unit(benchmark::kMillisecond);

void CloseImportWindow() {
    if (gui::EZ_ISFORM(shell::ImportForm)) gui::EZ_UNLOADFORM(shell::ImportForm);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The peak of the process's memory since the peak was last reset, in bytes.
double PeakMemory() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) * 1024;
    }
    return 0;
}
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The longest text in a cell of the window's column list or notes.
std::size_t LongestCell() {
    std::size_t longest = 0;
    for (const int list : {transfer::ImportColumnList, transfer::ImportNotesList}) {
        for (int row = 0; row < gui::ListRowCount(shell::ImportForm, list); ++row) {
            for (const std::string& cell : gui::ListRowTexts(shell::ImportForm, list, row)) {
                longest = std::max(longest, cell.size());
            }
        }
    }
    return longest;
}

// "Import Clients" for the file over the main window of a program with no clients yet, so that
// every client is to be added and the preview is full: from reading the file until the window
// is shown and the loop idle; beside reading the file's lines. Gives the preview's rows and the
// peak memory of the window's showing above what the program held before.
void RunImportWindow(benchmark::State& state, const std::string& path) {
    testing::TempAppFolder folder;
    testing::WriteClientsFile(folder, {}, testing::NoStartUpScan());
    testing::StartProgram(folder);
    if (!gui::EZ_ISFORM(shell::MainForm)) {
        testing::StopProgram();
        return state.SkipWithError("the program did not start");
    }
    // A message box here would mean the file was refused; it is answered, not waited for.
    int boxes = 0;
    gui::SetMessageBoxAnswerer([&boxes](const gui::MessageBoxRequest&) {
        ++boxes;
        return 1;
    });
    FileLines lines;
    bench::RunPaired(
        state,
        [&] {
            CloseImportWindow();
            lines = {};
        },
        [&] {
            transfer::ImportFile(shell::MainForm, path);
            QCoreApplication::processEvents();
        },
        [&] { lines = ReadLines(path); });
    CloseImportWindow();
    const double before = PeakMemory();
    ResetPeakMemory();
    const double held = PeakMemory();
    transfer::ImportFile(shell::MainForm, path);
    QCoreApplication::processEvents();
    const bool shown = gui::EZ_ISFORM(shell::ImportForm);
    const int previewRows =
        shown ? gui::ListRowCount(shell::ImportForm, transfer::ImportPreviewList) : 0;
    state.counters["peak_mb"] = (PeakMemory() - held) / (1 << 20);
    const std::size_t longestCell = LongestCell();
    state.counters["longest_cell"] = static_cast<double>(longestCell);
    state.counters["process_peak_mb"] = before / (1 << 20);
    CloseImportWindow();
    gui::SetMessageBoxAnswerer({});
    testing::StopProgram();
    if (!shown || previewRows == 0 || boxes != 0) {
        state.SkipWithError("the window did not show the clients");
    }
    // A cell shows a few hundred characters at most, however long the file's text.
    if (longestCell > 300) state.SkipWithError("a cell shows a text whole");
    state.counters["preview_rows"] = previewRows;
    state.counters["file_mb"] = static_cast<double>(ReadLines(path).bytes.size()) / (1 << 20);
}

void BM_ImportPreview(benchmark::State& state, Kind kind) {
    if (!Files().ok()) return state.SkipWithError("the sample files could not be written");
    RunImportWindow(state, Files().path(kind));
    state.counters["budget_ms"] = BudgetMs;
}
void BM_ImportPreviewCsv(benchmark::State& state) {
    BM_ImportPreview(state, Kind::Csv);
}
void BM_ImportPreviewVCard(benchmark::State& state) {
    BM_ImportPreview(state, Kind::VCard);
}
BENCHMARK(BM_ImportPreviewCsv)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPreviewVCard)->UseManualTime()->Unit(benchmark::kMillisecond);

// A file of a client whose history is one field of 50 MB (a CSV field, a vCard NOTE folded
// over 75-byte lines): the window shows the field cut short, and its memory stays within a few
// times the file's size.
void BM_ImportLargeField(benchmark::State& state, Kind kind) {
    if (!Files().ok()) return state.SkipWithError("the sample files could not be written");
    const std::string path = Files().scratch(kind == Kind::Csv ? "Large.csv" : "Large.vcf");
    std::string bytes =
        kind == Kind::Csv ? "Client,History\r\nAcme,\"" : "BEGIN:VCARD\r\nORG:Acme\r\nNOTE:";
    for (std::size_t line = 0; line < (50 << 20) / 76; ++line) {
        bytes.append(kind == Kind::Csv ? "\r\n" : "\r\n ").append(74, 'h');
    }
    bytes += kind == Kind::Csv ? "\"\r\nBeta,short\r\n"
                               : "\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Beta\r\nEND:VCARD\r\n";
    if (!store::ReplaceFileSafely(path, bytes)) return state.SkipWithError("no file written");
    bytes = {};
    RunImportWindow(state, path);
}
void BM_ImportLargeFieldCsv(benchmark::State& state) {
    BM_ImportLargeField(state, Kind::Csv);
}
void BM_ImportLargeFieldVCard(benchmark::State& state) {
    BM_ImportLargeField(state, Kind::VCard);
}
BENCHMARK(BM_ImportLargeFieldCsv)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportLargeFieldVCard)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithApplication(argc, argv);
}
