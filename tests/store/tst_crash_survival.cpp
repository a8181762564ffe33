// The program killed while it saves, and a second copy started on the same data: after any
// kill "Clients.dat" is a whole table as one of the saves wrote it, and a second copy neither
// opens nor touches the data while the first one runs.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "app/forms.h"
#include "app/startup.h"
#include "platform/gui/ez.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/folder_lock.h"
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
    Child(const char* mode, const testing::TempAppFolder& folder) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(STORE_CHILD),
                       {QString::fromLatin1(mode), QString::fromStdString(folder.path())});
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
            QVERIFY2(bytes.size() == qsizetype(store::FileSize), context.constData());
            const auto generation =
                testing::GenerationOf(std::string_view(bytes.constData(), bytes.size()));
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
        QVERIFY(gui::EZ_ISFORM(app::MainForm));
        testing::StopProgram();
        QCOMPARE(DataFiles(folder),
                 (QStringList{QStringLiteral("Clients.dat"), QString::fromUtf8(app::DataLockName)}));
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
        const QString lockPath = QString::fromStdString(folder.dataPath() + app::DataLockName);
        store::FolderLock ownLock;
        std::optional<Child> holder;
        if (lockInThisProcess) {
            QVERIFY(ownLock.acquire(lockPath.toStdString()));
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
        QVERIFY(!gui::EZ_ISFORM(app::MainForm));
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
        QVERIFY(QFileInfo::exists(QString::fromStdString(folder.dataPath() + app::DataLockName)));
        testing::MessageBoxes boxes;
        testing::StartProgram(folder);
        QVERIFY(gui::EZ_ISFORM(app::MainForm));
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
};

QTEST_MAIN(CrashSurvivalTest)
#include "tst_crash_survival.moc"
