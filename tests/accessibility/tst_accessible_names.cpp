// Every window works for a screen reader and from the keyboard alone: each control that takes
// the focus has a name, Tab reaches each of them, and the lists answer the arrow keys.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>

#include "app/main_window.h"
#include "followup/day_numbers.h"
#include "followup/scan_results_window.h"
#include "platform/gui/ez.h"
#include "platform/print/preview.h"
#include "reports/print_window.h"
#include "shell/forms.h"
#include "store/backups.h"
#include "support/details_driver.h"
#include "support/form_driver.h"
#include "support/hooks.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "transfer/import_window.h"
#include "transfer/restore_window.h"

namespace {

const std::string F1 = shell::MainForm;

QWidget* TopLevelNamed(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && (window->objectName() == name || window->windowTitle() == name))
            return window;
    }
    return nullptr;
}

// The controls a person can reach with Tab.
QWidgetList TabStops(const QWidget* window) {
    QWidgetList stops;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->isVisibleTo(window) && widget->isEnabled() && !widget->focusProxy() &&
            (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
            stops << widget;
    }
    return stops;
}

// Opens the window as a person would and hands it to the check; the preview, which waits in
// its own loop while it shows, is checked from within that loop and closed.
void WithWindow(const QString& window, const std::function<void(QWidget*)>& check) {
    // The main window's own activation is over before another window opens over it.
    QVERIFY(QTest::qWaitForWindowActive(testing::OpenWindow(F1)));
    if (window == "main") return check(testing::OpenWindow(F1));
    if (window == "details") testing::OpenClientAtRow(0);
    if (window == "scan") testing::Click(F1, app::ScanButton);
    if (window == "scan results") {
        const followup::DayNumber today = followup::TodayDayNumber();
        followup::ScanFollowUps(today - 1, today, F1, 1);
    }
    if (window == "print" || window == "print preview") testing::Click(F1, app::PrintButton);
    if (window == "options") testing::Click(F1, app::OptionsButton);
    QTemporaryDir scratch;
    if (window == "import") {
        QFile file(scratch.filePath("clients.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Company,Contact,Notes\nDelta Foods,Dee Dale,fair\nEcho Print,Ed,\n");
        file.close();
        transfer::ImportFile(F1, file.fileName().toStdString());
    }
    if (window == "restore") transfer::OpenRestoreWindow(F1);
    if (window == "help") {
        gui::EZ_WINHELP(F1, QFINDTESTDATA("../../resources/Vendrix 2.hlp").toStdString(), "", "K");
        return check(TopLevelNamed("Vendrix 2 Help"));
    }
    if (window == "print preview") {
        gui::EZ_SETCHECK(shell::PrintForm, reports::PreviewCheck, 1);
        QTimer::singleShot(0, [&] {
            QWidget* preview = TopLevelNamed(print::PREVIEW_WINDOW_NAME);
            check(preview);
            if (preview) preview->close();
        });
        return testing::Click(shell::PrintForm, reports::PrintAllButton);
    }
    static const QHash<QString, const char*> forms{
        {"details", shell::DetailsForm},          {"scan", shell::ScanForm},
        {"scan results", shell::ScanResultsForm}, {"print", shell::PrintForm},
        {"options", shell::OptionsForm},          {"import", shell::ImportForm},
        {"restore", shell::RestoreForm}};
    check(testing::OpenWindow(forms.value(window, "")));
}

// What the keys left behind: the question asked and the row it was asked about, the window
// closed, or the rows highlighted and the control with the focus.
QString Outcome(const std::string& form, int list, const testing::MessageBoxes& boxes) {
    if (!boxes.asked().empty()) {
        return QStringLiteral("asked %1 about row %2")
            .arg(QString::fromStdString(boxes.asked().front().buttons))
            .arg(gui::FirstSelectedRow(form, list));
    }
    if (!gui::EZ_ISFORM(form)) return QStringLiteral("closed");
    QStringList rows;
    for (const int row : testing::SelectedRows(form, list)) rows << QString::number(row);
    return QStringLiteral("rows %1, focus on %2")
        .arg(rows.join(' '), QApplication::focusWidget()->objectName());
}

}  // namespace

class AccessibleNamesTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlIsNamedAndReachedByTab_data() {
        QTest::addColumn<QString>("window");
        for (const char* window : {"main", "details", "scan", "scan results", "print", "options",
                                   "import", "restore", "help", "print preview"}) {
            QTest::newRow((QByteArray("the ") + window + " window").constData()) << window;
        }
    }
    void everyControlIsNamedAndReachedByTab() {
        QFETCH(QString, window);
        store::ClientRecord due = testing::MakeClient("Acme", "Ann");
        due.FollowUpFlag = 1;
        due.FollowUpDate = followup::TodayDayNumber() - 1;
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {due, testing::MakeClient("Birch")},
                                  testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        testing::MessageBoxes boxes;
        QStringList unnamed, unreached;
        WithWindow(window, [&](QWidget* shown) {
            QVERIFY(shown);
            shown->activateWindow();
            // A window opened over another counts as active with it: wait for its own turn.
            QTRY_VERIFY(QApplication::activeWindow() == shown);
            // The focus is drawn from the start, not only once Tab has been pressed.
            QVERIFY(shown->testAttribute(Qt::WA_KeyboardFocusChange));
            const QWidgetList stops = TabStops(shown);

            QSet<QWidget*> reached;
            for (int press = 0; press <= 2 * stops.size(); ++press) {
                reached << QApplication::focusWidget();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            for (QWidget* stop : stops) {
                const QString what =
                    QString::fromLatin1(stop->metaObject()->className()) + " " + stop->objectName();
                if (QAccessible::queryAccessibleInterface(stop)->text(QAccessible::Name).isEmpty())
                    unnamed << what;
                if (!reached.contains(stop)) unreached << what;
            }
        });
        QVERIFY2(unnamed.isEmpty(), qPrintable("unnamed: " + unnamed.join(", ")));
        QVERIFY2(unreached.isEmpty(), qPrintable("not reached by Tab: " + unreached.join(", ")));
    }

    void listsAndTheirWindowsAnswerTheKeyboard_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("Down on a list with no row highlighted highlights the first row")
            << "main"
            << "Down"
            << "rows 0, focus on c100";
        QTest::newRow("End on a list highlights the last row") << "main"
                                                               << "End"
                                                               << "rows 2, focus on c100";
        QTest::newRow("the restore window opens on the newest backup, restored with Enter")
            << "restore"
            << "Return"
            << "asked YN about row 0";
        QTest::newRow("Down and Enter in the restore window restore the older backup")
            << "restore"
            << "Down,Return"
            << "asked YN about row 1";
        QTest::newRow("Escape closes the restore window") << "restore"
                                                          << "Escape"
                                                          << "closed";
        QTest::newRow("Enter on an imported column goes on to what it is imported as")
            << "import"
            << "Return"
            << "rows 0, focus on c150";
    }
    void listsAndTheirWindowsAnswerTheKeyboard() {
        QFETCH(QString, window);
        QFETCH(QString, keys);
        QFETCH(QString, outcome);
        testing::TempAppFolder folder;
        testing::WriteClientsFile(
            folder,
            {testing::MakeClient("Acme"), testing::MakeClient("Bo"), testing::MakeClient("Cy")},
            testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        QVERIFY(store::MakeBackup(store::BackupReason::BeforeDelete,
                                  QDateTime::currentDateTime().addSecs(60))
                    .ok);
        const std::map<QString, std::pair<std::string, int>> lists{
            {"main", {F1, shell::MainList}},
            {"restore", {shell::RestoreForm, transfer::BackupList}},
            {"import", {shell::ImportForm, transfer::ImportColumnList}}};
        const auto [form, list] = lists.at(window);
        WithWindow(window, [&](QWidget* shown) {
            shown->activateWindow();
            QTRY_VERIFY(QApplication::activeWindow() == shown);
            testing::ControlWidget(form, list)->setFocus(Qt::TabFocusReason);
            testing::MessageBoxes boxes;
            boxes.answer({0});
            for (const QString& key : keys.split(',')) {
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
                if (!boxes.asked().empty()) break;
            }
            QCOMPARE(Outcome(form, list, boxes), outcome);
        });
    }

    // A message box is in the windows' font, and a screen reader reads its text with it.
    void messageBoxesShareTheWindowsFontAndReadTheirText() {
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {}, testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        testing::Hooks realBoxes;
        realBoxes.answerBoxes(nullptr);
        QFont font;
        QString description;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            font = box->font();
            description = box->accessibleDescription();
            box->buttons().constFirst()->click();
        });
        gui::EZ_MSGBOX(F1, "Nothing was found.{!}", "Scan", "OK");
        QCOMPARE(font, testing::OpenWindow(F1)->font());
        QCOMPARE(QApplication::font(), testing::OpenWindow(F1)->font());
        QCOMPARE(description, QStringLiteral("Nothing was found."));
    }
};

QTEST_MAIN(AccessibleNamesTest)
#include "tst_accessible_names.moc"
