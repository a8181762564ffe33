// Every text of every window shows whole at larger scales and fonts: at the scale factor the
// process was started with (CTest runs it at 1, 1.5 and 2) and with the windows' font at its
// own size and at 150% of it. A text fits when its advance and the style's margins around it
// fit the control, as the style lays the control out.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

#include "app/main_window.h"
#include "followup/day_numbers.h"
#include "followup/scan_results_window.h"
#include "platform/gui/ez.h"
#include "platform/gui/form_window.h"
#include "platform/print/preview.h"
#include "reports/print_window.h"
#include "shell/forms.h"
#include "support/details_driver.h"
#include "support/form_driver.h"
#include "support/program_fixture.h"
#include "support/program_session.h"
#include "support/temp_app_folder.h"
#include "transfer/import_window.h"
#include "transfer/restore_window.h"

namespace {

constexpr int MainFontNumber = 10;
constexpr double MainFontPoints = 9;

// The text as a control shows it, its mnemonic marker taken out.
QString Shown(QString text) {
    text.replace(QLatin1String("&&"), QString(QChar(0x1)));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(0x1), QLatin1Char('&'));
    return text;
}

QString Name(const QWidget* widget, const QString& text) {
    return QStringLiteral("%1 \"%2\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), text);
}

// Why a text is cut: what it needs against the room it has ("" when it fits).
QString Cut(const QWidget* widget, const QString& text, QSize need, QSize room) {
    if (need.width() <= room.width() && need.height() <= room.height()) return {};
    return QStringLiteral("%1 needs %2x%3, has %4x%5")
        .arg(Name(widget, text))
        .arg(need.width())
        .arg(need.height())
        .arg(room.width())
        .arg(room.height());
}

QSize OneLine(const QWidget* widget, const QString& text) {
    const QFontMetrics metrics(widget->font());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

QString LabelCut(const QLabel* label) {
    if (label->text().isEmpty() || label->textFormat() == Qt::RichText ||
        Qt::mightBeRichText(label->text())) {
        return {};
    }
    // A label shows its mnemonic marker as a mark only when it has a box to give the keys to.
    const QString text = label->buddy() ? Shown(label->text()) : label->text();
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                      -label->margin(), -label->margin());
    if (label->wordWrap()) {
        const QRect need = QFontMetrics(label->font())
                               .boundingRect(QRect(0, 0, room.width(), 100000),
                                             int(label->alignment()) | Qt::TextWordWrap, text);
        return Cut(label, text, QSize(0, need.height()), room.size());
    }
    const QSize need = QFontMetrics(label->font()).size(0, text);
    return Cut(label, text, need, room.size());
}

QString ButtonCut(const QAbstractButton* button) {
    if (button->text().isEmpty()) return {};
    const QString text = Shown(button->text());
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(button)) contents = QStyle::SE_CheckBoxContents;
    if (qobject_cast<const QRadioButton*>(button)) contents = QStyle::SE_RadioButtonContents;
    QRect room = button->style()->subElementRect(contents, &option, button);
    if (contents == QStyle::SE_PushButtonContents) {
        // Fusion draws a push button's caption inside its frame and button margins.
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
        room.adjust(margin / 2, 0, -margin / 2, 0);
    }
    return Cut(button, text, OneLine(button, text), room.size());
}

QString LineEditCut(const QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    // A box's text is the user's, as long as its limit allows, and scrolls sideways; its
    // height is the box's own.
    const QString text = edit->displayText();
    return Cut(edit, text, QSize(0, QFontMetrics(edit->font()).height()), room.size());
}

QString SpinBoxCut(const QAbstractSpinBox* box) {
    QStyleOptionSpinBox option;
    option.initFrom(box);
    option.frame = box->hasFrame();
    option.buttonSymbols = box->buttonSymbols();
    option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField;
    if (box->buttonSymbols() != QAbstractSpinBox::NoButtons) {
        option.subControls |= QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    }
    const QRect room =
        box->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, box);
    return Cut(box, box->text(), OneLine(box, box->text()), room.size());
}

QString ComboCut(const QComboBox* combo) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    option.currentText = combo->currentText();
    const QRect room = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, combo);
    // Every choice, not only the current one, is shown in the box once chosen.
    QString cut;
    for (int index = 0; index < combo->count() && cut.isEmpty(); ++index) {
        const QString text = combo->itemText(index);
        cut = Cut(combo, text, OneLine(combo, text), room.size());
    }
    return cut;
}

QString GroupBoxCut(const QGroupBox* box) {
    if (box->title().isEmpty()) return {};
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.textAlignment = box->alignment();
    QRect room =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    room = room.intersected(box->rect());
    return Cut(box, Shown(box->title()), OneLine(box, Shown(box->title())), room.size());
}

QString HeaderCut(const QHeaderView* header) {
    const QAbstractItemModel* model = header->model();
    if (!model || header->isHidden()) return {};
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int section = 0; section < header->count(); ++section) {
        if (header->isSectionHidden(section) || header->sectionSize(section) == 0) continue;
        const QString text = model->headerData(section, header->orientation()).toString();
        if (text.isEmpty()) continue;
        // The stretched last section is as wide as the list leaves it; its text may end there.
        if (header->stretchLastSection() && section == header->count() - 1) continue;
        const QSize need = OneLine(header, text) + QSize(2 * margin, 0);
        const QString cut =
            Cut(header, text, need, QSize(header->sectionSize(section), header->height()));
        if (!cut.isEmpty()) return cut;
    }
    return {};
}

QString RowCut(const QAbstractItemView* view) {
    const QAbstractItemModel* model = view->model();
    if (!model || model->rowCount() == 0) return {};
    const QRect row = view->visualRect(model->index(0, 0));
    const QString text = model->index(0, 0).data().toString();
    if (!row.isValid()) return {};
    return Cut(view, text, QSize(0, QFontMetrics(view->font()).height()), row.size());
}

// Every text of the window cut short, one line each.
QStringList CutTexts(const QWidget* window) {
    QStringList cuts;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window)) continue;
        QString cut;
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            cut = LabelCut(label);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            // A tool button of a spin box or a scroll bar shows an arrow, not a text.
            if (qobject_cast<const QPushButton*>(widget) ||
                qobject_cast<const QCheckBox*>(widget) ||
                qobject_cast<const QRadioButton*>(widget)) {
                cut = ButtonCut(button);
            }
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            // The edit fields inside spin boxes and drop-downs are checked with them.
            if (!qobject_cast<const QAbstractSpinBox*>(widget->parentWidget()) &&
                !qobject_cast<const QComboBox*>(widget->parentWidget())) {
                cut = LineEditCut(edit);
            }
        } else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) {
            cut = SpinBoxCut(spin);
        } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
            cut = ComboCut(combo);
        } else if (const auto* box = qobject_cast<const QGroupBox*>(widget)) {
            cut = GroupBoxCut(box);
        } else if (const auto* header = qobject_cast<const QHeaderView*>(widget)) {
            cut = HeaderCut(header);
        } else if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
            cut = RowCut(view);
        }
        if (!cut.isEmpty()) cuts << cut;
    }
    return cuts;
}

QWidget* TopLevel(const std::function<bool(const QWidget*)>& wanted) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && wanted(window)) return window;
    }
    return nullptr;
}

QWidget* WindowTitled(const QString& title) {
    return TopLevel([&](const QWidget* window) { return window->windowTitle() == title; });
}

QString WriteImportFile(const QTemporaryDir& folder) {
    const QString path = folder.filePath(QStringLiteral("new clients.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(
        "Company,Contact,Phone,E-mail,Notes\n"
        "Delta Foods,Dee Dale,555-0104,dee@delta.example,Met at the fair\n"
        "Echo Print,Ed Eames,555-0105,ed@echo.example,\n");
    return path;
}

// Opens the window as a person would and gives it to the check; the preview, which waits in
// its own loop while it shows, is checked from within that loop and closed.
QStringList CutTextsOf(const QString& window, const QTemporaryDir& scratch) {
    const std::string F1 = shell::MainForm;
    if (window == "main") return CutTexts(testing::OpenWindow(F1));
    if (window == "details") {
        testing::OpenClientAtRow(0);
        return CutTexts(testing::OpenWindow(shell::DetailsForm));
    }
    if (window == "scan") {
        testing::Click(F1, app::ScanButton);
        return CutTexts(testing::OpenWindow(shell::ScanForm));
    }
    if (window == "scan results") {
        const followup::DayNumber today = followup::TodayDayNumber();
        followup::ScanFollowUps(today, today, F1, 1);
        return CutTexts(testing::OpenWindow(shell::ScanResultsForm));
    }
    if (window == "print") {
        testing::Click(F1, app::PrintButton);
        return CutTexts(testing::OpenWindow(shell::PrintForm));
    }
    if (window == "options") {
        testing::Click(F1, app::OptionsButton);
        return CutTexts(testing::OpenWindow(shell::OptionsForm));
    }
    if (window == "import") {
        transfer::ImportFile(F1, WriteImportFile(scratch).toStdString());
        return CutTexts(testing::OpenWindow(shell::ImportForm));
    }
    if (window == "restore") {
        transfer::OpenRestoreWindow(F1);
        return CutTexts(testing::OpenWindow(shell::RestoreForm));
    }
    if (window == "help") {
        const QString help = QFINDTESTDATA("../../resources/Vendrix 2.hlp");
        gui::EZ_WINHELP(F1, help.toStdString(), "Contents", "K");
        const QWidget* shown = WindowTitled(QStringLiteral("Vendrix 2 Help"));
        return shown ? CutTexts(shown) : QStringList{QStringLiteral("no help window")};
    }
    if (window == "print preview") {
        testing::Click(F1, app::PrintButton);
        gui::EZ_SETCHECK(shell::PrintForm, reports::PreviewCheck, 1);
        QStringList cuts{QStringLiteral("no preview")};
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* preview = TopLevel([](const QWidget* shown) {
                return shown->objectName() == QLatin1String(print::PREVIEW_WINDOW_NAME);
            });
            if (!preview) return;
            poll.stop();
            cuts = CutTexts(preview);
            preview->close();
        });
        poll.start(20);
        testing::Click(shell::PrintForm, reports::PrintAllButton);
        return cuts;
    }
    return {QStringLiteral("no such window")};
}

}  // namespace

class TextFitsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qInfo("scale factor %s", qEnvironmentVariable("QT_SCALE_FACTOR", "1").toUtf8().constData());
    }

    void everyTextShowsWhole_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<double>("fontScale");
        for (const char* window : {"main", "details", "scan", "scan results", "print", "options",
                                   "import", "restore", "help", "print preview"}) {
            for (const double scale : {1.0, 1.5}) {
                const QByteArray row = QByteArray("the ") + window + " window shows its texts " +
                                       (scale == 1.0 ? "whole in its own font"
                                                     : "whole in a font half as large again");
                QTest::newRow(row.constData()) << QString::fromLatin1(window) << scale;
            }
        }
    }
    void everyTextShowsWhole() {
        QFETCH(QString, window);
        QFETCH(double, fontScale);
        store::ClientRecord client = testing::FullClient("Acme Tools and Hardware Supply");
        client.FollowUpFlag = 1;
        client.FollowUpDate = followup::TodayDayNumber();
        testing::TempAppFolder folder;
        testing::WriteClientsFile(folder, {client, testing::FullClient("Birch Supply")},
                                  testing::NoStartUpScan());
        testing::ProgramSession program(folder);
        if (fontScale != 1.0) {
            // The main window is made again in the larger font; the others are made in it.
            gui::EZ_DEFFONT(MainFontNumber, "Arial", MainFontPoints * fontScale, "V");
            if (auto* main =
                    dynamic_cast<gui::layer::FormWindow*>(testing::OpenWindow(shell::MainForm))) {
                main->closeWithoutAsking();
            }
            app::OpenMainWindow("");
            QVERIFY(testing::OpenWindow(shell::MainForm));
        }
        QTemporaryDir scratch;
        testing::MessageBoxes boxes;
        const QStringList cuts = CutTextsOf(window, scratch);
        gui::EZ_WINHELP(shell::MainForm, "", "", "Q");
        gui::EZ_DEFFONT(MainFontNumber, "Arial", MainFontPoints, "V");
        QVERIFY2(cuts.isEmpty(), qPrintable(cuts.join(QStringLiteral("\n  "))));
    }
};

QTEST_MAIN(TextFitsTest)
#include "tst_text_fits.moc"
