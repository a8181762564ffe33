// Where the data live, run by different users (the test as root, and as "nobody" through
// setpriv), and the permissions of what the program keeps, repaired at every start.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "store/data_location.h"
#include "store/data_permissions.h"

namespace {

constexpr const char* AppId = "org.vendrix.Vendrix2";
constexpr uid_t Nobody = 65534;
constexpr const char* ChildFlag = "--choose-data-home";
constexpr const char* AskFlag = "--user-data-folder";

// What the start does with the program's folder, in a process of the user under test.
int ChooseAsTheStartDoes(const char* programFolder) {
    const store::DataHome home = store::ChooseDataHome(programFolder, AppId);
    store::RepairDataPermissions(home);
    std::printf("%s\n", home.folder.c_str());
    return 0;
}

mode_t ModeOf(const QString& path) {
    struct stat info {};
    return ::lstat(path.toLocal8Bit().constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

uid_t OwnerOf(const QString& path) {
    struct stat info {};
    return ::lstat(path.toLocal8Bit().constData(), &info) == 0 ? info.st_uid : uid_t(-1);
}

void MakeFolder(const QString& path, mode_t mode, uid_t owner = 0) {
    QDir().mkpath(path);
    ::chmod(path.toLocal8Bit().constData(), mode);
    if (::chown(path.toLocal8Bit().constData(), owner, owner) != 0) QFAIL("chown failed");
}

void MakeFile(const QString& path, mode_t mode, uid_t owner = 0) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("client data");
    file.close();
    ::chmod(path.toLocal8Bit().constData(), mode);
    if (::chown(path.toLocal8Bit().constData(), owner, owner) != 0) QFAIL("chown failed");
}

}  // namespace

class DataLocationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (::geteuid() != 0) QSKIP("needs root, to run as root and as nobody");
    }

    // Each user keeps the data of an installed program in their own data folder; only a copy
    // in a folder of its own keeps them beside itself. An earlier "Data/" beside an installed
    // program (root's, from an earlier version) is left as it is.
    void everyUserKeepsTheirOwnData_data() {
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("home");  // the home folder the process is given
        QTest::addColumn<QString>("xdg");   // XDG_DATA_HOME; "@" stands for the test's folder
        QTest::addColumn<QString>("chosen");
        const QString rootData = "root-home/.local/share/org.vendrix.Vendrix2/";
        const QString nobodyData = "nobody-home/.local/share/org.vendrix.Vendrix2/";
        QTest::newRow("root runs an installed program: root's own data folder, not the program's")
            << false << true << "root-home"
            << "" << rootData;
        QTest::newRow("nobody runs the same installed program: their own data folder")
            << true << true << "nobody-home"
            << "" << nobodyData;
        QTest::newRow("root runs a copy in a folder of its own: the data beside it")
            << false << false << "root-home"
            << ""
            << "prefix/bin/";
        // Root could make the relative folder where the test runs: it must not.
        QTest::newRow("a relative XDG_DATA_HOME is ignored for the home's data folder")
            << false << true << "root-home"
            << "relative/data" << rootData;
        QTest::newRow("an absolute XDG_DATA_HOME is used") << false << true << "root-home"
                                                           << "@/xdg"
                                                           << "xdg/org.vendrix.Vendrix2/";
        // Only asked, not made: root's own home is the machine's.
        QTest::newRow("root with another user's home and data folder (sudo -E) takes its own")
            << false << true << "nobody-home"
            << "@/nobody-home/data"
            << "PASSWD";
    }
    void everyUserKeepsTheirOwnData() {
        QFETCH(bool, asNobody);
        QFETCH(bool, installed);
        QFETCH(QString, home);
        QFETCH(QString, xdg);
        QFETCH(QString, chosen);
        QTemporaryDir top;
        const QString at = top.path() + "/";
        MakeFolder(at, 0755);
        MakeFolder(at + "prefix/bin", 0755);
        if (installed) MakeFolder(at + "prefix/share/org.vendrix.Vendrix2", 0755);
        MakeFolder(at + "root-home", 0755);
        MakeFolder(at + "nobody-home", 0755, Nobody);
        MakeFolder(at + "prefix/bin/Data", 0755);
        MakeFile(at + "prefix/bin/Data/Clients.dat", 0644);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", at + home);
        environment.remove("XDG_DATA_HOME");
        if (!xdg.isEmpty())
            environment.insert("XDG_DATA_HOME", QString(xdg).replace("@", top.path()));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(at);
        QStringList arguments{ChildFlag, at + "prefix/bin/"};
        if (chosen == "PASSWD") arguments = QStringList{AskFlag};
        QString program = QCoreApplication::applicationFilePath();
        if (asNobody) {
            arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", program} +
                        arguments;
            program = "setpriv";
        }
        child.start(program, arguments);
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitCode(), 0);
        const QString folder = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();

        if (chosen == "PASSWD") {
            const passwd* user = ::getpwuid(0);
            QVERIFY(user != nullptr);
            QCOMPARE(folder,
                     QString::fromLocal8Bit(user->pw_dir) + "/.local/share/org.vendrix.Vendrix2/");
        } else {
            QCOMPARE(folder, at + chosen);
            if (chosen != "prefix/bin/") {
                // Made by the user running it, and theirs alone.
                QCOMPARE(OwnerOf(folder), asNobody ? Nobody : uid_t(0));
                QCOMPARE(ModeOf(folder), mode_t(0700));
            }
        }
        // Root's earlier data beside the program are someone's data: left as they were.
        QCOMPARE(ModeOf(at + "prefix/bin/Data"), mode_t(installed ? 0755 : 0700));
        QCOMPARE(ModeOf(at + "prefix/bin/Data/Clients.dat"), mode_t(installed ? 0644 : 0600));
        QVERIFY(!QFileInfo::exists(at + "relative"));
    }

    // What the program keeps becomes the user's alone again; what is not the program's, or
    // not the user's, or only a link, stays as it is.
    void permissionsAreRepairedAtEveryStart_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("others");  // belongs to another user
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("the data folder, 0755 -> 0700") << "Data" << true << false << 0755 << 0700;
        QTest::newRow("the user's data folder above it, 0755 -> 0700")
            << "" << true << false << 0755 << 0700;
        QTest::newRow("the client file, 0644 -> 0600")
            << "Data/Clients.dat" << false << false << 0644 << 0600;
        QTest::newRow("a history file, 0644 -> 0600")
            << "Data/C0001.dat" << false << false << 0644 << 0600;
        QTest::newRow("the history file of a damaged number, 0664 -> 0600")
            << "Data/C-012.dat" << false << false << 0664 << 0600;
        QTest::newRow("the backups folder, 0755 -> 0700")
            << "Backups" << true << false << 0755 << 0700;
        QTest::newRow("the reports folder, 0775 -> 0700")
            << "Reports" << true << false << 0775 << 0700;
        QTest::newRow("another user's history file is left alone")
            << "Data/C0002.dat" << false << true << 0644 << 0644;
        QTest::newRow("a file the program did not make is left alone")
            << "Data/notes.txt" << false << false << 0644 << 0644;
        QTest::newRow("a client file that is a folder is left alone")
            << "Data/Clients.dat" << true << false << 0755 << 0755;
    }
    void permissionsAreRepairedAtEveryStart() {
        QFETCH(QString, path);
        QFETCH(bool, folder);
        QFETCH(bool, others);
        QFETCH(int, before);
        QFETCH(int, after);
        QTemporaryDir top;
        const QString home = top.path() + "/home/";
        MakeFolder(home + "Data", 0755);
        const QString target = home + path;
        const uid_t owner = others ? Nobody : 0;
        if (folder) {
            MakeFolder(target, mode_t(before), owner);
        } else {
            MakeFile(target, mode_t(before), owner);
        }
        // A link among the histories is not followed to what it points at.
        MakeFile(top.path() + "/elsewhere.txt", 0644);
        QVERIFY(QFile::link(top.path() + "/elsewhere.txt", home + "Data/C0003.dat"));

        store::RepairDataPermissions({home.toStdString(), false, true});
        QCOMPARE(ModeOf(target), mode_t(after));
        QCOMPARE(OwnerOf(target), owner);
        QCOMPARE(ModeOf(top.path() + "/elsewhere.txt"), mode_t(0644));
    }

    // A copy beside its program leaves the program's folder as the user made it.
    void theProgramsOwnFolderIsLeftAsItIs() {
        QTemporaryDir top;
        const QString home = top.path() + "/copy/";
        MakeFolder(home + "Data", 0755);
        ::chmod(home.toLocal8Bit().constData(), 0755);
        store::RepairDataPermissions({home.toStdString(), true, false});
        QCOMPARE(ModeOf(home), mode_t(0755));
        QCOMPARE(ModeOf(home + "Data"), mode_t(0700));
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == ChildFlag) return ChooseAsTheStartDoes(argv[2]);
    if (argc == 2 && std::string(argv[1]) == AskFlag) {
        std::printf("%s\n", store::UserDataFolder(AppId).c_str());
        return 0;
    }
    QCoreApplication application(argc, argv);
    DataLocationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_data_location.moc"
