// Damaged data files that once broke the program, kept as regressions: every seed of the
// fuzzing corpus (fuzz/corpus/fuzz_clients_file, fuzz/corpus/fuzz_history_file) runs through
// the real program here too, and each fault the fuzzing found has a case of its own.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "app/client_list.h"
#include "app/main_window.h"
#include "details/details_window.h"
#include "followup/day_numbers.h"
#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "reports/report_engine.h"
#include "shell/forms.h"
#include "shell/sort_key.h"
#include "store/client_table.h"
#include "store/history.h"
#include "store/text_field.h"
#include "support/captured_reports.h"
#include "support/details_driver.h"
#include "support/hooks.h"
#include "support/program_fixture.h"
#include "support/program_session.h"

namespace {

// The fuzzing corpus in the source tree, beside this file's folder.
QDir Corpus(const char* target) {
    QDir dir = QFileInfo(QStringLiteral(__FILE__)).dir();
    dir.cd(QStringLiteral("../../fuzz/corpus/") + QLatin1String(target));
    return dir;
}

void CopyInto(const QString& from, const std::string& to) {
    QFile::remove(QString::fromStdString(to));
    QVERIFY(QFile::copy(from, QString::fromStdString(to)));
}

// The clients sit in slots 1..n, as many as the list shows.
void CheckTableMatchesList() {
    for (int slot = 1; slot <= store::MaxClients; ++slot) {
        QCOMPARE(store::ClientTable[slot].InUse > 0, slot <= app::MainWindow.ClientCount);
    }
    QCOMPARE(gui::ListRowCount(shell::MainForm, shell::MainList), app::MainWindow.ClientCount);
}

void ClickColumn(int column) {
    gui::NMLISTVIEW click;
    click.hdr.code = gui::LVN_COLUMNCLICK;
    click.iSubItem = column;
    app::ColumnClickHook(app::MainWindow.FormHandle, gui::WM_NOTIFY, 0, &click);
}

}  // namespace

class DamagedFilesTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

private slots:
    void init() { hooks_.emplace().setNow(testing::LocalTime(2026, 3, 16, 10, 30)); }
    void cleanup() {
        testing::StopProgram();
        hooks_.reset();
    }

    void everyDamagedClientsFileRunsThroughTheProgram_data() {
        QTest::addColumn<QString>("file");
        const QDir corpus = Corpus("fuzz_clients_file");
        const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString& name : files) {
            QTest::newRow(qPrintable("clients file " + name)) << corpus.filePath(name);
        }
    }

    void everyDamagedClientsFileRunsThroughTheProgram() {
        QFETCH(QString, file);
        testing::TempAppFolder folder;
        CopyInto(file, folder.dataFile());
        testing::MessageBoxes boxes;
        testing::CapturedReports reports;
        testing::StartProgram(folder);
        QVERIFY(gui::EZ_ISFORM(shell::MainForm));
        if (gui::EZ_ISFORM(shell::ScanResultsForm)) gui::EZ_UNLOADFORM(shell::ScanResultsForm);
        CheckTableMatchesList();
        for (int column = 0; column < int(app::ColumnSortKeys.size()); ++column) {
            ClickColumn(column);
            CheckTableMatchesList();
        }
        const auto clients = reports::ChooseClients(shell::MainForm, 0);
        for (int style = 0; style < reports::ReportStyleCount; ++style) {
            QVERIFY(reports::PrintReport(clients, static_cast<reports::ReportStyle>(style), true));
        }
        testing::StopProgram();
        // The exit saved a whole table.
        QCOMPARE(QFileInfo(QString::fromStdString(folder.dataFile())).size(), qint64(696348));
    }

    void everyDamagedHistoryFileIsShownAndPrinted_data() {
        QTest::addColumn<QString>("file");
        const QDir corpus = Corpus("fuzz_history_file");
        for (const QString& name : corpus.entryList(QDir::Files, QDir::Name)) {
            QTest::newRow(qPrintable("history file " + name)) << corpus.filePath(name);
        }
    }

    void everyDamagedHistoryFileIsShownAndPrinted() {
        QFETCH(QString, file);
        testing::TempAppFolder folder;
        store::Settings quiet{};
        quiet.NoScanOnStart = 1;
        testing::WriteClientsFile(folder, {testing::MakeClient("Acme")}, quiet);
        CopyInto(file, store::HistoryFileName(1));
        testing::CapturedReports reports;
        testing::ProgramSession program(folder);
        testing::OpenClientAtRow(0);
        QVERIFY(gui::EZ_ISFORM(shell::DetailsForm));
        testing::CloseDetailsDroppingEdits();
        const store::ClientRecord* client = &store::ClientTable[1];
        QVERIFY(reports::PrintReport({&client, 1}, reports::ReportStyle::PagePerClientWithHistory,
                                     true));
    }

    // Found by fuzzing: a remembered sort key near the 32-bit limit overflowed the check
    // meant to keep it inside the record.
    void aSortKeyNearTheIntegerLimitFallsBackToTheClientColumn_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::newRow("both at the limit") << INT_MAX << INT_MAX;
        QTest::newRow("a length at the limit") << 2 << INT_MAX;
        QTest::newRow("a start at the limit") << INT_MAX << 1;
        QTest::newRow("one byte past the record") << 348 << 2;
    }

    void aSortKeyNearTheIntegerLimitFallsBackToTheClientColumn() {
        QFETCH(int, start);
        QFETCH(int, length);
        QVERIFY(!app::IsValidSortKey({start, length}));
        testing::TempAppFolder folder;
        store::Settings settings{};
        settings.NoScanOnStart = 1;
        settings.RememberSortColumn = 1;
        settings.SortKeyStart = start;
        settings.SortKeyLength = length;
        testing::WriteClientsFile(
            folder, {testing::MakeClient("Beta", "Amy"), testing::MakeClient("Alpha", "Zed")},
            settings);
        testing::ProgramSession program(folder);
        QCOMPARE(shell::ActiveSortKey.start, shell::ClientNameKey.start);
        QCOMPARE(testing::ListRow(shell::MainForm, shell::MainList, 0).at(0), std::string("Alpha"));
    }

    // Found by fuzzing: a month or day far outside the calendar gave a day count beyond the
    // 32-bit range, and converting it was undefined.
    void anImpossibleDateHasNoDayNumber_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("expected");
        QTest::newRow("the largest month and day") << INT_MAX << INT_MAX << 0 << 0;
        QTest::newRow("the smallest month") << INT_MIN << 1 << 26 << 0;
        QTest::newRow("a day past the largest") << 12 << INT_MAX << 26 << 0;
        QTest::newRow("a real date still counts") << 3 << 16 << 2026 << 740056;
    }

    void anImpossibleDateHasNoDayNumber() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, year);
        QFETCH(int, expected);
        QCOMPARE(followup::DayNumberFromDate(month, day, year), expected);
        QVERIFY(expected == 0 || !followup::DayNumberToText(expected).empty());
    }

    // Found by fuzzing (under clang): ordering by follow-up date bound a reference to a
    // packed record's date. Dates a damaged file holds below zero sort with the undated.
    void damagedDatesPrintAmongTheUndatedInTheFollowUpListing() {
        std::vector<store::ClientRecord> clients = {
            testing::MakeClient("Dated"), testing::MakeClient("Negative"),
            testing::MakeClient("Undated"), testing::MakeClient("Smallest")};
        clients[0].FollowUpDate = followup::DayNumberFromDate(3, 20, 26);
        clients[1].FollowUpDate = -1;
        clients[3].FollowUpDate = INT_MIN;
        std::vector<const store::ClientRecord*> order;
        for (const auto& client : clients) order.push_back(&client);
        reports::OrderByFollowUpDate(order);
        std::vector<std::string> names;
        for (const auto* client : order) names.push_back(store::FieldText(client->ClientName));
        QCOMPARE(names, (std::vector<std::string>{"Negative", "Undated", "Smallest", "Dated"}));
    }
};

QTEST_MAIN(DamagedFilesTest)
#include "tst_damaged_files.moc"
