// Clients added as one step: a kill or a failing disk at any file call, or the user's Cancel,
// leaves either the clients as they were or all of them added, with no history file that no
// client has; the start after a kill settles what the import left.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <vector>

#include "store/client_import.h"
#include "store/client_numbers.h"
#include "store/client_table.h"
#include "store/files.h"
#include "support/client_records.h"
#include "support/store_hooks.h"
#include "support/temp_data_folder.h"

using namespace store;

namespace {

struct Killed {};

// How the step numbered FailAt goes: the process ends there, or the call fails as a full disk.
int Step = 0;
int FailAt = 0;
bool Kills = false;
const FileCalls Real = SystemFileCalls();

bool FailsNow() {
    if (++Step != FailAt) return false;
    if (Kills) throw Killed{};
    errno = EIO;
    return true;
}

FileCalls StepCalls() {
    return FileCalls{
        .open = [](const char* p, int f) { return FailsNow() ? -1 : Real.open(p, f); },
        .read = Real.read,
        .makeTemporary = [](char* p) { return FailsNow() ? -1 : Real.makeTemporary(p); },
        .write = [](int fd, const void* b, std::size_t n) -> ssize_t {
            return FailsNow() ? -1 : Real.write(fd, b, n);
        },
        .flush = [](int fd) { return FailsNow() ? -1 : Real.flush(fd); },
        .close =
            [](int fd) {
                const int closed = Real.close(fd);
                return FailsNow() ? -1 : closed;
            },
        .rename = [](const char* a, const char* b) { return FailsNow() ? -1 : Real.rename(a, b); },
        .remove = [](const char* p) { return FailsNow() ? -1 : Real.remove(p); },
        .create = [](const char* p, int f,
                     mode_t m) { return FailsNow() ? -1 : Real.create(p, f, m); },
        .link = Real.link,
        .flushAll = [](int fd) { return FailsNow() ? -1 : Real.flushAll(fd); },
        .makeFolder = Real.makeFolder,
        .removeFolder = Real.removeFolder,
        .exchange = Real.exchange,
    };
}

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList DataFiles(const testing::TempDataFolder& folder) {
    return QDir(QString::fromStdString(folder.dataPath()))
        .entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

int ClientsInUse() {
    int count = 0;
    for (int slot = 1; slot <= MaxClients; ++slot) count += ClientTable[slot].InUse > 0;
    return count;
}

// Two clients on file with histories, saved; three to import, two of them with a history.
const std::vector<NewClient> Imported{
    {testing::MakeClient("Acme"), "Met at the fair"},
    {testing::MakeClient("Brill"), ""},
    {testing::MakeClient("Corda"), "Wants a quote\r\nCall back"},
};

void FileTwoClients() {
    QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
    QVERIFY(AddClients(std::vector<NewClient>{{testing::MakeClient("Old One"), "first"},
                                              {testing::MakeClient("Old Two"), "second"}})
                .error.empty());
}

// The client names in use, in slot order.
QStringList Names() {
    QStringList names;
    for (int slot = 1; slot <= MaxClients; ++slot) {
        if (ClientTable[slot].InUse > 0) {
            names << QString::fromLatin1(ClientTable[slot].ClientName.data(), 5);
        }
    }
    return names;
}

// After a start on the folder: the two clients alone, or all five with their histories.
void VerifyOneWholeState(const testing::TempDataFolder& folder) {
    const QStringList files = DataFiles(folder);
    for (const QString& name : files) QVERIFY2(!name.endsWith(".pending"), qPrintable(name));
    QCOMPARE(FileBytes(folder.dataPath() + "C0001.dat"), QByteArray("first"));
    QCOMPARE(FileBytes(folder.dataPath() + "C0002.dat"), QByteArray("second"));
    if (ClientsInUse() == 2) {
        QCOMPARE(files, (QStringList{"C0001.dat", "C0002.dat", "Clients.dat"}));
        return;
    }
    QCOMPARE(Names(), (QStringList{"Old O", "Old T", "Acme ", "Brill", "Corda"}));
    QCOMPARE(FileBytes(folder.dataPath() + "C0003.dat"), QByteArray("Met at the fair"));
    QVERIFY(!QFile::exists(QString::fromStdString(folder.dataPath() + "C0004.dat")));
    QCOMPARE(FileBytes(folder.dataPath() + "C0005.dat"), QByteArray("Wants a quote\r\nCall back"));
    QVERIFY(FindOrphanedHistories().numbers.empty());
}

// The file calls a whole import of the three clients makes.
int StepsOfAnImport() {
    ResetClientStore();
    const testing::TempDataFolder folder;
    FileTwoClients();
    testing::StoreHooks hooks;
    hooks.setFileCalls(StepCalls());
    Step = 0;
    FailAt = 0;
    AddClients(Imported);
    return Step;
}

}  // namespace

class ClientImportTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetClientStore(); }

    void anImportEndedAtAnyStepLeavesOneWholeState_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("kills");
        const int steps = StepsOfAnImport();
        QVERIFY(steps > 10);
        for (int step = 1; step <= steps; ++step) {
            QTest::addRow("killed at file call %d", step) << step << true;
            QTest::addRow("the disk fails at file call %d", step) << step << false;
        }
    }

    void anImportEndedAtAnyStepLeavesOneWholeState() {
        QFETCH(int, step);
        QFETCH(bool, kills);
        const testing::TempDataFolder folder;
        FileTwoClients();
        const SlotTable before = ClientTable;
        AddedClients result;
        bool killed = false;
        {
            testing::StoreHooks hooks;
            hooks.setFileCalls(StepCalls());
            Step = 0;
            FailAt = step;
            Kills = kills;
            try {
                result = AddClients(Imported);
            } catch (const Killed&) {
                killed = true;
            }
            FailAt = 0;
        }
        QCOMPARE(killed, kills);
        if (!kills) {
            // What the user was told is what happened: nothing, or all of them.
            QCOMPARE(result.added, result.error.empty() ? Imported.size() : 0u);
            if (!result.error.empty()) {
                QVERIFY(std::memcmp(&ClientTable, &before, sizeof before) == 0);
                for (const QString& name : DataFiles(folder)) {
                    QVERIFY2(!name.endsWith(".pending"), qPrintable(name));
                }
            }
        }
        // The next start; a save cut short leaves its temporary file, which the run clears.
        RemoveLeftoverTemporaries(folder.dataPath());
        ResetClientStore();
        QCOMPARE(LoadClientTable(), LoadOutcome::Loaded);
        if (!kills) QCOMPARE(ClientsInUse(), result.error.empty() ? 5 : 2);
        VerifyOneWholeState(folder);
    }

    // The pending histories reach the disk before the table that makes them clients.
    void theHistoriesAreFlushedBeforeTheTableIsSaved() {
        const testing::TempDataFolder folder;
        FileTwoClients();
        static QStringList calls;
        calls.clear();
        FileCalls logging = SystemFileCalls();
        logging.create = [](const char* path, int flags, mode_t mode) {
            calls << "create " + QFileInfo(QString::fromLocal8Bit(path)).fileName();
            return Real.create(path, flags, mode);
        };
        logging.open = [](const char* path, int flags) {
            calls << "open " + QFileInfo(QString::fromLocal8Bit(path)).fileName();
            return Real.open(path, flags);
        };
        logging.flush = [](int fd) {
            calls << "flush";
            return Real.flush(fd);
        };
        logging.flushAll = [](int fd) {
            calls << "flush all";
            return Real.flushAll(fd);
        };
        logging.rename = [](const char* from, const char* to) {
            calls << "rename to " + QFileInfo(QString::fromLocal8Bit(to)).fileName();
            return Real.rename(from, to);
        };
        {
            testing::StoreHooks hooks;
            hooks.setFileCalls(logging);
            QVERIFY(AddClients(Imported).error.empty());
        }
        const auto lastCreate = calls.lastIndexOf(QRegularExpression("^create .*pending$"));
        const auto table = calls.indexOf("rename to Clients.dat");
        const auto named = calls.indexOf("rename to C0003.dat");
        QVERIFY2(lastCreate >= 0 && lastCreate < table && table < named,
                 qPrintable(calls.join(", ")));
        // Each history is flushed, or the whole disk is, after the last is written and before
        // the table names the clients.
        const QString between = calls.mid(lastCreate, table - lastCreate).join(", ");
        QVERIFY2(
            between.contains("flush all") || (between.contains("open C0003.dat.pending, flush") &&
                                              between.contains("open C0005.dat.pending, flush")),
            qPrintable(calls.join(", ")));
    }

    void cancellingKeepsNothing() {
        const testing::TempDataFolder folder;
        FileTwoClients();
        const SlotTable before = ClientTable;
        const AddedClients result =
            AddClients(Imported, [](std::size_t done, std::size_t) { return done < 2; });
        QVERIFY(result.cancelled);
        QCOMPARE(result.added, 0u);
        QVERIFY(std::memcmp(&ClientTable, &before, sizeof before) == 0);
        QCOMPARE(DataFiles(folder), (QStringList{"C0001.dat", "C0002.dat", "Clients.dat"}));
    }

    void numbersWithAnEarlierHistoryAreNotTaken() {
        const testing::TempDataFolder folder;
        FileTwoClients();
        QFile orphan(QString::fromStdString(folder.dataPath() + "C0003.dat"));
        QVERIFY(orphan.open(QIODevice::WriteOnly));
        orphan.write("an earlier client");
        orphan.close();
        QVERIFY(AddClients(std::span(Imported).first(1)).error.empty());
        QCOMPARE(FileBytes(folder.dataPath() + "C0003.dat"), QByteArray("an earlier client"));
        QCOMPARE(FileBytes(folder.dataPath() + "C0004.dat"), QByteArray("Met at the fair"));
    }

    void earlierHistoriesAreToldOnce() {
        const testing::TempDataFolder folder;
        FileTwoClients();
        QCOMPARE(FindOrphanedHistories().untold, false);
        const auto orphan = [&folder](const char* name) {
            QFile file(QString::fromStdString(folder.dataPath() + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("text");
        };
        orphan("C0007.dat");
        OrphanedHistories found = FindOrphanedHistories();
        QCOMPARE(found.numbers, (std::vector<std::int32_t>{7}));
        QVERIFY(found.untold);
        NoteOrphanedHistoriesTold(found.numbers);
        QVERIFY(!FindOrphanedHistories().untold);
        orphan("C0009.dat");
        found = FindOrphanedHistories();
        QCOMPARE(found.numbers, (std::vector<std::int32_t>{7, 9}));
        QVERIFY(found.untold);
    }
};

QTEST_GUILESS_MAIN(ClientImportTest)
#include "tst_client_import.moc"
