#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <array>
#include <cerrno>
#include <cstring>

#include "app/autosave.h"
#include "app/client_list.h"
#include "app/main_window.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/text_field.h"
#include "support/form_driver.h"
#include "support/program_fixture.h"
#include "support/program_session.h"

using testing::Control;
using testing::MakeClient;
using testing::NoStartUpScan;

namespace {

QTreeView* MainList() {
    return Control<QTreeView>("F1", shell::MainList);
}

std::vector<std::string> Column(int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < app::MainWindow.ClientCount; ++row) {
        texts.push_back(
            testing::ListRow("F1", shell::MainList, row).at(static_cast<std::size_t>(column)));
    }
    return texts;
}

void ClickHeader(int column) {
    QHeaderView* header = MainList()->header();
    const QPoint at(header->sectionViewportPosition(column) + 4, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    QTreeView* list = MainList();
    const QRect cell = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, cell.center());
}

std::string Status(int part) {
    return gui::StatusBarText("F1", app::StatusBar, part);
}

bool EditEnabled() {
    return gui::IsWindowEnabled(gui::EZ_HANDLE("F1", app::EditButton));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartMakesTheFileAndAnEmptyList() {
        testing::TempAppFolder folder;
        QDir(QString::fromStdString(folder.dataPath())).removeRecursively();
        testing::ProgramSession session(folder);
        QVERIFY(gui::EZ_ISFORM("F1"));
        QCOMPARE(gui::FormCaption("F1"), std::string("Vendrix 2.05"));
        QCOMPARE(QFileInfo(QString::fromStdString(folder.dataFile())).size(), qint64(696348));
        QCOMPARE(app::MainWindow.ClientCount, 0);
        QCOMPARE(Status(2), std::string(" Clients on file: 0"));
        QCOMPARE(Status(3), std::string(" Selected: 0"));
        QVERIFY(!EditEnabled());
    }

    void sortingByColumns_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("upper case before lower case")
            << 0 << QStringList{"beta", "Alpha", "alpha", "Beta"}
            << QStringList{"Alpha", "Beta", "alpha", "beta"};
        QTest::newRow("a blank sorts before a letter")
            << 0 << QStringList{"Abc", "Ab Co", "Ab"} << QStringList{"Ab", "Ab Co", "Abc"};
        QTest::newRow("extensions sort as text")
            << 3 << QStringList{"9", "10"} << QStringList{"10", "9"};
        QTest::newRow("phones sort as text") << 2 << QStringList{"555-0199", "212-0100", "555-0100"}
                                             << QStringList{"212-0100", "555-0100", "555-0199"};
    }
    void sortingByColumns() {
        QFETCH(int, column);
        QFETCH(QStringList, values);
        QFETCH(QStringList, sorted);
        testing::TempAppFolder folder;
        std::vector<store::ClientRecord> clients;
        for (const QString& v : values) {
            const std::string text = v.toStdString();
            clients.push_back(column == 0   ? MakeClient(text)
                              : column == 2 ? MakeClient("Client " + text, "", text)
                                            : MakeClient("Client " + text, "", "", text));
        }
        testing::WriteClientsFile(folder, clients, NoStartUpScan());
        testing::ProgramSession session(folder);
        ClickHeader(column);
        std::vector<std::string> expected;
        for (const QString& s : sorted) expected.push_back(s.toStdString());
        QCOMPARE(Column(column), expected);
        QCOMPARE(store::SaveNeeded, 1);
        // Where each column's field starts in a stored record, counted from 1.
        constexpr std::array<int, 5> storedKeyStart{1, 143, 173, 185, 213};
        QCOMPARE(store::ProgramSettings.SortKeyStart,
                 storedKeyStart[static_cast<std::size_t>(column)]);
    }

    void equalKeysKeepTheirEarlierOrder() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder,
                                  {MakeClient("Delta", "Smith"), MakeClient("Alpha", "Jones"),
                                   MakeClient("Charlie", "Smith"), MakeClient("Bravo", "Jones")},
                                  NoStartUpScan());
        testing::ProgramSession session(folder);
        QCOMPARE(Column(0), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta"}));
        ClickHeader(1);
        QCOMPARE(Column(0), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta"}));
        QCOMPARE(Column(1), (std::vector<std::string>{"Jones", "Jones", "Smith", "Smith"}));
        // Clicking the same column again changes nothing in the order.
        ClickHeader(1);
        QCOMPARE(Column(0), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta"}));
    }

    void theRememberedColumnSortsTheListAtStart() {
        testing::TempAppFolder folder;
        store::Settings settings = NoStartUpScan();
        settings.RememberSortColumn = 1;
        settings.SortKeyStart = 143;
        settings.SortKeyLength = 30;
        testing::WriteClientsFile(folder, {MakeClient("A", "Zed"), MakeClient("B", "Amy")},
                                  settings);
        testing::ProgramSession session(folder);
        QCOMPARE(Column(1), (std::vector<std::string>{"Amy", "Zed"}));
    }

    void aDamagedSortKeyFallsBackToTheClientColumn() {
        testing::TempAppFolder folder;
        store::Settings settings = NoStartUpScan();
        settings.RememberSortColumn = 1;
        settings.SortKeyStart = 340;
        settings.SortKeyLength = 5000;
        testing::WriteClientsFile(folder, {MakeClient("B"), MakeClient("A")}, settings);
        testing::ProgramSession session(folder);
        QCOMPARE(Column(0), (std::vector<std::string>{"A", "B"}));
    }

    void typingALetterHighlightsTheFirstMatchingClient() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder,
                                  {MakeClient("Zeta"), MakeClient("beta"), MakeClient("Bravo"),
                                   MakeClient("acme"), MakeClient("yankee")},
                                  NoStartUpScan());
        testing::ProgramSession session(folder);
        const auto firstHighlighted = [] { return gui::FirstSelectedRow("F1", shell::MainList); };
        // Bravo, Zeta, acme, beta, yankee in byte order: Bravo is the first that begins with b
        // or B.
        QTest::keyClick(MainList(), Qt::Key_B);
        QCOMPARE(firstHighlighted(), 0);
        QCOMPARE(Status(3), std::string(" Selected: 1"));
        QVERIFY(EditEnabled());
        // A finds a client in lower case; the client that sorts last is found too.
        testing::Click("F1", app::AddButton);  // clears the highlight (and opens an empty client)
        QCOMPARE(Status(3), std::string(" Selected: 0"));
        gui::EZ_UNLOADFORM("F2");
        QTest::keyClick(MainList(), Qt::Key_A);
        QCOMPARE(firstHighlighted(), 2);
        gui::EZ_SETSELECT("F1", shell::MainList, -1, 0, 0, 0, 0);
        QTest::keyClick(MainList(), Qt::Key_Y);
        QCOMPARE(firstHighlighted(), 4);

        ClickHeader(1);  // sorted by Contact: typing does nothing, and the refill cleared the count
        QCOMPARE(Status(3), std::string(" Selected: 0"));
        QTest::keyClick(MainList(), Qt::Key_Z);
        QCOMPARE(gui::SelectedRowCount("F1", shell::MainList), 0);
    }

    void clickingARowEnablesEdit() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {MakeClient("A"), MakeClient("B")}, NoStartUpScan());
        testing::ProgramSession session(folder);
        QVERIFY(!EditEnabled());
        ClickRow(1);
        QVERIFY(EditEnabled());
        QCOMPARE(store::CurrentSlot, 2);
        QCOMPARE(Status(3), std::string(" Selected: 1"));
    }

    void deleting_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("remaining");
        QTest::newRow("Yes deletes the highlighted clients") << 1 << 3;
        QTest::newRow("No keeps them") << 0 << 5;
        QTest::newRow("Cancel keeps them") << -1 << 5;
    }
    void deleting() {
        QFETCH(int, answer);
        QFETCH(int, remaining);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(
            folder,
            {MakeClient("A"), MakeClient("B"), MakeClient("C"), MakeClient("D"), MakeClient("E")},
            NoStartUpScan());
        for (const char* name : {"C0003.dat", "C0005.dat", "C0001.dat"}) {
            QVERIFY(store::ReplaceFileSafely(folder.dataPath() + name, "history"));
        }
        testing::ProgramSession session(folder);
        ClickRow(2);
        ClickRow(4, Qt::ControlModifier);
        QCOMPARE(Status(3), std::string(" Selected: 2"));

        testing::MessageBoxes boxes;
        boxes.answer({answer});
        QTest::keyClick(MainList(), Qt::Key_Delete);
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].text,
                 std::string("Are you SURE you want to delete the highlighted item(s)?{?}"));
        QCOMPARE(boxes.asked()[0].caption, std::string("Delete Clients"));
        QCOMPARE(boxes.asked()[0].buttons, std::string("YNC"));
        QCOMPARE(app::MainWindow.ClientCount, remaining);
        QCOMPARE(Status(2), " Clients on file: " + std::to_string(remaining));
        const bool deleted = answer == 1;
        QCOMPARE(store::FileExists(folder.dataPath() + "C0003.dat"), !deleted);
        QCOMPARE(store::FileExists(folder.dataPath() + "C0005.dat"), !deleted);
        QVERIFY(store::FileExists(folder.dataPath() + "C0001.dat"));
        // Several clients are kept in a backup before they go; nothing deleted, no backup.
        const auto backups = store::ListBackups();
        QCOMPARE(!backups.empty() && backups.front().reason == store::BackupReason::BeforeDelete &&
                     backups.front().clients == 5,
                 deleted);
        if (deleted) {
            // The deletion reaches the disk soon after, without waiting for the exit.
            QTRY_COMPARE(store::SaveNeeded, 0);
            QFile file(QString::fromStdString(folder.dataFile()));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray saved = file.readAll();
            for (int slot = 1; slot <= 5; ++slot) {
                std::int32_t inUse = 0;
                std::memcpy(&inUse, saved.constData() + slot * 348 + 344, 4);
                QCOMPARE(inUse, slot <= 3 ? 1 : 0);
            }
            QCOMPARE(Column(0), (std::vector<std::string>{"A", "B", "D"}));
            QCOMPARE(Status(3), std::string(" Selected: 0"));
            QVERIFY(!EditEnabled());
            // The freed records wait right behind the clients with their numbers.
            QCOMPARE(store::ClientTable[4].ClientNumber, 3);
            QCOMPARE(store::ClientTable[5].ClientNumber, 5);
        } else {
            QCOMPARE(Status(3), std::string(" Selected: 2"));
        }
    }

    void deleteWithNothingHighlightedAsksNothing() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {MakeClient("A")}, NoStartUpScan());
        testing::ProgramSession session(folder);
        testing::MessageBoxes boxes;
        QTest::keyClick(MainList(), Qt::Key_Delete);
        QVERIFY(boxes.asked().empty());
        QCOMPARE(app::MainWindow.ClientCount, 1);
    }

    // On a full disk the deletion cannot be saved: the clients stay, histories and all, and
    // the user is told once; the save after the action says nothing more.
    void aDeletionOnAFullDiskKeepsTheClients_data() {
        QTest::addColumn<bool>("several");
        QTest::addColumn<bool>("changePending");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("one client: told that it was not deleted")
            << false << false << QStringList{"Delete Clients", "Clients Not Deleted"};
        QTest::newRow("one client with a change pending: told once, not again by the save")
            << false << true << QStringList{"Delete Clients", "Clients Not Deleted"};
        QTest::newRow("two clients deleted anyway without a backup: told once")
            << true << false
            << QStringList{"Delete Clients", "Backup Not Made", "Clients Not Deleted"};
    }
    void aDeletionOnAFullDiskKeepsTheClients() {
        QFETCH(bool, several);
        QFETCH(bool, changePending);
        QFETCH(QStringList, captions);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {MakeClient("A"), MakeClient("B"), MakeClient("C")},
                                  NoStartUpScan());
        for (const char* name : {"C0001.dat", "C0002.dat", "C0003.dat"}) {
            QVERIFY(store::ReplaceFileSafely(folder.dataPath() + name, "history"));
        }
        testing::ProgramSession session(folder);
        ClickRow(1);
        if (several) ClickRow(2, Qt::ControlModifier);
        QFile file(QString::fromStdString(folder.dataFile()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        testing::Hooks hooks;
        hooks.setSaveDelay(5);
        store::FileCalls full = store::SystemFileCalls();
        static int failedWrites = 0;
        failedWrites = 0;
        full.write = [](int, const void*, std::size_t) -> ssize_t {
            ++failedWrites;
            return errno = ENOSPC, -1;
        };
        full.create = [](const char*, int, mode_t) { return errno = ENOSPC, -1; };
        full.link = [](const char*, const char*) { return errno = ENOSPC, -1; };
        full.makeFolder = [](const char*, mode_t) { return errno = ENOSPC, -1; };
        hooks.setFileCalls(full);
        if (changePending) store::SaveNeeded = 1;
        testing::MessageBoxes boxes;
        boxes.answer({1, 1});
        QTest::keyClick(MainList(), Qt::Key_Delete);
        // A pending change is tried again by the save after the action.
        if (changePending) QTRY_VERIFY(failedWrites >= 2);
        QStringList asked;
        for (const auto& box : boxes.asked()) asked << QString::fromStdString(box.caption);
        QCOMPARE(asked, captions);
        QVERIFY(boxes.lastText().find("No space left on device") != std::string::npos);
        QCOMPARE(app::MainWindow.ClientCount, 3);
        QCOMPARE(Column(0), (std::vector<std::string>{"A", "B", "C"}));
        for (const char* name : {"C0001.dat", "C0002.dat", "C0003.dat"}) {
            QVERIFY(store::FileExists(folder.dataPath() + name));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(store::SaveNeeded, changePending ? 1 : 0);
    }

    void exitSavesWhatChanged_data() {
        QTest::addColumn<int>("confirmExit");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("without the question the window closes and saves") << 0 << 1 << true;
        QTest::newRow("Yes to the question closes and saves") << 1 << 1 << true;
        QTest::newRow("No to the question keeps the window and the file") << 1 << 0 << false;
    }
    void exitSavesWhatChanged() {
        QFETCH(int, confirmExit);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        testing::TempAppFolder folder;
        store::Settings settings = NoStartUpScan();
        settings.ConfirmExit = confirmExit;
        testing::WriteClientsFile(folder, {MakeClient("A"), MakeClient("B")}, settings);
        testing::ProgramSession session(folder);
        ClickHeader(1);  // a sort column change asks for a save
        testing::MessageBoxes boxes;
        boxes.answer({answer});
        testing::Click("F1", app::ExitButton);
        QCOMPARE(boxes.asked().size(), std::size_t(confirmExit));
        if (confirmExit) QCOMPARE(boxes.asked()[0].caption, std::string("Exit Vendrix 2?"));
        QCOMPARE(!gui::EZ_ISFORM("F1"), closed);
        QFile file(QString::fromStdString(folder.dataFile()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        std::int32_t sortStart = 0;
        std::memcpy(&sortStart, file.read(28).constData() + 24, 4);
        QCOMPARE(sortStart, closed ? 143 : 0);
    }

    // A failed save at exit offers to stay (the default, keeping every change in memory) or
    // to exit without saving.
    void aFailedSaveAtExitOffersAWayOut_data() {
        QTest::addColumn<bool>("exitAnyway");
        QTest::newRow("staying keeps the window, and the next exit saves") << false;
        QTest::newRow("exiting without saving closes and writes nothing") << true;
    }
    void aFailedSaveAtExitOffersAWayOut() {
        QFETCH(bool, exitAnyway);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {MakeClient("A")}, NoStartUpScan());
        testing::ProgramSession session(folder);
        testing::Hooks hooks;
        hooks.setSaveDelay(60000);
        ClickHeader(2);
        QVERIFY(QDir(QString::fromStdString(folder.dataPath())).removeRecursively());

        testing::MessageBoxes boxes;
        if (exitAnyway) boxes.answer({1});
        testing::Click("F1", app::ExitButton);
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].caption, std::string("Clients Not Saved"));
        QCOMPARE(boxes.asked()[0].buttons, std::string("NY"));
        QVERIFY(boxes.asked()[0].text.find("No such file or directory") != std::string::npos);
        QCOMPARE(gui::EZ_ISFORM("F1"), !exitAnyway);
        if (exitAnyway) {
            QVERIFY(!store::FileExists(folder.dataFile()));
            return;
        }
        QCOMPARE(store::SaveNeeded, 1);
        // With the folder back, the next exit saves and closes.
        store::EnsureFolder(folder.dataPath());
        testing::Click("F1", app::ExitButton);
        QVERIFY(!gui::EZ_ISFORM("F1"));
        QVERIFY(store::FileExists(folder.dataFile()));
    }

    void enterOnAButtonMovesOnLikeTab() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {MakeClient("A")}, NoStartUpScan());
        testing::ProgramSession session(folder);
        auto* print = Control<QPushButton>("F1", app::PrintButton);
        print->setFocus();
        QTest::keyClick(print, Qt::Key_Return);
        QVERIFY(!print->hasFocus());
        QVERIFY(!gui::EZ_ISFORM("F5"));
    }

    void aDamagedFileNeverCrashesTheList() {
        testing::TempAppFolder folder;
        auto odd = MakeClient("\x01\x02 control");
        odd.InUse = 7;
        auto negative = MakeClient("Gone");
        negative.InUse = -3;
        testing::WriteClientsFile(folder, {MakeClient("Kept"), odd, negative}, NoStartUpScan());
        testing::ProgramSession session(folder);
        QCOMPARE(app::MainWindow.ClientCount, 2);
        QCOMPARE(store::ClientTable[1].InUse, 1);
        QCOMPARE(store::ClientTable[2].InUse, 1);
        QCOMPARE(store::ClientTable[3].InUse, 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
