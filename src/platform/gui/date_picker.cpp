#include <QDateEdit>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "platform/gui/common_controls.h"
#include "platform/gui/layer.h"

namespace gui::layer {

namespace {

// The picker's text field. A click selects the whole field (month, day or year) it lands in,
// as Tab does on entering, so that typing replaces that field instead of being refused
// beside the digits already there.
class FieldSelectingEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLineEdit::mouseReleaseEvent(event);
        // A drag keeps what it selected; the picker has followed the caret to its field.
        if (event->button() != Qt::LeftButton || hasSelectedText()) return;
        if (auto* picker = qobject_cast<QDateTimeEdit*>(parentWidget())) {
            picker->setSelectedSection(picker->currentSection());
        }
    }
};

// A date field with a calendar drop-down, as the short-date picker of the program's home
// system: Tab leaves it (the arrow keys walk its fields), a click selects the field it lands
// in, and a press anywhere but on the text or the drop-down arrow only takes the focus,
// never steps the date.
class DatePicker : public QDateEdit {
public:
    explicit DatePicker(const QDate& date) : QDateEdit(date) {
        auto* edit = new FieldSelectingEdit(this);
        edit->setObjectName(QStringLiteral("qt_spinbox_lineedit"));
        setLineEdit(edit);
    }

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

    void mousePressEvent(QMouseEvent* event) override {
        QStyleOptionComboBox option;
        option.initFrom(this);
        option.editable = true;
        option.frame = true;
        option.subControls = QStyle::SC_All;
        const QRect arrow =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
        if (arrow.contains(event->position().toPoint())) {
            QDateEdit::mousePressEvent(event);
            return;
        }
        setFocus(Qt::MouseFocusReason);
        event->accept();
    }
};

}  // namespace

QWidget* MakeDatePicker() {
    auto* picker = new DatePicker(QDate::currentDate());
    picker->setFont(CurrentFont());
    picker->setCalendarPopup(true);
    // The program keeps dates as day numbers of 1961..2060 and folds any other year into
    // that century, so a date outside it could not be kept as picked.
    picker->setDateRange(QDate(1961, 1, 1), QDate(2060, 12, 31));
    picker->setDisplayFormat(QStringLiteral("MM/dd/yy"));
    QObject::connect(picker, &QDateEdit::dateChanged, picker, [picker] {
        if (!NotifyEventsAllowed()) return;
        const Owner owner = OwnerOf(picker);
        if (owner.found) Raise(owner.form, owner.id, EV_NOTIFY, DTN_DATETIMECHANGE);
    });
    return picker;
}

std::optional<CalendarDate> DatePickerDate(QWidget* widget) {
    auto* picker = qobject_cast<QDateEdit*>(widget);
    if (!picker) return std::nullopt;
    const QDate shown = picker->date();
    return CalendarDate{shown.year(), shown.month(), shown.day()};
}

bool SetDatePickerDate(QWidget* widget, CalendarDate date) {
    auto* picker = qobject_cast<QDateEdit*>(widget);
    if (!picker) return false;
    const QDate wanted(date.year, date.month, date.day);
    if (!wanted.isValid()) return false;
    // The program's own change is no notification: only the person's changes are.
    const QSignalBlocker quiet(picker);
    picker->setDate(wanted);
    return true;
}

bool DatePickerFormat(QWidget* widget, const QString& format) {
    auto* picker = qobject_cast<QDateEdit*>(widget);
    if (!picker || format.isEmpty()) return false;
    const QSignalBlocker quiet(picker);
    const QDate kept = picker->date();
    picker->setDisplayFormat(format);
    picker->setDate(kept);  // a two-digit year format must not lose the century
    return true;
}

}  // namespace gui::layer
