#include <QApplication>
#include <QTest>

#include <climits>
#include <cstring>
#include <optional>

#include "app/forms.h"
#include "app/startup.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "followup/scan_results_window.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/text_field.h"
#include "support/hooks.h"
#include "support/local_time.h"
#include "support/program_fixture.h"
#include "support/temp_app_folder.h"

using followup::DayNumber;
using followup::ScanResultCount;
using followup::ScanResults;
using testing::MakeClient;

namespace {

platform::SYSTEMTIME SixthOfDecember2026() {
    return testing::LocalTime(2026, 12, 6, 9);
}

DayNumber Today() {
    return followup::DayNumberFromDate(12, 6, 2026);
}

store::ClientRecord Due(const std::string& name, DayNumber date, bool flagged = true) {
    store::ClientRecord client = MakeClient(name);
    client.FollowUpFlag = flagged ? 1 : 0;
    client.FollowUpDate = date;
    store::StoreField(client.FollowUpAction, "Call " + name);
    return client;
}

// Slots 1..6 hold clients, slot 7 is free and slot 8 holds a flagged client past the gap,
// which a scan must never reach.
void MakeCraftedTable() {
    store::ClientTable.fill(store::EmptyRecord());
    const DayNumber today = Today();
    const std::array<store::ClientRecord, 8> clients = {
        Due("Able", today),         // due today
        Due("Baker", today - 3),    // past due
        Due("Cole", today + 7),     // next week
        Due("Dunn", today, false),  // a date, but no follow-up planned
        Due("Eve", 0),              // flagged without a date
        Due("Ford", today + 1),     // tomorrow
        store::EmptyRecord(),       // free slot
        Due("Gale", today - 10),    // behind the free slot
    };
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        if (slot <= 8) store::ClientTable[slot] = clients[static_cast<std::size_t>(slot - 1)];
        store::ClientTable[slot].ClientNumber = slot;
    }
}

// Leaves stale rows behind, as an earlier scan would, so that every scan must clear them.
void LeaveStaleResults() {
    for (int slot = 1; slot <= store::MaxClients; ++slot) ScanResults[slot] = Due("Stale", 1);
    ScanResultCount = 7;
}

QStringList ResultNames() {
    QStringList names;
    for (int row = 1; row <= ScanResultCount; ++row) {
        names << QString::fromStdString(store::FieldText(ScanResults[row].ClientName));
    }
    return names;
}

int SlotOf(const QString& name) {
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        if (QString::fromStdString(store::FieldText(store::ClientTable[slot].ClientName)) == name)
            return slot;
    }
    return 0;
}

bool IsZero(const store::ClientRecord& record) {
    static const store::ClientRecord zero{};
    return std::memcmp(&record, &zero, sizeof record) == 0;
}

bool SameBytes(const store::ClientRecord& a, const store::ClientRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CloseResults() {
    if (gui::EZ_ISFORM(shell::ScanResultsForm)) gui::EZ_UNLOADFORM(shell::ScanResultsForm);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class ScanTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for the whole run

private slots:
    void initTestCase() {
        hooks_.emplace().setAppFolder(folder_.path());
        app::Initialise();
        gui::InstallProcedures(app::EventProcedure, app::DesignProcedure);
        hooks_->setNow(SixthOfDecember2026());
    }
    void cleanupTestCase() { hooks_.reset(); }
    void init() { shell::ManualScanFlag = 0; }
    void cleanup() { CloseResults(); }

    // Offsets are days from today (6 December 2026); "dates after" gives slots 1..8.
    void scansOverTheCraftedTable_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("byUser");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("datesAfter");

        const QList<int> untouched{0, -3, 7, 0, INT_MIN, 1, INT_MIN, -10};  // INT_MIN: date 0
        const QList<int> rolled{0, 0, 7, 0, 0, 1, INT_MIN, -10};

        QTest::newRow("a user's one-day scan finds only the flagged clients due that day")
            << 0 << 0 << 1 << QStringList{"Able"} << "" << untouched;
        QTest::newRow("a user's scan includes clients due on its first and on its last day")
            << 1 << 7 << 1 << QStringList{"Cole", "Ford"} << "" << untouched;
        QTest::newRow("a user's scan over next week leaves the past-due client untouched")
            << 2 << 8 << 1 << QStringList{"Cole"} << "" << untouched;
        QTest::newRow("a user's scan reaching back finds a past-due client without moving it")
            << -5 << 0 << 1 << QStringList{"Able", "Baker"} << "" << untouched;
        QTest::newRow("a user's scan finding nothing says so")
            << 20 << 30 << 1 << QStringList{} << followup::NothingFoundText << untouched;
        QTest::newRow("the start-up scan moves past-due and dateless follow-ups to today")
            << 0 << 0 << 0 << QStringList{"Able", "Baker", "Eve"} << "" << rolled;
        QTest::newRow("a reversed range by the user is an error and finds nothing")
            << 1 << 0 << 1 << QStringList{} << followup::ReversedRangeText << untouched;
        QTest::newRow("a reversed range at start-up moves nothing")
            << 1 << 0 << 0 << QStringList{} << followup::ReversedRangeText << untouched;
    }
    void scansOverTheCraftedTable() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, byUser);
        QFETCH(QStringList, found);
        QFETCH(QString, message);
        QFETCH(QList<int>, datesAfter);

        MakeCraftedTable();
        LeaveStaleResults();
        testing::MessageBoxes boxes;
        followup::ScanFollowUps(Today() + first, Today() + last, shell::MainForm, byUser);

        QCOMPARE(ResultNames(), found);
        for (int slot = 1; slot <= ScanResultCount; ++slot) {
            // Whole copies of the records as they stand after any roll.
            const int tableSlot = SlotOf(ResultNames()[slot - 1]);
            QVERIFY(SameBytes(ScanResults[slot], store::ClientTable[tableSlot]));
        }
        for (int slot = ScanResultCount + 1; slot <= store::MaxClients; ++slot) {
            QVERIFY2(IsZero(ScanResults[slot]), qPrintable(QString("slot %1").arg(slot)));
        }
        for (int slot = 1; slot <= 8; ++slot) {
            const int offset = datesAfter[slot - 1];
            const DayNumber expected = offset == INT_MIN ? 0 : Today() + offset;
            QCOMPARE(store::ClientTable[slot].FollowUpDate, expected);
        }

        if (message.isEmpty()) {
            QVERIFY(boxes.asked().empty());
        } else {
            QCOMPARE(int(boxes.asked().size()), 1);
            QCOMPARE(QString::fromStdString(boxes.asked()[0].text), message);
            QCOMPARE(boxes.asked()[0].buttons, std::string("OK"));
            const std::string caption = message == followup::NothingFoundText
                                            ? followup::NothingFoundCaption
                                            : followup::ReversedRangeCaption;
            QCOMPARE(boxes.asked()[0].caption, caption);
            // "Not Found" stands on its own; it belongs to no window.
            if (message == followup::NothingFoundText)
                QCOMPARE(boxes.asked()[0].owner, std::string());
        }
        QCOMPARE(gui::EZ_ISFORM(shell::ScanResultsForm), !found.isEmpty());
    }

    void aStartUpScanWithNothingDueIsSilent() {
        MakeCraftedTable();
        for (int slot = 1; slot <= 8; ++slot) store::ClientTable[slot].FollowUpFlag = 0;
        LeaveStaleResults();
        testing::MessageBoxes boxes;
        followup::ScanFollowUps(Today(), Today(), shell::MainForm, 0);
        QCOMPARE(ScanResultCount, 0);
        QVERIFY(IsZero(ScanResults[1]));
        QVERIFY(boxes.asked().empty());
        QVERIFY(!gui::EZ_ISFORM(shell::ScanResultsForm));
        QCOMPARE(store::ClientTable[2].FollowUpDate, Today() - 3);
    }

    void aFullTableDueTodayFillsTheResults() {
        store::ClientTable.fill(store::EmptyRecord());
        for (int slot = 1; slot <= store::MaxClients; ++slot) {
            store::ClientTable[slot] = Due("Client " + std::to_string(slot), Today());
            store::ClientTable[slot].ClientNumber = slot;
        }
        testing::MessageBoxes boxes;
        followup::ScanFollowUps(Today(), Today(), shell::MainForm, 0);
        QCOMPARE(ScanResultCount, store::MaxClients);
        QVERIFY(SameBytes(ScanResults[1], store::ClientTable[1]));
        QVERIFY(SameBytes(ScanResults[store::MaxClients], store::ClientTable[store::MaxClients]));
        QVERIFY(gui::EZ_ISFORM(shell::ScanResultsForm));
        QCOMPARE(testing::ListRow(shell::ScanResultsForm, followup::ResultsList, 1999).at(0),
                 std::string("Client 2000"));
    }

    void findSlotByNumber_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("slot");
        QTest::newRow("a number that moved with its client is found at its new slot") << 9 << 2;
        QTest::newRow("a free slot's number is found too") << 2000 << 1999;
        QTest::newRow("a number held by no slot gives 0") << 2001 << 0;
    }
    void findSlotByNumber() {
        QFETCH(int, number);
        QFETCH(int, slot);
        store::ClientTable.fill(store::EmptyRecord());
        for (int s = 1; s <= store::MaxClients; ++s) store::ClientTable[s].ClientNumber = s;
        std::swap(store::ClientTable[2].ClientNumber, store::ClientTable[9].ClientNumber);
        std::swap(store::ClientTable[1999].ClientNumber, store::ClientTable[2000].ClientNumber);
        QCOMPARE(followup::FindSlotByNumber(number), slot);
    }

private:
    testing::TempAppFolder folder_;
};

QTEST_MAIN(ScanTest)
#include "tst_scan.moc"
