// Installs the build into a temporary DESTDIR, as a package does, and checks the tree: every
// file where the desktop looks for it, with its mode, and nothing else; the icons at their
// sizes; the desktop entry and the metadata valid by the desktop's own validators, naming the
// installed program, icon and version; the Debian documents.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "platform/program_identity.h"

namespace {

const QString Id = QString::fromLatin1(platform::ApplicationId);

struct Run {
    int exitCode = -1;
    QByteArray output;
};

Run RunProgram(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAll()};
}

}  // namespace

class InstallTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString prefix_;

    QByteArray Installed(const QString& path) {
        QFile file(prefix_ + "/" + path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        QVERIFY(root_.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), root_.path());
        const Run install = RunProgram(
            QStringLiteral(CMAKE_COMMAND),
            {"--install", QStringLiteral(BUILD_FOLDER), "--prefix", "/usr"}, environment);
        QVERIFY2(install.exitCode == 0, install.output.constData());
        prefix_ = root_.path() + "/usr";
    }

    void theTreeHoldsEachFileWithItsMode() {
        QMap<QString, QFile::Permissions> expected;
        const auto regular = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                             QFile::ReadOther | QFile::ReadUser | QFile::WriteUser;
        expected["bin/vendrix2"] =
            regular | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther | QFile::ExeUser;
        expected["share/applications/" + Id + ".desktop"] = regular;
        expected["share/metainfo/" + Id + ".metainfo.xml"] = regular;
        expected["share/" + Id + "/Vendrix 2.hlp"] = regular;
        expected["share/doc/vendrix2/changelog.gz"] = regular;
        expected["share/doc/vendrix2/copyright"] = regular;
        expected["share/man/man1/vendrix2.1.gz"] = regular;
        expected["share/icons/hicolor/scalable/apps/" + Id + ".svg"] = regular;
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            expected[QStringLiteral("share/icons/hicolor/%1x%1/apps/").arg(size) + Id + ".png"] =
                regular;
        }
        QMap<QString, QFile::Permissions> found;
        QDirIterator files(prefix_, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            found[QDir(prefix_).relativeFilePath(path)] = QFileInfo(path).permissions();
        }
        QCOMPARE(found.keys(), expected.keys());
        for (auto file = expected.cbegin(); file != expected.cend(); ++file) {
            QVERIFY2(found[file.key()] == file.value(), qPrintable(file.key()));
        }
    }

    void eachIconImageHasTheSizeOfItsFolder() {
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(prefix_ +
                              QStringLiteral("/share/icons/hicolor/%1x%1/apps/").arg(size) + Id +
                              ".png");
            QCOMPARE(icon.size(), QSize(size, size));
            QVERIFY(icon.hasAlphaChannel());
        }
        QVERIFY(Installed("share/icons/hicolor/scalable/apps/" + Id + ".svg").contains("<svg"));
    }

    void theDesktopEntryAndTheMetadataValidate() {
        const QString entry = prefix_ + "/share/applications/" + Id + ".desktop";
        const Run desktop = RunProgram(QStringLiteral("desktop-file-validate"), {entry});
        QVERIFY2(desktop.exitCode == 0 && desktop.output.isEmpty(), desktop.output.constData());
        const Run metadata = RunProgram(
            QStringLiteral("appstreamcli"),
            {"validate", "--no-net", prefix_ + "/share/metainfo/" + Id + ".metainfo.xml"});
        QVERIFY2(metadata.exitCode == 0, metadata.output.constData());

        const QByteArray text = Installed("share/applications/" + Id + ".desktop");
        QVERIFY(text.contains("\nName=Vendrix 2\n"));
        QVERIFY(text.contains("\nExec=vendrix2\n"));
        QVERIFY(text.contains("\nIcon=" + Id.toLatin1() + "\n"));
        QVERIFY(text.contains("\nCategories=Office;ContactManagement;\n"));
        const QByteArray release = "<release version=\"" + QByteArray(platform::ProgramVersion);
        QVERIFY(Installed("share/metainfo/" + Id + ".metainfo.xml").contains(release));
        QCOMPARE(QByteArray(platform::ProgramCaption),
                 "Vendrix " + QByteArray(platform::ProgramVersion));
    }

    // The changelog's latest entry is this version's, compressed without a name or time (the
    // package's bytes depend on nothing but the sources); the copyright file is machine-readable
    // and holds both licences.
    void theDebianDocumentsNameThisVersionAndTheLicences() {
        // A gzip header: magic, method, flags (none: no name), time (none), "best compression".
        const QByteArray gzipHeader = Installed("share/doc/vendrix2/changelog.gz").left(9);
        QCOMPARE(gzipHeader, QByteArray("\x1f\x8b\x08\0\0\0\0\0\x02", 9));
        const Run changelog = RunProgram(QStringLiteral("gzip"),
                                         {"-dc", prefix_ + "/share/doc/vendrix2/changelog.gz"});
        QVERIFY(changelog.output.startsWith("vendrix2 (" + QByteArray(platform::ProgramVersion) +
                                            ") "));

        const QByteArray copyright = Installed("share/doc/vendrix2/copyright");
        QVERIFY(copyright.startsWith(
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
        QVERIFY(copyright.contains("\nLicense: GPL-3+\n This program is free software"));
        QVERIFY(copyright.contains("\nLicense: OFL-1.1\n SIL OPEN FONT LICENSE Version 1.1"));
        QVERIFY(copyright.endsWith(" DEALINGS IN THE FONT SOFTWARE.\n"));
        // Five paragraphs (the header, two of files, two of licences) of fields and their
        // continuation lines; a blank line inside a licence text would end its paragraph.
        const QString paragraphs = QString::fromUtf8(copyright);
        QCOMPARE(paragraphs.split("\n\n").size(), 5);
        const QRegularExpression line(QStringLiteral("^([A-Z][A-Za-z-]*: \\S.*| +\\S.*)?$"));
        for (const QString& each : paragraphs.split('\n')) {
            QVERIFY2(line.match(each).hasMatch(), qPrintable(each));
        }

        const Run manual =
            RunProgram(QStringLiteral("gzip"), {"-dc", prefix_ + "/share/man/man1/vendrix2.1.gz"});
        QVERIFY(manual.output.contains("\"Vendrix " + QByteArray(platform::ProgramVersion) + "\""));
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
