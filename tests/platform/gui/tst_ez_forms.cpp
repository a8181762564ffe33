// Windows, controls, keys and texts of the toolkit layer, driven through real widgets.

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <functional>
#include <memory>
#include <optional>

#include "ez_harness.h"
#include "platform/gui/accessible_names.h"
#include "support/form_driver.h"
#include "support/hooks.h"

using namespace gui;
using ezharness::Events;
using ezharness::EventsWith;
using ezharness::OnEvent;
using ezharness::Open;
using testing::Control;

namespace {

const std::vector<std::string> TestForms{"T", "T2", "P", "C1", "C2", "L"};

void TwoBoxesAndAButton() {
    EZ_USEFONT(10);
    EZ_TEXT(100, 2, 1, 20, 1.3125, "", "EST[30]");
    EZ_TEXT(105, 2, 3, 20, 1.3125, "", "EST[30]");
    EZ_BUTTON(110, 2, 5, 8, 1.5, "&Go", "T");
}

struct LaidControl {
    char kind;  // L label, T text, B button, C check box, R radio, F frame, D date picker
    int id;
    double column, row, width, height;
    const char* text;
    const char* style;
};

void Build(const std::vector<LaidControl>& controls) {
    EZ_USEFONT(10);
    for (const LaidControl& c : controls) {
        switch (c.kind) {
            case 'L':
                EZ_LABEL(c.id, c.column, c.row, c.width, c.height, c.text, c.style);
                break;
            case 'T':
                EZ_TEXT(c.id, c.column, c.row, c.width, c.height, c.text, c.style);
                break;
            case 'B':
                EZ_BUTTON(c.id, c.column, c.row, c.width, c.height, c.text, c.style);
                break;
            case 'C':
                EZ_CHECKBOX(c.id, c.column, c.row, c.width, c.height, c.text, c.style);
                break;
            case 'R':
                EZ_RADIO(c.id, c.column, c.row, c.width, c.height, c.text, c.style);
                break;
            case 'F':
                EZ_FRAME(c.id, c.column, c.row, c.width, c.height, c.text, c.style);
                break;
            case 'D':
                EZ_CONTROLEX("", c.id, c.column, c.row, c.width, c.height, "SysDateTimePick32", "",
                             0x50010000, 0);
                SetPickerFormat("", c.id, "MM/dd/yy");
                break;
            default:
                break;
        }
    }
}

// The details window's controls, as that window lays them out.
const std::vector<LaidControl> DetailsLayout{
    {'L', 100, 1.875, 1.3125, 4.875, 0.9375, "Client:", ""},
    {'L', 105, 29.25, 1.3125, 6.75, 0.9375, "Address:", ""},
    {'L', 110, 3.375, 2.8125, 3.375, 0.9375, "City:", ""},
    {'L', 115, 31.875, 2.8125, 4.125, 0.9375, "State:", ""},
    {'L', 120, 44.625, 2.8125, 3, 0.9375, "Zip:", ""},
    {'L', 125, 0.75, 4.3125, 6, 0.9375, "Contact:", ""},
    {'L', 130, 30.375, 4.3125, 5.625, 0.9375, "Phone:", ""},
    {'L', 135, 49.875, 4.3125, 3, 0.9375, "Ext:", ""},
    {'L', 140, 3.75, 5.8125, 3, 0.9375, "Fax:", ""},
    {'L', 145, 19.5, 5.8125, 3, 0.9375, "Cell:", ""},
    {'L', 150, 34.875, 5.8125, 8.625, 0.9375, "Gatekeeper:", ""},
    {'L', 155, 1.5, 7.3125, 5.25, 0.9375, "e-mail:", ""},
    {'L', 160, 31.125, 8.8125, 5.25, 0.9375, "Action:", ""},
    {'T', 165, 7.125, 1.125, 21.375, 1.3125, "", "EST[50]"},
    {'T', 170, 36.75, 1.125, 22.5, 1.3125, "", "EST[50]"},
    {'T', 175, 7.125, 2.625, 21.375, 1.3125, "", "EST[30]"},
    {'T', 180, 36.75, 2.625, 3.75, 1.3125, "", "ESTU[2]"},
    {'T', 185, 48.375, 2.625, 10.875, 1.3125, "", "EST[10]"},
    {'T', 190, 7.125, 4.125, 21.375, 1.3125, "", "EST[30]"},
    {'T', 195, 36.75, 4.125, 12, 1.3125, "", "EST[12]"},
    {'T', 200, 54.375, 4.125, 4.875, 1.3125, "", "ENST[4]"},
    {'T', 205, 7.125, 5.625, 11.625, 1.3125, "", "EST[12]"},
    {'T', 210, 22.875, 5.625, 11.625, 1.3125, "", "EST[12]"},
    {'T', 215, 43.875, 5.625, 15.375, 1.3125, "", "EST[30]"},
    {'T', 220, 7.125, 7.125, 39.75, 1.3125, "", "EST[60]"},
    {'B', 225, 48, 7.125, 11.25, 1.3125, "Send E-mail", "T"},
    {'C', 230, 7.125, 8.8125, 9.375, 0.9375, "&Follow up", "T"},
    {'D', 235, 17.25, 8.625, 9.375, 1.3125, "", ""},
    {'T', 240, 36.75, 8.625, 22.5, 1.3125, "", "EST[30]"},
    {'T', 245, 1.5, 10.5, 57.75, 7.5, "", "EMSTV"},
    {'B', 260, 32.25, 18.5625, 8.25, 1.5, "&New", "T"},
    {'B', 265, 41.625, 18.5625, 8.25, 1.5, "&Save", "T"},
    {'B', 270, 51, 18.5625, 8.25, 1.5, "E&xit", "T"},
    {'B', 275, 1.5, 18.5625, 8.25, 1.5, "&Help", "T"},
};

// The program options window: long radio and check box captions inside a frame.
const std::vector<LaidControl> OptionsLayout{
    {'R', 100, 3.75, 2.25, 32.25, 0.9375, "Contact names, phone numbers, follow-up", "GT"},
    {'R', 105, 3.75, 3.5625, 32.25, 0.9375, "Contact names, phone numbers only", "T"},
    {'R', 110, 3.75, 4.875, 28.5, 0.9375, "One client per page, including history", "T"},
    {'R', 115, 3.75, 6.1875, 24, 0.9375, "One client per page, no history", "T"},
    {'R', 120, 3.75, 7.5, 23.25, 0.9375, "Client listing by follow-up date", "T"},
    {'C', 125, 3.75, 9.75, 22.875, 0.9375, "Preview report before printing", "T"},
    {'C', 130, 3.75, 11.25, 31.875, 0.9375, "Don't scan for follow-ups on program start", "T"},
    {'C', 145, 3.75, 15.75, 31.875, 0.9375, "Ask for confirmation when exiting program", "T"},
    {'B', 150, 21.375, 17.625, 7.5, 1.5, "&Save", "T"},
    {'B', 155, 30.375, 17.625, 7.5, 1.5, "E&xit", "T"},
    {'B', 160, 1.875, 17.625, 7.5, 1.5, "&Help", "T"},
    {'F', 165, 1.875, 0.75, 36, 8.625, "Default Print Style", ""},
};

// The main window's row of buttons.
const std::vector<LaidControl> ButtonRowLayout{
    {'B', 105, 33.75, 21.1875, 7.875, 1.5, "&Add", "T"},
    {'B', 110, 43.125, 21.1875, 7.875, 1.5, "&Edit", "T"},
    {'B', 115, 52.5, 21.1875, 7.875, 1.5, "&Print", "T"},
    {'B', 120, 61.875, 21.1875, 7.875, 1.5, "E&xit", "T"},
    {'B', 125, 20.625, 21.1875, 7.875, 1.5, "&Scan", "T"},
    {'B', 130, 11.25, 21.1875, 7.875, 1.5, "&Options", "T"},
    {'B', 135, 1.875, 21.1875, 7.875, 1.5, "&Help", "T"},
};

// Acts on the next message box once it is up; a box that never comes fails the test, not
// hangs it.
void WhenBoxShows(std::function<void(QMessageBox*)> act) {
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            act(box);
        } else if (++*tries > 500) {
            poll->deleteLater();
        }
    });
    poll->start(10);
}

QString Shown(const QString& text) {
    QString shown = text;
    return shown.remove(QLatin1Char('&'));
}

}  // namespace

class TestEzForms : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;

private slots:
    void initTestCase() {
        // These tests are of the boxes themselves: the real ones show unless a test answers.
        hooks_.emplace().answerBoxes({});
        ezharness::Install();
        EZ_DEFFONT(10, "Arial", 9, "V");
        EZ_DEFFONT(11, "Webdings", 18, "BSV");
        EZ_ALLOWKEYEVENTS(1);
        EZ_ALLOWNOTIFYEVENTS(1);
    }
    void init() { EZ_ALLOWKEYEVENTS(1); }
    void cleanup() { ezharness::CloseAll(TestForms); }

    void enterTurnedIntoTabMovesTheFocusOn() {
        OnEvent() = [](const std::string&, int& id, int& code, int& value, int&) {
            if (code == EV_KEY && value == VK_RETURN && id == 100) value = VK_TAB;
        };
        Open("T", TwoBoxesAndAButton);
        auto* first = Control<QLineEdit>("T", 100);
        auto* second = Control<QLineEdit>("T", 105);
        EZ_SETFOCUS("T", 100);
        QTRY_COMPARE(QApplication::focusWidget(), first);
        QTest::keyClicks(first, "ab");
        QTest::keyClick(first, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), second);
        QCOMPARE(EZ_GETTEXT("T", 100), std::string("ab"));
        QVERIFY(EventsWith(EV_CLICK).empty());
    }

    void enterLeftAloneOnAButtonPressesIt() {
        Open("T", TwoBoxesAndAButton);
        auto* button = Control<QPushButton>("T", 110);
        EZ_SETFOCUS("T", 110);
        QTRY_COMPARE(QApplication::focusWidget(), button);
        QTest::keyClick(button, Qt::Key_Return);
        QCOMPARE(EventsWith(EV_CLICK, 110).size(), std::size_t(1));
        QCOMPARE(EventsWith(EV_KEY, 110).front().value, VK_RETURN);
    }

    void closeRequest_data() {
        QTest::addColumn<int>("cancel");
        QTest::newRow("a handler setting cancel keeps the window open") << 1;
        QTest::newRow("a handler leaving cancel closes and forgets the window") << 0;
    }
    void closeRequest() {
        QFETCH(int, cancel);
        OnEvent() = [cancel](const std::string&, int& id, int& code, int&, int& keep) {
            if (id == 0 && code == EV_CLOSE) keep = cancel;
        };
        Open("T", TwoBoxesAndAButton);
        const WindowHandle before = EZ_HANDLE("T", 0);
        QVERIFY(before != 0);
        EZ_UNLOADFORM("T");
        QCOMPARE(EventsWith(EV_CLOSE, 0).size(), std::size_t(1));
        QCOMPARE(EZ_ISFORM("T"), cancel == 1);
        QCOMPARE(testing::OpenWindow("T") != nullptr, cancel == 1);
        if (cancel == 0) {
            QCOMPARE(EZ_HANDLE("T", 0), WindowHandle(0));
            Open("T", TwoBoxesAndAButton);  // the name is free again
            QVERIFY(EZ_ISFORM("T"));
            QVERIFY(Control<QLineEdit>("T", 100));
        }
    }

    void modalWindowOutlivesItsOpener() {
        Open("P", [] { EZ_BUTTON(100, 1, 1, 8, 1.5, "Open", "T"); });
        Open(
            "C1", [] { EZ_BUTTON(100, 1, 1, 8, 1.5, "Scan", "T"); }, "P", "CMK");
        OnEvent() = [](const std::string& form, int& id, int& code, int&, int&) {
            if (form == "C1" && id == 100 && code == EV_CLICK) {
                Open(
                    "C2", [] { EZ_BUTTON(100, 1, 1, 8, 1.5, "Exit", "T"); }, "C1", "CMK");
                EZ_UNLOADFORM("C1");  // as the scan window closes itself over its results
            }
        };
        QVERIFY(testing::OpenWindow("C1")->isModal());
        testing::Click("C1", 100);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!EZ_ISFORM("C1"));
        QVERIFY(EZ_ISFORM("C2"));
        QWidget* results = testing::OpenWindow("C2");
        QVERIFY(results && results->isVisible() && results->isModal());
        QCOMPARE(results->windowHandle()->transientParent(),
                 testing::OpenWindow("P")->windowHandle());
        QVERIFY(!testing::OpenWindow("P")->isModal());
        EZ_UNLOADFORM("P");
        QVERIFY(EZ_ISFORM("C2"));
    }

    void setTextRaisesOneChangeEvent_data() {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("initial");
        QTest::newRow("single-line box, new text") << "EST[30]"
                                                   << "old";
        QTest::newRow("single-line box, the same text again") << "EST[30]"
                                                              << "same";
        QTest::newRow("multi-line box") << "EMSTV"
                                        << "old";
    }
    void setTextRaisesOneChangeEvent() {
        QFETCH(QString, style);
        QFETCH(QString, initial);
        const std::string boxStyle = style.toStdString();
        Open("T", [boxStyle] { EZ_TEXT(100, 1, 1, 20, 4, "", boxStyle); });
        EZ_SETTEXT("T", 100, initial.toStdString());
        Events().clear();
        EZ_SETTEXT("T", 100, initial == "same" ? "same" : "new text");
        QCOMPARE(EventsWith(EV_CHANGE, 100).size(), std::size_t(1));
    }

    void typingRaisesChangeEvents() {
        Open("T", TwoBoxesAndAButton);
        QTest::keyClicks(Control<QLineEdit>("T", 100), "abc");
        QCOMPARE(EventsWith(EV_CHANGE, 100).size(), std::size_t(3));
    }

    void textBoxStyles_data() {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a cap cuts typed text at its length") << "EST[4]"
                                                             << "abcdef" << false << "abcd";
        QTest::newRow("a cap cuts pasted text at its length") << "EST[4]"
                                                              << "abcdef" << true << "abcd";
        QTest::newRow("a cap counts characters, not bytes") << "EST[3]"
                                                            << "äöüß" << true << "äöü";
        QTest::newRow("upper case turns typed letters") << "ESTU[2]"
                                                        << "ny" << false << "NY";
        QTest::newRow("upper case turns pasted letters") << "ESTU[2]"
                                                         << "ca" << true << "CA";
        QTest::newRow("digits only refuses typed letters") << "ENST[4]"
                                                           << "1a2b" << false << "12";
        QTest::newRow("digits only refuses pasted text with letters") << "ENST[4]"
                                                                      << "12ab" << true << "";
        QTest::newRow("digits only takes pasted digits up to the cap")
            << "ENST[4]"
            << "123456" << true << "1234";
    }
    void textBoxStyles() {
        QFETCH(QString, style);
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(QString, expected);
        const std::string boxStyle = style.toStdString();
        Open("T", [boxStyle] { EZ_TEXT(100, 1, 1, 20, 1.3125, "", boxStyle); });
        auto* box = Control<QLineEdit>("T", 100);
        if (paste) {
            QApplication::clipboard()->setText(input);
            box->paste();
        } else {
            QTest::keyClicks(box, input);
        }
        QCOMPARE(QString::fromStdString(EZ_GETTEXT("T", 100)), expected);
    }

    void multiLineBoxExchangesCrLf() {
        Open("T", [] { EZ_TEXT(100, 1, 1, 30, 5, "", "EMSTV"); });
        EZ_SETTEXT("T", 100, "one\r\ntwo");
        QCOMPARE(EZ_GETTEXT("T", 100), std::string("one\r\ntwo"));
        QCOMPARE(Control<QPlainTextEdit>("T", 100)->blockCount(), 2);
        EZ_SETTEXT("T", 100, "a\nb\n");
        QCOMPARE(EZ_GETTEXT("T", 100), std::string("a\r\nb\r\n"));

        auto* box = Control<QPlainTextEdit>("T", 100);
        EZ_SETTEXT("T", 100, "");
        EZ_SETFOCUS("T", 100);
        QTest::keyClicks(box, "x");
        QTest::keyClick(box, Qt::Key_Return);  // Enter left as it is starts a new line
        QTest::keyClicks(box, "y");
        QCOMPARE(EZ_GETTEXT("T", 100), std::string("x\r\ny"));
    }

    void longLinesReadBackExactly_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("at");  // from the start of the long line's second piece
        QTest::newRow("a long line without blanks reads back as it was set") << 0 << 0;
        QTest::newRow("Enter inside a long line breaks it there") << int(Qt::Key_Return) << 1;
        QTest::newRow("Backspace where a long line is cut takes the character before")
            << int(Qt::Key_Backspace) << 0;
        QTest::newRow("Delete where a long line is cut takes the character after")
            << int(Qt::Key_Delete) << -1;
    }
    void longLinesReadBackExactly() {
        QFETCH(int, key);
        QFETCH(int, at);
        std::string line;
        for (int i = 0; i < 3000; ++i) line += std::string(1, char('a' + i % 26)) + "bc";
        const std::string text = "first\r\n" + line + "\r\n\r\nlast";
        Open("T", [] { EZ_TEXT(100, 1, 1, 30, 5, "", "EMSTV"); });
        EZ_SETTEXT("T", 100, text);
        auto* box = Control<QPlainTextEdit>("T", 100);
        const QTextBlock piece = box->document()->findBlockByNumber(2);
        QVERIFY(box->blockCount() > 4 && piece.length() > 1);
        const std::size_t cut = 7 + std::size_t(piece.previous().length() - 1 + at);
        std::string expected = text;
        if (key == Qt::Key_Return) expected.insert(cut, "\r\n");
        if (key == Qt::Key_Backspace) expected.erase(cut - 1, 1);
        if (key == Qt::Key_Delete) expected.erase(cut + 1, 1);
        QTextCursor cursor(piece);
        cursor.setPosition(piece.position() + at);
        box->setTextCursor(cursor);
        if (key != 0) QTest::keyClick(box, Qt::Key(key));
        QCOMPARE(EZ_GETTEXT("T", 100), expected);
        box->undo();  // undo brings the line back whole
        QCOMPARE(EZ_GETTEXT("T", 100), text);
        box->selectAll();
        box->copy();  // what is copied has no break where the line is only kept in pieces
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    }

    void multiLineBoxScrollsToItsFirstLineWithNothingSelected() {
        Open("T", [] { EZ_TEXT(100, 1, 1, 30, 5, "", "EMSTV"); });
        std::string text;
        for (int line = 0; line < 80; ++line) text += "line " + std::to_string(line) + "\r\n";
        EZ_SETTEXT("T", 100, text);
        auto* box = Control<QPlainTextEdit>("T", 100);
        box->selectAll();
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
        QVERIFY(box->verticalScrollBar()->value() > 0);
        EZ_SCROLLTO("T", 100, 1, 0);
        ClearTextSelection("T", 100);
        QCOMPARE(box->verticalScrollBar()->value(), 0);
        QVERIFY(!box->textCursor().hasSelection());
    }

    void keyCodes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::newRow("a letter gives its upper-case code") << int(Qt::Key_A) << 0 << 65;
        QTest::newRow("the last letter gives 90") << int(Qt::Key_Z) << 0 << 90;
        QTest::newRow("a shifted letter gives the same code")
            << int(Qt::Key_Q) << int(Qt::ShiftModifier) << 81;
        QTest::newRow("a digit gives its digit code") << int(Qt::Key_5) << 0 << 53;
        QTest::newRow("a keypad digit gives its digit code")
            << int(Qt::Key_7) << int(Qt::KeypadModifier) << 55;
        QTest::newRow("Return gives 13") << int(Qt::Key_Return) << 0 << 13;
        QTest::newRow("keypad Enter gives 13")
            << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 13;
        QTest::newRow("Delete gives 46") << int(Qt::Key_Delete) << 0 << 46;
        QTest::newRow("Home gives 36") << int(Qt::Key_Home) << 0 << 36;
        QTest::newRow("Down gives 40") << int(Qt::Key_Down) << 0 << 40;
        QTest::newRow("a function key gives no key event") << int(Qt::Key_F5) << 0 << 0;
    }
    void keyCodes() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        Open("T", TwoBoxesAndAButton);
        auto* box = Control<QLineEdit>("T", 100);
        EZ_SETFOCUS("T", 100);
        QTRY_COMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const auto keys = EventsWith(EV_KEY, 100);
        if (code == 0) {
            QVERIFY(keys.empty());
        } else {
            QCOMPARE(keys.size(), std::size_t(1));
            QCOMPARE(keys.front().value, code);
        }
    }

    void keyEventsWaitForPermission() {
        EZ_ALLOWKEYEVENTS(0);
        Open("T", TwoBoxesAndAButton);
        auto* box = Control<QLineEdit>("T", 100);
        EZ_SETFOCUS("T", 100);
        QTest::keyClicks(box, "ab");
        QVERIFY(EventsWith(EV_KEY).empty());
        QCOMPARE(EZ_GETTEXT("T", 100), std::string("ab"));
    }

    void focusEventsNameTheControlAndTheWindow() {
        Open("T", TwoBoxesAndAButton);
        EZ_SETFOCUS("T", 100);
        QTRY_COMPARE(QApplication::focusWidget(), Control<QLineEdit>("T", 100));
        Events().clear();
        EZ_SETFOCUS("T", 105);
        QCOMPARE(EventsWith(EV_LOSTFOCUS, 100).size(), std::size_t(1));
        QCOMPARE(EventsWith(EV_GOTFOCUS, 105).size(), std::size_t(1));
        Events().clear();
        Open("T2", TwoBoxesAndAButton, "T", "CMK");
        QTRY_VERIFY(!EventsWith(EV_LOSTFOCUS, 0).empty());
        QCOMPARE(EventsWith(EV_LOSTFOCUS, 0).front().form, std::string("T"));
        QCOMPARE(EZ_CURRENTFORM(), std::string("T2"));
    }

    void checkBoxAndRadioClicksComeFromThePersonOnly() {
        Open("T", [] {
            EZ_CHECKBOX(100, 1, 1, 12, 0.9375, "&Follow up", "T");
            EZ_RADIO(105, 1, 3, 12, 0.9375, "One", "GT");
            EZ_RADIO(110, 1, 4.5, 12, 0.9375, "Two", "T");
            EZ_RADIO(115, 1, 6, 12, 0.9375, "Three", "GT");
        });
        EZ_SETCHECK("T", 100, 1);
        EZ_SETCHECK("T", 105, 1);
        EZ_SETCHECK("T", 115, 1);  // a second group keeps the first group's choice
        QVERIFY(Events().empty());
        QCOMPARE(EZ_GETCHECK("T", 105), 1);
        QCOMPARE(EZ_GETCHECK("T", 115), 1);
        testing::Click("T", 100);
        QCOMPARE(EventsWith(EV_CLICK, 100).size(), std::size_t(1));
        QCOMPARE(EZ_GETCHECK("T", 100), 0);
        testing::Click("T", 110);
        QCOMPARE(EventsWith(EV_CLICK, 110).size(), std::size_t(1));
        QCOMPARE(EZ_GETCHECK("T", 105), 0);
        QCOMPARE(EZ_GETCHECK("T", 115), 1);
    }

    void comboChoicesComeFromThePersonOnly_data() {
        QTest::addColumn<char>("how");  // L list, K Down key, P program's index, I program's items
        QTest::addColumn<int>("clicked");  // the index the click names, -1 for no click
        QTest::addColumn<int>("chosen");
        QTest::newRow("a click on an item of the list raises its index") << 'L' << 2 << 2;
        QTest::newRow("the Down key raises the next item's index") << 'K' << 1 << 1;
        QTest::newRow("the program's choice raises nothing") << 'P' << -1 << 2;
        QTest::newRow("the program's new items raise nothing and leave none chosen")
            << 'I' << -1 << -1;
    }
    void comboChoicesComeFromThePersonOnly() {
        QFETCH(char, how);
        QFETCH(int, clicked);
        QFETCH(int, chosen);
        Open("T", [] { EZ_COMBOBOX(100, 1, 1, 16, 1.3125, ""); });
        SetComboItems("T", 100, {"One", "Two", "Three"});
        SetComboIndex("T", 100, 0);
        auto* combo = Control<QComboBox>("T", 100);
        QVERIFY(combo != nullptr);
        Events().clear();
        if (how == 'L') {
            testing::ChooseItem("T", 100, 2);
        } else if (how == 'K') {
            QTest::keyClick(combo, Qt::Key_Down);
        } else if (how == 'P') {
            SetComboIndex("T", 100, 2);
        } else {
            SetComboItems("T", 100, {"Four", "Five"});
        }
        const auto clicks = EventsWith(EV_CLICK, 100);
        QCOMPARE(clicks.size(), std::size_t(clicked >= 0 ? 1 : 0));
        if (clicked >= 0) QCOMPARE(clicks.front().value, clicked);
        QCOMPARE(ComboIndex("T", 100), chosen);
    }

    void controlsAreNamedForScreenReaders_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("name");
        QTest::newRow("a label left of a box names it, without its colon") << "label, box"
                                                                           << "Company";
        QTest::newRow("a label above a box names it when nothing is beside it")
            << "label above, box"
            << "Company";
        QTest::newRow("a text of its own left of a box names nothing") << "text, box"
                                                                       << "";
        QTest::newRow("a box beside a check box holds what it switches on") << "check box, box"
                                                                            << "Follow up";
        QTest::newRow("a label ending in a colon names the list under it") << "label above, list"
                                                                           << "Company";
        QTest::newRow("a text of its own above a list leaves it the window's name")
            << "text above, list"
            << "T caption";
        QTest::newRow("lists sharing a window are named by their columns") << "list, list"
                                                                           << "Client, Phone";
        QTest::newRow("a name the program gives is kept") << "label, named box"
                                                          << "Notes";
    }
    void controlsAreNamedForScreenReaders() {
        QFETCH(QString, layout);
        QFETCH(QString, name);
        Open("T", [&layout] {
            if (layout.startsWith("label above")) EZ_LABEL(90, 1, 0.5, 20, 1, "Company:", "");
            if (layout.startsWith("text above")) EZ_LABEL(90, 1, 0.5, 20, 1, "Pick one.", "L");
            if (layout.startsWith("label,")) EZ_LABEL(90, 1, 2, 8, 1, "Company:", "");
            if (layout.startsWith("text,")) EZ_LABEL(90, 1, 2, 8, 1, "Pick one:", "L");
            if (layout.startsWith("check box")) EZ_CHECKBOX(90, 1, 2, 8, 1, "&Follow up", "");
            if (layout.endsWith("box")) EZ_TEXT(100, 10, 2, 10, 1.3, "", "");
            if (layout.endsWith("list")) EZ_LISTVIEW(100, 1, 2, 30, 4, "Client{9}|Phone{9}|", "");
            if (layout.startsWith("list")) EZ_LISTVIEW(105, 1, 7, 30, 4, "Other{9}|", "");
            if (layout.endsWith("named box")) gui::SetControlName("T", 100, "Notes");
        });
        QWidget* named = Control("T", 100);
        QCOMPARE(QAccessible::queryAccessibleInterface(named)->text(QAccessible::Name), name);
        // A label naming a box lends it its access letter.
        if (auto* label = Control<QLabel>("T", 90)) {
            QCOMPARE(label->buddy() == named, layout.startsWith("label") && layout.endsWith("box"));
        }
    }

    void symbolButtonsShowArrowsAndAskForTheirTooltip() {
        OnEvent() = [](const std::string&, int& id, int& code, int&, int&) {
            if (code == EV_TOOLTIP && id == 100) EZ_SETTOOLTIP("Next client");
        };
        Open("T", [] {
            EZ_USEFONT(11);
            EZ_BUTTON(100, 1, 1, 3.375, 1.5, "6", "T");
            EZ_ADDTOOLTIP("T", 100);
            EZ_BUTTON(105, 5, 1, 3.375, 1.5, "5", "T");
            EZ_USEFONT(10);
        });
        auto* next = Control<QPushButton>("T", 100);
        QCOMPARE(next->text(), QString(QChar(0x25BC)));
        QCOMPARE(Control<QPushButton>("T", 105)->text(), QString(QChar(0x25B2)));
        // A screen reader reads out what the arrow does, not the sign: its tooltip.
        QCOMPARE(next->accessibleName(), QStringLiteral("Next client"));

        const std::size_t asked = EventsWith(EV_TOOLTIP, 100).size();
        const QPoint inside = next->rect().center();
        QHelpEvent ask(QEvent::ToolTip, inside, next->mapToGlobal(inside));
        QApplication::sendEvent(next, &ask);
        QCOMPARE(EventsWith(EV_TOOLTIP, 100).size(), asked + 1);
        QCOMPARE(QToolTip::text(), QStringLiteral("Next client"));

        auto* previous = Control<QPushButton>("T", 105);
        QHelpEvent other(QEvent::ToolTip, inside, previous->mapToGlobal(inside));
        QApplication::sendEvent(previous, &other);
        QVERIFY(EventsWith(EV_TOOLTIP, 105).empty());  // no tooltip was added to it
        QToolTip::hideText();
    }

    void textsShowWhole_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::newRow("details window labels, boxes and buttons") << 0 << 60.75 << 20.625;
        QTest::newRow("options window radio buttons inside their frame") << 1 << 39.75 << 19.875;
        QTest::newRow("main window row of buttons") << 2 << 71.625 << 24.375;
    }
    void textsShowWhole() {
        QFETCH(int, layout);
        QFETCH(double, width);
        QFETCH(double, height);
        const std::vector<std::vector<LaidControl>> layouts{DetailsLayout, OptionsLayout,
                                                            ButtonRowLayout};
        const std::vector<LaidControl> controls = layouts[std::size_t(layout)];
        Open(
            "L", [controls] { Build(controls); }, "", "CMK", width, height);
        QWidget* window = testing::OpenWindow("L");
        QVERIFY(window);

        std::vector<QWidget*> placed;
        for (const LaidControl& c : controls) {
            QWidget* widget = Control("L", c.id);
            QVERIFY2(widget, qPrintable(QString::number(c.id)));
            const QString name = QString::number(c.id) + " " + QString::fromUtf8(c.text);
            QVERIFY2(window->rect().contains(widget->geometry()), qPrintable(name));
            const QFontMetrics metrics(widget->font());
            const int textWidth = metrics.horizontalAdvance(Shown(QString::fromUtf8(c.text)));
            QVERIFY2(widget->height() >= metrics.height(), qPrintable(name));
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                QVERIFY2(label->contentsRect().width() >= textWidth,
                         qPrintable(name + QStringLiteral(" %1 < %2")
                                               .arg(label->contentsRect().width())
                                               .arg(textWidth)));
                QVERIFY(label->alignment() & Qt::AlignRight);
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                QVERIFY2(button->width() >= textWidth + 12, qPrintable(name));
            } else if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
                const bool radio = qobject_cast<QRadioButton*>(widget) != nullptr;
                const QStyle* style = widget->style();
                const int tick = style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth
                                                          : QStyle::PM_IndicatorWidth) +
                                 style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing
                                                          : QStyle::PM_CheckBoxLabelSpacing);
                QVERIFY2(widget->width() >= tick + textWidth, qPrintable(name));
            } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
                for (QWidget* inner : placed) {
                    if (qobject_cast<QRadioButton*>(inner)) {
                        QVERIFY2(frame->geometry().contains(inner->geometry()),
                                 qPrintable(name + " holds " + inner->objectName()));
                    }
                }
            }
            placed.push_back(widget);
        }
        // Grown controls must not run into each other (frames hold others by design).
        for (std::size_t a = 0; a < placed.size(); ++a) {
            for (std::size_t b = a + 1; b < placed.size(); ++b) {
                if (qobject_cast<QGroupBox*>(placed[a]) || qobject_cast<QGroupBox*>(placed[b])) {
                    continue;
                }
                QVERIFY2(!placed[a]->geometry().intersects(placed[b]->geometry()),
                         qPrintable(placed[a]->objectName() + " meets " + placed[b]->objectName()));
            }
        }
    }

    void altLetterTypesNothing_data() {
        QTest::addColumn<QString>("style");
        QTest::addColumn<bool>("saveEnabled");
        QTest::newRow("Alt+S with Save disabled types nothing into a line") << "EST[9]" << false;
        QTest::newRow("Alt+S with Save disabled types nothing into a history") << "EMSTV" << false;
        QTest::newRow("Alt+S with Save enabled presses Save, typing nothing") << "EMSTV" << true;
    }
    void altLetterTypesNothing() {
        QFETCH(QString, style);
        QFETCH(bool, saveEnabled);
        Open("T", [style] {
            Build({{'T', 100, 1, 1, 20, 3, "", qPrintable(style)},
                   {'B', 110, 1, 5, 8, 1.5, "&Save", ""}});
        });
        if (!saveEnabled) EZ_DISABLEC("T", 110);
        auto* box = Control("T", 100);
        EZ_SETFOCUS("T", 100);
        QTRY_COMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_S, Qt::AltModifier);
        QTest::keyClick(box, Qt::Key_Q, Qt::AltModifier);
        QTRY_COMPARE(EventsWith(EV_CLICK, 110).size(), std::size_t(saveEnabled ? 1 : 0));
        QCOMPARE(EZ_GETTEXT("T", 100), std::string());
        QVERIFY(EventsWith(EV_KEY).empty());
    }

    void disabledControlRaisesNothing_data() {
        QTest::addColumn<char>("kind");
        QTest::newRow("a disabled button") << 'B';
        QTest::newRow("a disabled check box") << 'C';
        QTest::newRow("a disabled text box") << 'T';
        QTest::newRow("a disabled date picker") << 'D';
    }
    void disabledControlRaisesNothing() {
        QFETCH(char, kind);
        Open("T", [kind] {
            Build({{kind, 100, 1, 1, 12, 1.3125, "&Pick", ""}, {'T', 105, 1, 4, 9, 1.3, "", ""}});
            EZ_ADDTOOLTIP("T", 100);
        });
        QWidget* control = Control("T", 100);
        EZ_SETFOCUS("T", 100);
        QTRY_VERIFY(control == QApplication::focusWidget() ||
                    control->isAncestorOf(QApplication::focusWidget()));
        Events().clear();
        EZ_DISABLEC("T", 100);  // the focus leaves the control as it is disabled
        const QList<QWidget*> parts = control->findChildren<QWidget*>() << control;
        for (QWidget* part : parts) {
            QTest::mouseClick(part, Qt::LeftButton);
            QTest::keyClick(part, Qt::Key_A);
            QHelpEvent ask(QEvent::ToolTip, QPoint(1, 1), part->mapToGlobal(QPoint(1, 1)));
            QApplication::sendEvent(part, &ask);
        }
        for (const ezharness::Event& event : Events()) QVERIFY(event.id != 100);
    }

    void typingIntoThePicker_data() {
        QTest::addColumn<QDate>("shown");
        QTest::addColumn<int>("clicked");    // the character clicked in "MM/dd/yy"
        QTest::addColumn<QString>("typed");  // "+" and "-": the Up and Down keys
        QTest::addColumn<QDate>("expected");
        const QDate day(2026, 12, 15), last(2060, 12, 31), first(1961, 1, 1);
        QTest::newRow("a click in the month replaces it") << day << 1 << "03" << QDate(2026, 3, 15);
        QTest::newRow("a click in the day replaces it") << day << 4 << "20" << QDate(2026, 12, 20);
        QTest::newRow("a click in the year replaces it") << day << 7 << "30" << QDate(2030, 12, 15);
        QTest::newRow("the year stepped up from the last day stays") << last << 7 << "+" << last;
        QTest::newRow("the day stepped up from the last day stays") << last << 4 << "+" << last;
        QTest::newRow("the year stepped down from the first day stays")
            << first << 7 << "-" << first;
    }
    void typingIntoThePicker() {
        QFETCH(QDate, shown);
        QFETCH(int, clicked);
        QFETCH(QString, typed);
        QFETCH(QDate, expected);
        Open("T", [] { Build({{'D', 100, 1, 1, 10, 1.3125, "", ""}}); });
        SetPickerDate("T", 100, CalendarDate{shown.year(), shown.month(), shown.day()});
        auto* picker = Control<QDateEdit>("T", 100);
        auto* edit = picker->findChild<QLineEdit*>();
        int x = 0;
        while (x < edit->width() && edit->cursorPositionAt(QPoint(x, 5)) < clicked) ++x;
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(x, edit->height() / 2));
        for (const QChar c : typed) {
            QTest::keyClick(picker, c == '+'   ? Qt::Key_Up
                                    : c == '-' ? Qt::Key_Down
                                               : Qt::Key(c.unicode()));
        }
        const CalendarDate date = PickerDate("T", 100);
        QCOMPARE(QDate(date.year, date.month, date.day), expected);
    }

    void childWindowBelongsToItsOpener() {
        Open("P", TwoBoxesAndAButton);
        Open("C1", TwoBoxesAndAButton, "P", "CMK");
        QWidget* main = testing::OpenWindow("P");
        QWidget* child = testing::OpenWindow("C1");
        QCOMPARE(child->windowType(), Qt::Dialog);  // what X11 window managers are told
        QCOMPARE(child->windowHandle()->transientParent(), main->windowHandle());
        QVERIFY(!child->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QCOMPARE(main->windowType(), Qt::Window);
        QVERIFY(main->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    }

    void messageBoxWithoutOwnerIsCentredOnTheActiveWindow() {
        Open("T", TwoBoxesAndAButton, "", "_CK", 60, 20);
        QWidget* window = testing::OpenWindow("T");
        window->move(window->screen()->availableGeometry().topLeft() + QPoint(300, 150));
        QTRY_COMPARE(QApplication::activeWindow(), window);
        QPoint centre;
        WhenBoxShows([&centre](QMessageBox* box) {
            centre = box->frameGeometry().center();
            box->accept();
        });
        EZ_MSGBOX("", "Saved.", "Note", "OK");
        QVERIFY((centre - window->frameGeometry().center()).manhattanLength() <= 8);
    }

    void messageBoxAnswererReceivesTheRequest() {
        MessageBoxRequest asked;
        testing::Hooks hooks;
        hooks.answerBoxes([&asked](const MessageBoxRequest& request) {
            asked = request;
            return 0;
        });
        QCOMPARE(EZ_MSGBOX("F1", "Are you sure?{?}", "Exit Vendrix 2?", "YN"), 0);
        QCOMPARE(asked.owner, std::string("F1"));
        QCOMPARE(asked.text, std::string("Are you sure?{?}"));
        QCOMPARE(asked.caption, std::string("Exit Vendrix 2?"));
        QCOMPARE(asked.buttons, std::string("YN"));
    }

    void messageBoxKeys_data() {
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("Escape answers Cancel in a Yes/No/Cancel box")
            << "YNC" << int(Qt::Key_Escape) << -1;
        QTest::newRow("Escape answers No in a Yes/No box") << "YN" << int(Qt::Key_Escape) << 0;
        QTest::newRow("Enter answers Yes") << "YNC" << int(Qt::Key_Return) << 1;
        QTest::newRow("the mnemonic N answers No") << "YNC" << int(Qt::Key_N) << 0;
        QTest::newRow("Enter answers OK") << "OK" << int(Qt::Key_Return) << 1;
    }
    void messageBoxKeys() {
        QFETCH(QString, buttons);
        QFETCH(int, key);
        QFETCH(int, answer);
        QString shownText;
        QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
        WhenBoxShows([&](QMessageBox* box) {
            shownText = box->text();
            shownIcon = box->icon();
            QTest::keyClick(box, Qt::Key(key));
        });
        QCOMPARE(EZ_MSGBOX("", "Save your changes first?{?}", "Changes Not Saved",
                           buttons.toStdString()),
                 answer);
        QCOMPARE(shownText, QStringLiteral("Save your changes first?"));
        QCOMPARE(shownIcon, QMessageBox::Question);
    }

    void helpOpensAtTheKeyword() {
        QTemporaryDir folder;
        const QString path = folder.filePath("Vendrix 2.hlp");
        std::string told;  // a missing file is reported, never silently ignored
        testing::Hooks hooks;
        hooks.answerBoxes([&told](const MessageBoxRequest& box) {
            told = box.caption + ": " + box.text;
            return 1;
        });
        QCOMPARE(EZ_WINHELP("", path.toStdString(), "Contents", "K"), 0);  // no file yet
        QCOMPARE(QString::fromStdString(told),
                 "Help Not Found: The help file \"" + path + "\" could not be found.{!}");
        QCOMPARE(HelpTopicShown(), std::string());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "<html><body><a name=\"Contents\"></a><h1>Contents</h1><p>x</p>"
            "<a name=\"Adding Clients\"></a><h1>Adding</h1><p>y</p></body></html>");
        file.close();
        Open("T", TwoBoxesAndAButton, "", "CMK");
        QVERIFY(EZ_WINHELP("T", path.toStdString(), "Adding Clients", "K") != 0);
        QCOMPARE(HelpTopicShown(), std::string("Adding Clients"));
        QVERIFY(EZ_WINHELP("T", path.toStdString(), "No Such Topic", "K") != 0);
        QCOMPARE(HelpTopicShown(), std::string("Contents"));
        EZ_WINHELP("T", "Vendrix2.hlp", "", "Q");
        QCOMPARE(HelpTopicShown(), std::string());
    }

    void shippedHelpFileHasEveryTopicTheWindowsAskFor_data() {
        QTest::addColumn<QString>("keyword");
        for (const char* keyword : {"Contents", "Adding Clients", "Editing and Deleting Clients",
                                    "Scanning", "Printing", "Program Options"}) {
            QTest::newRow(keyword) << QString::fromLatin1(keyword);
        }
    }
    void shippedHelpFileHasEveryTopicTheWindowsAskFor() {
        QFETCH(QString, keyword);
        const QString path = QFINDTESTDATA("../../../resources/Vendrix 2.hlp");
        QVERIFY(!path.isEmpty());
        QVERIFY(EZ_WINHELP("", path.toStdString(), keyword.toStdString(), "K") != 0);
        QCOMPARE(QString::fromStdString(HelpTopicShown()), keyword);
    }

    void theHelpWindowAloneDoesNotKeepTheProgramRunning() {
        const QString path = QFINDTESTDATA("../../../resources/Vendrix 2.hlp");
        Open("T", TwoBoxesAndAButton);
        QVERIFY(EZ_WINHELP("T", path.toStdString(), "Contents", "K") != 0);
        QTimer::singleShot(0, [] { EZ_UNLOADFORM("T"); });
        QTimer stuck;  // only a safety net, so that a fault fails the test instead of hanging
        stuck.setSingleShot(true);
        QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        stuck.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(HelpTopicShown(), std::string());
    }

    void callsNamingNothingDoNothing() {
        QCOMPARE(EZ_GETTEXT("nowhere", 100), std::string());
        QCOMPARE(EZ_GETCHECK("nowhere", 100), 0);
        QCOMPARE(EZ_HANDLE("nowhere", 0), WindowHandle(0));
        QCOMPARE(ListRowCount("nowhere", 100), 0);
        QVERIFY(!IsWindowEnabled(0));
        EZ_SETTEXT("nowhere", 100, "x");
        EZ_ENABLEC("nowhere", 100);
        EZ_UNLOADFORM("nowhere");
        Open("T", TwoBoxesAndAButton);
        QCOMPARE(EZ_HANDLE("T", 999), WindowHandle(0));
        QCOMPARE(EZ_GETTEXT("T", 999), std::string());
        EZ_ADDLVITEM("T", 100, "not a list", 0, 0, 0, "");
        QCOMPARE(PickerDate("T", 100).year, 0);
        EZ_SETSBTEXT("T", 999, 1, "x", "");
        QVERIFY(EZ_HANDLE("T", 100) != 0 && EZ_HANDLE("T", 100) != EZ_HANDLE("T", 105));
        EZ_DISABLEC("T", 110);
        QVERIFY(!IsWindowEnabled(EZ_HANDLE("T", 110)));
    }

    void programIconIsDrawnAndSetOnWindows() {
        const std::string icon = EZ_LOADICON("$pgmicon");
        QVERIFY(!icon.empty());
        QVERIFY(!QApplication::windowIcon().availableSizes().isEmpty());
        Open("T", [icon] { EZ_SETFORMICON("T", icon); });
        QVERIFY(!testing::OpenWindow("T")->windowIcon().isNull());
    }
};

QTEST_MAIN(TestEzForms)
#include "tst_ez_forms.moc"
