// The details window shows a client's record and history, and reads them back on a save.

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <cerrno>
#include <memory>
#include <optional>
#include <string_view>

#include "details/details_window.h"
#include "followup/day_numbers.h"
#include "platform/gui/ez.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/files.h"
#include "store/text_field.h"
#include "support/details_driver.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/program_fixture.h"

using namespace testing;

namespace {

constexpr const char* F2 = shell::DetailsForm;

std::string Text(int id) {
    return gui::EZ_GETTEXT(F2, id);
}

std::string Field(const std::array<char, 30>& field) {
    return std::string(field.data(), 30);
}

}  // namespace

class DetailsWindowTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

    std::unique_ptr<TempAppFolder> folder_;

    void start(const std::vector<store::ClientRecord>& clients,
               const store::Settings& settings = NoStartUpScan()) {
        folder_ = StartProgramWith(clients, settings);
    }

private slots:
    void init() { hooks_.emplace().setNow(LocalTime(2026, 12, 6, 10, 30)); }

    void cleanup() {
        CloseDetailsDroppingEdits();
        StopProgram();
        hooks_.reset();
        folder_.reset();
    }

    void newClientOpensEmptyForAdding() {
        start({FullClient("Alpha")});
        OpenNewClient();
        QVERIFY(OpenWindow(F2) != nullptr);
        QCOMPARE(gui::FormCaption(F2), std::string("Vendrix Details"));
        for (const int id :
             {165, 170, 175, 180, 185, 190, 195, 200, 205, 210, 215, 220, 240, 245}) {
            QVERIFY2(Text(id).empty(), qPrintable(QString("box %1 is not empty").arg(id)));
        }
        QCOMPARE(gui::EZ_GETCHECK(F2, details::FollowUpCheck), 0);
        const platform::CalendarDate shown = PickerShows();
        QCOMPARE(shown.year, 2026);
        QCOMPARE(shown.month, 12);
        QCOMPARE(shown.day, 6);
        QVERIFY(!IsEnabled(F2, details::FollowUpPicker));
        QVERIFY(!IsEnabled(F2, details::ActionBox));
        QVERIFY(!IsShown(F2, details::NextButton));
        QVERIFY(!IsShown(F2, details::PreviousButton));
        QVERIFY(IsEnabled(F2, details::NewButton));
        QVERIFY(!IsEnabled(F2, details::SendButton));
        QVERIFY(!SaveEnabled());
    }

    void existingClientShowsEveryField() {
        store::ClientRecord client = FullClient("Alpha");
        client.FollowUpFlag = 1;
        client.FollowUpDate = followup::DayNumberFromDate(12, 15, 2026);
        store::StoreField(client.FollowUpAction, "Call about the order");
        start({client, FullClient("Beta")});
        OpenClientAtRow(0);
        QVERIFY(OpenWindow(F2) != nullptr);
        QCOMPARE(Text(details::ClientNameBox), std::string("Alpha"));
        QCOMPARE(Text(details::AddressBox), std::string("1 Main Street"));
        QCOMPARE(Text(details::CityBox), std::string("Springfield"));
        QCOMPARE(Text(details::StateBox), std::string("IL"));
        QCOMPARE(Text(details::ZipBox), std::string("62701"));
        QCOMPARE(Text(details::ContactBox), std::string("Contact of Alpha"));
        QCOMPARE(Text(details::PhoneBox), std::string("555-0100"));
        QCOMPARE(Text(details::ExtBox), std::string("12"));
        QCOMPARE(Text(details::FaxBox), std::string("555-0101"));
        QCOMPARE(Text(details::CellBox), std::string("555-0102"));
        QCOMPARE(Text(details::GatekeeperBox), std::string("Keeper of Alpha"));
        QCOMPARE(Text(details::EMailBox), std::string("info@example.com"));
        QCOMPARE(Text(details::ActionBox), std::string("Call about the order"));
        QCOMPARE(gui::EZ_GETCHECK(F2, details::FollowUpCheck), 1);
        QCOMPARE(PickerShows().day, 15);
        QVERIFY(IsEnabled(F2, details::FollowUpPicker));
        QVERIFY(IsEnabled(F2, details::ActionBox));
        QVERIFY(IsEnabled(F2, details::SendButton));
        QVERIFY(IsShown(F2, details::NextButton));
        QVERIFY(IsShown(F2, details::PreviousButton));
        QVERIFY(!IsEnabled(F2, details::NewButton));
        QVERIFY(!SaveEnabled());
    }

    void pickerShowsTheStoredDayOrToday_data() {
        QTest::addColumn<int>("flag");
        QTest::addColumn<int>("date");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("enabled");
        const int dec15 = followup::DayNumberFromDate(12, 15, 2026);
        QTest::newRow("no follow-up shows today, picker disabled") << 0 << 0 << 12 << 6 << false;
        QTest::newRow("follow-up without a day shows today") << 1 << 0 << 12 << 6 << true;
        QTest::newRow("follow-up day is shown") << 1 << dec15 << 12 << 15 << true;
        QTest::newRow("damaged day past the known years shows today")
            << 1 << 999999 << 12 << 6 << true;
        QTest::newRow("damaged day before the known years shows today")
            << 1 << 1000 << 12 << 6 << true;
        QTest::newRow("negative day shows today") << 1 << -7 << 12 << 6 << true;
    }

    void pickerShowsTheStoredDayOrToday() {
        QFETCH(int, flag);
        QFETCH(int, date);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(bool, enabled);
        store::ClientRecord client = FullClient("Alpha");
        client.FollowUpFlag = flag;
        client.FollowUpDate = date;
        start({client});
        OpenClientAtRow(0);
        const platform::CalendarDate shown = PickerShows();
        QCOMPARE(int(shown.year), 2026);
        QCOMPARE(int(shown.month), month);
        QCOMPARE(int(shown.day), day);
        QCOMPARE(IsEnabled(F2, details::FollowUpPicker), enabled);
        QVERIFY(!SaveEnabled());
    }

    void typedTextIsStoredTrimmedCappedAndCased_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("offset");  // of the bound field in the record
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");  // the field's bytes, blanks included
        QTest::newRow("blanks around a name are dropped")
            << details::ClientNameBox << 0 << "  Acme  " << QString("Acme").leftJustified(50);
        QTest::newRow("a state typed in lower case is stored in upper case")
            << details::StateBox << 130 << "ny"
            << "NY";
        QTest::newRow("a third state letter is refused") << details::StateBox << 130 << "txz"
                                                         << "TX";
        QTest::newRow("letters in the extension are refused") << details::ExtBox << 184 << "1a2b3"
                                                              << "123 ";
        QTest::newRow("the extension takes four digits") << details::ExtBox << 184 << "123456"
                                                         << "1234";
    }

    void typedTextIsStoredTrimmedCappedAndCased() {
        QFETCH(int, box);
        QFETCH(int, offset);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        start({FullClient("Alpha")});
        OpenClientAtRow(0);
        Retype(box, typed.toStdString());
        QVERIFY(SaveEnabled());
        Click(F2, details::SaveButton);
        QVERIFY(!SaveEnabled());
        const char* bytes = reinterpret_cast<const char*>(&store::ClientTable[1]);
        QCOMPARE(QString::fromLatin1(bytes + offset, stored.size()), stored);
    }

    void saveWithFollowUpClearStoresNoDayAndNoAction() {
        store::ClientRecord client = FullClient("Alpha");
        client.FollowUpFlag = 1;
        client.FollowUpDate = followup::DayNumberFromDate(12, 15, 2026);
        store::StoreField(client.FollowUpAction, "Call back");
        start({client});
        OpenClientAtRow(0);
        Click(F2, details::FollowUpCheck);
        QCOMPARE(gui::EZ_GETCHECK(F2, details::FollowUpCheck), 0);
        QVERIFY(!IsEnabled(F2, details::FollowUpPicker));
        QVERIFY(!IsEnabled(F2, details::ActionBox));
        QVERIFY(SaveEnabled());
        Click(F2, details::SaveButton);
        const store::ClientRecord& saved = store::ClientTable[1];
        QCOMPARE(saved.FollowUpFlag, 0);
        QCOMPARE(saved.FollowUpDate, 0);
        QCOMPARE(Field(saved.FollowUpAction), std::string(30, ' '));
        QCOMPARE(Text(details::ActionBox), std::string("Call back"));  // left on screen
    }

    void saveWithFollowUpTickedStoresPickedDayAndAction() {
        start({FullClient("Alpha")});
        OpenClientAtRow(0);
        Click(F2, details::FollowUpCheck);
        QVERIFY(IsEnabled(F2, details::FollowUpPicker));
        TypeInto(details::ActionBox, "Send the catalogue");
        Click(F2, details::SaveButton);
        const store::ClientRecord& saved = store::ClientTable[1];
        QVERIFY(saved.FollowUpFlag != 0);
        QCOMPARE(saved.FollowUpDate, followup::DayNumberFromDate(12, 6, 2026));
        QCOMPARE(store::FieldText(saved.FollowUpAction), std::string("Send the catalogue"));
    }

    void historyBytesSurviveShowAndSave_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("lines ending in CR LF are kept byte for byte")
            << QByteArray("First call\r\nSecond call\r\n")
            << QByteArray("First call\r\nSecond call\r\n");
        QTest::newRow("line breaks at both ends stay")
            << QByteArray("\r\n\r\nNotes\r\n\r\n") << QByteArray("\r\n\r\nNotes\r\n\r\n");
        QTest::newRow("blanks at the ends go, blanks inside stay")
            << QByteArray("  Notes  here  ") << QByteArray("Notes  here");
        QTest::newRow("blanks after the last line break go")
            << QByteArray("Notes\r\n   ") << QByteArray("Notes\r\n");
        QTest::newRow("Windows-1252 letters keep their single bytes")
            << QByteArray("Caf\xE9 \x80 5\r\nNa\xEFve") << QByteArray("Caf\xE9 \x80 5\r\nNa\xEFve");
        QTest::newRow("a long history is neither cut nor changed")
            << QByteArray("0123456789\r\n").repeated(5000)
            << QByteArray("0123456789\r\n").repeated(5000);
    }

    void historyBytesSurviveShowAndSave() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        store::ClientRecord client = FullClient("Alpha");
        client.FollowUpFlag = 1;
        start({client});
        WriteHistoryBytes(*folder_, 1, file.toStdString());
        OpenClientAtRow(0);
        auto* box = Control<QPlainTextEdit>(F2, details::HistoryBox);
        QVERIFY(box != nullptr);
        // Shown as line breaks, not as visible carriage returns.
        QVERIFY(!box->toPlainText().contains(QChar('\r')));
        QCOMPARE(box->blockCount(), file.count("\r\n") + 1);
        QVERIFY(!SaveEnabled());
        Click(F2, details::FollowUpPicker);  // any change lets Save store the history again
        Click(F2, details::SaveButton);
        QCOMPARE(QByteArray::fromStdString(HistoryBytes(*folder_, 1).value_or("<missing>")), saved);
    }

    // A history file that cannot be read is shown empty; a save of the client must not put
    // that empty text in the file's place.
    void anUnreadableHistoryIsToldAndKeptOnSave() {
        start({FullClient("Alpha")});
        WriteHistoryBytes(*folder_, 1, "Called twice\r\n");
        static const store::FileCalls real = store::SystemFileCalls();
        store::FileCalls failing = real;
        failing.open = [](const char* path, int flags) {
            if (std::string_view(path).ends_with("/C0001.dat")) {
                errno = EIO;
                return -1;
            }
            return real.open(path, flags);
        };
        MessageBoxes boxes;
        {
            testing::Hooks hooks;
            hooks.setFileCalls(failing);
            OpenClientAtRow(0);
        }
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].caption, std::string("History Not Read"));
        QVERIFY(Text(details::HistoryBox).empty());
        QVERIFY(!IsEnabled(F2, details::HistoryBox));

        Retype(details::ContactBox, "Someone Else");
        Click(F2, details::SaveButton);
        QCOMPARE(HistoryBytes(*folder_, 1).value_or("<missing>"), std::string("Called twice\r\n"));
        QCOMPARE(store::FieldText(store::ClientTable[1].Contact), std::string("Someone Else"));

        // Read again, the history shows and can be changed as usual.
        CloseDetailsDroppingEdits();
        OpenClientAtRow(0);
        QVERIFY(IsEnabled(F2, details::HistoryBox));
        QVERIFY(!Text(details::HistoryBox).empty());
    }

    void clearedHistoryDeletesItsFile_data() {
        QTest::addColumn<QString>("left");
        QTest::newRow("an empty box deletes the file") << "";
        QTest::newRow("a box of blanks deletes the file") << "    ";
    }

    void clearedHistoryDeletesItsFile() {
        QFETCH(QString, left);
        start({FullClient("Alpha")});
        WriteHistoryBytes(*folder_, 1, "Old notes\r\n");
        OpenClientAtRow(0);
        QCOMPARE(Text(details::HistoryBox), std::string("Old notes\r\n"));
        Retype(details::HistoryBox, left.toStdString());
        Click(F2, details::SaveButton);
        QVERIFY(!HistoryBytes(*folder_, 1).has_value());
    }
};

QTEST_MAIN(DetailsWindowTest)
#include "tst_details_window.moc"
