#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "store/backups.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/data_swap.h"
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

// Opens every file as the system does, but the one whose path ends as given as one that may not
// be read.
std::string Unreadable;
int OpenButNotUnreadable(const char* path, int flags) {
    if (!Unreadable.empty() && std::string_view(path).ends_with(Unreadable)) {
        errno = EACCES;
        return -1;
    }
    return SystemFileCalls().open(path, flags);
}

// The hidden folders a restore leaves beside the data folder while it runs.
QStringList SwapLeftovers(const testing::TempDataFolder& folder) {
    return QDir(QString::fromStdString(folder.path()))
        .entryList({".restoring-*", ".replaced-*"}, QDir::AllEntries | QDir::Hidden);
}

bool Listed(const QDateTime& when, BackupReason reason) {
    const auto list = ListBackups();
    return std::any_of(list.begin(), list.end(),
                       [&](const Backup& b) { return b.when == when && b.reason == reason; });
}

// The calls of one backup, in order: which file each descriptor is, and what was done to it.
std::vector<std::string> Calls;
std::map<int, std::string> Opened;
FileCalls RecordingCalls() {
    static const FileCalls real = SystemFileCalls();
    FileCalls calls = real;
    calls.open = [](const char* path, int flags) {
        const int fd = real.open(path, flags);
        std::string name = path;
        if (name.ends_with('/')) name.pop_back();
        Opened[fd] = name;
        return fd;
    };
    calls.create = [](const char* path, int flags, mode_t mode) {
        Calls.push_back(std::string("create ") + path);
        return real.create(path, flags, mode);
    };
    calls.flush = [](int fd) {
        Calls.push_back("flush " + Opened[fd]);
        return real.flush(fd);
    };
    calls.flushAll = [](int fd) {
        Calls.push_back("flush all " + Opened[fd]);
        return real.flushAll(fd);
    };
    calls.rename = [](const char* from, const char* to) {
        Calls.push_back(std::string("rename ") + to);
        return real.rename(from, to);
    };
    return calls;
}

}  // namespace

class BackupsTest : public QObject {
    Q_OBJECT

private slots:
    // A backup holds the data files alone; a later edit of a live file, even in place, leaves it.
    void aBackupHoldsExactlyTheFilesAsTheyWere_data() {
        QTest::addColumn<int>("clients");
        QTest::newRow("two clients") << 2;
        QTest::newRow("more files than are flushed one by one") << 100;
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
        auto backedUp = Tree(made.folder);
        QCOMPARE(backedUp.erase(".made"), std::size_t(1));
        QCOMPARE(backedUp, expected);
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
        // A file of the user's own in the data folder stays through every restore.
        QVERIFY(ReplaceFileSafely(folder.dataPath() + "notes.txt", "the user's"));
        QVERIFY(MakeBackup(BackupReason::BeforeDelete, At(FirstMonday, 9)).ok);
        const auto before = Tree(folder.dataPath());
        const Backup first = ListBackups().front();
        const int freed[] = {2};
        FreeSlots(freed);
        QVERIFY(WriteHistory(1, "Changed."));
        QVERIFY(WriteHistory(3, "Never backed up."));
        // A history an import left pending is the old folder's, not the restored one's.
        QVERIFY(ReplaceFileSafely(folder.dataPath() + "C0002.dat.pending", "pending"));
        SaveNeeded = 1;
        const BackupResult restored = RestoreBackup(first, At(FirstMonday, 10));
        QVERIFY2(restored.ok, restored.error.c_str());
        QCOMPARE(Tree(folder.dataPath()), before);
        const Backup undo = ListBackups().front();
        QCOMPARE(undo.reason, BackupReason::BeforeRestore);
        QCOMPARE(undo.clients, 1);
        QVERIFY(RestoreBackup(undo, At(FirstMonday, 11)).ok);
        QVERIFY(SwapLeftovers(folder).isEmpty());
        QCOMPARE(Tree(folder.dataPath())["notes.txt"], QByteArray("the user's"));
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
        QCOMPARE(Tree(BackupsFolder()).size(), std::size_t(fault == "crash" ? 4 : 0));
    }

    // Every file of a backup reached the disk before the backup is renamed into place: one by
    // one for a few, with one flush of the disk for many.
    void aBackupIsOnTheDiskBeforeItLists_data() {
        QTest::addColumn<int>("clients");
        QTest::newRow("a few files, each flushed") << 2;
        QTest::newRow("many files, with one flush of the disk") << 80;
    }
    void aBackupIsOnTheDiskBeforeItLists() {
        QFETCH(int, clients);
        testing::TempDataFolder folder;
        std::vector<std::string> histories;
        for (int i = 0; i < clients; ++i) histories.push_back("Visit " + std::to_string(i));
        MakeClients(histories);
        Calls.clear();
        BackupResult made;
        {
            testing::StoreHooks hooks;
            hooks.setFileCalls(RecordingCalls());
            made = MakeBackup(BackupReason::BeforeImport, At(FirstMonday, 9));
        }
        QVERIFY(made.ok);
        const std::string target = made.folder.substr(0, made.folder.size() - 1);
        const auto renamed = std::find(Calls.begin(), Calls.end(), "rename " + target);
        QVERIFY(renamed != Calls.end());
        std::set<std::string> flushed;
        bool flushedAll = false;
        std::string building;
        for (auto call = Calls.begin(); call != renamed; ++call) {
            if (call->starts_with("flush all ")) flushedAll = true;
            if (call->starts_with("flush ")) flushed.insert(call->substr(6));
        }
        for (auto call = Calls.begin(); call != renamed; ++call) {
            if (!call->starts_with("create ")) continue;
            const std::string file = call->substr(7);
            building = file.substr(0, file.rfind('/'));
            QVERIFY2(flushedAll || flushed.count(file) == 1, file.c_str());
        }
        QVERIFY2(flushed.count(building) == 1, "the backup's folder itself was not flushed");
        QCOMPARE(flushedAll, clients > 64);
    }

    // What stops a backup or a restore is named; a history file that cannot be read stops
    // nothing, and is named.
    void whatCannotBeReadIsNamed_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("named");  // in the error, or in the notice when ok
        QTest::newRow("a history that cannot be read is left out of the backup")
            << "unreadable history" << true << "Data/C0002.dat\" (Permission denied)";
        QTest::newRow("a client file that cannot be read stops the backup")
            << "unreadable table" << false << "Data/Clients.dat\" cannot be read";
        QTest::newRow("a file named Backups is named as a file")
            << "Backups a file" << false << "/Backups\" is a file, not a folder";
        QTest::newRow("a restore whose backup first fails changes nothing")
            << "restore, table unreadable" << false << "could not be backed up first";
        QTest::newRow("a restore of a backup holding a link is refused")
            << "restore, link" << false << "C0001.dat\" is a link";
        QTest::newRow("a restore of a backup holding a pipe is refused")
            << "restore, pipe" << false << "C0002.dat\" is not a plain file";
        QTest::newRow("a restore of a backup whose history cannot be read is refused")
            << "restore, backup unreadable" << false << "C0001.dat\" cannot be read";
        QTest::newRow("a history that cannot be read is kept in the backup before a restore")
            << "restore, history unreadable" << true << "Data/C0002.dat\" (now in";
    }
    void whatCannotBeReadIsNamed() {
        QFETCH(QString, damage);
        QFETCH(bool, ok);
        QFETCH(QString, named);
        testing::TempDataFolder folder;
        MakeClients({"First.", "Second."});
        const bool restore = damage.startsWith("restore");
        QVERIFY(!restore || MakeBackup(BackupReason::BeforeDelete, At(FirstMonday, 9)).ok);
        const std::string backup = restore ? ListBackups().front().folder : std::string();
        if (restore) QVERIFY(WriteHistory(1, "Changed since."));
        const auto before = Tree(folder.dataPath());
        Unreadable.clear();
        if (damage == "unreadable history" || damage == "restore, history unreadable")
            Unreadable = "Data/C0002.dat";
        if (damage == "unreadable table" || damage == "restore, table unreadable")
            Unreadable = "Data/Clients.dat";
        if (damage == "restore, backup unreadable") Unreadable = backup + "C0001.dat";
        if (damage == "Backups a file")
            QVERIFY(ReplaceFileSafely(folder.path() + "Backups", "in the way"));
        if (damage == "restore, link") {
            QVERIFY(::unlink((backup + "C0001.dat").c_str()) == 0);
            QVERIFY(::symlink("/etc/hostname", (backup + "C0001.dat").c_str()) == 0);
        }
        if (damage == "restore, pipe") {
            QVERIFY(::unlink((backup + "C0002.dat").c_str()) == 0);
            QVERIFY(::mkfifo((backup + "C0002.dat").c_str(), 0600) == 0);
        }
        BackupResult result;
        {
            FileCalls calls = SystemFileCalls();
            calls.open = OpenButNotUnreadable;
            testing::StoreHooks hooks;
            hooks.setFileCalls(calls);
            result = restore ? RestoreBackup(ListBackups().back(), At(FirstMonday, 10))
                             : MakeBackup(BackupReason::BeforeImport, At(FirstMonday, 10));
        }
        const QString told = QString::fromStdString(ok ? result.notice : result.error);
        QCOMPARE(result.ok, ok);
        QVERIFY2(told.contains(named), qPrintable(told));
        QVERIFY(SwapLeftovers(folder).isEmpty());
        if (!ok && restore) QCOMPARE(Tree(folder.dataPath()), before);
        if (damage == "unreadable history") {
            QCOMPARE(result.leftOut, std::vector<std::string>{folder.dataPath() + "C0002.dat"});
            const auto backedUp = Tree(result.folder);
            QVERIFY(backedUp.count("C0001.dat") == 1 && backedUp.count("C0002.dat") == 0);
        }
        if (damage == "restore, history unreadable") {
            // The restored history replaced it; the one that could not be read is kept.
            QCOMPARE(Tree(folder.dataPath())["C0002.dat"], QByteArray("Second."));
            QCOMPARE(Tree(result.folder)["C0002.dat"], QByteArray("Second."));
        }
    }

    // Backups are ordered by their making, and pruning keeps what a restore needs.
    void pruningKeepsTheNewestAndWhatRestoresNeed_data() {
        QTest::addColumn<QString>("history");
        QTest::newRow("the eighth newest daily backup is removed") << "ten days";
        QTest::newRow("the backup a restore brings back is not pruned by the backup before it")
            << "restore of an old backup";
        QTest::newRow("the newest backup before a restore outlives three imports a week later")
            << "imports after a restore";
        QTest::newRow("a backup made with the clock set a year ahead is not the newest")
            << "clock set forward";
    }
    void pruningKeepsTheNewestAndWhatRestoresNeed() {
        QFETCH(QString, history);
        testing::TempDataFolder folder;
        MakeClients({"History."});
        const auto day = [](int d, int hour) { return At(FirstMonday.addDays(d), hour); };
        if (history == "ten days") {
            for (int d = 0; d < 10; ++d) QVERIFY(MakeDailyBackupIfDue(day(d, 9)).ok);
            // Day 9 is a Wednesday: the eighth newest, day 2, is not its week's newest.
            QVERIFY(!Listed(day(2, 9), BackupReason::Daily));
            QVERIFY(Listed(day(3, 9), BackupReason::Daily));
        }
        if (history == "restore of an old backup") {
            QVERIFY(MakeBackup(BackupReason::BeforeDelete, day(0, 14)).ok);
            for (int i = 0; i < 3; ++i)
                QVERIFY(MakeBackup(BackupReason::BeforeImport, day(5, 9 + i)).ok);
            const auto list = ListBackups();
            QVERIFY(RestoreBackup(list.back(), day(30, 9)).ok);
            QVERIFY(Listed(day(0, 14), BackupReason::BeforeDelete));
        }
        if (history == "imports after a restore") {
            QVERIFY(MakeBackup(BackupReason::BeforeRestore, day(0, 14)).ok);
            for (int i = 0; i < 3; ++i)
                QVERIFY(MakeBackup(BackupReason::BeforeImport, day(10, 9 + i)).ok);
            QVERIFY(Listed(day(0, 14), BackupReason::BeforeRestore));
        }
        if (history == "clock set forward") {
            for (int d = 0; d < 3; ++d) QVERIFY(MakeDailyBackupIfDue(day(d, 9)).ok);
            QVERIFY(MakeDailyBackupIfDue(day(365, 9)).ok);
            for (int d = 3; d < 10; ++d) QVERIFY(MakeDailyBackupIfDue(day(d, 9)).ok);
            const auto list = ListBackups();
            QCOMPARE(list.front().when, day(9, 9));
            // The one dated a year ahead lists as made, after the days before it.
            const auto ahead = std::find_if(list.begin(), list.end(),
                                            [&](const Backup& b) { return b.when == day(365, 9); });
            QCOMPARE(ahead - list.begin(), std::ptrdiff_t(7));
            // The seven made last are kept, whatever their names say.
            for (int d = 3; d < 10; ++d) QVERIFY(Listed(day(d, 9), BackupReason::Daily));
        }
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
