// The program killed while it saves, and a second copy started on the same data: after any
// kill "Clients.dat" is a whole table as one of the saves wrote it, and a second copy neither
// opens nor touches the data while the first one runs.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "app/startup.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "store/client_table.h"
#include "store/data_folder.h"
#include "store/data_swap.h"
#include "store/files.h"
#include "store/folder_lock.h"
#include "support/details_driver.h"
#include "support/generation_table.h"
#include "support/program_fixture.h"
#include "support/temp_app_folder.h"

namespace {

constexpr int Kills = 200;
constexpr int ChildTimeoutMs = 20000;

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList DataFiles(const testing::TempAppFolder& folder) {
    return QDir(QString::fromStdString(folder.dataPath()))
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The helper process in one of its modes, on the test's folder.
class Child {
public:
    // An unprivileged child runs as "nobody" when the test runs as root, who may write
    // anywhere.
    Child(const char* mode, const testing::TempAppFolder& folder, bool unprivileged = false,
          const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
          const QStringList& more = {}) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setProcessEnvironment(environment);
        QStringList arguments =
            QStringList{QString::fromLatin1(mode), QString::fromStdString(folder.path())} + more;
        QString program = QStringLiteral(STORE_CHILD);
        if (unprivileged && ::geteuid() == 0) {
            arguments.prepend(program);
            arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + arguments;
            program = QStringLiteral("setpriv");
        }
        process_.start(program, arguments);
    }
    // Once the child has ended its pid reads 0, and kill(0, ...) would signal this whole
    // process group (ctest with it): only a live child's own pid is signalled.
    void signal(int number) {
        const auto id = static_cast<pid_t>(pid());
        if (id > 0) ::kill(id, number);
    }
    ~Child() { kill(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Waits until the child has reported a line starting with the word; false when it ended
    // or took too long.
    bool waitFor(const QByteArray& word) {
        while (!output_.contains(word)) {
            if (!process_.waitForReadyRead(ChildTimeoutMs)) return false;
            output_ += process_.readAllStandardOutput();
        }
        return true;
    }
    void kill() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();  // SIGKILL
        process_.waitForFinished(ChildTimeoutMs);
    }
    bool waitForExit() { return process_.waitForFinished(ChildTimeoutMs); }
    // Everything the child reported, once it has ended.
    QByteArray output() {
        output_ += process_.readAllStandardOutput();
        return output_;
    }
    qint64 pid() const { return process_.processId(); }
    int exitCode() const { return process_.exitCode(); }

private:
    QProcess process_;
    QByteArray output_;
};

// The last generation a save-loop child reported as saved; -1 when none.
long long LastSaved(const QByteArray& output) {
    long long last = -1;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("saved ")) last = line.mid(6).toLongLong();
    }
    return last;
}

long long ReadyAt(const QByteArray& output) {
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("ready ")) return line.mid(6).toLongLong();
    }
    return -1;
}

// "Clients.dat" and the history files of a folder, with their bytes.
std::map<std::string, QByteArray> DataFilesIn(const std::string& folder) {
    std::map<std::string, QByteArray> files;
    const QDir dir(QString::fromStdString(folder));
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const std::string file = name.toStdString();
        if (store::IsDataFileName(file)) files[file] = FileBytes(folder + file);
    }
    return files;
}

// A backup of two clients, then three other clients on file, and a file of the user's own.
void PrepareRestore(const testing::TempAppFolder& folder) {
    store::ResetClientStore();
    testing::WriteClientsFile(
        folder, {testing::MakeClient("Restored One"), testing::MakeClient("Restored Two")});
    testing::WriteHistoryBytes(folder, 1, "Restored history.");
    QVERIFY(store::MakeBackup(store::BackupReason::BeforeImport).ok);
    testing::WriteClientsFile(folder,
                              {testing::MakeClient("Old One"), testing::MakeClient("Old Two"),
                               testing::MakeClient("Old Three")});
    testing::WriteHistoryBytes(folder, 1, "Old history one.");
    testing::WriteHistoryBytes(folder, 3, "Old history three.");
    QVERIFY(store::ReplaceFileSafely(folder.dataPath() + "notes.txt", "the user's"));
}

}  // namespace

class CrashSurvivalTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { testing::StopProgram(); }

    void everyKillLeavesOneWholeSavedTable() {
        testing::TempAppFolder folder;
        store::ResetClientStore();
        testing::SetGenerationTable(0);
        store::SaveNeeded = 1;
        QVERIFY(store::SaveClientTable());

        const unsigned seed = std::random_device{}();
        std::mt19937 random(seed);
        qInfo("kill moments drawn with seed %u", seed);
        long long known = 0;  // the generation the file is known to hold at least
        int inTheMiddle = 0;
        for (int kill = 1; kill <= Kills; ++kill) {
            const QByteArray context =
                "kill " + QByteArray::number(kill) + ", seed " + QByteArray::number(seed);
            Child child("save-loop", folder);
            // Half of the kills strike anywhere from the start on, the others while the child
            // saves, up to a few saves after its first.
            if (kill % 2 == 0) QVERIFY2(child.waitFor("ready"), context.constData());
            std::this_thread::sleep_for(
                std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20000)(random)));
            child.kill();

            const QByteArray output = child.output();
            const long long ready = ReadyAt(output);
            QVERIFY2(ready < 0 || ready == known, context.constData());
            if (ready >= 0) known = ready;
            const long long saved = LastSaved(output);
            if (saved >= 0) known = saved;

            if (DataFiles(folder).size() > 1) ++inTheMiddle;
            const QByteArray bytes = FileBytes(folder.dataFile());
            QVERIFY2(bytes.size() == qsizetype(696348), context.constData());
            const auto generation = testing::GenerationOf(
                std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            QVERIFY2(generation.has_value(), context.constData());
            // The save under way when the kill struck may have been renamed into place just
            // before it.
            QVERIFY2(*generation == known || *generation == known + 1, context.constData());
            QVERIFY2(bytes == QByteArray::fromStdString(testing::GenerationImage(*generation)),
                     context.constData());
            known = *generation;
        }
        qInfo("%d kills survived; %d struck while a save was under way", Kills, inTheMiddle);

        // The next run clears what the kills left behind.
        store::ResetClientStore();
        testing::StartProgram(folder);
        QVERIFY(gui::EZ_ISFORM(shell::MainForm));
        testing::StopProgram();
        QCOMPARE(DataFiles(folder), QStringList{QStringLiteral("Clients.dat")});
    }

    // A restore killed at each of its file calls in turn: the data folder holds the old
    // clients or the restored ones, whole, and the next start clears what the kill left.
    void aKilledRestoreLeavesOneWholeState_data() {
        QTest::addColumn<bool>("renames");
        QTest::newRow("the folders swapped in one step") << false;
        QTest::newRow("the folders swapped by two renames") << true;
    }
    void aKilledRestoreLeavesOneWholeState() {
        QFETCH(bool, renames);
        int old = 0;
        int restored = 0;
        long killAt = 1;
        for (;; ++killAt) {
            const QByteArray context = "killed at file call " + QByteArray::number(killAt);
            testing::TempAppFolder folder;
            PrepareRestore(folder);
            const auto before = DataFilesIn(folder.dataPath());
            const auto backup = DataFilesIn(store::ListBackups().front().folder);
            QStringList more{QString::number(killAt)};
            if (renames) more << QStringLiteral("renames");
            Child child("restore", folder, false, QProcessEnvironment::systemEnvironment(), more);
            QVERIFY2(child.waitForExit(), context.constData());
            const QByteArray output = child.output();
            const bool finished = output.contains("steps ");
            QVERIFY2(!finished || output.contains("restored"), output.constData());

            // Between two renames the data folder is aside for a moment; otherwise it is whole.
            const bool aside = !QFileInfo::exists(QString::fromStdString(folder.dataPath()));
            QVERIFY2(renames || !aside, context.constData());
            auto after = DataFilesIn(folder.dataPath());
            QVERIFY2(aside || after == before || after == backup, context.constData());
            QVERIFY2(!finished || after == backup, context.constData());
            // The next start finishes or undoes what the kill left, and changes no client.
            store::ResetClientStore();
            QCOMPARE(store::OpenDataFolder().access, store::FolderAccess::Writable);
            store::CloseDataFolder();
            store::ResetDataFolder();
            if (aside) after = before;
            QVERIFY2(DataFilesIn(folder.dataPath()) == after, context.constData());
            QVERIFY2(FileBytes(folder.dataPath() + "notes.txt") == "the user's",
                     context.constData());
            const QStringList left =
                QDir(QString::fromStdString(folder.path()))
                    .entryList({".restoring-*", ".replaced-*"}, QDir::AllEntries | QDir::Hidden);
            QVERIFY2(left.isEmpty(), qPrintable(context + ": " + left.join(", ")));
            ++(after == before ? old : restored);
            if (finished || killAt > 5000) break;
        }
        qInfo("killed at each of %ld file calls: %d left the old clients, %d the restored ones",
              killAt - 1, old, restored);
        QVERIFY(old > 0 && restored > 1);
    }

    void aSecondCopyOnALockedFolderStopsWithoutTouchingTheData_data() {
        QTest::addColumn<bool>("lockInThisProcess");
        QTest::newRow("the lock held by another running copy") << false;
        QTest::newRow("the lock held within this very process") << true;
    }

    void aSecondCopyOnALockedFolderStopsWithoutTouchingTheData() {
        QFETCH(bool, lockInThisProcess);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")});
        store::FolderLock ownLock;
        std::optional<Child> holder;
        if (lockInThisProcess) {
            // The folder holding the data folder is locked: a restore swaps the data folder.
            QCOMPARE(ownLock.acquire(folder.path()), store::LockOutcome::Held);
        } else {
            holder.emplace("hold-lock", folder);
            QVERIFY(holder->waitFor("locked"));
        }
        const QByteArray before = FileBytes(folder.dataFile());
        const QDateTime modified =
            QFileInfo(QString::fromStdString(folder.dataFile())).lastModified();
        const QStringList files = DataFiles(folder);

        testing::MessageBoxes boxes;
        testing::StartProgram(folder);
        QVERIFY(!gui::EZ_ISFORM(shell::MainForm));
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].caption, std::string("Vendrix 2"));
        QVERIFY(boxes.asked()[0].text.find("already running") != std::string::npos);
        QCOMPARE(FileBytes(folder.dataFile()), before);
        QCOMPARE(QFileInfo(QString::fromStdString(folder.dataFile())).lastModified(), modified);
        QCOMPARE(DataFiles(folder), files);
    }

    void aLockLeftByAKilledCopyDoesNotBlock() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")});
        {
            Child child("hold-lock", folder);
            QVERIFY(child.waitFor("locked"));
            child.kill();
        }
        testing::MessageBoxes boxes;
        testing::StartProgram(folder);
        QVERIFY(gui::EZ_ISFORM(shell::MainForm));
        QVERIFY(boxes.asked().empty());
        testing::StopProgram();
    }

    // The whole program in a process of its own, as a person starts it a second time: it
    // shows the box and ends by itself, with no window ever opened.
    void theSecondCopyEndsByItselfAfterItsMessage() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")});
        const QByteArray before = FileBytes(folder.dataFile());
        Child holder("hold-lock", folder);
        QVERIFY(holder.waitFor("locked"));

        Child second("run-program", folder);
        QVERIFY2(second.waitForExit(), "the second copy did not end by itself");
        const QByteArray output = second.output();
        QVERIFY2(output.contains("box Vendrix 2: Vendrix 2 is already running"),
                 output.constData());
        QVERIFY2(output.contains("returned 0"), output.constData());
        QCOMPARE(FileBytes(folder.dataFile()), before);
    }

    // A logout, a shutdown or Ctrl+C ends the program as its close box does, without asking:
    // what the user saved reaches the disk even when the save of the moment had not run yet.
    void theEndOfTheSessionSavesWhatWasSaved_data() {
        QTest::addColumn<int>("signal");  // 0: the display goes away instead
        QTest::newRow("SIGTERM, as at a logout or shutdown") << SIGTERM;
        QTest::newRow("SIGINT, as from Ctrl+C in a terminal") << SIGINT;
        QTest::newRow("SIGHUP, as when the terminal closes") << SIGHUP;
        QTest::newRow("the X server going away") << 0;
    }
    void theEndOfTheSessionSavesWhatWasSaved() {
        QFETCH(int, signal);
        testing::TempAppFolder folder;
        store::Settings settings = testing::NoStartUpScan();
        settings.ConfirmExit = 1;  // a question nobody is there to answer must not be asked
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")}, settings);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QProcess display;
        if (signal == 0) {
            if (QStandardPaths::findExecutable("Xvfb").isEmpty()) QSKIP("Xvfb is not installed");
            const QString number = QString::number(90 + QCoreApplication::applicationPid() % 500);
            display.start("Xvfb", {":" + number, "-nolisten", "tcp", "-screen", "0", "800x600x24"});
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists("/tmp/.X11-unix/X" + number), 10000);
            environment.insert("QT_QPA_PLATFORM", "xcb");
            environment.insert("DISPLAY", ":" + number);
        }
        Child child("edit-program", folder, false, environment);
        QVERIFY(child.waitFor("edited"));
        if (signal != 0) child.signal(signal);
        display.kill();
        display.waitForFinished();
        QVERIFY2(child.waitForExit(), "the program did not end");
        const QByteArray output = child.output();
        QVERIFY2(!output.contains("box "), output.constData());
        if (signal != 0) QVERIFY2(output.contains("returned 0"), output.constData());
        QVERIFY(FileBytes(folder.dataFile()).contains("Signalled"));
    }

    // Data the user may only read opens, says so once, and nothing is written; another copy
    // is not blamed for a lock that cannot be made.
    void readOnlyDataOpensAndWritesNothing() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")});
        const QString data = QString::fromStdString(folder.dataPath());
        const QString top = QString::fromStdString(folder.path());
        constexpr auto ReadOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                  QFileDevice::ReadOther | QFileDevice::ExeOther;
        QFile::setPermissions(top, ReadOnly);
        QFile::setPermissions(data, ReadOnly);
        QFile::setPermissions(QString::fromStdString(folder.dataFile()),
                              QFileDevice::ReadOwner | QFileDevice::ReadOther);
        const QByteArray before = FileBytes(folder.dataFile());
        const QStringList files = DataFiles(folder);

        Child child("run-program", folder, true);
        const bool told = child.waitFor("box Read-Only Clients");
        child.signal(SIGTERM);
        QVERIFY(child.waitForExit());
        const QByteArray output = child.output();
        QFile::setPermissions(
            top, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(
            data, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY2(told && !output.contains("already running"), output.constData());
        QCOMPARE(output.count("box "), 1);
        QVERIFY2(output.contains("returned 0"), output.constData());
        QCOMPARE(FileBytes(folder.dataFile()), before);
        QCOMPARE(DataFiles(folder), files);
    }

    // A program folder the user may not write (an installed program) keeps the clients in the
    // user's own data folder, made private, and writes nothing beside the program; the next
    // start finds them there.
    void anInstalledProgramKeepsDataInTheUsersFolder() {
        testing::TempAppFolder folder;
        const QString top = QString::fromStdString(folder.path());
        QDir(QString::fromStdString(folder.dataPath())).removeRecursively();
        QTemporaryDir userData;
        QFile::setPermissions(userData.path(), QFileDevice::ReadOther | QFileDevice::WriteOther |
                                                   QFileDevice::ExeOther | QFileDevice::ReadOwner |
                                                   QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(top, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                       QFileDevice::ReadOther | QFileDevice::ExeOther);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), userData.path());
        const QString home = userData.path() + QStringLiteral("/org.vendrix.Vendrix2");
        // Each run adds a client; the second run must find the first one's.
        for (int start = 0; start < 2; ++start) {
            Child child("edit-program", folder, true, environment);
            QVERIFY2(child.waitFor("edited"), child.output().constData());
            child.signal(SIGTERM);
            QVERIFY(child.waitForExit());
            QVERIFY2(child.output().contains("returned 0"), child.output().constData());
        }
        QFile::setPermissions(
            top, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QByteArray clients = FileBytes(home.toStdString() + "/Data/Clients.dat");
        QCOMPARE(clients.size(), qint64{store::FileSize});
        QCOMPARE(clients.count("Signalled"), 2);
        QCOMPARE(QFileInfo(home).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions{});
        QVERIFY(!QFileInfo::exists(QString::fromStdString(folder.dataPath())));
        QVERIFY(!QFileInfo::exists(top + QStringLiteral("/Reports")));
    }
};

QTEST_MAIN(CrashSurvivalTest)
#include "tst_crash_survival.moc"
