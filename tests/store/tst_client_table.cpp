#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/resource.h>
#include <csignal>
#include <cstring>

#include "store/client_table.h"
#include "store/files.h"
#include "store/text_field.h"
#include "support/store_hooks.h"
#include "support/temp_data_folder.h"

using namespace store;

namespace {

QByteArray ReadAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void WriteAll(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

std::int32_t IntAt(const QByteArray& bytes, qsizetype offset) {
    std::int32_t value;
    std::memcpy(&value, bytes.constData() + offset, sizeof value);
    return value;
}

QStringList FolderEntries(const std::string& folder) {
    return QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

// Limits the size of any file this process writes, so that a save fails half-way even when
// the test runs as root (which ignores folder permissions).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

}  // namespace

class ClientTableTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetClientStore(); }

    void firstRunMakesTheExactFileImage() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QCOMPARE(SaveNeeded, 0);

        const QByteArray bytes = ReadAll(folder.dataFile());
        QCOMPARE(bytes.size(), qsizetype(696348));
        QCOMPARE(bytes.left(36), QByteArray(36, '\0'));
        QCOMPARE(bytes.mid(36, 14), QByteArray(14, ' '));
        QCOMPARE(bytes.mid(50, 298), QByteArray(298, '\0'));
        for (int i = 1; i <= MaxClients; ++i) {
            QCOMPARE(IntAt(bytes, 348 * i + 340), i);
            QCOMPARE(IntAt(bytes, 348 * i + 344), 0);
        }
        for (int i = 1; i <= MaxClients; ++i) QCOMPARE(ClientTable[i].ClientNumber, i);
    }

    void aFreshSlotShowsEmptyText() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QCOMPARE(FieldText(ClientTable[7].ClientName), std::string());
        QCOMPARE(FieldText(ClientTable[7].EMail), std::string());
    }

    void aShortFileLoadsAsFarAsItReaches() {
        testing::TempDataFolder folder;
        QByteArray bytes(348, '\0');
        const std::int32_t style = 3;
        std::memcpy(bytes.data(), &style, sizeof style);
        WriteAll(folder.dataFile(), bytes);

        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QCOMPARE(ProgramSettings.DefaultPrintStyle, 3);
        // Every slot is free and, read as number 0, gets its own number to be saved.
        QCOMPARE(SaveNeeded, 1);
        for (int i = 1; i <= MaxClients; ++i) {
            QCOMPARE(ClientTable[i].InUse, 0);
            QCOMPARE(ClientTable[i].ClientNumber, i);
        }
    }

    void aFileShorterThanTheSettingsLeavesTheRestZero() {
        testing::TempDataFolder folder;
        const std::int32_t style = 2;
        WriteAll(folder.dataFile(),
                 QByteArray(reinterpret_cast<const char*>(&style), 4) + "\x01\x00");
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QCOMPARE(ProgramSettings.DefaultPrintStyle, 2);
        QCOMPARE(ProgramSettings.PreviewBeforePrint, 1);
        QCOMPARE(ProgramSettings.RollPastDueForward, 0);
    }

    void aLongFileLoadsItsTableAndLosesItsTailAtTheNextSave() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QByteArray bytes = ReadAll(folder.dataFile());
        bytes[348 + 344] = 1;  // slot 1 in use
        bytes.append(QByteArray(1000, 'x'));
        WriteAll(folder.dataFile(), bytes);

        ResetClientStore();
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QCOMPARE(ClientTable[1].InUse, 1);
        SaveNeeded = 1;
        QVERIFY(SaveClientTable());
        QCOMPARE(ReadAll(folder.dataFile()), bytes.left(696348));
    }

    void settingsTravelInTheFirstRecord() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        ProgramSettings.RollPastDueForward = 1;
        ProgramSettings.ConfirmExit = 1;
        ProgramSettings.SortKeyStart = 143;
        ProgramSettings.SortKeyLength = 30;
        SaveNeeded = 1;
        QVERIFY(SaveClientTable());
        QCOMPARE(SaveNeeded, 0);

        const QByteArray bytes = ReadAll(folder.dataFile());
        QCOMPARE(IntAt(bytes, 32), 1);
        QCOMPARE(IntAt(bytes, 24), 143);
        QCOMPARE(bytes.mid(36, 14), QByteArray(14, ' '));

        ResetClientStore();
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QCOMPARE(ProgramSettings.RollPastDueForward, 1);
        QCOMPARE(ProgramSettings.ConfirmExit, 1);
        QCOMPARE(ProgramSettings.SortKeyLength, 30);
    }

    void aSaveWithNothingChangedWritesNothing() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        // Put different bytes in the file: a save that wrote anything would replace them.
        QByteArray marker = ReadAll(folder.dataFile());
        marker[100] = 'M';
        WriteAll(folder.dataFile(), marker);
        ClientTable[1].InUse = 1;  // changed in memory, but nobody asked for a save
        QVERIFY(SaveClientTable());
        QCOMPARE(ReadAll(folder.dataFile()), marker);
    }

    void aFailedSaveKeepsTheOldFileAndAsksAgain() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        const QByteArray before = ReadAll(folder.dataFile());

        ClientTable[1].InUse = 1;
        StoreField(ClientTable[1].ClientName, "Acme");
        SaveNeeded = 1;
        {
            FileSizeLimit limit(100000);
            QVERIFY(!SaveClientTable());
        }
        QCOMPARE(SaveNeeded, 1);
        QCOMPARE(ReadAll(folder.dataFile()), before);
        QCOMPARE(FolderEntries(folder.dataPath()), QStringList{"Clients.dat"});

        // Once the disk takes it again, the same save goes through.
        QVERIFY(SaveClientTable());
        QCOMPARE(SaveNeeded, 0);
        QCOMPARE(ReadAll(folder.dataFile()).mid(348, 4), QByteArray("Acme"));
    }

    void aMissingDataFolderFailsTheSaveWithoutLosingTheRequest() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QVERIFY(QDir(QString::fromStdString(folder.dataPath())).removeRecursively());
        SaveNeeded = 1;
        QVERIFY(!SaveClientTable());
        QCOMPARE(SaveNeeded, 1);
    }

    void anUnreadableFileIsNotTakenForAnEmptyTable() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        if (geteuid() == 0) QSKIP("root reads any file");
        QFile::setPermissions(QString::fromStdString(folder.dataFile()), QFileDevice::WriteOwner);
        QCOMPARE(LoadClientTable(), LoadOutcome::Unreadable);
    }

    // A disk that fails part way through the file: what was read is not taken for a short
    // table (which the exit save would then write over the whole file).
    void aFileThatFailsPartWayThroughIsNotLoaded() {
        testing::TempDataFolder folder;
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        ClientTable[3].InUse = 1;
        StoreField(ClientTable[3].ClientName, "Acme");
        SaveNeeded = 1;
        QVERIFY(SaveClientTable());

        static const FileCalls real = SystemFileCalls();
        FileCalls failing = real;
        failing.read = [](int fd, void* bytes, std::size_t count) -> ssize_t {
            static int calls = 0;
            if (++calls % 2 == 0) {
                errno = EIO;
                return -1;
            }
            return real.read(fd, bytes, std::min<std::size_t>(count, 4 * RecordSize));
        };
        bool loaded = false;
        {
            testing::StoreHooks hooks;
            hooks.setFileCalls(failing);
            loaded = LoadClientTable() != LoadOutcome::Unreadable;
        }
        QVERIFY(!loaded);
        QCOMPARE(ClientTable[3].InUse, 0);
        QCOMPARE(ReadAll(folder.dataFile()).mid(3 * 348, 4), QByteArray("Acme"));

        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        QCOMPARE(ClientTable[3].InUse, 1);
    }

    // A file longer than the reader's limit is not read at all: cut, it would be written back
    // shorter.
    void aFileLongerThanTheLimitIsNotReadInPart() {
        testing::TempDataFolder folder;
        const std::string path = folder.dataPath() + "C0001.dat";
        QVERIFY(ReplaceFileSafely(path, "0123456789"));
        QCOMPARE(ReadFileBytes(path, 10), std::optional<std::string>("0123456789"));
        QCOMPARE(ReadFileBytes(path, 9), std::optional<std::string>());
    }

    void theDataFolderAndFileAreTheUsersAlone() {
        testing::TempDataFolder folder;
        QDir(QString::fromStdString(folder.dataPath())).removeRecursively();
        EnsureFolder(folder.dataPath());
        QVERIFY(LoadClientTable() != LoadOutcome::Unreadable);
        const auto folderPermissions =
            QFile::permissions(QString::fromStdString(folder.dataPath()));
        QCOMPARE(folderPermissions & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        const auto filePermissions = QFile::permissions(QString::fromStdString(folder.dataFile()));
        QCOMPARE(filePermissions & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
    }
};

QTEST_GUILESS_MAIN(ClientTableTest)
#include "tst_client_table.moc"
