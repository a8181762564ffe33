#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include <fstream>
#include <string>
#include <vector>

#include "app/client_list.h"
#include "app/forms.h"
#include "app/main_window.h"
#include "options/options_window.h"
#include "platform/gui/ez.h"
#include "reports/print_window.h"
#include "reports/report_style.h"
#include "shell/app_state.h"
#include "shell/forms.h"
#include "shell/sort_key.h"
#include "store/client_table.h"
#include "support/form_driver.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "support/temp_app_folder.h"

using testing::NoStartUpScan;

namespace {

constexpr const char* SaveQuestion = "Save your changes before exit?{?}";

void WriteClients(const testing::TempAppFolder& folder, const store::Settings& settings) {
    testing::WriteClientsFile(folder,
                              {testing::MakeClient("Beta", "Bob", "555-0102"),
                               testing::MakeClient("Alpha", "Ann", "555-0101")},
                              settings);
}

void OpenOptions() {
    testing::Click(shell::MainForm, app::OptionsButton);
    QVERIFY(gui::EZ_ISFORM(shell::OptionsForm));
}

bool SaveEnabled() {
    return testing::IsEnabled(shell::OptionsForm, options::SaveButton);
}

int StyleRadio(int style) {
    return reports::StyleRadioId(static_cast<reports::ReportStyle>(style));
}

// Sorts the main list by one of its columns, as a click on the column's title does.
void ClickColumnTitle(int column) {
    auto* list = testing::Control<QTreeView>(shell::MainForm, shell::MainList);
    QVERIFY(list != nullptr);
    QHeaderView* header = list->header();
    const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// Closes the options window answering No to its question, so that no window outlives the
// test (closing the program answers Cancel, which would keep it open).
void DiscardAndClose() {
    testing::MessageBoxes boxes;
    boxes.answer({0});
    if (gui::EZ_ISFORM(shell::OptionsForm)) gui::EZ_UNLOADFORM(shell::OptionsForm);
    QVERIFY(!gui::EZ_ISFORM(shell::OptionsForm));
}

}  // namespace

class OptionsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        testing::StopProgram();
        QVERIFY(testing::OpenWindow(shell::OptionsForm) == nullptr);
    }

    void opensWithTheOptionsAndSaveDisabled() {
        testing::TempAppFolder folder;
        store::Settings settings = NoStartUpScan();
        settings.DefaultPrintStyle = 3;
        settings.RollPastDueForward = 1;
        settings.ConfirmExit = 1;
        WriteClients(folder, settings);
        testing::ProgramSession program(folder);
        OpenOptions();
        QCOMPARE(gui::FormCaption(shell::OptionsForm), std::string("Vendrix Options"));
        for (int style = 0; style < reports::ReportStyleCount; ++style) {
            QCOMPARE(gui::EZ_GETCHECK(shell::OptionsForm, StyleRadio(style)) != 0, style == 3);
        }
        QCOMPARE(gui::EZ_GETCHECK(shell::OptionsForm, options::PreviewCheck), 0);
        QVERIFY(gui::EZ_GETCHECK(shell::OptionsForm, options::NoScanCheck) != 0);
        QVERIFY(gui::EZ_GETCHECK(shell::OptionsForm, options::RollForwardCheck) != 0);
        QCOMPARE(gui::EZ_GETCHECK(shell::OptionsForm, options::RememberSortCheck), 0);
        QVERIFY(gui::EZ_GETCHECK(shell::OptionsForm, options::ConfirmExitCheck) != 0);
        QVERIFY(!SaveEnabled());
        // The exit question of the main window is this run's matter; let it close.
        store::ProgramSettings.ConfirmExit = 0;
    }

    void closingWithoutAClickAsksNothing() {
        testing::TempAppFolder folder;
        WriteClients(folder, NoStartUpScan());
        testing::ProgramSession program(folder);
        testing::MessageBoxes boxes;
        const store::Settings before = store::ProgramSettings;
        OpenOptions();
        testing::Click(shell::OptionsForm, options::ExitButton);
        QVERIFY(!gui::EZ_ISFORM(shell::OptionsForm));
        QVERIFY(boxes.asked().empty());
        QCOMPARE(std::memcmp(&before, &store::ProgramSettings, sizeof before), 0);
        QCOMPARE(store::SaveNeeded, 0);
    }

    void everyStyleClickSetsTheStyleAndEnablesSave_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<std::vector<int>>("clicks");
        QTest::addColumn<int>("style");
        // The first click after the window gained the focus counts like any other.
        QTest::newRow("the first click of the window sets its style")
            << 0 << std::vector<int>{2} << 2;
        QTest::newRow("the last style can be chosen first") << 2 << std::vector<int>{4} << 4;
        QTest::newRow("two clicks in a row: the second one wins")
            << 0 << std::vector<int>{1, 3} << 3;
        QTest::newRow("clicking the style already on still marks a change")
            << 1 << std::vector<int>{1} << 1;
        QTest::newRow("back to the first style") << 4 << std::vector<int>{0} << 0;
    }
    void everyStyleClickSetsTheStyleAndEnablesSave() {
        QFETCH(int, from);
        QFETCH(std::vector<int>, clicks);
        QFETCH(int, style);
        testing::TempAppFolder folder;
        store::Settings settings = NoStartUpScan();
        settings.DefaultPrintStyle = from;
        WriteClients(folder, settings);
        testing::ProgramSession program(folder);
        OpenOptions();
        for (int click : clicks) {
            testing::Click(shell::OptionsForm, StyleRadio(click));
            QCOMPARE(store::ProgramSettings.DefaultPrintStyle, click);
            QVERIFY(SaveEnabled());
        }
        QCOMPARE(store::ProgramSettings.DefaultPrintStyle, style);
        QVERIFY(gui::EZ_GETCHECK(shell::OptionsForm, StyleRadio(style)) != 0);
        DiscardAndClose();
    }

    void aStyleClickCountsAfterTheWindowLostTheFocus() {
        testing::TempAppFolder folder;
        WriteClients(folder, NoStartUpScan());
        testing::ProgramSession program(folder);
        OpenOptions();
        // The window loses the focus and gets it back, then the user clicks a style.
        int id = 0;
        int code = gui::EV_LOSTFOCUS;
        int value = 0;
        int cancel = 0;
        app::EventProcedure(shell::OptionsForm, id, code, value, cancel);
        testing::Click(shell::OptionsForm, StyleRadio(2));
        QCOMPARE(store::ProgramSettings.DefaultPrintStyle, 2);
        QVERIFY(SaveEnabled());
        DiscardAndClose();
    }

    void checkBoxesStoreTheirTick_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("offset");  // of the field in the settings, in int32 steps
        QTest::newRow("preview report before printing") << options::PreviewCheck << 1;
        QTest::newRow("don't scan on program start") << options::NoScanCheck << 2;
        QTest::newRow("ask for confirmation when exiting") << options::ConfirmExitCheck << 4;
        QTest::newRow("roll past-due follow-ups forward") << options::RollForwardCheck << 8;
    }
    void checkBoxesStoreTheirTick() {
        QFETCH(int, box);
        QFETCH(int, offset);
        testing::TempAppFolder folder;
        WriteClients(folder, NoStartUpScan());
        testing::ProgramSession program(folder);
        auto field = [offset] {
            return reinterpret_cast<const std::int32_t*>(&store::ProgramSettings)[offset];
        };
        const bool wasTicked = field() != 0;
        OpenOptions();
        testing::Click(shell::OptionsForm, box);
        QCOMPARE(field() != 0, !wasTicked);
        QVERIFY(SaveEnabled());
        testing::Click(shell::OptionsForm, box);
        QCOMPARE(field() != 0, wasTicked);
        store::ProgramSettings.ConfirmExit = 0;
        DiscardAndClose();
    }

    void closeQuestionDecidesWhatIsSaved_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("sortedMeanwhile");
        QTest::addColumn<bool>("inFile");
        QTest::newRow("Yes: the tick is saved at exit") << 1 << false << true;
        QTest::newRow("No: the tick is lost at exit") << 0 << false << false;
        QTest::newRow("No, but a column sort asked for a save: the tick is saved")
            << 0 << true << true;
    }
    void closeQuestionDecidesWhatIsSaved() {
        QFETCH(int, answer);
        QFETCH(bool, sortedMeanwhile);
        QFETCH(bool, inFile);
        testing::TempAppFolder folder;
        WriteClients(folder, NoStartUpScan());
        {
            testing::ProgramSession program(folder);
            testing::MessageBoxes boxes;
            boxes.answer({answer});
            OpenOptions();
            testing::Click(shell::OptionsForm, options::PreviewCheck);
            testing::Click(shell::OptionsForm, options::ExitButton);
            QCOMPARE(boxes.asked().size(), std::size_t(1));
            QCOMPARE(boxes.asked()[0].text, std::string(SaveQuestion));
            QCOMPARE(boxes.asked()[0].caption, std::string("Changes Not Saved"));
            QCOMPARE(boxes.asked()[0].buttons, std::string("YNC"));
            QVERIFY(!gui::EZ_ISFORM(shell::OptionsForm));
            QCOMPARE(store::SaveNeeded, answer == 1 ? 1 : 0);

            // In force for the rest of the run: the print window starts from it.
            QVERIFY(store::ProgramSettings.PreviewBeforePrint != 0);
            testing::Click(shell::MainForm, app::PrintButton);
            QVERIFY(gui::EZ_GETCHECK(shell::PrintForm, reports::PreviewCheck) != 0);
            gui::EZ_UNLOADFORM(shell::PrintForm);
            if (sortedMeanwhile) ClickColumnTitle(1);
        }
        QCOMPARE(testing::SettingsInFile(folder).PreviewBeforePrint != 0, inFile);
    }

    void cancelKeepsTheWindowAndItsChanges() {
        testing::TempAppFolder folder;
        WriteClients(folder, NoStartUpScan());
        testing::ProgramSession program(folder);
        testing::MessageBoxes boxes;
        boxes.answer({-1});
        OpenOptions();
        testing::Click(shell::OptionsForm, StyleRadio(4));
        testing::Click(shell::OptionsForm, options::ExitButton);
        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QVERIFY(gui::EZ_ISFORM(shell::OptionsForm));
        QVERIFY(SaveEnabled());
        QCOMPARE(store::ProgramSettings.DefaultPrintStyle, 4);
        QCOMPARE(store::SaveNeeded, 0);
        DiscardAndClose();
    }

    void saveThenExitSavesWithoutAQuestion() {
        testing::TempAppFolder folder;
        WriteClients(folder, NoStartUpScan());
        {
            testing::ProgramSession program(folder);
            testing::MessageBoxes boxes;
            OpenOptions();
            testing::Click(shell::OptionsForm, StyleRadio(2));
            testing::Click(shell::OptionsForm, options::RollForwardCheck);
            testing::Click(shell::OptionsForm, options::SaveButton);
            QVERIFY(!SaveEnabled());
            QCOMPARE(store::SaveNeeded, 1);
            QVERIFY(gui::EZ_ISFORM(shell::OptionsForm));
            testing::Click(shell::OptionsForm, options::ExitButton);
            QVERIFY(boxes.asked().empty());
            QVERIFY(!gui::EZ_ISFORM(shell::OptionsForm));
        }
        const store::Settings saved = testing::SettingsInFile(folder);
        QCOMPARE(saved.DefaultPrintStyle, 2);
        QVERIFY(saved.RollPastDueForward != 0);

        // Read back at the next start, and shown again.
        testing::ProgramSession again(folder);
        OpenOptions();
        QVERIFY(gui::EZ_GETCHECK(shell::OptionsForm, StyleRadio(2)) != 0);
        QVERIFY(gui::EZ_GETCHECK(shell::OptionsForm, options::RollForwardCheck) != 0);
        QVERIFY(!SaveEnabled());
    }

    void rememberSortingTakesTheListsSortKey() {
        testing::TempAppFolder folder;
        WriteClients(folder, NoStartUpScan());
        testing::ProgramSession program(folder);
        shell::ActiveSortKey = {173, 12};  // the Phone column
        store::ProgramSettings.SortKeyStart = 1;
        store::ProgramSettings.SortKeyLength = 50;
        OpenOptions();
        testing::Click(shell::OptionsForm, options::RememberSortCheck);
        QVERIFY(store::ProgramSettings.RememberSortColumn != 0);
        QCOMPARE(store::ProgramSettings.SortKeyStart, 173);
        QCOMPARE(store::ProgramSettings.SortKeyLength, 12);
        // Unticking leaves the remembered key alone.
        shell::ActiveSortKey = {143, 30};  // the Contact column
        testing::Click(shell::OptionsForm, options::RememberSortCheck);
        QCOMPARE(store::ProgramSettings.RememberSortColumn, 0);
        QCOMPARE(store::ProgramSettings.SortKeyStart, 173);
        QCOMPARE(store::ProgramSettings.SortKeyLength, 12);
        DiscardAndClose();
    }

    void helpShowsTheProgramOptionsTopic() {
        testing::TempAppFolder folder;
        WriteClients(folder, NoStartUpScan());
        std::ofstream(folder.path() + shell::HelpFileName)
            << "<html><body><a name=\"Contents\"></a>Contents"
               "<a name=\"Program Options\"></a>Options</body></html>";
        testing::ProgramSession program(folder);
        OpenOptions();
        QVERIFY(!SaveEnabled());
        testing::Click(shell::OptionsForm, options::HelpButton);
        QCOMPARE(gui::HelpTopicShown(), std::string("Program Options"));
        QVERIFY(shell::HelpOpen != 0);
        QVERIFY(!SaveEnabled());
        gui::EZ_WINHELP(shell::MainForm, "", "", "Q");
    }
};

QTEST_MAIN(OptionsWindowTest)
#include "tst_options_window.moc"
