// Every write the program makes, failed at each of its steps: the open of the new file, its
// first byte, its middle, the flush, the close and the rename. Afterwards the file on disk is
// exactly the old one, nothing else is left in the data folder, the table still asks to be
// saved, and the user was told.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/autosave.h"
#include "app/client_list.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "details/details_window.h"
#include "platform/print/dp.h"
#include "reports/print_window.h"
#include "reports/report_engine.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/data_swap.h"
#include "store/files.h"
#include "store/history.h"
#include "store/text_field.h"
#include "support/details_driver.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/program_fixture.h"
#include "support/sample_clients.h"
#include "support/temp_app_folder.h"

using testing::NoStartUpScan;

namespace {

// The disk takes a write in pieces of this size at most, so that a failure can strike after
// part of the bytes reached the new file.
constexpr std::size_t Piece = 64 * 1024;

// Every call of the store to the disk is one step; the step numbered failAt fails.
struct FaultPlan {
    int failAt = 0;
    bool writeTakesNothing = false;  // the failing write returns 0 instead of an error
    std::vector<std::string> steps;
    bool readsFail = false;   // opens and reads are steps too
    bool cannotSwap = false;  // a file system that cannot swap two folders in one step
};
FaultPlan Plan;
const store::FileCalls Real = store::SystemFileCalls();

bool FailsNow(const char* step, int error) {
    Plan.steps.emplace_back(step);
    if (static_cast<int>(Plan.steps.size()) != Plan.failAt) return false;
    errno = error;
    return true;
}

store::FileCalls FaultyCalls() {
    return store::FileCalls{
        .open =
            [](const char* path, int flags) {
                return Plan.readsFail && FailsNow("read", EIO) ? -1 : Real.open(path, flags);
            },
        .read = [](int fd, void* bytes, std::size_t count) -> ssize_t {
            return Plan.readsFail && FailsNow("read", EIO) ? -1 : Real.read(fd, bytes, count);
        },
        .makeTemporary =
            [](char* pathTemplate) {
                return FailsNow("open", EACCES) ? -1 : Real.makeTemporary(pathTemplate);
            },
        .write = [](int fd, const void* bytes, std::size_t count) -> ssize_t {
            if (FailsNow("write", ENOSPC)) return Plan.writeTakesNothing ? 0 : -1;
            return Real.write(fd, bytes, std::min(count, Piece));
        },
        .flush = [](int fd) { return FailsNow("flush", EIO) ? -1 : Real.flush(fd); },
        // A failed close still lets go of the descriptor, as close(2) does.
        .close =
            [](int fd) {
                const int closed = Real.close(fd);
                return FailsNow("close", EIO) ? -1 : closed;
            },
        .rename =
            [](const char* from, const char* to) {
                return FailsNow("rename", EIO) ? -1 : Real.rename(from, to);
            },
        .remove =
            [](const char* path) { return FailsNow("remove", EACCES) ? -1 : Real.remove(path); },
        .create =
            [](const char* path, int flags, mode_t mode) {
                return FailsNow("open", ENOSPC) ? -1 : Real.create(path, flags, mode);
            },
        .link = [](const char* from,
                   const char* to) { return FailsNow("link", EMLINK) ? -1 : Real.link(from, to); },
        .flushAll = [](int fd) { return FailsNow("flush", EIO) ? -1 : Real.flushAll(fd); },
        .makeFolder =
            [](const char* path, mode_t mode) {
                return FailsNow("make folder", ENOSPC) ? -1 : Real.makeFolder(path, mode);
            },
        .removeFolder =
            [](const char* path) {
                return FailsNow("remove folder", EACCES) ? -1 : Real.removeFolder(path);
            },
        .exchange =
            [](const char* first, const char* second) {
                if (FailsNow("swap", EIO)) return -1;
                if (Plan.cannotSwap) return errno = EINVAL, -1;
                return Real.exchange(first, second);
            },
    };
}

// The failing disk, for the length of a scope; failAt 0 only counts the steps.
class FaultyDisk {
public:
    explicit FaultyDisk(int failAt, bool writeTakesNothing = false, bool readsFail = false,
                        bool cannotSwap = false) {
        Plan = FaultPlan{failAt, writeTakesNothing, {}, readsFail, cannotSwap};
        hooks_.setFileCalls(FaultyCalls());
    }
    FaultyDisk(const FaultyDisk&) = delete;
    FaultyDisk& operator=(const FaultyDisk&) = delete;

    int stepCount() const { return static_cast<int>(Plan.steps.size()); }

private:
    testing::Hooks hooks_;
};

// Every file of a folder with its bytes, hidden ones included.
using Snapshot = std::map<QString, QByteArray>;

Snapshot TakeSnapshot(const std::string& folder) {
    Snapshot files;
    const QDir dir(QString::fromStdString(folder));
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(dir.filePath(name));
        files[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
    }
    return files;
}

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string HistoryPath(const testing::TempAppFolder& folder, int number) {
    char name[16];
    std::snprintf(name, sizeof name, "C%04d.dat", number);
    return folder.dataPath() + name;
}

// The step after the rename (or the removal) flushes the folder: the change is made by then.
bool IsAfterRename(const std::vector<std::string>& steps, int step) {
    const auto change = std::find_if(steps.begin(), steps.end(), [](const std::string& name) {
        return name == "rename" || name == "remove";
    });
    return change != steps.end() && step > (change - steps.begin()) + 1;
}

// What is written, from which state of the data folder.
enum class Write {
    Table,           // "Clients.dat" replacing an older table
    LongHistory,     // a history of several pieces replacing an older one
    FirstHistory,    // a history where the client had none
    EmptiedHistory,  // an emptied history, which removes the file
};

constexpr int OldClientCount = 40;

// Lays out the folder and the store as they are before the write.
void Prepare(Write write, const testing::TempAppFolder& folder) {
    store::ResetClientStore();
    testing::WriteClientsFile(folder, testing::SampleClients(OldClientCount, 740000));
    QVERIFY(store::LoadClientTable() != store::LoadOutcome::Unreadable);
    QVERIFY(store::RemoveFile(HistoryPath(folder, 1)));
    if (write != Write::FirstHistory) {
        QVERIFY(store::ReplaceFileSafely(HistoryPath(folder, 1), "Called in May.\r\n"));
    }
    if (write == Write::Table) {
        store::StoreField(store::ClientTable[7].ClientName, "Renamed Client");
        store::ClientTable[OldClientCount + 1].InUse = 1;
        store::StoreField(store::ClientTable[OldClientCount + 1].ClientName, "Added Client");
        store::SaveNeeded = 1;
    }
}

bool Perform(Write write) {
    switch (write) {
        case Write::Table:
            return store::SaveClientTable();
        case Write::LongHistory:
            return store::WriteHistory(1, testing::SampleHistory(1, 3 * Piece - 100));
        case Write::FirstHistory:
            return store::WriteHistory(1, "First call.");
        case Write::EmptiedHistory:
            return store::WriteHistory(1, "");
    }
    return false;
}

// What keeps or brings back the clients: a backup, or a restore of one.
enum class Keep {
    Backup,
    Restore,
    RestoreByRenames,  // on a file system that cannot swap two folders in one step
};

// A backup of two clients, then other clients on file, with a history the backup lacks and a
// file of the user's own in the data folder.
void PrepareBackups(const testing::TempAppFolder& folder) {
    store::ResetClientStore();
    testing::WriteClientsFile(folder, testing::SampleClients(2, 740000));
    QVERIFY(store::ReplaceFileSafely(HistoryPath(folder, 1), "Restored history.\r\n"));
    QVERIFY(store::MakeBackup(store::BackupReason::BeforeImport,
                              QDateTime(QDate(2026, 3, 16), QTime(9, 0)))
                .ok);
    testing::WriteClientsFile(folder, testing::SampleClients(OldClientCount, 740001));
    QVERIFY(store::ReplaceFileSafely(HistoryPath(folder, 1), "Called in May.\r\n"));
    QVERIFY(store::ReplaceFileSafely(HistoryPath(folder, 3), "Met at the fair.\r\n"));
    QVERIFY(store::ReplaceFileSafely(folder.dataPath() + "notes.txt", "the user's"));
    QVERIFY(store::LoadClientTable() == store::LoadOutcome::Loaded);
}

store::BackupResult Perform(Keep keep, const store::Backup& chosen) {
    const QDateTime now(QDate(2026, 3, 17), QTime(9, 0));
    return keep == Keep::Backup ? store::MakeBackup(store::BackupReason::BeforeDelete, now)
                                : store::RestoreBackup(chosen, now);
}

QStringList SwapLeftovers(const testing::TempAppFolder& folder) {
    return QDir(QString::fromStdString(folder.path()))
        .entryList({".restoring-*", ".replaced-*"}, QDir::AllEntries | QDir::Hidden);
}

// Every other call is interrupted, as a signal arriving during a read or a write does.
bool Interrupted() {
    static bool interrupt = false;
    interrupt = !interrupt;
    if (interrupt) errno = EINTR;
    return interrupt;
}

}  // namespace

class FaultInjectionTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

private slots:
    void cleanup() {
        testing::StopProgram();
        hooks_.reset();
    }

    void aWriteFailingAtAnyStepLeavesExactlyTheOldFile_data() {
        QTest::addColumn<int>("write");
        QTest::addColumn<bool>("writeTakesNothing");
        QTest::newRow("the client table replacing an older table") << int(Write::Table) << false;
        QTest::newRow("the client table on a disk whose writes take nothing")
            << int(Write::Table) << true;
        QTest::newRow("a long history replacing an older history")
            << int(Write::LongHistory) << false;
        QTest::newRow("a first history where the client had none")
            << int(Write::FirstHistory) << false;
        QTest::newRow("an emptied history removing its file")
            << int(Write::EmptiedHistory) << false;
    }

    void aWriteFailingAtAnyStepLeavesExactlyTheOldFile() {
        QFETCH(int, write);
        QFETCH(bool, writeTakesNothing);
        const auto what = static_cast<Write>(write);
        testing::TempAppFolder folder;

        // A clean run gives the steps and the new content.
        Prepare(what, folder);
        std::vector<std::string> steps;
        {
            FaultyDisk disk(0);
            QVERIFY(Perform(what));
            steps = Plan.steps;
        }
        const Snapshot written = TakeSnapshot(folder.dataPath());
        QVERIFY(steps.size() >= (what == Write::EmptiedHistory ? 1u : 6u));

        for (int step = 1; step <= static_cast<int>(steps.size()); ++step) {
            const QByteArray context =
                QByteArray("failing at step ") + QByteArray::number(step) + " (" +
                QByteArray::fromStdString(steps[static_cast<std::size_t>(step - 1)]) + ")";
            Prepare(what, folder);
            const Snapshot before = TakeSnapshot(folder.dataPath());
            bool done = false;
            {
                FaultyDisk disk(step, writeTakesNothing);
                done = Perform(what);
            }
            if (IsAfterRename(steps, step)) {
                // Only the folder's flush is left: the new file is whole and in place.
                QVERIFY2(done, context.constData());
                QVERIFY2(TakeSnapshot(folder.dataPath()) == written, context.constData());
            } else {
                QVERIFY2(!done, context.constData());
                QVERIFY2(TakeSnapshot(folder.dataPath()) == before, context.constData());
                if (what == Write::Table) QVERIFY2(store::SaveNeeded == 1, context.constData());
            }
            // Once the disk works again, the same write goes through.
            QVERIFY2(Perform(what), context.constData());
            QVERIFY2(TakeSnapshot(folder.dataPath()) == written, context.constData());
            if (what == Write::Table) QCOMPARE(store::SaveNeeded, 0);
        }
        qInfo("%d fault points tried", static_cast<int>(steps.size()));
    }

    // A backup or a restore failing at any of its steps, reads included: it made the whole
    // change or none, the table in memory is still the one on file (a save after it writes
    // over nothing restored), and the next start leaves nothing of it behind.
    void aBackupOrRestoreFailingAtAnyStepChangesAllOrNothing_data() {
        QTest::addColumn<int>("keep");
        QTest::newRow("a backup of the clients on file") << int(Keep::Backup);
        QTest::newRow("a restore swapping the folders in one step") << int(Keep::Restore);
        QTest::newRow("a restore swapping the folders by two renames")
            << int(Keep::RestoreByRenames);
    }
    void aBackupOrRestoreFailingAtAnyStepChangesAllOrNothing() {
        QFETCH(int, keep);
        const auto what = static_cast<Keep>(keep);
        int steps = 0;
        for (int step = 0; step <= steps; ++step) {
            testing::TempAppFolder folder;
            PrepareBackups(folder);
            const store::Backup chosen = store::ListBackups().front();
            const Snapshot before = TakeSnapshot(folder.dataPath());
            Snapshot restored = TakeSnapshot(chosen.folder);
            restored.erase(QStringLiteral(".made"));
            restored[QStringLiteral("notes.txt")] = "the user's";
            store::BackupResult result;
            {
                FaultyDisk disk(step, false, true, what == Keep::RestoreByRenames);
                result = Perform(what, chosen);
                if (step == 0) steps = disk.stepCount();
            }
            const QByteArray context =
                "failing at step " + QByteArray::number(step) + " (" +
                QByteArray::fromStdString(step > 0 ? Plan.steps[std::size_t(step - 1)] : "none") +
                ")";
            QVERIFY2(step > 0 || result.ok, result.error.c_str());
            const std::size_t backups = store::ListBackups().size();
            if (!result.ok) {
                QVERIFY2(!result.error.empty(), context.constData());
                QVERIFY2(TakeSnapshot(folder.dataPath()) == before, context.constData());
                if (what == Keep::Backup) QVERIFY2(backups == 1, context.constData());
                store::SaveNeeded = 1;
                QVERIFY2(store::SaveClientTable(), context.constData());
                QVERIFY2(TakeSnapshot(folder.dataPath()) == before, context.constData());
            } else {
                QVERIFY2(backups == 2, context.constData());
                if (what != Keep::Backup)
                    QCOMPARE(store::LoadClientTable(), store::LoadOutcome::Loaded);
            }
            // The next start, on a working disk.
            store::FinishFolderSwaps(folder.dataPath());
            QVERIFY2(SwapLeftovers(folder).isEmpty(), context.constData());
            const bool changed = result.ok && what != Keep::Backup;
            QVERIFY2(TakeSnapshot(folder.dataPath()) == (changed ? restored : before),
                     context.constData());
        }
        qInfo("%d fault points tried", steps);
    }

    // A replacement dropped before its commit, or refused since another folder took the data
    // folder's place, leaves the file as it was and no temporary file.
    void aReplacementNotCommittedLeavesOnlyTheOldFile_data() {
        QTest::addColumn<bool>("folderReplaced");
        QTest::newRow("a replacement dropped uncommitted") << false;
        QTest::newRow("a save after the data folder was moved away and copied back") << true;
    }
    void aReplacementNotCommittedLeavesOnlyTheOldFile() {
        QFETCH(bool, folderReplaced);
        testing::TempAppFolder folder;
        QVERIFY(store::ReplaceFileSafely(folder.dataFile(), "old"));
        QCOMPARE(store::OpenDataFolder().access, store::FolderAccess::Writable);
        if (folderReplaced) {
            const QString data = QString::fromStdString(folder.path() + "Data");
            QVERIFY(QDir().rename(data, data + ".moved"));
            QVERIFY(QDir().mkdir(data));
            QVERIFY(QFile::copy(data + ".moved/Clients.dat", data + "/Clients.dat"));
        }
        const Snapshot before = TakeSnapshot(folder.dataPath());
        {
            store::FileReplacement replacement(folder.dataFile());
            replacement.append("new");
            if (folderReplaced) {
                QVERIFY(!replacement.commit());
                QVERIFY2(store::LastFileError().find("was moved") != std::string::npos,
                         store::LastFileError().c_str());
            }
        }
        QVERIFY(folderReplaced != store::SameDataFolder());
        QCOMPARE(TakeSnapshot(folder.dataPath()), before);
        store::ResetDataFolder();
    }

    void anInterruptedReadOrWriteIsCarriedOn() {
        testing::TempAppFolder folder;
        Prepare(Write::Table, folder);
        // Every other read or write is interrupted before a byte moves; the others take only
        // part of what they are given.
        store::FileCalls calls = Real;
        calls.read = [](int fd, void* into, std::size_t count) -> ssize_t {
            return Interrupted() ? -1 : Real.read(fd, into, std::min<std::size_t>(count, 1000));
        };
        calls.write = [](int fd, const void* bytes, std::size_t count) -> ssize_t {
            return Interrupted() ? -1 : Real.write(fd, bytes, std::min<std::size_t>(count, 1000));
        };
        bool saved = false;
        store::LoadOutcome loaded{};
        {
            testing::Hooks hooks;
            hooks.setFileCalls(calls);
            saved = store::SaveClientTable();
            store::ResetClientStore();
            loaded = store::LoadClientTable();
        }
        QVERIFY(saved);
        const QByteArray bytes = FileBytes(folder.dataFile());
        QCOMPARE(bytes.size(), qsizetype(696348));
        QCOMPARE(bytes.mid(7 * 348, 14), QByteArray("Renamed Client"));
        QCOMPARE(loaded, store::LoadOutcome::Loaded);
        QCOMPARE(store::FieldText(store::ClientTable[7].ClientName), std::string("Renamed Client"));
    }

    void aTemporaryFileLeftByACrashIsRemovedByTheNextRun() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, testing::SampleClients(3, 740000));
        const std::string leftover = folder.dataFile() + ".saving-a1B2c3";
        const std::string historyLeftover = folder.dataPath() + "C0002.dat.saving-Zz9yX8";
        // Names that only look alike are the user's and stay.
        const std::string lookalike = folder.dataFile() + ".saving-backup1";
        for (const std::string& path : {leftover, historyLeftover, lookalike}) {
            QVERIFY(store::ReplaceFileSafely(path, "half a save"));
        }
        store::ResetClientStore();
        testing::StartProgram(folder);
        QVERIFY(gui::EZ_ISFORM(shell::MainForm));
        // The first save of the run clears them first, so that they cannot fill a nearly full
        // disk and make every save fail.
        store::SaveNeeded = 1;
        app::SaveIfPending();
        QVERIFY(!store::FileExists(leftover) && !store::FileExists(historyLeftover));
        testing::StopProgram();
        const Snapshot files = TakeSnapshot(folder.dataPath());
        QCOMPARE(files.size(), std::size_t(2));
        QVERIFY(files.count(QStringLiteral("Clients.dat")) == 1);
        QVERIFY(files.count(QFileInfo(QString::fromStdString(lookalike)).fileName()) == 1);
    }

    // The main window's exit with a save that fails at any step: the user is told, the window
    // stays open, and the next exit saves.
    void aFailedSaveAtExitIsToldAndKeepsTheWindowOpen() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, testing::SampleClients(12, 740000), NoStartUpScan());
        int steps = 0;
        for (int step = 1; steps == 0 || step <= steps; ++step) {
            testing::StartProgram(folder);
            QVERIFY(gui::EZ_ISFORM(shell::MainForm));
            const QByteArray old = FileBytes(folder.dataFile());
            store::StoreField(store::ClientTable[3].ClientName, "Changed In Memory");
            store::SaveNeeded = 1;
            if (steps == 0) {
                // Count the steps of this save on a copy of the table, then put it back.
                const auto table = store::ClientTable;
                FaultyDisk disk(0);
                QVERIFY(store::SaveClientTable());
                // Up to the rename: the folder's flush after it fails nothing.
                const auto rename = std::find(Plan.steps.begin(), Plan.steps.end(), "rename");
                steps = static_cast<int>(rename - Plan.steps.begin()) + 1;
                QVERIFY(store::ReplaceFileSafely(folder.dataFile(), old.toStdString()));
                store::ClientTable = table;
                store::SaveNeeded = 1;
            }
            const Snapshot before = TakeSnapshot(folder.dataPath());
            testing::MessageBoxes boxes;
            {
                FaultyDisk disk(step);
                gui::EZ_UNLOADFORM(shell::MainForm);
            }
            const QByteArray context = "failing at step " + QByteArray::number(step);
            QVERIFY2(gui::EZ_ISFORM(shell::MainForm), context.constData());
            QVERIFY2(boxes.asked().size() == 1 && boxes.asked()[0].caption == "Clients Not Saved",
                     context.constData());
            QVERIFY2(TakeSnapshot(folder.dataPath()) == before, context.constData());
            QCOMPARE(store::SaveNeeded, 1);

            gui::EZ_UNLOADFORM(shell::MainForm);
            QVERIFY2(!gui::EZ_ISFORM(shell::MainForm), context.constData());
            QCOMPARE(FileBytes(folder.dataFile()).mid(3 * 348, 17),
                     QByteArray("Changed In Memory"));
            QVERIFY(store::ReplaceFileSafely(folder.dataFile(), old.toStdString()));
        }
        qInfo("%d fault points tried at exit", steps);
    }

    void aFailedHistoryWriteIsToldAndSaveStaysEnabled_data() {
        QTest::addColumn<bool>("newClient");
        QTest::addColumn<QString>("history");
        QTest::newRow("an existing client's history rewritten")
            << false << "Rang twice, no answer.";
        QTest::newRow("an existing client's history emptied") << false << "";
        QTest::newRow("a new client with a history") << true << "Met at the trade fair.";
    }

    void aFailedHistoryWriteIsToldAndSaveStaysEnabled() {
        QFETCH(bool, newClient);
        QFETCH(QString, history);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, testing::SampleClients(5, 740000), NoStartUpScan());
        testing::WriteHistoryBytes(folder, 1, "Called in May.");
        // Fail the first step, then the second, ... until a save goes through unhindered.
        for (int step = 1;; ++step) {
            const QByteArray context = "failing at step " + QByteArray::number(step);
            testing::StartProgram(folder);
            const int clients = app::MainWindow.ClientCount;
            // The client with number 1 is in the row its name sorts to.
            int row = 0;
            while (store::ClientTable[row + 1].ClientNumber != 1) ++row;
            if (newClient) {
                testing::OpenNewClient();
                testing::TypeInto(details::ClientNameBox, "Brand New Co");
            } else {
                testing::OpenClientAtRow(row);
            }
            QVERIFY(gui::EZ_ISFORM(shell::DetailsForm));
            testing::Retype(details::HistoryBox, history.toStdString());
            QVERIFY(testing::SaveEnabled());
            const Snapshot before = TakeSnapshot(folder.dataPath());
            const auto tableBefore = store::ClientTable;
            const std::int32_t neededBefore = store::SaveNeeded;

            testing::MessageBoxes boxes;
            int stepsTaken = 0;
            {
                FaultyDisk disk(step);
                testing::Click(shell::DetailsForm, details::SaveButton);
                stepsTaken = disk.stepCount();
            }
            if (stepsTaken < step || IsAfterRename(Plan.steps, step)) {
                // No step was left to fail: this save went through, and that is the end.
                QVERIFY2(!testing::SaveEnabled(), context.constData());
                QVERIFY2(boxes.asked().empty(), context.constData());
                testing::StopProgram();
                qInfo("%d fault points tried", step - 1);
                break;
            }
            QVERIFY2(boxes.asked().size() == 1 && boxes.asked()[0].caption == "History Not Saved",
                     context.constData());
            QVERIFY2(testing::SaveEnabled(), context.constData());
            QVERIFY2(TakeSnapshot(folder.dataPath()) == before, context.constData());
            // The failed save left the table as it was: answering No at Exit keeps nothing.
            QVERIFY2(std::memcmp(&tableBefore, &store::ClientTable, sizeof tableBefore) == 0,
                     context.constData());
            QCOMPARE(store::SaveNeeded, neededBefore);

            // The same Save again, on a working disk: stored once, history and all.
            boxes.clear();
            testing::Click(shell::DetailsForm, details::SaveButton);
            QVERIFY2(boxes.asked().empty(), context.constData());
            QVERIFY2(!testing::SaveEnabled(), context.constData());
            testing::Click(shell::DetailsForm, details::ExitButton);
            QCOMPARE(app::MainWindow.ClientCount, clients + (newClient ? 1 : 0));
            const int number = newClient ? store::ClientTable[store::CurrentSlot].ClientNumber : 1;
            QCOMPARE(QString::fromLatin1(FileBytes(HistoryPath(folder, number))), history);
            testing::StopProgram();
            // Back to the state before, for the next step.
            testing::WriteClientsFile(folder, testing::SampleClients(5, 740000), NoStartUpScan());
            for (int n = 1; n <= store::MaxClients; ++n) store::RemoveFile(HistoryPath(folder, n));
            testing::WriteHistoryBytes(folder, 1, "Called in May.");
        }
    }

    void everyFileTheProgramMakesIsTheUsersAlone() {
        testing::TempAppFolder folder;
        QVERIFY(QDir(QString::fromStdString(folder.dataPath())).removeRecursively());
        hooks_.emplace().setNow(testing::LocalTime(2026, 3, 16, 10, 30));
        testing::StartProgram(folder);
        QVERIFY(gui::EZ_ISFORM(shell::MainForm));
        testing::OpenNewClient();
        testing::TypeInto(details::ClientNameBox, "Private Client");
        testing::TypeInto(details::HistoryBox, "Personal notes.");
        testing::Click(shell::DetailsForm, details::SaveButton);
        testing::Click(shell::DetailsForm, details::ExitButton);
        {
            testing::MessageBoxes boxes;
            testing::Hooks hooks;
            hooks.ignorePrinters();
            const auto clients = reports::ChooseClients(shell::MainForm, 0);
            reports::PrintReport(clients, reports::ReportStyle::ListWithFollowUp, false);
        }

        const QString reports = QString::fromStdString(folder.path() + "Reports");
        const QStringList pdfs = QDir(reports).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);
        const std::vector<QString> folders = {QString::fromStdString(folder.dataPath()), reports};
        const std::vector<QString> files = {
            QString::fromStdString(folder.dataFile()),
            QString::fromStdString(HistoryPath(folder, 1)),
            reports + "/" + pdfs[0],
        };
        constexpr auto Others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                QFileDevice::WriteOther | QFileDevice::ExeOther;
        QStringList open;
        for (const QString& path : folders) {
            QVERIFY2(QFileInfo(path).isDir(), qPrintable(path));
            if ((QFile::permissions(path) & Others) != 0) open << path;
        }
        for (const QString& path : files) {
            QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
            if ((QFile::permissions(path) & Others) != 0) open << path;
        }
        testing::StopProgram();
        QVERIFY2(open.isEmpty(), qPrintable("open to others: " + open.join(", ")));
    }
};

QTEST_MAIN(FaultInjectionTest)
#include "tst_fault_injection.moc"
