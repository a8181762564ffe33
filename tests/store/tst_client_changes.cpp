#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/history.h"
#include "store/text_field.h"
#include "support/store_hooks.h"
#include "support/temp_data_folder.h"

using namespace store;

namespace {

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void StartNewClient(const std::string& name) {
    CurrentRecord = EmptyRecord();
    CurrentSlot = 0;
    StoreField(CurrentRecord.ClientName, name);
}

// The disk as a deletion meets it: every rename and removal is written down, and the calls
// named fail as on a full disk.
struct DeletionDisk {
    static inline std::vector<std::string> changes;
    static inline std::string failing;
    static FileCalls Calls() {
        FileCalls calls = SystemFileCalls();
        calls.write = [](int fd, const void* bytes, std::size_t count) -> ssize_t {
            if (failing == "write") return errno = ENOSPC, -1;
            return SystemFileCalls().write(fd, bytes, count);
        };
        calls.rename = [](const char* from, const char* to) {
            changes.push_back(std::string("rename ") + QFileInfo(to).fileName().toStdString());
            return SystemFileCalls().rename(from, to);
        };
        calls.remove = [](const char* path) {
            changes.push_back(std::string("remove ") + QFileInfo(path).fileName().toStdString());
            if (failing == "remove") return errno = EACCES, -1;
            return SystemFileCalls().remove(path);
        };
        return calls;
    }
};

}  // namespace

class ClientChangesTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetClientStore(); }

    void theFirstClientTakesSlotOneAndWritesItsHistory() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        StartNewClient("Acme");
        QCOMPARE(StoreCurrentRecord("Called about the order").outcome, StoreOutcome::Stored);

        QCOMPARE(CurrentSlot, 1);
        QCOMPARE(ClientTable[1].InUse, 1);
        QCOMPARE(ClientTable[1].ClientNumber, 1);
        QCOMPARE(SaveNeeded, 1);
        QCOMPARE(FileBytes(folder.dataPath() + "C0001.dat"), QByteArray("Called about the order"));
        // The staging record stays new, so a further store adds one more client.
        QCOMPARE(CurrentRecord.InUse, 0);
        QCOMPARE(CurrentRecord.ClientNumber, 0);
    }

    void twoStoresFromOneNewClientGiveTwoClients() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        StartNewClient("Acme");
        QCOMPARE(StoreCurrentRecord("first").outcome, StoreOutcome::Stored);
        StoreField(CurrentRecord.ClientName, "Acme West");
        QCOMPARE(StoreCurrentRecord("first").outcome, StoreOutcome::Stored);
        QCOMPARE(CurrentSlot, 2);
        QCOMPARE(FieldText(ClientTable[1].ClientName), std::string("Acme"));
        QCOMPARE(FieldText(ClientTable[2].ClientName), std::string("Acme West"));
        QVERIFY(FileExists(folder.dataPath() + "C0001.dat"));
        QVERIFY(FileExists(folder.dataPath() + "C0002.dat"));
    }

    void historyBytesAreKeptExactly() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        StartNewClient("Acme");
        const std::string history = "Line one\r\nM\xc3\xbcller \xe2\x82\xac\r\n";  // UTF-8
        QCOMPARE(StoreCurrentRecord(history).outcome, StoreOutcome::Stored);
        QCOMPARE(FileBytes(folder.dataPath() + "C0001.dat"),
                 QByteArray("Line one\r\nM\xfcller \x80\r\n"));

        CurrentRecord = ClientTable[1];
        QCOMPARE(ReadHistory().text, history);
    }

    void anEmptyHistoryDeletesTheFile() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        StartNewClient("Acme");
        QCOMPARE(StoreCurrentRecord("something").outcome, StoreOutcome::Stored);
        CurrentRecord = ClientTable[1];
        QCOMPARE(StoreCurrentRecord("").outcome, StoreOutcome::Stored);
        QVERIFY(!FileExists(folder.dataPath() + "C0001.dat"));
        QCOMPARE(ReadHistory().text, std::string());
    }

    void aNewOrMissingHistoryReadsEmpty() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        CurrentRecord = EmptyRecord();
        QCOMPARE(ReadHistory().text, std::string());
        CurrentRecord = ClientTable[5];
        CurrentRecord.InUse = 1;
        QCOMPARE(ReadHistory().text, std::string());
    }

    void historyNamesUseTheClientNumber_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("client 7") << 7 << "C0007.dat";
        QTest::newRow("client 2000") << 2000 << "C2000.dat";
        QTest::newRow("a damaged negative number stays in the folder") << -12 << "C-012.dat";
        QTest::newRow("a damaged large number stays in the folder") << 123456 << "C123456.dat";
    }
    void historyNamesUseTheClientNumber() {
        QFETCH(int, number);
        QFETCH(QString, name);
        testing::TempDataFolder folder;
        QCOMPARE(QString::fromStdString(HistoryFileName(number)),
                 QString::fromStdString(folder.dataPath()) + name);
    }

    void aFullTableRefusesANewClientAndChangesNothing() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        for (int i = 1; i < MaxClients; ++i) ClientTable[i].InUse = 1;
        // The 2000th client still fits, in the last slot.
        StartNewClient("Last One In");
        QCOMPARE(StoreCurrentRecord("").outcome, StoreOutcome::Stored);
        QCOMPARE(CurrentSlot, MaxClients);
        SaveNeeded = 0;
        CurrentSlot = 17;  // left from an earlier store in the same window
        StartNewClient("One Too Many");
        CurrentSlot = 17;
        QCOMPARE(StoreCurrentRecord("history").outcome, StoreOutcome::TableFull);
        QCOMPARE(SaveNeeded, 0);
        QCOMPARE(CurrentClientNumber, 0);
        QVERIFY(!FileExists(folder.dataPath() + "C0017.dat"));
    }

    void aHistoryThatCannotBeWrittenIsReported() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        StartNewClient("Acme");
        QCOMPARE(StoreCurrentRecord("kept").outcome, StoreOutcome::Stored);
        QFile::remove(QString::fromStdString(folder.dataFile()));
        // A folder where the history file should be makes its replacement fail.
        QFile::remove(QString::fromStdString(folder.dataPath() + "C0001.dat"));
        QDir().mkpath(QString::fromStdString(folder.dataPath() + "C0001.dat/inner"));
        CurrentRecord = ClientTable[1];
        StoreField(CurrentRecord.ClientName, "Renamed");
        SaveNeeded = 0;
        const ClientRecord before = ClientTable[1];
        const StoreResult result = StoreCurrentRecord("new text");
        QCOMPARE(result.outcome, StoreOutcome::HistoryNotWritten);
        QVERIFY(!result.reason.empty());
        // Nothing of the failed save is kept, so the table cannot save it later either.
        QVERIFY(std::memcmp(&ClientTable[1], &before, RecordSize) == 0);
        QCOMPARE(SaveNeeded, 0);
    }
    // A deletion saves the table without the clients before their histories go: on a full
    // disk the clients stay, histories and all, and nothing on the disk changes.
    void aDeletionSavesTheTableBeforeTheHistoriesGo_data() {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QStringList>("changes");
        QTest::newRow("a working disk saves the table, then removes the histories")
            << "" << true << QStringList{"rename Clients.dat", "remove C0002.dat"};
        QTest::newRow("a full disk keeps the clients with their histories")
            << "write" << false << QStringList{};
        QTest::newRow("a history that cannot be removed stays behind the saved table")
            << "remove" << true << QStringList{"rename Clients.dat", "remove C0002.dat"};
    }
    void aDeletionSavesTheTableBeforeTheHistoriesGo() {
        QFETCH(QString, failing);
        QFETCH(bool, deleted);
        QFETCH(QStringList, changes);
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        for (const char* name : {"Acme", "Bolt", "Cogs"}) {
            StartNewClient(name);
            QCOMPARE(StoreCurrentRecord(std::string(name) + " history").outcome,
                     StoreOutcome::Stored);
        }
        QVERIFY(SaveClientTable());
        const QByteArray fileBefore = FileBytes(folder.dataFile());
        const SlotTable tableBefore = ClientTable;

        DeletionDisk::changes.clear();
        DeletionDisk::failing = failing.toStdString();
        std::string reason;
        const int chosen[] = {2};
        bool freed = false;
        {
            testing::StoreHooks hooks;
            hooks.setFileCalls(DeletionDisk::Calls());
            freed = FreeSlots(chosen, &reason);
        }
        QCOMPARE(freed, deleted);
        QStringList made;
        for (const std::string& change : DeletionDisk::changes) {
            if (!QString::fromStdString(change).contains(".saving-"))
                made << QString::fromStdString(change);
        }
        QCOMPARE(made, changes);
        QCOMPARE(FileExists(folder.dataPath() + "C0002.dat"), !deleted || failing == "remove");
        QVERIFY(FileExists(folder.dataPath() + "C0001.dat"));
        QVERIFY(FileExists(folder.dataPath() + "C0003.dat"));
        QCOMPARE(SaveNeeded, 0);
        if (!deleted) {
            QVERIFY(!reason.empty());
            QCOMPARE(FileBytes(folder.dataFile()), fileBefore);
            QVERIFY(std::memcmp(&ClientTable, &tableBefore, sizeof ClientTable) == 0);
            return;
        }
        // The freed record waits behind the remaining clients, in the table and in the file.
        QCOMPARE(FieldText(ClientTable[2].ClientName), std::string("Cogs"));
        QCOMPARE(ClientTable[3].InUse, 0);
        QCOMPARE(ClientTable[3].ClientNumber, 2);
        ResetClientStore();
        QCOMPARE(LoadClientTable(), LoadOutcome::Loaded);
        QCOMPARE(ClientTable[2].InUse, 1);
        QCOMPARE(ClientTable[3].InUse, 0);
    }
};

QTEST_MAIN(ClientChangesTest)
#include "tst_client_changes.moc"
