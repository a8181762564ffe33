#include <sys/resource.h>
#include <sys/stat.h>

#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <fstream>
#include <map>
#include <memory>

#include "store/backups.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/history.h"
#include "store/text_field.h"
#include "support/store_hooks.h"
#include "support/temp_data_folder.h"

using namespace store;

namespace {

const QDate FirstMonday(2026, 10, 5);

QDateTime At(const QDate& day, int hour) {
    return QDateTime(day, QTime(hour, 0));
}

// Every folder and file below the folder, by relative path, with the files' bytes.
std::map<QString, QByteArray> Tree(const std::string& folder) {
    std::map<QString, QByteArray> tree;
    const QString top = QString::fromStdString(folder);
    QDirIterator it(top, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        tree[file.fileName().mid(top.size())] =
            it.fileInfo().isDir() || !file.open(QIODevice::ReadOnly) ? "folder" : file.readAll();
    }
    return tree;
}

// A fresh table with one client per history, and their history files.
void MakeClients(const std::vector<std::string>& histories) {
    ResetClientStore();
    LoadClientTable();
    for (const std::string& history : histories) {
        CurrentRecord = EmptyRecord();
        CurrentSlot = 0;
        StoreField(CurrentRecord.ClientName, "Client with " + history);
        QCOMPARE(StoreCurrentRecord(history).outcome, StoreOutcome::Stored);
    }
    QVERIFY(SaveClientTable());
}

}  // namespace

class BackupsTest : public QObject {
    Q_OBJECT

private slots:
    // A backup holds the data files alone; a later edit of a live file, even in place, leaves it.
    // Hundreds of files are written out to the disk in batches while they are copied.
    void aBackupHoldsExactlyTheFilesAsTheyWere_data() {
        QTest::addColumn<int>("clients");
        QTest::newRow("two clients") << 2;
        QTest::newRow("several batches of files") << 600;
    }
    void aBackupHoldsExactlyTheFilesAsTheyWere() {
        QFETCH(int, clients);
        testing::TempDataFolder folder;
        std::vector<std::string> histories{"Met in May.", "Called twice."};
        while (histories.size() < std::size_t(clients)) {
            histories.push_back("Visit " + std::to_string(histories.size()) + ".");
        }
        MakeClients(histories);
        QVERIFY(ReplaceFileSafely(folder.dataPath() + "notes.txt", "not the program's"));
        const auto live = Tree(folder.dataPath());
        const BackupResult made = MakeDailyBackupIfDue(At(FirstMonday, 9));
        QVERIFY2(made.ok, made.error.c_str());
        QVERIFY(MakeDailyBackupIfDue(At(FirstMonday, 17)).folder.empty());
        std::ofstream(folder.dataPath() + "C0001.dat", std::ios::app) << " Edited in place.";
        QVERIFY(WriteHistory(2, "Rewritten."));
        QVERIFY(MakeBackup(BackupReason::BeforeImport, At(FirstMonday, 10)).ok);
        auto expected = live;
        expected.erase("notes.txt");
        QCOMPARE(Tree(made.folder), expected);
        const std::vector<Backup> list = ListBackups();
        QCOMPARE(list.size(), std::size_t(2));
        QCOMPARE(list[1].folder, made.folder);
        QCOMPARE(list[1].when, At(FirstMonday, 9));
        QCOMPARE(list[1].clients, clients);
        QCOMPARE(Tree(list[0].folder)["C0001.dat"], QByteArray("Met in May. Edited in place."));
        struct stat info {};
        QCOMPARE(::stat(made.folder.c_str(), &info), 0);
        QCOMPARE(info.st_mode & 0777u, 0700u);
    }

    // Ten weeks of daily backups (Monday to Sunday, made at nine) and some before deletes.
    void pruningKeepsTheRightBackups_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("daily");
        QTest::addColumn<bool>("kept");
        QTest::newRow("yesterday's daily backup is kept") << 68 << true << true;
        QTest::newRow("the seventh newest daily backup is kept") << 63 << true << true;
        QTest::newRow("the Saturday before that is removed") << 61 << true << false;
        QTest::newRow("the Sunday ending last week is kept for its week") << 62 << true << true;
        QTest::newRow("the Sunday ending the eighth week is kept") << 20 << true << true;
        QTest::newRow("a Friday of the eighth week is removed") << 18 << true << false;
        QTest::newRow("the Sunday ending the ninth week is removed") << 13 << true << false;
        QTest::newRow("the first daily backup is removed") << 0 << true << false;
        QTest::newRow("a backup before a delete three days ago is kept") << 66 << false << true;
        QTest::newRow("the third newest backup before a delete is kept") << 50 << false << true;
        QTest::newRow("the fourth newest backup before a delete is removed")
            << 40 << false << false;
    }
    void pruningKeepsTheRightBackups() {
        QFETCH(int, day);
        QFETCH(bool, daily);
        QFETCH(bool, kept);
        static std::unique_ptr<testing::TempDataFolder> folder;
        if (!folder) {
            folder = std::make_unique<testing::TempDataFolder>();
            MakeClients({"History."});
            for (int d = 0; d < 70; ++d) {
                QVERIFY(MakeDailyBackupIfDue(At(FirstMonday.addDays(d), 9)).ok);
                if (d % 10 == 0 || d == 66)
                    QVERIFY(
                        MakeBackup(BackupReason::BeforeDelete, At(FirstMonday.addDays(d), 14)).ok);
            }
        }
        testing::StoreHooks hooks;
        hooks.setDataFolder(folder->dataPath());
        const std::vector<Backup> list = ListBackups();
        QCOMPARE(list.size(), std::size_t(7 + 7 + 3));
        const auto found = std::find_if(list.begin(), list.end(), [&](const Backup& b) {
            return b.when == At(FirstMonday.addDays(day), daily ? 9 : 14) &&
                   (b.reason == BackupReason::Daily) == daily;
        });
        QCOMPARE(found != list.end(), kept);
    }

    // The restore brings back the clients and histories of its backup; the backup it made first
    // holds the state before it, unsaved changes included, and restoring that undoes it.
    void aRestoreCanItselfBeUndone() {
        testing::TempDataFolder folder;
        MakeClients({"First.", "Second."});
        QVERIFY(MakeBackup(BackupReason::BeforeDelete, At(FirstMonday, 9)).ok);
        const auto before = Tree(folder.dataPath());
        const Backup first = ListBackups().front();
        const int freed[] = {2};
        FreeSlots(freed);
        QVERIFY(WriteHistory(1, "Changed."));
        QVERIFY(WriteHistory(3, "Never backed up."));
        SaveNeeded = 1;
        const BackupResult restored = RestoreBackup(first, At(FirstMonday, 10));
        QVERIFY2(restored.ok, restored.error.c_str());
        QCOMPARE(Tree(folder.dataPath()), before);
        const Backup undo = ListBackups().front();
        QCOMPARE(undo.reason, BackupReason::BeforeRestore);
        QCOMPARE(undo.clients, 1);
        QVERIFY(RestoreBackup(undo, At(FirstMonday, 11)).ok);
        QCOMPARE(LoadClientTable(), LoadOutcome::Loaded);
        QCOMPARE(ClientTable[2].InUse, 0);
        QCOMPARE(ReadHistoryOf(1).text, std::string("Changed."));
        QCOMPARE(ReadHistoryOf(3).text, std::string("Never backed up."));
    }

    void aHalfMadeBackupDoesNotList_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("a write fails on a full disk") << "write";
        QTest::newRow("a copy cannot be flushed to the disk") << "flush";
        QTest::newRow("the finished backup cannot be renamed into place") << "rename";
        QTest::newRow("a crash left a backup being built") << "crash";
    }
    void aHalfMadeBackupDoesNotList() {
        QFETCH(QString, fault);
        testing::TempDataFolder folder;
        MakeClients({"First."});
        FileCalls calls = SystemFileCalls();
        if (fault == "write")
            calls.write = [](int, const void*, std::size_t) -> ssize_t {
                return errno = ENOSPC, -1;
            };
        if (fault == "flush") calls.flush = [](int) { return errno = EIO, -1; };
        if (fault == "rename")
            calls.rename = [](const char*, const char*) { return errno = EIO, -1; };
        const std::string leftover = BackupsFolder() + ".incomplete-a1B2c3";
        if (fault == "crash") {
            QVERIFY(QDir().mkpath(QString::fromStdString(leftover)));
            QVERIFY(ReplaceFileSafely(leftover + "/Clients.dat", "half"));
        }
        {
            testing::StoreHooks hooks;
            hooks.setFileCalls(calls);
            const BackupResult made = MakeBackup(BackupReason::Daily, At(FirstMonday, 9));
            QCOMPARE(made.ok, fault == "crash");
            if (!made.ok) QVERIFY(!made.error.empty());
        }
        QCOMPARE(ListBackups().size(), std::size_t(fault == "crash"));
        QCOMPARE(Tree(BackupsFolder()).size(), std::size_t(fault == "crash" ? 3 : 0));
    }

    // A folder that cannot be locked is read-only: no backup, restore or pruning writes anything.
    void aReadOnlyDataFolderWritesNothing() {
        testing::TempDataFolder folder;
        MakeClients({"First."});
        QVERIFY(MakeBackup(BackupReason::BeforeImport, At(FirstMonday, 9)).ok);
        // No descriptor left for the lock: even a user who may write anywhere is read-only.
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        const rlimit none{0, limit.rlim_max};
        setrlimit(RLIMIT_NOFILE, &none);
        const FolderOpening opening = OpenDataFolder();
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &limit), 0);
        QCOMPARE(opening.access, FolderAccess::ReadOnly);
        const auto before = Tree(folder.path());
        SaveNeeded = 1;
        QVERIFY(!MakeBackup(BackupReason::BeforeDelete, At(FirstMonday, 10)).ok);
        QVERIFY(!MakeDailyBackupIfDue(At(FirstMonday.addDays(1), 9)).ok);
        QVERIFY(!RestoreBackup(ListBackups().front(), At(FirstMonday, 11)).ok);
        PruneBackups(At(FirstMonday.addYears(1), 9));
        QCOMPARE(Tree(folder.path()), before);
        ResetDataFolder();
    }
};

QTEST_MAIN(BackupsTest)
#include "tst_backups.moc"
