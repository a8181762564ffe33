#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/client_list.h"
#include "app/main_window.h"
#include "followup/day_numbers.h"
#include "followup/scan.h"
#include "platform/clock.h"
#include "platform/gui/ez.h"
#include "platform/gui/layer.h"
#include "platform/print/dp.h"
#include "reports/print_window.h"
#include "reports/report_engine.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "store/client_table.h"
#include "store/text_field.h"
#include "support/captured_reports.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/local_time.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "support/sample_clients.h"
#include "support/temp_app_folder.h"

using testing::NoStartUpScan;

using testing::CapturedReports;
using testing::NumberedClientName;
using testing::NumberedClients;

namespace {

// 6 December 2026, 9:05:00 in the morning.
platform::SYSTEMTIME FixedNow() {
    return testing::LocalTime(2026, 12, 6, 9, 5);
}

constexpr followup::DayNumber Today = 740321;

// The client names a list report shows, in order over all pages.
std::vector<std::string> PrintedNames(const print::Document& document) {
    std::vector<std::string> names;
    for (const print::Page& page : document.pages) {
        for (const print::Item& item : page.items) {
            if (item.kind == print::ItemKind::Text && item.x == 0.5f && item.y >= 0.85f) {
                names.push_back(item.text);
            }
        }
    }
    return names;
}

std::vector<std::string> Names(std::initializer_list<int> numbers) {
    std::vector<std::string> names;
    for (int i : numbers) names.push_back(NumberedClientName(i));
    return names;
}

void OpenPrintFrom(const std::string& opener, int printButton) {
    testing::Click(opener, printButton);
    QVERIFY(gui::EZ_ISFORM(shell::PrintForm));
}

}  // namespace

class PrintWindowTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

private slots:
    void init() { hooks_.emplace().setNow(FixedNow()); }
    void cleanup() {
        testing::StopProgram();
        hooks_.reset();
    }

    // The five style buttons stand one under the other where each window's layout puts them:
    // the print window's at column 3.375, the options window's at 3.75, both from row 2.25 on.
    void theStyleButtonsStandWhereTheLayoutPutsThem_data() {
        QTest::addColumn<std::string>("form");
        QTest::addColumn<double>("column");
        QTest::newRow("print window") << std::string(shell::PrintForm) << 3.375;
        QTest::newRow("options window") << std::string(shell::OptionsForm) << 3.75;
    }
    void theStyleButtonsStandWhereTheLayoutPutsThem() {
        QFETCH(std::string, form);
        QFETCH(double, column);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, NumberedClients(3), NoStartUpScan());
        testing::ProgramSession program(folder);
        testing::Click(shell::MainForm,
                       form == shell::PrintForm ? app::PrintButton : app::OptionsButton);
        // A button may grow to fit its text, about its middle: its column and its distance from
        // the first are the layout's.
        constexpr double Rows[] = {2.25, 3.5625, 4.875, 6.1875, 7.5};
        const auto radio = [&form](int style) {
            return testing::Control(
                form, reports::StyleRadioId(static_cast<reports::ReportStyle>(style)));
        };
        QVERIFY(radio(0) != nullptr);
        for (int style = 0; style < reports::ReportStyleCount; ++style) {
            QVERIFY(radio(style) != nullptr);
            const QRect placed = gui::layer::ToPixels(column, Rows[style], 1, 1);
            const QRect first = gui::layer::ToPixels(column, Rows[0], 1, 1);
            QCOMPARE(radio(style)->x(), placed.x());
            QVERIFY(std::abs((radio(style)->y() - radio(0)->y()) - (placed.y() - first.y())) <= 1);
        }
    }

    void opensOverTheMainWindowWithItsCaption() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, NumberedClients(3), NoStartUpScan());
        testing::ProgramSession program(folder);
        OpenPrintFrom(shell::MainForm, app::PrintButton);
        QCOMPARE(gui::FormCaption(shell::PrintForm), std::string("Print Clients"));
        QCOMPARE(shell::OpenerForm, std::string("F1"));
        testing::Click(shell::PrintForm, reports::ExitPrintButton);
        QVERIFY(!gui::EZ_ISFORM(shell::PrintForm));
    }

    void selectedOnlyIsEnabledByTheOpenersSelection_data() {
        QTest::addColumn<int>("selectedRow");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("no row selected: print selected is disabled") << -1 << false;
        QTest::newRow("a row selected: print selected is enabled") << 1 << true;
    }
    void selectedOnlyIsEnabledByTheOpenersSelection() {
        QFETCH(int, selectedRow);
        QFETCH(bool, enabled);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, NumberedClients(3), NoStartUpScan());
        testing::ProgramSession program(folder);
        if (selectedRow >= 0) app::SelectListRow(shell::MainForm, shell::MainList, selectedRow, 2);
        OpenPrintFrom(shell::MainForm, app::PrintButton);
        QCOMPARE(testing::IsEnabled(shell::PrintForm, reports::PrintSelectedButton), enabled);
        QVERIFY(testing::IsEnabled(shell::PrintForm, reports::PrintAllButton));
    }

    void startsFromTheProgramOptions_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("preview");
        for (int style = 0; style < reports::ReportStyleCount; ++style) {
            for (int preview : {0, 1}) {
                const std::string name = std::string("style ") + std::to_string(style) +
                                         (preview ? " with preview" : " straight to the printer");
                QTest::newRow(name.c_str()) << style << preview;
            }
        }
    }
    void startsFromTheProgramOptions() {
        QFETCH(int, style);
        QFETCH(int, preview);
        testing::TempAppFolder folder;
        store::Settings settings = NoStartUpScan();
        settings.DefaultPrintStyle = style;
        settings.PreviewBeforePrint = preview;
        testing::WriteClientsFile(folder, NumberedClients(2), settings);
        testing::ProgramSession program(folder);
        OpenPrintFrom(shell::MainForm, app::PrintButton);
        for (int s = 0; s < reports::ReportStyleCount; ++s) {
            const int id = reports::StyleRadioId(static_cast<reports::ReportStyle>(s));
            QCOMPARE(gui::EZ_GETCHECK(shell::PrintForm, id) != 0, s == style);
        }
        QCOMPARE(gui::EZ_GETCHECK(shell::PrintForm, reports::PreviewCheck) != 0, preview != 0);

        CapturedReports reports;
        testing::Click(shell::PrintForm, reports::PrintAllButton);
        QCOMPARE(reports.ended().size(), std::size_t(1));
        QCOMPARE(reports.ended()[0].mode, preview ? 4 : 5);
        // The client-page styles give a page each; the list styles one page for two clients.
        const bool pagePerClient = style == 2 || style == 3;
        QCOMPARE(reports.last().pages.size(), std::size_t(pagePerClient ? 2 : 1));
        QVERIFY(gui::EZ_ISFORM(shell::PrintForm));
    }

    void printsTheMainListRows_data() {
        QTest::addColumn<int>("selectedOnly");
        QTest::addColumn<std::vector<int>>("selectRows");
        QTest::addColumn<std::vector<std::string>>("printed");
        QTest::newRow("all clients, in list order")
            << 0 << std::vector<int>{2} << Names({1, 2, 3, 4, 5});
        QTest::newRow("selected clients, in list order whatever the order of selection")
            << 1 << std::vector<int>{3, 0} << Names({1, 4});
    }
    void printsTheMainListRows() {
        QFETCH(int, selectedOnly);
        QFETCH(std::vector<int>, selectRows);
        QFETCH(std::vector<std::string>, printed);
        testing::TempAppFolder folder;
        // Written out of order: the list shows them sorted by name.
        auto clients = NumberedClients(5);
        std::swap(clients[0], clients[4]);
        testing::WriteClientsFile(folder, clients, NoStartUpScan());
        testing::ProgramSession program(folder);
        for (int row : selectRows) app::SelectListRow(shell::MainForm, shell::MainList, row, 2);
        OpenPrintFrom(shell::MainForm, app::PrintButton);

        CapturedReports reports;
        testing::Click(shell::PrintForm,
                       selectedOnly ? reports::PrintSelectedButton : reports::PrintAllButton);
        QCOMPARE(PrintedNames(reports.last()), printed);
        // The staging record is left empty after a run.
        const store::ClientRecord zero{};
        QCOMPARE(std::memcmp(&store::CurrentRecord, &zero, sizeof zero), 0);
    }

    void printsOnlyTheScanResultsRows_data() {
        QTest::addColumn<int>("selectedOnly");
        QTest::addColumn<std::vector<std::string>>("printed");
        QTest::newRow("all rows of the scan results, not all clients") << 0 << Names({2, 4, 5});
        QTest::newRow("the selected row of the scan results") << 1 << Names({4});
    }
    void printsOnlyTheScanResultsRows() {
        QFETCH(int, selectedOnly);
        QFETCH(std::vector<std::string>, printed);
        testing::TempAppFolder folder;
        auto clients = NumberedClients(6);
        for (const std::size_t i : {1UL, 3UL, 4UL}) {
            clients[i].FollowUpFlag = 1;
            clients[i].FollowUpDate = Today;
        }
        clients[5].FollowUpFlag = 1;
        clients[5].FollowUpDate = Today + 10;        // not due today
        testing::WriteClientsFile(folder, clients);  // the start-up scan runs
        testing::ProgramSession program(folder);
        QVERIFY(gui::EZ_ISFORM(shell::ScanResultsForm));
        QCOMPARE(followup::ScanResultCount, 3);
        // Something selected in the main list must not matter.
        app::SelectListRow(shell::MainForm, shell::MainList, 0, 2);
        app::SelectListRow(shell::ScanResultsForm, 100, 1, 2);

        OpenPrintFrom(shell::ScanResultsForm, 115);
        QCOMPARE(shell::OpenerForm, std::string("F4"));
        CapturedReports reports;
        testing::Click(shell::PrintForm,
                       selectedOnly ? reports::PrintSelectedButton : reports::PrintAllButton);
        QCOMPARE(PrintedNames(reports.last()), printed);
    }

    void styleChosenHereIsNotKept() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, NumberedClients(2), NoStartUpScan());
        testing::ProgramSession program(folder);
        OpenPrintFrom(shell::MainForm, app::PrintButton);
        testing::Click(shell::PrintForm, 115);  // one client per page, no history
        testing::Click(shell::PrintForm, reports::PreviewCheck);
        CapturedReports reports;
        testing::Click(shell::PrintForm, reports::PrintAllButton);
        QCOMPARE(reports.last().pages.size(), std::size_t(2));
        QCOMPARE(reports.ended().back().mode, 4);
        // A second report from the same window, with other choices.
        testing::Click(shell::PrintForm, 105);
        testing::Click(shell::PrintForm, reports::PreviewCheck);
        testing::Click(shell::PrintForm, reports::PrintAllButton);
        QCOMPARE(reports.ended().size(), std::size_t(2));
        QCOMPARE(reports.last().pages.size(), std::size_t(1));
        QCOMPARE(reports.ended().back().mode, 5);

        testing::Click(shell::PrintForm, reports::ExitPrintButton);
        QCOMPARE(store::ProgramSettings.DefaultPrintStyle, 0);
        QCOMPARE(store::ProgramSettings.PreviewBeforePrint, 0);
        OpenPrintFrom(shell::MainForm, app::PrintButton);
        QVERIFY(gui::EZ_GETCHECK(shell::PrintForm, 100) != 0);
        QCOMPARE(gui::EZ_GETCHECK(shell::PrintForm, reports::PreviewCheck), 0);
    }

    void withoutAPrinterTheReportIsSavedAsPdfBesideTheData() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, NumberedClients(3), NoStartUpScan());
        testing::ProgramSession program(folder);
        testing::MessageBoxes boxes;
        {
            testing::Hooks hooks;
            hooks.ignorePrinters();
            OpenPrintFrom(shell::MainForm, app::PrintButton);
            testing::Click(shell::PrintForm, reports::PrintAllButton);
        }

        const QDir reportsFolder(QString::fromStdString(folder.path() + "Reports"));
        const QStringList files = reportsFolder.entryList({QStringLiteral("*.pdf")}, QDir::Files);
        QCOMPARE(files.size(), 1);
        // The user is told where the report went.
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QVERIFY(boxes.lastText().find(files[0].toStdString()) != std::string::npos);

        QProcess process;
        process.start(pdftotext, {reportsFolder.filePath(files[0]), QStringLiteral("-")});
        QVERIFY(process.waitForFinished());
        const QString text = QString::fromUtf8(process.readAllStandardOutput()).simplified();
        for (int i = 1; i <= 3; ++i) {
            QVERIFY2(text.contains(QString::fromStdString(NumberedClientName(i))),
                     qPrintable(text));
        }
        QVERIFY(text.contains(QStringLiteral("Vendrix 2.05")));
        QVERIFY(text.contains(QStringLiteral("Page 1 of 1")));
        QVERIFY(text.contains(QStringLiteral("12-06-2026 9:05:00 am")));
    }

    void helpShowsThePrintingTopic() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, NumberedClients(1), NoStartUpScan());
        std::ofstream(folder.path() + shell::HelpFileName)
            << "<html><body><a name=\"Contents\"></a>Contents"
               "<a name=\"Printing\"></a>Printing</body></html>";
        testing::ProgramSession program(folder);
        OpenPrintFrom(shell::MainForm, app::PrintButton);
        testing::Click(shell::PrintForm, reports::PrintHelpButton);
        QCOMPARE(gui::HelpTopicShown(), std::string("Printing"));
        QVERIFY(shell::HelpOpen != 0);
        gui::EZ_WINHELP(shell::MainForm, "", "", "Q");
    }
};

QTEST_MAIN(PrintWindowTest)
#include "tst_print_window.moc"
