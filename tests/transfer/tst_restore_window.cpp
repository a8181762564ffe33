// "Restore from a Backup": what the user is asked and told, and what is on file afterwards.

#include <QTest>
#include <QWidget>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>

#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "store/client_changes.h"
#include "store/client_table.h"
#include "store/files.h"
#include "support/client_records.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/local_time.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "support/temp_app_folder.h"
#include "transfer/restore_window.h"

namespace {

// "Clients.dat" in the data folder cannot be opened: from the start on, or once the restored
// folder took the data folder's place.
bool FailFromTheStart = false;
bool FailOnceSwapped = false;
bool Swapped = false;
const store::FileCalls Real = store::SystemFileCalls();

store::FileCalls FailingDataFile() {
    store::FileCalls calls = Real;
    calls.open = [](const char* path, int flags) {
        if ((FailFromTheStart || (FailOnceSwapped && Swapped)) &&
            std::string_view(path).ends_with("Data/Clients.dat")) {
            errno = EIO;
            return -1;
        }
        return Real.open(path, flags);
    };
    calls.exchange = [](const char* first, const char* second) {
        const int swapped = Real.exchange(first, second);
        Swapped = swapped == 0;
        return swapped;
    };
    return calls;
}

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class RestoreWindowTest : public QObject {
    Q_OBJECT
    std::optional<testing::Hooks> hooks_;

private slots:
    void init() { hooks_.emplace().setNow(testing::LocalTime(2026, 12, 7, 9, 0)); }
    void cleanup() {
        testing::StopProgram();
        hooks_.reset();
    }

    void aRestoreIsAskedAndToldTruly_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("told");  // the caption of the last box
        QTest::addColumn<bool>("restored");
        QTest::newRow("the question answered No restores nothing") << "no"
                                                                   << "" << false;
        QTest::newRow("a row past the end of the list restores nothing") << "past the end"
                                                                         << "" << false;
        QTest::newRow("a restore whose backup first fails says nothing changed")
            << "backup fails"
            << "Restore Not Possible" << false;
        QTest::newRow("a restored client file that cannot be read back stops the program")
            << "unreadable after"
            << "Clients Not Loaded" << true;
        QTest::newRow("a restore is told once done") << "yes"
                                                     << "Backup Restored" << true;
    }
    void aRestoreIsAskedAndToldTruly() {
        QFETCH(QString, what);
        QFETCH(QString, told);
        QFETCH(bool, restored);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")}, testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        // The day's first start made a backup of Acme alone; a second client comes after it.
        QCOMPARE(store::ListBackups().size(), std::size_t(1));
        QCOMPARE(store::AddClient(testing::MakeClient("Beta"), "").outcome,
                 store::StoreOutcome::Stored);
        QVERIFY(store::SaveClientTable());
        const QByteArray before = FileBytes(folder.dataFile());

        transfer::OpenRestoreWindow(shell::MainForm);
        QVERIFY(gui::EZ_ISFORM(shell::RestoreForm));
        int row = 0;
        if (what == "past the end") {
            row = gui::ListRowCount(shell::RestoreForm, transfer::BackupList);
            gui::EZ_ADDLVITEM(shell::RestoreForm, transfer::BackupList, "not a backup", 0, row, 0,
                              "");
        }
        testing::ClickRow(shell::RestoreForm, transfer::BackupList, row);
        Swapped = false;
        FailFromTheStart = what == "backup fails";
        FailOnceSwapped = what == "unreadable after";
        testing::Hooks calls;
        calls.setFileCalls(FailingDataFile());
        testing::MessageBoxes boxes;
        if (what == "no") boxes.answer({0});
        testing::Click(shell::RestoreForm, transfer::RestoreButton);
        FailFromTheStart = false;
        FailOnceSwapped = false;

        const bool asked = !boxes.asked().empty() && boxes.asked().front().buttons == "YN";
        QCOMPARE(asked, what != "past the end");
        QCOMPARE(QString::fromStdString(boxes.asked().empty() || boxes.asked().size() == 1
                                            ? std::string()
                                            : boxes.asked().back().caption),
                 told);
        if (what == "backup fails") {
            const std::string text = boxes.asked().back().text;
            QVERIFY2(text.find("Nothing was changed") != std::string::npos, text.c_str());
            QVERIFY2(text.find("backup \"\"") == std::string::npos, text.c_str());
        }
        QCOMPARE(FileBytes(folder.dataFile()) != before, restored);
        QCOMPARE(store::ListBackups().size(), std::size_t(restored ? 2 : 1));
        // A client file that cannot be read back ends the program, which saves nothing over it.
        QCOMPARE(gui::EZ_ISFORM(shell::MainForm), what != "unreadable after");
        if (restored && what != "unreadable after") QCOMPARE(store::ClientTable[2].InUse, 0);
    }

    // Escape and Cancel close the window without restoring; Help asks for the help at the
    // window's topic (here none is on file, so the box says so) and leaves the window open.
    void theWindowClosesAndHelpsByItsKeysAndButtons_data() {
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("open");
        QTest::newRow("Escape closes it") << "Escape" << false;
        QTest::newRow("Cancel closes it") << "Cancel" << false;
        QTest::newRow("Help asks for the help and keeps it open") << "Help" << true;
    }
    void theWindowClosesAndHelpsByItsKeysAndButtons() {
        QFETCH(QString, press);
        QFETCH(bool, open);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")}, testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        const QByteArray before = FileBytes(folder.dataFile());
        transfer::OpenRestoreWindow(shell::MainForm);
        testing::MessageBoxes boxes;
        if (press == "Escape") {
            QTest::keyClick(testing::Control(shell::RestoreForm, transfer::BackupList),
                            Qt::Key_Escape);
        } else {
            testing::Click(shell::RestoreForm, press == "Cancel" ? transfer::RestoreCancelButton
                                                                 : transfer::RestoreHelpButton);
        }
        QCOMPARE(gui::EZ_ISFORM(shell::RestoreForm), open);
        QCOMPARE(boxes.asked().size(), std::size_t(open ? 1 : 0));
        if (open) QCOMPARE(boxes.asked()[0].caption, std::string("Help Not Found"));
        QCOMPARE(FileBytes(folder.dataFile()), before);
    }
};

QTEST_MAIN(RestoreWindowTest)
#include "tst_restore_window.moc"
