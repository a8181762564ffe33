// Clients out and back in through the client list's menu keys, the import window and the
// restore window, as the user works them.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/history.h"
#include "store/text_field.h"
#include "support/client_records.h"
#include "support/details_driver.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/local_time.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "support/temp_app_folder.h"
#include "transfer/import_window.h"
#include "transfer/restore_window.h"

namespace {

// The names of the clients on file, in slot order.
std::vector<std::string> ClientsOnFile() {
    std::vector<std::string> names;
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        if (store::ClientTable[slot].InUse > 0) {
            names.push_back(store::FieldText(store::ClientTable[slot].ClientName));
        }
    }
    return names;
}

void PressInMainWindow(const char* keys) {
    QWidget* window = testing::OpenWindow(shell::MainForm);
    QVERIFY(window != nullptr);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keySequence(window, QKeySequence(QString::fromLatin1(keys)));
}

// Opens every file as the system does, but a history file of client 1 as one that may not be
// read.
int OpenButNotHistoryOne(const char* path, int flags) {
    if (std::string_view(path).ends_with("C0001.dat")) {
        errno = EACCES;
        return -1;
    }
    return store::SystemFileCalls().open(path, flags);
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class TransferTest : public QObject {
    Q_OBJECT
    std::optional<testing::Hooks> hooks_;
    QTemporaryDir files_;

private slots:
    void init() { hooks_.emplace().setNow(testing::LocalTime(2026, 12, 7, 9, 0)); }
    void cleanup() {
        testing::StopProgram();
        hooks_.reset();
    }

    // Every client leaves with its fields and history and comes back the same into an empty
    // program, through either kind of file.
    void exportedClientsImportAsTheyWere_data() {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("a CSV file for spreadsheets") << "clients.csv";
        QTest::newRow("a vCard file for address books") << "clients.vcf";
    }
    void exportedClientsImportAsTheyWere() {
        QFETCH(QString, fileName);
        const std::string path = (files_.path() + "/" + fileName).toStdString();
        hooks_->setFileChooser([path](const gui::FileRequest&) {
            return gui::FileChoice{path, 0};
        });
        std::vector<store::ClientRecord> clients{
            testing::MakeClient("Acme Supply", "Jo Brand", "555-0100", "12"),
            testing::MakeClient("Zürich Rail", "Anna Weiß", "555-0199"),
        };
        {
            testing::TempAppFolder folder;
            testing::WriteClientsFile(folder, clients, testing::NoStartUpScan());
            testing::WriteHistoryBytes(folder, 1, "Called\r\nSent prices\r\n");
            testing::ProgramSession program(folder);
            testing::MessageBoxes boxes;
            PressInMainWindow("Ctrl+Shift+E");
            QCOMPARE(boxes.asked().size(), std::size_t(1));
            QCOMPARE(boxes.asked()[0].caption, std::string("Clients Exported"));
        }
        testing::TempAppFolder empty;
        testing::WriteClientsFile(empty, {}, testing::NoStartUpScan());
        testing::ProgramSession program(empty);
        transfer::ImportFile(shell::MainForm, path);
        QVERIFY(gui::EZ_ISFORM(shell::ImportForm));
        testing::MessageBoxes boxes;
        testing::Click(shell::ImportForm, transfer::ImportButton);
        QCOMPARE(boxes.asked().back().caption, std::string("Clients Imported"));
        QCOMPARE(ClientsOnFile(), (std::vector<std::string>{"Acme Supply", "Zürich Rail"}));
        const store::ClientRecord& acme = store::ClientTable[1];
        QCOMPARE(store::FieldText(acme.Contact), std::string("Jo Brand"));
        QCOMPARE(store::FieldText(acme.Phone), std::string("555-0100"));
        QCOMPARE(store::FieldText(acme.Ext), std::string("12"));
        QCOMPARE(store::FieldText(store::ClientTable[2].Contact), std::string("Anna Weiß"));
        // The lines come back, the last line break too.
        QCOMPARE(store::ReadHistoryOf(acme.ClientNumber).text,
                 std::string("Called\r\nSent prices\r\n"));
    }

    // A history that cannot be read leaves the others' export whole and is named, not dropped
    // in silence.
    void anUnreadableHistoryIsNamedInTheExportMessage() {
        const std::string path = (files_.path() + "/some.csv").toStdString();
        hooks_->setFileChooser([path](const gui::FileRequest&) {
            return gui::FileChoice{path, 0};
        });
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder,
                                  {testing::MakeClient("Acme Supply", "Jo Brand", "555-0100"),
                                   testing::MakeClient("Zeta Tools", "Al Day", "555-0101")},
                                  testing::NoStartUpScan());
        testing::WriteHistoryBytes(folder, 1, "Called\r\n");
        testing::WriteHistoryBytes(folder, 2, "Visited\r\n");
        testing::ProgramSession program(folder);
        store::FileCalls calls = store::SystemFileCalls();
        calls.open = OpenButNotHistoryOne;
        hooks_->setFileCalls(calls);
        testing::MessageBoxes boxes;
        PressInMainWindow("Ctrl+Shift+E");
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].caption, std::string("Clients Exported"));
        QVERIFY2(boxes.asked()[0].text.find("The history of \"Acme Supply\" could not be read") !=
                     std::string::npos,
                 boxes.asked()[0].text.c_str());
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY(written.contains("Visited") && written.contains("Acme Supply"));
    }

    // Nothing is stored before Import; duplicates stay out unless ticked; a long name is noted.
    void theImportWindowShowsWhatWillHappenFirst() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme", "Jo")},
                                  testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        const QString path = files_.path() + "/new.csv";
        Write(path, "Company,Full Name,Business Phone\r\nACME,jo,555-0100\r\nBeta,,\r\n" +
                        QByteArray(60, 'L') + ",,\r\n");
        transfer::ImportFile(shell::MainForm, path.toStdString());
        QCOMPARE(gui::ListRowCount(shell::ImportForm, transfer::ImportPreviewList), 2);
        const int notes = gui::ListRowCount(shell::ImportForm, transfer::ImportNotesList);
        QCOMPARE(notes, 2);  // the duplicate left out, the name cut to 50 characters
        QCOMPARE(ClientsOnFile(), std::vector<std::string>{"Acme"});
        testing::Click(shell::ImportForm, transfer::AddDuplicatesCheck);
        QCOMPARE(gui::ListRowCount(shell::ImportForm, transfer::ImportPreviewList), 3);
        testing::MessageBoxes boxes;
        testing::Click(shell::ImportForm, transfer::ImportButton);
        QCOMPARE(ClientsOnFile().size(), std::size_t(4));
        const auto backups = store::ListBackups();
        QVERIFY(!backups.empty());
        QCOMPARE(backups.front().reason, store::BackupReason::BeforeImport);
        QCOMPARE(backups.front().clients, 1);
    }

    // "Clients Imported" tells of clients already on the disk; without the backup that comes
    // first, nothing is imported and the window stays open.
    void anImportIsOnTheDiskWhenItIsReported_data() {
        QTest::addColumn<int>("backup");  // 0 made, 1 cannot be made, 2 lacks a history
        QTest::addColumn<QString>("caption");
        QTest::newRow("the backup is made: both clients are in the data file")
            << 0 << "Clients Imported";
        QTest::newRow("the backup cannot be made: nothing is imported")
            << 1 << "Import Not Possible";
        QTest::newRow("the backup lacks an unreadable history: the user says No to going on")
            << 2 << "Backup Incomplete";
    }
    void anImportIsOnTheDiskWhenItIsReported() {
        QFETCH(int, backup);
        QFETCH(QString, caption);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")}, testing::NoStartUpScan());
        testing::WriteHistoryBytes(folder, 1, "Called");
        testing::ProgramSession program(folder);
        if (backup == 1) {
            // The day's backup was made at the start; a file now stands where backups go.
            const QString backups = QString::fromStdString(folder.path() + "Backups");
            QVERIFY(QDir(backups).removeRecursively());
            Write(backups, "in the way");
        }
        if (backup == 2) {
            store::FileCalls calls = store::SystemFileCalls();
            calls.open = OpenButNotHistoryOne;
            hooks_->setFileCalls(calls);
        }
        const QString path = files_.path() + "/two.csv";
        Write(path, "Company,Notes\r\nBeta,called\r\nGamma,\r\n");
        transfer::ImportFile(shell::MainForm, path.toStdString());
        testing::MessageBoxes boxes;
        boxes.answer({0});
        testing::Click(shell::ImportForm, transfer::ImportButton);
        QCOMPARE(QString::fromStdString(boxes.asked().back().caption), caption);
        if (backup == 2) QVERIFY(boxes.lastText().find("C0001.dat") != std::string::npos);
        QCOMPARE(gui::EZ_ISFORM(shell::ImportForm), backup != 0);
        // The data file as the next start would read it, before any later save.
        QFile data(QString::fromStdString(folder.dataFile()));
        QVERIFY(data.open(QIODevice::ReadOnly));
        const QByteArray bytes = data.readAll();
        int inUse = 0;
        for (int slot = 1; slot <= store::MaxClients; ++slot) {
            inUse += bytes.at(static_cast<qsizetype>(
                         static_cast<std::size_t>(slot + 1) * store::RecordSize - 4)) != 0;
        }
        QCOMPARE(inUse, backup == 0 ? 3 : 1);
        if (gui::EZ_ISFORM(shell::ImportForm)) {
            testing::Click(shell::ImportForm, transfer::ImportCancelButton);
        }
    }

    // What the window shows of a file is safe to show, and is the latest file's alone: a pipe
    // is refused at once, a stray byte noted, a huge field cut; an earlier file's notes go.
    void theWindowShowsTheLatestFileSafely_data() {
        QTest::addColumn<QByteArray>("bytes");  // empty: a named pipe
        QTest::addColumn<QString>("caption");   // of a box shown instead of the window
        QTest::addColumn<QString>("note");      // in the notes, or "" for none
        QTest::newRow("a pipe, whatever its name, is refused at once")
            << QByteArray() << "Import Not Possible"
            << "";
        QTest::newRow("a byte that is no UTF-8 is shown as ? and noted")
            << QByteArray("Company,Contact\r\nM\xc3\xbcller,J\xfcrg\r\n") << ""
            << "\"?\"";
        QTest::newRow("a field of 100,000 characters is shown cut, with no note of another file")
            << "Company,Notes\r\nAcme," + QByteArray(100000, 'x') + "\r\n"
            << ""
            << "";
    }
    void theWindowShowsTheLatestFileSafely() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, caption);
        QFETCH(QString, note);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {}, testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        // An earlier file with a note of its own, looked at and cancelled.
        const QString earlier = files_.path() + "/earlier.csv";
        Write(earlier, "Company\r\nB\xe9ta\xc3\xa9\r\n");
        transfer::ImportFile(shell::MainForm, earlier.toStdString());
        QCOMPARE(gui::ListRowCount(shell::ImportForm, transfer::ImportNotesList), 1);
        testing::Click(shell::ImportForm, transfer::ImportCancelButton);
        const QString path = files_.path() + "/clients.txt";
        QFile::remove(path);
        if (bytes.isEmpty()) {
            QCOMPARE(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
        } else {
            Write(path, bytes);
        }
        testing::MessageBoxes boxes;
        transfer::ImportFile(shell::MainForm, path.toStdString());
        if (!caption.isEmpty()) {
            QCOMPARE(QString::fromStdString(boxes.asked().back().caption), caption);
            QVERIFY(!gui::EZ_ISFORM(shell::ImportForm));
            return;
        }
        QVERIFY(gui::EZ_ISFORM(shell::ImportForm));
        const int notes = gui::ListRowCount(shell::ImportForm, transfer::ImportNotesList);
        std::string noted;
        for (int row = 0; row < notes; ++row) {
            for (const std::string& cell :
                 gui::ListRowTexts(shell::ImportForm, transfer::ImportNotesList, row)) {
                noted += cell + "|";
            }
        }
        QCOMPARE(noted.find("earlier.csv"), std::string::npos);
        if (!note.isEmpty())
            QVERIFY2(noted.find(note.toStdString()) != std::string::npos, noted.c_str());
        for (int row = 0; row < gui::ListRowCount(shell::ImportForm, transfer::ImportColumnList);
             ++row) {
            for (const std::string& cell :
                 gui::ListRowTexts(shell::ImportForm, transfer::ImportColumnList, row)) {
                QVERIFY(cell.size() < 300);
            }
        }
        testing::Click(shell::ImportForm, transfer::ImportCancelButton);
    }

    // A column whose name the program does not know is imported once the user maps it.
    void anUnknownColumnIsImportedAsTheUserMapsIt() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {}, testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        const QString path = files_.path() + "/firmen.csv";
        Write(path, "Firma,Notiz\r\nAcme Supply,\"ruft an\nmorgen\"\r\n");
        transfer::ImportFile(shell::MainForm, path.toStdString());
        QVERIFY(gui::EZ_ISFORM(shell::ImportForm));
        QVERIFY(!testing::IsEnabled(shell::ImportForm, transfer::ImportButton));
        using Cells = std::vector<std::string>;
        QCOMPARE(gui::ListRowTexts(shell::ImportForm, transfer::ImportColumnList, 1),
                 (Cells{"Notiz", "ruft an morgen", "(not imported)"}));
        testing::ChooseItem(shell::ImportForm, transfer::ImportColumnTargetChoice, 1);  // Client
        QCOMPARE(gui::ListRowTexts(shell::ImportForm, transfer::ImportColumnList, 0).at(2),
                 std::string("Client"));
        testing::ClickRow(shell::ImportForm, transfer::ImportColumnList, 1);
        QCOMPARE(gui::ComboIndex(shell::ImportForm, transfer::ImportColumnTargetChoice), 0);
        testing::MessageBoxes boxes;
        testing::Click(shell::ImportForm, transfer::ImportButton);
        QCOMPARE(ClientsOnFile(), std::vector<std::string>{"Acme Supply"});
    }

    // History files that no client has are kept and told once at a start, naming the "before
    // import" backup made just before them.
    void earlierHistoriesAreToldOnceAtStart() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")}, testing::NoStartUpScan());
        {
            testing::ProgramSession program(folder);
            QVERIFY(
                store::MakeBackup(store::BackupReason::BeforeImport, platform::LocalDateTime()).ok);
        }
        // What an import cut short by an earlier version left, a minute after its backup.
        testing::WriteHistoryBytes(folder, 7, "an imported client's history");
        QFile orphan(QString::fromStdString(folder.dataPath() + "C0007.dat"));
        QVERIFY(orphan.open(QIODevice::ReadWrite));
        QVERIFY(orphan.setFileTime(platform::LocalDateTime().addSecs(60),
                                   QFileDevice::FileModificationTime));
        orphan.close();
        for (const bool first : {true, false}) {
            testing::MessageBoxes boxes;
            testing::ProgramSession program(folder);
            std::string told;
            for (const gui::MessageBoxRequest& box : boxes.asked()) {
                if (box.caption == "Earlier Histories Found") told += box.text;
            }
            QCOMPARE(told.empty(), !first);
            if (first) {
                QVERIFY2(told.find("C0007.dat") != std::string::npos, told.c_str());
                QVERIFY2(told.find("before import\"") != std::string::npos, told.c_str());
            }
        }
        QCOMPARE(store::ReadHistoryOf(7).text, std::string("an imported client's history"));
    }

    // A restore brings back the clients of a backup, and restoring the backup it made first
    // brings back those it replaced.
    void aRestoreCanItselfBeUndone() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")}, testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        const QString path = files_.path() + "/more.csv";
        Write(path, "Client\r\nBeta\r\n");
        transfer::ImportFile(shell::MainForm, path.toStdString());
        {
            testing::MessageBoxes boxes;
            testing::Click(shell::ImportForm, transfer::ImportButton);
        }
        QCOMPARE(ClientsOnFile().size(), std::size_t(2));
        for (const char* undo : {"before import", "before restore"}) {
            PressInMainWindow("Ctrl+Shift+R");
            QVERIFY(gui::EZ_ISFORM(shell::RestoreForm));
            int row = 0;
            while (testing::ListRow(shell::RestoreForm, transfer::BackupList, row).at(1) != undo)
                ++row;
            testing::MessageBoxes boxes;
            boxes.answer({1, 1});
            // A double-click restores the row, after the question.
            testing::DoubleClickRow(shell::RestoreForm, transfer::BackupList, row);
            QVERIFY(!boxes.asked().empty());
            QCOMPARE(boxes.asked().back().caption, std::string("Backup Restored"));
            QCOMPARE(ClientsOnFile().size(),
                     std::size_t(std::string(undo) == "before import" ? 1 : 2));
        }
    }
};

QTEST_MAIN(TransferTest)
#include "tst_transfer.moc"
