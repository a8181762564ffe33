// How the details window reacts: its changed state, the save prompts, adding clients one after
// another, walking the main list, and what the main list shows once the window has closed.

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>
#include <optional>

#include "app/client_list.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/text_field.h"
#include "support/details_driver.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/program_fixture.h"

using namespace testing;

namespace {

constexpr const char* F1 = shell::MainForm;
constexpr const char* F2 = shell::DetailsForm;
constexpr const char* F4 = shell::ScanResultsForm;

std::string Text(int id) {
    return gui::EZ_GETTEXT(F2, id);
}

std::vector<std::string> ListedNames() {
    std::vector<std::string> names;
    for (int row = 0; row < app::MainWindow.ClientCount; ++row)
        names.push_back(ListRow(F1, 100, row).at(0));
    return names;
}

int FocusedControl() {
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w != nullptr; w = w->parentWidget()) {
        if (w->objectName().startsWith('c')) return w->objectName().mid(1).toInt();
    }
    return 0;
}

void PressKey(Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr);
    QTest::keyClick(focus, key);
    QCoreApplication::processEvents();
}

}  // namespace

class DetailsBehaviourTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

    std::unique_ptr<TempAppFolder> folder_;

    void start(const std::vector<store::ClientRecord>& clients,
               const store::Settings& settings = NoStartUpScan()) {
        folder_ = StartProgramWith(clients, settings);
    }

    void startWithThree() { start({FullClient("Alpha"), FullClient("Beta"), FullClient("Gamma")}); }

private slots:
    void init() { hooks_.emplace().setNow(LocalTime(2026, 12, 6, 10, 30)); }

    void cleanup() {
        CloseDetailsDroppingEdits();
        StopProgram();
        hooks_.reset();
        folder_.reset();
    }

    void leavingEveryControlWithTabKeepsTheWindowUnchanged() {
        store::ClientRecord client = FullClient("Alpha");
        client.FollowUpFlag = 1;
        start({client});
        WriteHistoryBytes(*folder_, 1, "Notes\r\n");
        OpenClientAtRow(0);
        gui::EZ_SETFOCUS(F2, details::ClientNameBox);
        for (int press = 0; press < 40; ++press) {
            PressKey(Qt::Key_Tab);
            QVERIFY2(!SaveEnabled(),
                     qPrintable(QString("after leaving control %1").arg(FocusedControl())));
        }
        MessageBoxes boxes;
        Click(F2, details::ExitButton);
        QVERIFY(boxes.asked().empty());
        QVERIFY(!gui::EZ_ISFORM(F2));
        QCOMPARE(store::SaveNeeded, 0);
    }

    void clickOnThePickerCountsAsAChange() {
        store::ClientRecord client = FullClient("Alpha");
        client.FollowUpFlag = 1;
        client.FollowUpDate = followup::DayNumberFromDate(12, 15, 2026);
        start({client});
        OpenClientAtRow(0);
        QVERIFY(!SaveEnabled());
        Click(F2, details::FollowUpPicker);
        QVERIFY(SaveEnabled());
        const platform::CalendarDate shown = PickerShows();
        QCOMPARE(int(shown.year), 2026);
        QCOMPARE(int(shown.month), 12);
        QCOMPARE(int(shown.day), 15);
    }

    void changingThePickedDayIsAChangeAndIsStored() {
        store::ClientRecord client = FullClient("Alpha");
        client.FollowUpFlag = 1;
        client.FollowUpDate = followup::DayNumberFromDate(12, 15, 2026);
        start({client});
        OpenClientAtRow(0);
        gui::EZ_SETFOCUS(F2, details::FollowUpPicker);
        PressKey(Qt::Key_Down);
        const platform::CalendarDate picked = PickerShows();
        QVERIFY(picked.month != 12 || picked.day != 15);
        QVERIFY(SaveEnabled());
        Click(F2, details::SaveButton);
        QCOMPARE(store::ClientTable[1].FollowUpDate,
                 followup::DayNumberFromDate(picked.month, picked.day, picked.year));
    }

    void enterMovesOnExceptInTheHistory_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("Enter in the client box moves to the address box")
            << details::ClientNameBox << details::AddressBox;
        QTest::newRow("Enter in the gatekeeper box moves to the e-mail box")
            << details::GatekeeperBox << details::EMailBox;
        QTest::newRow("Enter in the e-mail box moves to Send E-mail")
            << details::EMailBox << details::SendButton;
        QTest::newRow("Enter on the Follow up box moves to the picker")
            << details::FollowUpCheck << details::FollowUpPicker;
        QTest::newRow("Enter on Exit moves to Help instead of closing")
            << details::ExitButton << details::HelpButton;
    }

    void enterMovesOnExceptInTheHistory() {
        QFETCH(int, from);
        QFETCH(int, to);
        store::ClientRecord client = FullClient("Alpha");
        client.FollowUpFlag = 1;
        start({client});
        OpenClientAtRow(0);
        gui::EZ_SETFOCUS(F2, from);
        QCOMPARE(FocusedControl(), from);
        PressKey(Qt::Key_Return);
        QVERIFY(gui::EZ_ISFORM(F2));
        QCOMPARE(FocusedControl(), to);
        QVERIFY(!SaveEnabled());
    }

    void enterInTheHistoryStartsANewLine() {
        start({FullClient("Alpha")});
        OpenClientAtRow(0);
        TypeInto(details::HistoryBox, "one");
        PressKey(Qt::Key_Return);
        QTest::keyClicks(QApplication::focusWidget(), "two");
        QCOMPARE(FocusedControl(), int(details::HistoryBox));
        QCOMPARE(Text(details::HistoryBox), std::string("one\r\ntwo"));
    }

    void sendButtonFollowsTheAddressWhenTheBoxIsLeft() {
        start({FullClient("Alpha")});
        OpenNewClient();
        QVERIFY(!IsEnabled(F2, details::SendButton));
        TypeInto(details::EMailBox, "a@example.com");
        QVERIFY(!IsEnabled(F2, details::SendButton));  // typing alone does not
        PressKey(Qt::Key_Tab);
        QVERIFY(IsEnabled(F2, details::SendButton));
        Retype(details::EMailBox, "   ");
        PressKey(Qt::Key_Tab);
        QVERIFY(!IsEnabled(F2, details::SendButton));
    }

    void walkingWithUnsavedEdits_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("row");       // the row the walk starts on
        QTest::addColumn<int>("shownRow");  // the row of the client shown afterwards
        QTest::addColumn<bool>("stored");   // whether the edit reached the table
        const int next = details::NextButton;
        const int previous = details::PreviousButton;
        QTest::newRow("next, Cancel: stays with the edits") << next << -1 << 1 << 1 << false;
        QTest::newRow("next, No: moves on, edits dropped") << next << 0 << 1 << 2 << false;
        QTest::newRow("next, Yes: saves, then moves on") << next << 1 << 1 << 2 << true;
        QTest::newRow("previous, Cancel: stays with the edits")
            << previous << -1 << 1 << 1 << false;
        QTest::newRow("previous, No: moves back, edits dropped")
            << previous << 0 << 1 << 0 << false;
        QTest::newRow("previous, Yes: saves, then moves back") << previous << 1 << 1 << 0 << true;
    }

    void walkingWithUnsavedEdits() {
        QFETCH(int, button);
        QFETCH(int, answer);
        QFETCH(int, row);
        QFETCH(int, shownRow);
        QFETCH(bool, stored);
        startWithThree();
        OpenClientAtRow(row);
        const std::string walkedFrom = ListRow(F1, 100, row).at(0);
        Retype(details::ContactBox, "Edited Contact");
        MessageBoxes boxes;
        boxes.answer({answer});
        Click(F2, button);

        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].text, std::string("Save your changes first?{?}"));
        QCOMPARE(boxes.asked()[0].caption, std::string("Changes Not Saved"));
        QCOMPARE(boxes.asked()[0].buttons, std::string("YNC"));
        QCOMPARE(boxes.asked()[0].owner, std::string(F2));

        const std::string shown = ListRow(F1, 100, shownRow).at(0);
        QCOMPARE(Text(details::ClientNameBox), shown);
        QCOMPARE(SelectedRows(F1, 100), std::vector<int>{shownRow});
        QCOMPARE(store::CurrentSlot, shownRow + 1);
        QCOMPARE(store::FieldText(store::ClientTable[row + 1].Contact),
                 stored ? std::string("Edited Contact") : "Contact of " + walkedFrom);
        if (shownRow == row) {
            QCOMPARE(Text(details::ContactBox), std::string("Edited Contact"));
            QVERIFY(SaveEnabled());
        } else {
            QCOMPARE(Text(details::ContactBox), "Contact of " + shown);
            QVERIFY(!SaveEnabled());
            QCOMPARE(store::CurrentClientNumber, store::ClientTable[shownRow + 1].ClientNumber);
        }
    }

    void walkingWithoutEditsAsksNothing() {
        startWithThree();
        OpenClientAtRow(0);
        MessageBoxes boxes;
        Click(F2, details::NextButton);
        Click(F2, details::NextButton);
        QCOMPARE(Text(details::ClientNameBox), std::string("Gamma"));
        Click(F2, details::PreviousButton);
        QCOMPARE(Text(details::ClientNameBox), std::string("Beta"));
        QVERIFY(boxes.asked().empty());
        QCOMPARE(SelectedRows(F1, 100), std::vector<int>{1});
    }

    void arrowsDoNothingAtTheEndsOfTheList_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("button");
        QTest::newRow("previous on the first client") << 0 << int(details::PreviousButton);
        QTest::newRow("next on the last client") << 2 << int(details::NextButton);
    }

    void arrowsDoNothingAtTheEndsOfTheList() {
        QFETCH(int, row);
        QFETCH(int, button);
        startWithThree();
        OpenClientAtRow(row);
        Retype(details::ContactBox, "Edited Contact");
        MessageBoxes boxes;
        Click(F2, button);
        QVERIFY(boxes.asked().empty());
        QCOMPARE(store::CurrentSlot, row + 1);
        QCOMPARE(Text(details::ContactBox), std::string("Edited Contact"));
        QVERIFY(SaveEnabled());
        QCOMPARE(SelectedRows(F1, 100), std::vector<int>{row});
    }

    // Guards against a typo fixed and saved again making a duplicate client.
    void aSecondSaveUpdatesTheClientJustAdded() {
        start({FullClient("Beta")});
        OpenNewClient();
        TypeInto(details::ClientNameBox, "First");
        Click(F2, details::SaveButton);
        QVERIFY(!SaveEnabled());
        Retype(details::ClientNameBox, "Second");
        Click(F2, details::SaveButton);
        // The mode stays: still adding, still no arrows.
        QVERIFY(IsEnabled(F2, details::NewButton));
        QVERIFY(!IsShown(F2, details::NextButton));
        Click(F2, details::NewButton);
        QVERIFY(Text(details::ClientNameBox).empty());
        QVERIFY(!SaveEnabled());
        TypeInto(details::ClientNameBox, "Third");
        Click(F2, details::SaveButton);
        Click(F2, details::ExitButton);
        QVERIFY(!gui::EZ_ISFORM(F2));
        QCOMPARE(ListedNames(), (std::vector<std::string>{"Beta", "Second", "Third"}));
        // Each new client has its own number: the first free slots' 2 and 3.
        std::vector<int> numbers;
        for (int slot = 1; slot <= 3; ++slot)
            numbers.push_back(store::ClientTable[slot].ClientNumber);
        std::sort(numbers.begin(), numbers.end());
        QCOMPARE(numbers, (std::vector<int>{1, 2, 3}));
        QCOMPARE(SelectedRows(F1, 100), std::vector<int>{2});  // the client last saved
    }

    void newAsksAboutUnsavedEdits_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("clients");  // listed after the window closed
        QTest::addColumn<bool>("cleared");
        QTest::newRow("Cancel keeps the typed client on screen") << -1 << 1 << false;
        QTest::newRow("No clears it without saving") << 0 << 1 << true;
        QTest::newRow("Yes saves it, then clears") << 1 << 2 << true;
    }

    void newAsksAboutUnsavedEdits() {
        QFETCH(int, answer);
        QFETCH(int, clients);
        QFETCH(bool, cleared);
        start({FullClient("Beta")});
        OpenNewClient();
        TypeInto(details::ClientNameBox, "Typed");
        MessageBoxes boxes;
        boxes.answer({answer});
        Click(F2, details::NewButton);
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].text, std::string("Save your changes first?{?}"));
        QCOMPARE(Text(details::ClientNameBox).empty(), cleared);
        QCOMPARE(SaveEnabled(), !cleared);
        boxes.answer({0});
        Click(F2, details::ExitButton);
        QCOMPARE(app::MainWindow.ClientCount, clients);
    }

    void aFullTableKeepsTheTypedClientUnsaved() {
        std::vector<store::ClientRecord> clients;
        for (int i = 0; i < store::MaxClients; ++i) {
            clients.push_back(MakeClient("Client " + std::to_string(10000 + i)));
        }
        start(clients);
        QCOMPARE(app::MainWindow.ClientCount, store::MaxClients);
        OpenNewClient();
        TypeInto(details::ClientNameBox, "One Too Many");
        MessageBoxes boxes;
        Click(F2, details::SaveButton);
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].text,
                 std::string("No more clients may be added at this time.{!}"));
        QCOMPARE(boxes.asked()[0].caption, std::string("Limit of 2000 Clients"));
        QCOMPARE(boxes.asked()[0].buttons, std::string("OK"));
        // Nothing was stored, so the window must not look saved.
        QVERIFY(SaveEnabled());
        QCOMPARE(Text(details::ClientNameBox), std::string("One Too Many"));
        for (int slot = 1; slot <= store::MaxClients; ++slot) {
            QVERIFY(store::FieldText(store::ClientTable[slot].ClientName) != "One Too Many");
        }
        // Yes to the exit question tries again, fails again, and keeps the window open.
        boxes.clear();
        boxes.answer({1, 1});
        Click(F2, details::ExitButton);
        QCOMPARE(boxes.asked().size(), std::size_t(2));
        QCOMPARE(boxes.asked()[0].text, std::string("Save your changes before exiting?{?}"));
        QCOMPARE(boxes.asked()[1].caption, std::string("Limit of 2000 Clients"));
        QVERIFY(gui::EZ_ISFORM(F2));
        QCOMPARE(app::MainWindow.ClientCount, store::MaxClients);
    }

    void closingAfterASaveSortsAndSelectsTheClient_data() {
        QTest::addColumn<int>("openRow");
        QTest::addColumn<int>("nexts");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("selected");
        QTest::newRow("a renamed first client moves to the end and stays selected")
            << 0 << 0 << "Zulu" << QStringList{"Beta", "Gamma", "Zulu"} << 2;
        QTest::newRow("a client reached with next, renamed, moves to the top")
            << 0 << 1 << "Aaron" << QStringList{"Aaron", "Alpha", "Gamma"} << 0;
        QTest::newRow("a save that keeps the order keeps the row selected")
            << 1 << 0 << "Beta Two" << QStringList{"Alpha", "Beta Two", "Gamma"} << 1;
    }

    void closingAfterASaveSortsAndSelectsTheClient() {
        QFETCH(int, openRow);
        QFETCH(int, nexts);
        QFETCH(QString, newName);
        QFETCH(QStringList, listed);
        QFETCH(int, selected);
        startWithThree();
        OpenClientAtRow(openRow);
        for (int i = 0; i < nexts; ++i) Click(F2, details::NextButton);
        const std::string oldName = ListRow(F1, 100, openRow + nexts).at(0);
        Retype(details::ClientNameBox, newName.toStdString());
        Click(F2, details::SaveButton);
        // The list is neither re-sorted nor refilled while the window is open.
        QCOMPARE(ListRow(F1, 100, openRow + nexts).at(0), oldName);
        Click(F2, details::ExitButton);
        QVERIFY(!gui::EZ_ISFORM(F2));
        QStringList names;
        for (const std::string& name : ListedNames()) names << QString::fromStdString(name);
        QCOMPARE(names, listed);
        QCOMPARE(SelectedRows(F1, 100), std::vector<int>{selected});
        QVERIFY(IsEnabled(F1, app::EditButton));
    }

    void theCloseBoxAsksAboutUnsavedEdits_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("stored");
        QTest::newRow("Cancel keeps the window and its edits") << -1 << true << "Contact of Alpha";
        QTest::newRow("No closes and drops the edits") << 0 << false << "Contact of Alpha";
        QTest::newRow("Yes saves, then closes") << 1 << false << "Edited Contact";
    }

    void theCloseBoxAsksAboutUnsavedEdits() {
        QFETCH(int, answer);
        QFETCH(bool, open);
        QFETCH(QString, stored);
        startWithThree();
        OpenClientAtRow(0);
        Retype(details::ContactBox, "Edited Contact");
        MessageBoxes boxes;
        boxes.answer({answer});
        OpenWindow(F2)->close();  // the window's own close box
        QCoreApplication::processEvents();
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].text, std::string("Save your changes before exiting?{?}"));
        QCOMPARE(boxes.asked()[0].caption, std::string("Changes Not Saved"));
        QCOMPARE(boxes.asked()[0].buttons, std::string("YNC"));
        QVERIFY(boxes.asked()[0].owner.empty());
        QCOMPARE(gui::EZ_ISFORM(F2), open);
        QCOMPARE(QString::fromStdString(store::FieldText(store::ClientTable[1].Contact)), stored);
        if (open) {
            QCOMPARE(Text(details::ContactBox), std::string("Edited Contact"));
            QVERIFY(SaveEnabled());
        }
    }

    void helpOpensAtTheTopicOfTheWindowsMode_data() {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<bool>("savedFirst");
        QTest::addColumn<QString>("topic");
        QTest::newRow("a window adding clients") << true << false << "Adding Clients";
        QTest::newRow("a window adding clients, after its first save")
            << true << true << "Adding Clients";
        QTest::newRow("a window editing a client")
            << false << false << "Editing and Deleting Clients";
    }

    void helpOpensAtTheTopicOfTheWindowsMode() {
        QFETCH(bool, adding);
        QFETCH(bool, savedFirst);
        QFETCH(QString, topic);
        startWithThree();
        const QString helpFile = QFINDTESTDATA("../../resources/Vendrix 2.hlp");
        QVERIFY(!helpFile.isEmpty());
        QVERIFY(QFile::copy(helpFile, QString::fromStdString(folder_->path() + "Vendrix 2.hlp")));
        if (adding) {
            OpenNewClient();
        } else {
            OpenClientAtRow(1);
        }
        if (savedFirst) {
            TypeInto(details::ClientNameBox, "Delta");
            Click(F2, details::SaveButton);
        }
        Click(F2, details::HelpButton);
        QCOMPARE(QString::fromStdString(gui::HelpTopicShown()), topic);
    }

    void clientOpenedFromTheScanResults() {
        store::ClientRecord due = FullClient("Alpha");
        due.FollowUpFlag = 1;
        due.FollowUpDate = followup::DayNumberFromDate(12, 6, 2026);
        store::StoreField(due.FollowUpAction, "Call");
        start({due, FullClient("Beta")}, store::Settings{});  // the start-up scan runs
        QVERIFY(OpenWindow(F4) != nullptr);
        DoubleClickRow(F4, 100, 0);
        QVERIFY(OpenWindow(F2) != nullptr);
        QCOMPARE(Text(details::ClientNameBox), std::string("Alpha"));
        // Slot 1, yet no arrows and no New: the window does not walk the scan results.
        QCOMPARE(store::CurrentSlot, 1);
        QVERIFY(!IsShown(F2, details::NextButton));
        QVERIFY(!IsShown(F2, details::PreviousButton));
        QVERIFY(!IsEnabled(F2, details::NewButton));

        Retype(details::ActionBox, "Visit");
        Click(F2, details::SaveButton);
        QCOMPARE(store::FieldText(followup::ScanResults[1].FollowUpAction), std::string("Visit"));
        QCOMPARE(ListRow(F4, 100, 0).at(4), std::string("Visit"));
        QVERIFY(!IsEnabled(F4, 110));
        QCOMPARE(details::Window.ScanEditRow, 1);  // tied to the row while the window is open
    }

    void savingThroughTheExitQuestionAlsoUpdatesTheScanResults() {
        store::ClientRecord due = FullClient("Alpha");
        due.FollowUpFlag = 1;
        due.FollowUpDate = followup::DayNumberFromDate(12, 6, 2026);
        start({due}, store::Settings{});
        DoubleClickRow(F4, 100, 0);
        Click(F2, details::FollowUpCheck);  // no follow-up any more
        MessageBoxes boxes;
        boxes.answer({1});
        Click(F2, details::ExitButton);
        QVERIFY(!gui::EZ_ISFORM(F2));
        QCOMPARE(store::ClientTable[1].FollowUpFlag, 0);
        // The results never show (or print) a follow-up the user has just cleared.
        QCOMPARE(followup::ScanResults[1].FollowUpFlag, 0);
        QCOMPARE(ListRow(F4, 100, 0).at(3), std::string());
    }
};

QTEST_MAIN(DetailsBehaviourTest)
#include "tst_details_behaviour.moc"
