// Data folders the user or the system damaged: a client file that is not there, not a file or
// not reachable, client numbers that are 0 or shared, a data folder replaced while the program
// runs. No history may be lost or overwritten, and no two clients may ever share a history
// file.

#include <QDir>
#include <QFile>
#include <QTest>

#include <set>

#include "store/client_changes.h"
#include "store/client_import.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/files.h"
#include "store/folder_lock.h"
#include "store/history.h"
#include "store/text_field.h"
#include "support/client_records.h"
#include "support/temp_data_folder.h"

using namespace store;

namespace {

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void AddClient(const std::string& name, const std::string& history) {
    CurrentRecord = EmptyRecord();
    CurrentSlot = 0;
    StoreField(CurrentRecord.ClientName, name);
    QCOMPARE(StoreCurrentRecord(history).outcome, StoreOutcome::Stored);
}

}  // namespace

class DamagedFoldersTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetClientStore(); }

    // Only "no such file" is a first start; anything else at the path is never written over.
    void onlyAMissingFileIsAFirstStart_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("outcome");
        QTest::newRow("no client file at all") << "none" << int(LoadOutcome::Created);
        QTest::newRow("no client file beside the histories of earlier clients")
            << "histories only" << int(LoadOutcome::CreatedBesideHistories);
        QTest::newRow("a folder named like the client file")
            << "folder" << int(LoadOutcome::Unreadable);
        QTest::newRow("a link to a drive that is not mounted")
            << "dangling link" << int(LoadOutcome::Unreadable);
    }
    void onlyAMissingFileIsAFirstStart() {
        QFETCH(QString, damage);
        QFETCH(int, outcome);
        testing::TempDataFolder folder;
        const QString dataFile = QString::fromStdString(folder.dataFile());
        if (damage == "histories only")
            QVERIFY(ReplaceFileSafely(folder.dataPath() + "C0001.dat", "Met in May."));
        if (damage == "folder") QVERIFY(QDir().mkpath(dataFile));
        if (damage == "dangling link")
            QVERIFY(QFile::link("/nonexistent/drive/Clients.dat", dataFile));

        std::string reason;
        QCOMPARE(int(LoadClientTable(&reason)), outcome);
        if (outcome == int(LoadOutcome::Unreadable)) {
            QVERIFY(!reason.empty());
            QVERIFY(!FileExists(folder.dataFile()));
            return;
        }
        QCOMPARE(FileBytes(folder.dataFile()).size(), qsizetype(FileSize));
        // The new table's first client takes no number whose history file exists.
        AddClient("Acme", "New history.");
        QCOMPARE(ClientTable[CurrentSlot].ClientNumber, damage == "histories only" ? 2 : 1);
        if (damage == "histories only") {
            QCOMPARE(FileBytes(folder.dataPath() + "C0001.dat"), QByteArray("Met in May."));
        }
    }

    // The lock stays on whatever becomes of the data folder, and once another folder stands at
    // its path nothing is saved there: this run's table is not that folder's.
    void aDataFolderReplacedWhileOpenTakesNoWrites_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("saved");
        QTest::newRow("moved away and copied back") << "copied back" << false;
        QTest::newRow("removed") << "removed" << false;
        QTest::newRow("moved away and put back") << "put back" << true;
        QTest::newRow("removed, and an empty folder made in its place") << "made anew" << true;
    }
    void aDataFolderReplacedWhileOpenTakesNoWrites() {
        QFETCH(QString, change);
        QFETCH(bool, saved);
        testing::TempDataFolder folder;
        QCOMPARE(OpenDataFolder().access, FolderAccess::Writable);
        QCOMPARE(LoadClientTable(), LoadOutcome::Created);
        const QString data = QString::fromStdString(folder.path() + "Data");
        QVERIFY(QDir().rename(data, data + ".moved"));
        if (change == "copied back") {
            QVERIFY(QDir().mkdir(data));
            QVERIFY(QFile::copy(data + ".moved/Clients.dat", data + "/Clients.dat"));
        }
        if (change == "put back") QVERIFY(QDir().rename(data + ".moved", data));
        if (change == "made anew") QVERIFY(QDir().mkdir(data));
        const QByteArray before = FileBytes(folder.dataFile());
        FolderLock second;
        QCOMPARE(second.acquire(folder.path()), LockOutcome::HeldByAnother);
        ClientTable[1] = testing::MakeClient("Acme");
        SaveNeeded = 1;
        QCOMPARE(SaveClientTable(), saved);
        QCOMPARE(WriteHistory(2, "Another."), saved);
        const NewClient imported{testing::MakeClient("Beta"), "Met at the fair."};
        QCOMPARE(AddClients({&imported, 1}).error.empty(), saved);
        if (!saved) {
            QVERIFY(QDir(data).entryList({"*.pending"}, QDir::Files).isEmpty());
            QVERIFY2(LastFileError().find(folder.dataPath() + "\" was moved") != std::string::npos,
                     LastFileError().c_str());
            QCOMPARE(FileBytes(folder.dataFile()), before);
            QVERIFY(!FileExists(folder.dataPath() + "C0002.dat"));
        }
        ResetDataFolder();
    }

    // Numbers 0, out of range or shared are replaced at load; a client keeps the history file
    // it owns, and one renumbered takes a copy of the history it had.
    void everySlotGetsANumberOfItsOwn_data() {
        QTest::addColumn<QList<int>>("numbers");    // slots 1..n, in use; the rest free
        QTest::addColumn<QList<int>>("historyOf");  // history files written for these numbers
        QTest::newRow("a file of one record: every number 0") << QList<int>{} << QList<int>{};
        QTest::newRow("two clients sharing a number and its history")
            << QList<int>{5, 5, 7} << QList<int>{5};
        QTest::newRow("clients numbered 0 take the history of number 0")
            << QList<int>{0, 3, 0} << QList<int>{0};
        QTest::newRow("numbers out of range") << QList<int>{-4, 2001, 2} << QList<int>{};
        QTest::newRow("clients numbered below 0 and past 2000 take their histories")
            << QList<int>{-4, 123456, 2} << QList<int>{-4, 123456};
    }
    void everySlotGetsANumberOfItsOwn() {
        QFETCH(QList<int>, numbers);
        QFETCH(QList<int>, historyOf);
        testing::TempDataFolder folder;
        SlotTable table{};
        for (int i = 0; i < numbers.size(); ++i) {
            table[i + 1] = testing::MakeClient("Client " + std::to_string(i + 1));
            table[i + 1].ClientNumber = numbers[i];
        }
        // A file cut after slot n: every slot behind it reads as free with number 0.
        const qsizetype length = 348 * (numbers.size() + 1);
        QVERIFY(ReplaceFileSafely(folder.dataFile(),
                                  std::string_view(reinterpret_cast<const char*>(table.data()),
                                                   static_cast<std::size_t>(length))));
        for (const int number : historyOf)
            QVERIFY(WriteHistory(number, "History " + std::to_string(number)));

        QCOMPARE(LoadClientTable(), LoadOutcome::Loaded);
        QCOMPARE(SaveNeeded, 1);
        std::set<int> seen;
        for (int slot = 1; slot <= MaxClients; ++slot) {
            const int number = ClientTable[slot].ClientNumber;
            QVERIFY2(number >= 1 && number <= MaxClients && seen.insert(number).second,
                     qPrintable(QString("slot %1 has number %2").arg(slot).arg(number)));
        }
        for (int i = 0; i < numbers.size(); ++i) {
            const bool hadHistory = historyOf.contains(numbers[i]);
            CurrentRecord = ClientTable[i + 1];
            QCOMPARE(QString::fromStdString(ReadHistory().text),
                     hadHistory ? QString("History %1").arg(numbers[i]) : QString());
        }
        // New clients never take 0 and always write their own history.
        AddClient("Newcomer", "Own history.");
        CurrentRecord = ClientTable[CurrentSlot];
        QCOMPARE(ReadHistory().text, std::string("Own history."));
    }
};

QTEST_MAIN(DamagedFoldersTest)
#include "tst_damaged_folders.moc"
