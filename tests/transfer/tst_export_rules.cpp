// "Export All Clients": which file the user's typed name becomes and which files are refused;
// and the import window's word on what the history keeps.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <optional>
#include <string>

#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/files.h"
#include "support/client_records.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/local_time.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "support/temp_app_folder.h"
#include "transfer/export_clients.h"
#include "transfer/import_window.h"

namespace {

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ssize_t FailingWrite(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

}  // namespace

class ExportRulesTest : public QObject {
    Q_OBJECT
    std::optional<testing::Hooks> hooks_;

private slots:
    void init() { hooks_.emplace().setNow(testing::LocalTime(2026, 12, 8, 9, 0)); }
    void cleanup() {
        testing::StopProgram();
        hooks_.reset();
    }

    // The file is the one the user meant, never the data file nor anything in its folder; a
    // failed export says which file and leaves no part of one behind.
    void theExportGoesWhereTheUserMeant_data() {
        QTest::addColumn<QString>("typed");  // "@" stands for the program's folder
        QTest::addColumn<int>("filter");     // 0 CSV, 1 vCard
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QString>("written");  // the file made, "" when none may be
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("a name without extension gets the vCard filter's")
            << "@out" << 1 << false << "@out.vcf" << QByteArray("BEGIN:VCARD");
        QTest::newRow("a name without extension gets the CSV filter's")
            << "@out" << 0 << false << "@out.csv" << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("a name ending in another dotted word gets one too")
            << "@out.2026" << 1 << false << "@out.2026.vcf" << QByteArray("BEGIN:VCARD");
        QTest::newRow("a name with the other kind's extension is that kind")
            << "@out.csv" << 1 << false << "@out.csv" << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("a link to the data file is refused")
            << "@link.csv" << 0 << false << "" << QByteArray();
        QTest::newRow("a sibling folder named like the data folder is no data folder")
            << "@Data2/out.csv" << 0 << false << "@Data2/out.csv" << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("a link to the data file is refused as a vCard file too")
            << "@link.vcf" << 1 << false << "" << QByteArray();
        QTest::newRow("a name leading back into the data folder through .. is refused")
            << "@Data2/../Data/out.csv" << 0 << false << "" << QByteArray();
        QTest::newRow("a file in a folder not made yet inside the data folder is refused")
            << "@Data/new/out.vcf" << 1 << false << "" << QByteArray();
        QTest::newRow("a full disk: the CSV file is named, nothing is left")
            << "@out.csv" << 0 << true << "" << QByteArray();
        QTest::newRow("a full disk: the vCard file is named, nothing is left")
            << "@out.vcf" << 1 << true << "" << QByteArray();
    }
    void theExportGoesWhereTheUserMeant() {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(bool, diskFull);
        QFETCH(QString, written);
        QFETCH(QByteArray, start);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme", "Jo")},
                                  testing::NoStartUpScan());
        const QString app = QString::fromStdString(folder.path());
        QVERIFY(QDir(app).mkdir("Data2"));
        for (const QString link : {"link.csv", "link.vcf"}) {
            QVERIFY(QFile::link(QString::fromStdString(folder.dataFile()), app + link));
        }
        const QByteArray dataFile = Read(QString::fromStdString(folder.dataFile()));
        testing::ProgramSession program(folder);
        const std::string path = QString(typed).replace('@', app).toStdString();
        hooks_->setFileChooser([path, filter](const gui::FileRequest&) {
            return gui::FileChoice{path, filter};
        });
        if (diskFull) {
            store::FileCalls calls = store::SystemFileCalls();
            calls.write = FailingWrite;
            hooks_->setFileCalls(calls);
        }
        testing::MessageBoxes boxes;
        transfer::ExportClients(false);
        QCOMPARE(boxes.asked().size(), std::size_t{1});
        const gui::MessageBoxRequest& box = boxes.asked()[0];
        QCOMPARE(box.caption,
                 std::string(written.isEmpty() ? "Export Not Possible" : "Clients Exported"));
        // A refusal for the data folder says so; any other failure names the file.
        const bool refused = written.isEmpty() && !diskFull;
        QCOMPARE(box.text.find("data folder") != std::string::npos, refused);
        if (diskFull) QVERIFY2(box.text.find(path) != std::string::npos, box.text.c_str());
        if (!written.isEmpty()) QVERIFY(Read(written.replace('@', app)).startsWith(start));
        hooks_->setFileCalls(store::SystemFileCalls());
        QCOMPARE(Read(QString::fromStdString(folder.dataFile())), dataFile);
        const QStringList left =
            QDir(app).entryList({"*.saving-*"}, QDir::Files | QDir::Hidden | QDir::System);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
    }

    // The import window says per client which values the history keeps.
    void theImportWindowNamesWhatTheHistoryKeeps() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {}, testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        QTemporaryDir files;
        const QString path = files.path() + "/google.csv";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "Organization 1 - Name,Organization 1 - Title,Phone 1 - Type,Phone 1 - Value,"
            "Address 1 - Region\nAcme,Buyer,Home ::: Home,555-0101 ::: 555-0109,Ontario\n");
        file.close();
        transfer::ImportFile(shell::MainForm, path.toStdString());
        QCOMPARE(
            testing::ListRow(shell::ImportForm, transfer::ImportNotesList, 0),
            (std::vector<std::string>{"Acme", "Kept in the history: Title, Home phone, State."}));
    }
};

QTEST_MAIN(ExportRulesTest)
#include "tst_export_rules.moc"
