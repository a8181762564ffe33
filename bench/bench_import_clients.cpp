// Importing 2000 clients with 2 KB histories into an empty program, end to end: from the press
// on Import in "Import Clients" until "Clients Imported" shows, when the backup before it is
// made and the table and every history are on the disk. Beside it, the least such a step can
// cost: the same bytes copied into 2000 new files and a data file, with one flush of the disk.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "common/paired.h"
#include "common/qt_main.h"
#include "common/sample_folder.h"
#include "exchange/client_records.h"
#include "exchange/csv_export.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/history.h"
#include "support/program_fixture.h"
#include "support/temp_app_folder.h"
#include "transfer/import_window.h"

namespace {

// The full table's clients exported once as a CSV file, and the bytes of their files.
class ImportSource {
public:
    ImportSource() {
        if (!folder_.isValid()) return;
        const std::string root = folder_.path().toStdString() + "/";
        if (!bench::WriteSampleFolder(root + "Sample/", bench::FullTable, bench::HistoryBytes,
                                      true)) {
            return;
        }
        std::vector<exchange::Contact> contacts;
        for (int slot = 1; slot <= store::MaxClients; ++slot) {
            const store::ClientRecord& record = store::ClientTable[slot];
            if (record.InUse == 0) continue;
            bool unreadable = false;
            contacts.push_back(exchange::ContactOfClient(record, unreadable));
            histories_.push_back(store::ReadHistoryOf(record.ClientNumber).text);
        }
        path_ = root + "clients.csv";
        ok_ = contacts.size() == bench::FullTable &&
              store::ReplaceFileSafely(path_, exchange::CsvText(contacts));
    }
    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }
    const std::vector<std::string>& histories() const { return histories_; }
    std::string freshFolder() {
        return folder_.path().toStdString() + "/copy-" + std::to_string(++made_) + "/";
    }

private:
    QTemporaryDir folder_;
    std::string path_;
    std::vector<std::string> histories_;
    bool ok_ = false;
    int made_ = 0;
};

ImportSource& Source() {
    static ImportSource source;
    return source;
}

bool WriteNew(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    return ::close(fd) == 0 && written;
}

// The limit: every history and a data file written into a new folder, then one syncfs.
bool PlainCopy(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0) return false;
    const std::vector<std::string>& histories = Source().histories();
    for (std::size_t i = 0; i < histories.size(); ++i) {
        if (!WriteNew(folder + "C" + std::to_string(i + 1) + ".dat", histories[i])) return false;
    }
    const std::string table(store::FileSize, '\0');
    if (!WriteNew(folder + "Clients.dat", table)) return false;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::syncfs(fd) == 0;
    if (fd >= 0) ::close(fd);
    return flushed;
}

// A program with no clients yet, its "Import Clients" window open on the file.
std::unique_ptr<testing::TempAppFolder> OpenImportWindow() {
    // The windows of the run before are gone before the next one opens.
    if (gui::EZ_ISFORM(shell::ImportForm)) gui::EZ_UNLOADFORM(shell::ImportForm);
    testing::StopProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    auto folder = std::make_unique<testing::TempAppFolder>();
    testing::WriteClientsFile(*folder, {}, testing::NoStartUpScan());
    testing::StartProgram(*folder);
    if (gui::EZ_ISFORM(shell::MainForm)) transfer::ImportFile(shell::MainForm, Source().path());
    QCoreApplication::processEvents();
    return folder;
}

int ClientsInUse() {
    int count = 0;
    for (int slot = 1; slot <= store::MaxClients; ++slot) count += store::ClientTable[slot].InUse;
    return count;
}

void BM_ImportClients(benchmark::State& state) {
    if (!Source().ok()) return state.SkipWithError("the sample file could not be written");
    std::unique_ptr<testing::TempAppFolder> folder;
    std::vector<std::string> captions;
    bool failed = false;
    std::string copy;
    bench::RunPaired(
        state,
        [&] {
            folder = OpenImportWindow();
            // The boxes are answered, not waited for (a start sets its own answerer).
            gui::SetMessageBoxAnswerer([&captions](const gui::MessageBoxRequest& box) {
                captions.push_back(box.caption);
                return 1;
            });
            copy = Source().freshFolder();
            captions.clear();
        },
        [&] {
            // The window's handler takes the press on Import as the button hands it on.
            int id = transfer::ImportButton;
            int code = gui::EV_CLICK;
            int value = 0;
            int cancel = 0;
            transfer::ImportWindowEvents(id, code, value, cancel);

            failed = failed || captions != std::vector<std::string>{"Clients Imported"} ||
                     ClientsInUse() != bench::FullTable;
        },
        [&] { failed = !PlainCopy(copy) || failed; });
    gui::SetMessageBoxAnswerer({});
    testing::StopProgram();
    if (failed) state.SkipWithError("an import or a copy failed");
}
BENCHMARK(BM_ImportClients)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithApplication(argc, argv);
}
