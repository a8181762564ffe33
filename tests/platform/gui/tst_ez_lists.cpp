// List views, date pickers and status bars of the toolkit layer, driven through real widgets.

#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

#include "ez_harness.h"

using namespace gui;
using ezharness::Events;
using ezharness::EventsWith;
using ezharness::OnEvent;
using ezharness::Open;
using testing::Control;

namespace {

const std::vector<std::string> TestForms{"L"};
constexpr int List = 100;
constexpr int Picker = 105;
constexpr int Status = 110;

struct HookCall {
    WindowHandle window = 0;
    int message = 0;
    std::uintptr_t wParam = 0;
    NMLISTVIEW record;
    int calls = 0;
};

HookCall& LastHookCall() {
    static HookCall call;
    return call;
}

int RecordingHook(WindowHandle window, int message, std::uintptr_t wParam,
                  const NMLISTVIEW* record) {
    HookCall& call = LastHookCall();
    call.window = window;
    call.message = message;
    call.wParam = wParam;
    call.record = *record;
    ++call.calls;
    return 1;
}

void ListAndPicker() {
    EZ_USEFONT(10);
    EZ_LISTVIEW(List, 1, 1, 50, 12, "Client{19}|Contact{14}|Phone{12}|", "-#MSV");
    EZ_CONTROLEX("L", Picker, 1, 14, 9.375, 1.3125, "SysDateTimePick32", "", 0x50010000, 0);
    SetPickerFormat("L", Picker, "MM/dd/yy");
    EZ_BUTTON(115, 20, 14, 8, 1.5, "&Go", "T");
}

void AddRows(int count) {
    for (int row = 0; row < count; ++row) {
        EZ_ADDLVITEM("L", List, "Client " + std::to_string(row), 0, row, 0, "");
        EZ_ADDLVITEM("L", List, "Contact " + std::to_string(row), 0, row, 1, "");
        EZ_ADDLVITEM("L", List, "555-" + std::to_string(row), 0, row, 2, "");
    }
}

void Select(int row, bool on) {
    SetRowSelected("L", List, row, on);
}

std::vector<int> Selected() {
    return SelectedRows("L", List);
}

QPoint RowCentre(QTreeView* view, int row) {
    return view->visualRect(view->model()->index(row, 0)).center();
}

}  // namespace

class TestEzLists : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        ezharness::Install();
        EZ_DEFFONT(10, "Arial", 9, "V");
        EZ_ALLOWKEYEVENTS(1);
        EZ_ALLOWNOTIFYEVENTS(1);
    }
    void init() {
        Open("L", ListAndPicker, "", "_CK", 60, 18);
        LastHookCall() = HookCall{};
    }
    void cleanup() { ezharness::CloseAll(TestForms); }

    void rowsAndSelectionQueries() {
        AddRows(3);
        QCOMPARE(ListRowCount("L", List), 3);
        QCOMPARE(ListRowTexts("L", List, 1),
                 (std::vector<std::string>{"Client 1", "Contact 1", "555-1"}));
        QCOMPARE(FirstSelectedRow("L", List), -1);
        QVERIFY(Selected().empty());

        Select(2, true);
        Select(0, true);  // adds to the highlight
        QCOMPARE(SelectedRowCount("L", List), 2);
        QCOMPARE(FirstSelectedRow("L", List), 0);
        QCOMPARE(Selected(), (std::vector<int>{0, 2}));

        Select(0, false);  // and takes away from it, leaving the others
        QCOMPARE(Selected(), std::vector<int>{2});
        EZ_SETSELECT("L", List, -1, 0, 0, 0, 0);
        QCOMPARE(SelectedRowCount("L", List), 0);
    }

    void programmaticChangesRaiseNoEvents() {
        AddRows(3);
        Select(1, true);
        ScrollRowIntoView("L", List, 2);
        EZ_SETSELECT("L", List, -1, 0, 0, 0, 0);
        Select(2, true);
        EZ_CLEAR("L", List);
        EZ_SETREDRAWSTATE("L", List, 0);
        AddRows(2);
        EZ_SETREDRAWSTATE("L", List, 1);
        for (const ezharness::Event& event : Events()) {
            QVERIFY2(event.id != List, qPrintable(QString::number(event.code)));
        }
    }

    void bulkFillTellsTheViewOnce() {
        auto* view = Control<QTreeView>("L", List);
        QSignalSpy resets(view->model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(view->model(), &QAbstractItemModel::rowsInserted);
        EZ_CLEAR("L", List);
        EZ_SETREDRAWSTATE("L", List, 0);
        AddRows(2000);
        EZ_SETREDRAWSTATE("L", List, 1);
        EZ_REDRAWCONTROL("L", List);
        QCOMPARE(resets.count(), 2);  // the clearing and the fill
        QCOMPARE(inserts.count(), 0);
        QCOMPARE(view->model()->rowCount(), 2000);
        QCOMPARE(ListRowTexts("L", List, 1999).front(), std::string("Client 1999"));
    }

    // A fitted column grows to its longest text, shrinks back to its own width when the texts
    // change, and the list scrolls sideways only while a text needs it.
    void fittedColumnHoldsItsLongestText() {
        auto* view = Control<QTreeView>("L", List);
        const int own = view->header()->sectionSize(2);
        const std::string longText(120, 'w');
        for (const bool longOne : {true, false, true}) {
            EZ_CLEAR("L", List);
            AddRows(3);
            if (longOne) EZ_ADDLVITEM("L", List, longText, 0, 1, 2, "");
            FitListColumnToTexts("L", List, 2);
            const int needed =
                view->fontMetrics().horizontalAdvance(QString::fromStdString(longText));
            QCOMPARE(view->header()->sectionSize(2) > needed, longOne);
            if (!longOne) QCOMPARE(view->header()->sectionSize(2), own);
        }
    }

    void clickTellsTheChangeThenTheClickWithTheNewSelection() {
        AddRows(3);
        auto* view = Control<QTreeView>("L", List);
        int selectedAtClick = -2;
        OnEvent() = [&selectedAtClick](const std::string&, int& id, int& code, int&, int&) {
            if (id == List && code == EV_CLICK) selectedAtClick = FirstSelectedRow("L", List);
        };
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowCentre(view, 1));
        std::vector<int> codes;
        for (const ezharness::Event& event : Events()) {
            if (event.id == List && (event.code == EV_NOTIFY || event.code == EV_CLICK)) {
                codes.push_back(event.code);
            }
        }
        QCOMPARE(codes, (std::vector<int>{EV_NOTIFY, EV_CLICK}));
        QCOMPARE(EventsWith(EV_NOTIFY, List).front().value, LVN_ITEMCHANGED);
        QCOMPARE(selectedAtClick, 1);

        Events().clear();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowCentre(view, 1));
        QVERIFY(EventsWith(EV_NOTIFY, List).empty());  // the same row again changes nothing
        QCOMPARE(EventsWith(EV_CLICK, List).size(), std::size_t(1));

        Events().clear();
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowCentre(view, 2));
        QCOMPARE(EventsWith(EV_DBLCLICK, List).size(), std::size_t(1));
        QCOMPARE(FirstSelectedRow("L", List), 2);
    }

    void keyIsToldBeforeTheViewMovesAndTheChangeAfter() {
        AddRows(3);
        auto* view = Control<QTreeView>("L", List);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowCentre(view, 0));
        Events().clear();
        int selectedAtKey = -2;
        OnEvent() = [&selectedAtKey](const std::string&, int& id, int& code, int&, int&) {
            if (id == List && code == EV_KEY) selectedAtKey = FirstSelectedRow("L", List);
        };
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(selectedAtKey, 0);
        QCOMPARE(FirstSelectedRow("L", List), 1);
        QCOMPARE(Events().front().code, EV_KEY);
        QCOMPARE(Events().front().value, VK_DOWN);
        QCOMPARE(EventsWith(EV_NOTIFY, List).size(), std::size_t(1));
    }

    void typedLettersAreTheProgramsToSearchWithAndItsHighlightIsTold() {
        AddRows(3);
        auto* view = Control<QTreeView>("L", List);
        view->setFocus();
        OnEvent() = [](const std::string&, int& id, int& code, int& value, int&) {
            if (id == List && code == EV_KEY && value == 'C') Select(2, true);
        };
        QTest::keyClick(view, Qt::Key_C);
        QCOMPARE(EventsWith(EV_KEY, List).front().value, int('C'));
        QCOMPARE(Selected(), std::vector<int>{2});  // the view's own search moved nothing
        // The highlight the handler set in answer to the key is told like the view's own.
        QCOMPARE(EventsWith(EV_NOTIFY, List).size(), std::size_t(1));
    }

    void enterTurnedIntoTabLeavesTheList() {
        AddRows(3);
        auto* view = Control<QTreeView>("L", List);
        view->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), view);
        OnEvent() = [](const std::string&, int& id, int& code, int& value, int&) {
            if (id == List && code == EV_KEY && value == VK_RETURN) value = VK_TAB;
        };
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(QApplication::focusWidget() != view);
    }

    void columnClickReachesTheHook() {
        AddRows(3);
        EZ_HOOKDIALOGPROC(&RecordingHook);
        auto* view = Control<QTreeView>("L", List);
        QHeaderView* header = view->header();
        const QPoint third(header->sectionViewportPosition(2) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, third);
        const HookCall& call = LastHookCall();
        QCOMPARE(call.calls, 1);
        QCOMPARE(call.window, EZ_HANDLE("L", 0));
        QCOMPARE(call.message, WM_NOTIFY);
        QCOMPARE(call.record.hdr.code, LVN_COLUMNCLICK);
        QCOMPARE(call.record.hdr.hwndFrom, EZ_HANDLE("L", List));
        QCOMPARE(call.record.hdr.idFrom, std::uintptr_t(List));
        QCOMPARE(call.record.iSubItem, 2);
        QCOMPARE(call.record.iItem, -1);
        QCOMPARE(ListRowCount("L", List), 3);  // Qt sorted nothing
        QCOMPARE(ListRowTexts("L", List, 0).front(), std::string("Client 0"));
    }

    void datePickerKeepsTheCenturyAndTellsOnlyThePersonsChanges() {
        SetPickerDate("L", Picker, CalendarDate{2026, 12, 6});
        QVERIFY(EventsWith(EV_NOTIFY, Picker).empty());
        QCOMPARE(Control<QDateEdit>("L", Picker)->text(), QStringLiteral("12/06/26"));

        CalendarDate read = PickerDate("L", Picker);
        QCOMPARE(read.year, 2026);
        QCOMPARE(read.month, 12);
        QCOMPARE(read.day, 6);
        SetPickerDate("L", Picker, CalendarDate{2026, 2, 30});  // no such day: nothing changes
        QCOMPARE(PickerDate("L", Picker).day, 6);

        auto* picker = Control<QDateEdit>("L", Picker);
        auto* field = picker->findChild<QLineEdit*>();
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(5, field->height() / 2));
        QCOMPARE(EventsWith(EV_CLICK, Picker).size(), std::size_t(1));
        QTest::mouseClick(picker, Qt::LeftButton);  // on the picker itself, away from its arrow
        QCOMPARE(EventsWith(EV_CLICK, Picker).size(), std::size_t(2));
        QVERIFY(EventsWith(EV_NOTIFY, Picker).empty());  // a click alone changes no date
        picker->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), picker);
        picker->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(picker, Qt::Key_Up);
        QCOMPARE(EventsWith(EV_KEY, Picker).front().value, VK_UP);
        QCOMPARE(EventsWith(EV_NOTIFY, Picker).size(), std::size_t(1));
        QCOMPARE(EventsWith(EV_NOTIFY, Picker).front().value, DTN_DATETIMECHANGE);
        read = PickerDate("L", Picker);
        QCOMPARE(read.day, 7);
        QCOMPARE(read.year, 2026);

        QTest::keyClick(picker, Qt::Key_Tab);  // leaves the picker, not just its day field
        QCOMPARE(QApplication::focusWidget(), Control("L", 115));
    }

    void statusBarRunsAlongTheBottom() {
        Open(
            "L2",
            [] {
                EZ_USEFONT(10);
                EZ_BUTTON(100, 1, 10.5, 8, 1.5, "&Help", "T");
                EZ_CONTROLEX("", Status, 0, 1, 1, 1, "MSCTLS_STATUSBAR32", "",
                             WS_CHILD | WS_VISIBLE, 0);
                EZ_SETSBPARTS("L2", Status, 3, "50|25|25");
                EZ_SETSBTEXT("L2", Status, 1, "Notice", "");
            },
            "", "_CK", 40, 12);
        EZ_SETSBTEXT("L2", Status, 3, " Selected: 4", "");
        QWidget* window = testing::OpenWindow("L2");
        auto* bar = Control<QStatusBar>("L2", Status);
        QCOMPARE(bar->geometry().bottom(), window->height() - 1);
        QCOMPARE(bar->width(), window->width());
        QVERIFY(bar->geometry().top() > Control("L2", 100)->geometry().bottom());
        QCOMPARE(StatusBarText("L2", Status, 1), std::string("Notice"));
        QCOMPARE(StatusBarText("L2", Status, 3), std::string(" Selected: 4"));
        QCOMPARE(StatusBarText("L2", Status, 4), std::string());
        ezharness::CloseAll({"L2"});
    }
};

QTEST_MAIN(TestEzLists)
#include "tst_ez_lists.moc"
