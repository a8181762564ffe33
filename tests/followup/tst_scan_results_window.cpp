#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QTest>

#include <cstring>
#include <optional>

#include "app/client_list.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "followup/scan_results_window.h"
#include "followup/scan_window.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/text_field.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/local_time.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "support/temp_app_folder.h"

using testing::NoStartUpScan;

using followup::DayNumber;
using testing::MakeClient;

namespace {

constexpr const char* Results = "F4";
constexpr const char* Scan = "F3";

platform::SYSTEMTIME SixthOfDecember2026() {
    return testing::LocalTime(2026, 12, 6, 10);
}

DayNumber Today() {
    return followup::DayNumberFromDate(12, 6, 2026);
}

using testing::Click;

QAbstractItemView* ResultsView() {
    return testing::Control<QAbstractItemView>(Results, followup::ResultsList);
}

QPoint RowPoint(QAbstractItemView* view, int row) {
    return view->visualRect(view->model()->index(row, 0)).center();
}

void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    QAbstractItemView* view = ResultsView();
    QVERIFY2(view, "the results window is not open");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, RowPoint(view, row));
}

void DoubleClickRow(int row) {
    QAbstractItemView* view = ResultsView();
    QVERIFY2(view, "the results window is not open");
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, row));
}

bool EditEnabled() {
    return gui::IsWindowEnabled(gui::EZ_HANDLE(Results, followup::ResultsEditButton));
}

std::vector<std::string> Row(int row) {
    return testing::ListRow(Results, followup::ResultsList, row);
}

store::ClientRecord Due(const std::string& name, DayNumber date, const std::string& contact = "",
                        const std::string& phone = "") {
    store::ClientRecord client = MakeClient(name, contact, phone);
    client.FollowUpFlag = date == 0 ? 0 : 1;
    client.FollowUpDate = date;
    store::StoreField(client.FollowUpAction, "Call " + name);
    return client;
}

// Sorted by name in the main list: Able (slot 1, due), Baker (slot 2, not due), Cole (slot 3,
// due next week), Dunn (slot 4, due) and Eve (slot 5, due).
std::vector<store::ClientRecord> FiveClients() {
    return {Due("Dunn", Today(), "Dora Dunn", "555-0104"), Due("Able", Today(), "Al Able"),
            Due("Cole", Today() + 7), Due("Baker", 0), Due("Eve", Today() - 2)};
}

void SetPicker(int id, DayNumber day) {
    const platform::SYSTEMTIME now = SixthOfDecember2026();
    gui::SetPickerDate(Scan, id,
                       followup::DayNumberToPickerDate(day).value_or(
                           platform::CalendarDate{now.wYear, now.wMonth, now.wDay}));
}

DayNumber PickerDay(int id) {
    return followup::DayNumberFromPickerDate(gui::PickerDate(Scan, id));
}

// A help file with the topics the program asks for, beside the program.
void WriteHelpFile(const testing::TempAppFolder& folder) {
    QFile file(QString::fromStdString(folder.path() + shell::HelpFileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "<html><body><a name=\"Contents\"></a><p>Contents</p>"
        "<a name=\"Scanning\"></a><p>Scanning for follow-ups</p>"
        "<a name=\"Editing and Deleting Clients\"></a><p>Editing</p></body></html>");
}

bool SameBytes(const store::ClientRecord& a, const store::ClientRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

class ScanResultsWindowTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

private slots:
    void init() {
        hooks_.emplace().setNow(SixthOfDecember2026());
        details::Window.ScanEditRow = 0;
    }
    void cleanup() {
        testing::StopProgram();
        hooks_.reset();
    }

    void theStartUpScanListsTheClientsDueToday() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients());
        testing::ProgramSession program(folder);
        QVERIFY(gui::EZ_ISFORM(Results));
        QCOMPARE(gui::FormCaption(Results), std::string("Follow-ups for Today, 12/06/26"));
        QCOMPARE(followup::ScanResultCount, 3);
        using Cells = std::vector<std::string>;
        QCOMPARE(Row(0), (Cells{"Able", "Al Able", "", "12/06/26", "Call Able"}));
        QCOMPARE(Row(1), (Cells{"Dunn", "Dora Dunn", "555-0104", "12/06/26", "Call Dunn"}));
        QCOMPARE(Row(2), (Cells{"Eve", "", "", "12/06/26", "Call Eve"}));
        QVERIFY(Row(3).empty());
        QVERIFY(!EditEnabled());
        QVERIFY(gui::EZ_ISFORM(shell::MainForm));
    }

    void fieldsShowWithoutTheirPaddingAndNuls() {
        testing::TempAppFolder folder;
        store::ClientRecord client = Due("Padded", Today());
        client.ClientName.fill(' ');
        std::memcpy(client.ClientName.data(), "  Padded Co", 11);
        client.ClientName[20] = '\0';
        client.Contact.fill(' ');
        client.FollowUpAction.fill('\0');
        std::memcpy(client.FollowUpAction.data() + 2, "Visit ", 6);
        testing::WriteClientsFile(folder, {client});
        testing::ProgramSession program(folder);
        QCOMPARE(Row(0), (std::vector<std::string>{"Padded Co", "", "", "12/06/26", "Visit"}));
    }

    void theScanWindowOpensOnToday() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients(), NoStartUpScan());
        testing::ProgramSession program(folder);
        Click(shell::MainForm, app::ScanButton);
        QVERIFY(gui::EZ_ISFORM(Scan));
        QCOMPARE(gui::FormCaption(Scan), std::string("Scan for Follow-ups"));
        QCOMPARE(shell::ManualScanFlag, 1);
        QCOMPARE(PickerDay(followup::ScanFirstDayPicker), Today());
        QCOMPARE(PickerDay(followup::ScanLastDayPicker), Today());

        Click(Scan, followup::ScanExitButton);
        QVERIFY(!gui::EZ_ISFORM(Scan));
        QVERIFY(!gui::EZ_ISFORM(Results));
    }

    // Offsets are days from today; Able and Dunn are due today, Cole in a week, Eve two days ago.
    void scanningFromTheScanWindow_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QString>("message");
        QTest::newRow("clients found: the results replace the scan window")
            << -2 << 0 << QStringList{"Able", "Dunn", "Eve"} << "";
        QTest::newRow("nothing due: the scan window stays with the user's days")
            << 1 << 5 << QStringList{} << followup::NothingFoundText;
        QTest::newRow("a reversed range: the scan window stays with the user's days")
            << 7 << 6 << QStringList{} << followup::ReversedRangeText;
    }
    void scanningFromTheScanWindow() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QStringList, found);
        QFETCH(QString, message);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients(), NoStartUpScan());
        testing::ProgramSession program(folder);
        Click(shell::MainForm, app::ScanButton);
        SetPicker(followup::ScanFirstDayPicker, Today() + first);
        SetPicker(followup::ScanLastDayPicker, Today() + last);

        testing::MessageBoxes boxes;
        Click(Scan, followup::ScanStartButton);
        QCoreApplication::processEvents();

        QCOMPARE(gui::EZ_ISFORM(Results), !found.isEmpty());
        QCOMPARE(gui::EZ_ISFORM(Scan), found.isEmpty());
        QVERIFY(gui::EZ_ISFORM(shell::MainForm));
        QCOMPARE(followup::ScanResultCount, int(found.size()));
        for (int row = 0; row < found.size(); ++row) {
            QCOMPARE(QString::fromStdString(Row(row).at(0)), found[row]);
        }
        if (found.isEmpty()) {
            QCOMPARE(QString::fromStdString(boxes.lastText()), message);
            QCOMPARE(PickerDay(followup::ScanFirstDayPicker), Today() + first);
            QCOMPARE(PickerDay(followup::ScanLastDayPicker), Today() + last);
        } else {
            QVERIFY(boxes.asked().empty());
            QCOMPARE(gui::FormCaption(Results), std::string("Scan Results"));
        }
        // The user's scan moves nothing, however far back it reaches.
        QCOMPARE(store::ClientTable[5].FollowUpDate, Today() - 2);
    }

    void editIsEnabledOnlyByAClickOnAHighlightedRow() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients());
        testing::ProgramSession program(folder);
        QVERIFY(!EditEnabled());

        // A highlight set without a click leaves the button as it was.
        app::SelectListRow(Results, followup::ResultsList, 1, 2);
        QCOMPARE(gui::SelectedRowCount(Results, followup::ResultsList), 1);
        QVERIFY(!EditEnabled());

        ClickRow(0);
        QVERIFY(EditEnabled());
        ClickRow(0, Qt::ControlModifier);  // takes the row's highlight away again
        QCOMPARE(gui::SelectedRowCount(Results, followup::ResultsList), 0);
        QVERIFY(!EditEnabled());
    }

    // Rows: 0 Able (slot 1), 1 Dunn (slot 4), 2 Eve (slot 5).
    void editingOpensTheClientsCurrentRecord_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QList<int>>("highlighted");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("slot");
        QTest::newRow("a double-click opens its row") << "double-click" << QList<int>{1} << 2 << 4;
        QTest::newRow("Enter opens the highlighted row") << "enter" << QList<int>{2} << 3 << 5;
        QTest::newRow("Edit opens the highlighted row") << "edit" << QList<int>{0} << 1 << 1;
        QTest::newRow("Edit with several rows highlighted opens the first of them")
            << "edit" << QList<int>{2, 1} << 2 << 4;
    }
    void editingOpensTheClientsCurrentRecord() {
        QFETCH(QString, how);
        QFETCH(QList<int>, highlighted);
        QFETCH(int, row);
        QFETCH(int, slot);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients());
        testing::ProgramSession program(folder);
        // The record in the table has moved on since the scan took its copy.
        store::StoreField(store::ClientTable[slot].Phone, "555-9999");
        store::CurrentClientNumber = 77;

        QVERIFY(ResultsView());
        ClickRow(highlighted[0]);
        for (int i = 1; i < highlighted.size(); ++i) ClickRow(highlighted[i], Qt::ControlModifier);
        if (how == "double-click") {
            DoubleClickRow(row - 1);
        } else if (how == "enter") {
            QTest::keyClick(ResultsView(), Qt::Key_Return);
        } else {
            Click(Results, followup::ResultsEditButton);
        }

        QCOMPARE(details::Window.ScanEditRow, row);
        QCOMPARE(store::CurrentSlot, slot);
        QVERIFY(SameBytes(store::CurrentRecord, store::ClientTable[slot]));
        QCOMPARE(store::FieldText(store::CurrentRecord.Phone), std::string("555-9999"));
        QCOMPARE(store::CurrentClientNumber, 77);
    }

    void editingWithNoRowHighlightedDoesNothing() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients());
        testing::ProgramSession program(folder);
        QAbstractItemView* view = ResultsView();
        QVERIFY(view);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(details::Window.ScanEditRow, 0);
        QVERIFY(!gui::EZ_ISFORM(shell::DetailsForm));
    }

    // Guards against opening slot 0 (the settings) for a number found in no slot, or a deleted
    // client for a freed slot: a save from either would add a stray client.
    void aListedClientMissingFromTheTableIsNotOpened_data() {
        QTest::addColumn<bool>("freeTheSlot");
        QTest::newRow("its number is held by no slot") << false;
        QTest::newRow("its slot has been freed since the scan") << true;
    }
    void aListedClientMissingFromTheTableIsNotOpened() {
        QFETCH(bool, freeTheSlot);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients());
        testing::ProgramSession program(folder);
        if (freeTheSlot) {
            store::ClientTable[1].InUse = 0;
        } else {
            followup::ScanResults[1].ClientNumber = 4321;
        }
        store::CurrentSlot = 3;
        ClickRow(0);
        Click(Results, followup::ResultsEditButton);
        QVERIFY(!gui::EZ_ISFORM(shell::DetailsForm));
        QCOMPARE(details::Window.ScanEditRow, 0);
        QCOMPARE(store::CurrentSlot, 3);
        store::ClientTable[1].InUse = 1;
    }

    void savingAListedClientUpdatesItsRow_data() {
        QTest::addColumn<bool>("clearFollowUp");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("again");  // after a first Save; a cleared follow-up then at exit
        QTest::newRow("a changed action shows in the row") << false << "12/06/26"
                                                           << "Send samples" << false;
        QTest::newRow("a cleared follow-up leaves the row with empty date and action")
            << true << ""
            << "" << false;
        QTest::newRow("a second save shows in the row as well") << false << "12/06/26"
                                                                << "Send samples" << true;
        QTest::newRow("a follow-up cleared after a save and saved at exit leaves the row empty")
            << true << ""
            << "" << true;
    }
    void savingAListedClientUpdatesItsRow() {
        QFETCH(bool, clearFollowUp);
        QFETCH(QString, date);
        QFETCH(QString, action);
        QFETCH(bool, again);
        const bool atExit = again && clearFollowUp;
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients());
        testing::ProgramSession program(folder);
        ClickRow(1);
        Click(Results, followup::ResultsEditButton);
        if (!gui::EZ_ISFORM(shell::DetailsForm) || gui::EZ_HANDLE(shell::DetailsForm, 265) == 0) {
            QSKIP("the details window is not built yet");
        }
        constexpr int FollowUpBox = 230;
        constexpr int ActionBox = 240;
        constexpr int SaveButton = 265;
        if (again) gui::EZ_SETTEXT(shell::DetailsForm, ActionBox, "Visit");
        if (again) Click(shell::DetailsForm, SaveButton);
        if (clearFollowUp) {
            Click(shell::DetailsForm, FollowUpBox);
        } else {
            gui::EZ_SETTEXT(shell::DetailsForm, ActionBox, action.toStdString());
        }
        testing::MessageBoxes boxes;
        boxes.answer({1});
        Click(shell::DetailsForm, atExit ? 270 : SaveButton);

        const std::vector<std::string> cells = Row(1);
        QCOMPARE(cells.at(0), std::string("Dunn"));
        QCOMPARE(QString::fromStdString(cells.at(3)), date);
        QCOMPARE(QString::fromStdString(cells.at(4)), action);
        QCOMPARE(Row(0).at(0), std::string("Able"));  // the other rows keep their places
        QCOMPARE(Row(2).at(0), std::string("Eve"));
        QVERIFY(!EditEnabled());
        QCOMPARE(details::Window.ScanEditRow,
                 atExit ? 0 : 2);  // tied to the row while the window is open
        QCOMPARE(followup::ScanResultCount, 3);
    }

    void printOpensThePrintWindowOverTheResults() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients());
        testing::ProgramSession program(folder);
        Click(Results, followup::ResultsPrintButton);
        if (!gui::EZ_ISFORM(shell::PrintForm)) QSKIP("the print window is not built yet");
        QCOMPARE(shell::OpenerForm, std::string(shell::ScanResultsForm));
        QVERIFY(gui::EZ_ISFORM(Results));
    }

    void helpShowsEachWindowsTopic_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("topic");
        QTest::newRow("the scan window's help is about scanning")
            << Scan << followup::ScanHelpButton << "Scanning";
        QTest::newRow("the results window's help is about editing clients")
            << Results << followup::ResultsHelpButton << "Editing and Deleting Clients";
    }
    void helpShowsEachWindowsTopic() {
        QFETCH(QString, form);
        QFETCH(int, button);
        QFETCH(QString, topic);
        testing::TempAppFolder folder;
        WriteHelpFile(folder);
        const bool fromScanWindow = form == Scan;
        testing::WriteClientsFile(folder, FiveClients(),
                                  fromScanWindow ? NoStartUpScan() : store::Settings{});
        testing::ProgramSession program(folder);
        if (fromScanWindow) Click(shell::MainForm, app::ScanButton);
        shell::HelpOpen = 0;
        Click(qPrintable(form), button);
        QCOMPARE(QString::fromStdString(gui::HelpTopicShown()), topic);
        QVERIFY(shell::HelpOpen != 0);
        QVERIFY(gui::EZ_ISFORM(form.toStdString()));
    }

    void exitClosesTheWindowAndKeepsTheResults() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, FiveClients());
        testing::ProgramSession program(folder);
        Click(Results, followup::ResultsExitButton);
        QVERIFY(!gui::EZ_ISFORM(Results));
        QVERIFY(gui::EZ_ISFORM(shell::MainForm));
        QCOMPARE(followup::ScanResultCount, 3);
    }
};

QTEST_MAIN(ScanResultsWindowTest)
#include "tst_scan_results_window.moc"
