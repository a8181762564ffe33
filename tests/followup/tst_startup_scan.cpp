#include <QTest>

#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "platform/gui/ez.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/text_field.h"
#include "support/hooks.h"
#include "support/local_time.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "support/temp_app_folder.h"

using followup::DayNumber;
using testing::MakeClient;

namespace {

platform::SYSTEMTIME December2026(int day) {
    return testing::LocalTime(2026, 12, day, 8);
}

DayNumber Dec(int day) {
    return followup::DayNumberFromDate(12, day, 2026);
}

store::ClientRecord Due(const std::string& name, DayNumber date) {
    store::ClientRecord client = MakeClient(name);
    client.FollowUpFlag = 1;
    client.FollowUpDate = date;
    return client;
}

store::Settings LastScannedOn(DayNumber day, int noScanOnStart = 0) {
    store::Settings settings{};
    settings.LastStartScanDate = day;
    settings.NoScanOnStart = noScanOnStart;
    return settings;
}

// What the file holds now: the settings and the follow-up date of the client in slot 1.
struct OnDisk {
    DayNumber lastScan = 0;
    DayNumber firstClientDue = 0;
};
OnDisk ReadBack() {
    store::ResetClientStore();
    store::LoadClientTable();
    return {store::ProgramSettings.LastStartScanDate, store::ClientTable[1].FollowUpDate};
}

}  // namespace

class StartUpScanTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

private slots:
    void cleanup() { hooks_.reset(); }

    // A client due on 3 December; the program starts on 6 December.
    void theScanRunsAtMostOncePerDay_data() {
        QTest::addColumn<int>("lastScanDay");
        QTest::addColumn<int>("noScanOnStart");
        QTest::addColumn<bool>("scans");
        QTest::newRow("the first start of a later day scans") << 5 << 0 << true;
        QTest::newRow("a program never scanned before scans") << 0 << 0 << true;
        QTest::newRow("a second start on the same day does not scan") << 6 << 0 << false;
        QTest::newRow("no scan on start keeps a later day from scanning") << 5 << 1 << false;
        QTest::newRow("no scan on start and scanned today: nothing either") << 6 << 1 << false;
    }
    void theScanRunsAtMostOncePerDay() {
        QFETCH(int, lastScanDay);
        QFETCH(int, noScanOnStart);
        QFETCH(bool, scans);
        testing::TempAppFolder folder;
        const DayNumber lastScan = lastScanDay == 0 ? 0 : Dec(lastScanDay);
        testing::WriteClientsFile(folder, {Due("Baker", Dec(3))},
                                  LastScannedOn(lastScan, noScanOnStart));
        hooks_.emplace().setNow(December2026(6));
        {
            testing::MessageBoxes boxes;
            testing::ProgramSession program(folder);
            QCOMPARE(gui::EZ_ISFORM(shell::ScanResultsForm), scans);
            QVERIFY(boxes.asked().empty());
            QCOMPARE(store::ProgramSettings.LastStartScanDate, scans ? Dec(6) : lastScan);
            QCOMPARE(store::ClientTable[1].FollowUpDate, scans ? Dec(6) : Dec(3));
            if (scans) {
                QCOMPARE(shell::ManualScanFlag, 0);
                QCOMPARE(store::SaveNeeded, 1);
                QCOMPARE(followup::ScanResultCount, 1);
                QCOMPARE(followup::ScanResults[1].FollowUpDate, Dec(6));
            }
        }
        // The moved date and the day of the scan reach the file with the save at exit.
        const OnDisk disk = ReadBack();
        QCOMPARE(disk.lastScan, scans ? Dec(6) : lastScan);
        QCOMPARE(disk.firstClientDue, scans ? Dec(6) : Dec(3));
    }

    void aStartWithNothingDueIsSilentButCountsAsScanned() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {Due("Cole", Dec(20))}, LastScannedOn(Dec(5)));
        hooks_.emplace().setNow(December2026(6));
        testing::MessageBoxes boxes;
        testing::ProgramSession program(folder);
        QVERIFY(!gui::EZ_ISFORM(shell::ScanResultsForm));
        QVERIFY(boxes.asked().empty());
        QCOMPARE(store::ProgramSettings.LastStartScanDate, Dec(6));
    }

    void theNextDayScansAgain() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {Due("Baker", Dec(3))}, LastScannedOn(Dec(5)));
        hooks_.emplace().setNow(December2026(6));
        {
            testing::ProgramSession program(folder);
            QVERIFY(gui::EZ_ISFORM(shell::ScanResultsForm));
        }
        {
            testing::ProgramSession program(folder);
            QVERIFY(!gui::EZ_ISFORM(shell::ScanResultsForm));
        }
        hooks_.emplace().setNow(December2026(7));
        testing::ProgramSession program(folder);
        QVERIFY(gui::EZ_ISFORM(shell::ScanResultsForm));
        QCOMPARE(store::ProgramSettings.LastStartScanDate, Dec(7));
        QCOMPARE(store::ClientTable[1].FollowUpDate, Dec(7));
    }

    // The day of the scan is kept in memory until the save at exit: a run that ends without
    // that save leaves the file as it was, and the next start on the same day scans again.
    void aRunEndedWithoutSavingScansAgain() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {Due("Baker", Dec(3))}, LastScannedOn(Dec(5)));
        hooks_.emplace().setNow(December2026(6));
        {
            testing::ProgramSession program(folder);
            QVERIFY(gui::EZ_ISFORM(shell::ScanResultsForm));
            store::SaveNeeded = 0;  // as if the process had ended before its save
        }
        QCOMPARE(ReadBack().lastScan, Dec(5));

        testing::ProgramSession program(folder);
        QVERIFY(gui::EZ_ISFORM(shell::ScanResultsForm));
        QCOMPARE(store::ProgramSettings.LastStartScanDate, Dec(6));
    }
};

QTEST_MAIN(StartUpScanTest)
#include "tst_startup_scan.moc"
