#include <QAbstractButton>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QScrollBar>
#include <QTextBlock>
#include <QValidator>

#include <optional>

#include "platform/gui/layer.h"
#include "platform/gui/text_boxes.h"

namespace gui {
namespace layer {

namespace {

// Upper case and digits-only, applied to whatever reaches the box: typing, pasting, dropping.
class CaseAndDigitsValidator : public QValidator {
public:
    CaseAndDigitsValidator(bool upper, bool digits, QObject* parent)
        : QValidator(parent), upper_(upper), digits_(digits) {}

    State validate(QString& input, int&) const override {
        if (digits_) {
            for (const QChar c : input) {
                if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
            }
        }
        if (upper_) input = input.toUpper();
        return Acceptable;
    }

private:
    bool upper_;
    bool digits_;
};

struct TextStyle {
    std::optional<int> cap;
    bool upper = false;
    bool digits = false;
    bool multiLine = false;
};

TextStyle ParseStyle(const std::string& style) {
    TextStyle parsed;
    QString letters = ToQ(style);
    const int open = int(letters.indexOf(QLatin1Char('[')));
    const int close = open >= 0 ? int(letters.indexOf(QLatin1Char(']'), open)) : -1;
    if (open >= 0 && close > open) {
        bool ok = false;
        const int cap = letters.mid(open + 1, close - open - 1).trimmed().toInt(&ok);
        if (ok && cap > 0) parsed.cap = cap;
        letters.remove(open, close - open + 1);
    }
    letters = letters.toUpper();
    parsed.upper = letters.contains(QLatin1Char('U'));
    parsed.digits = letters.contains(QLatin1Char('N'));
    parsed.multiLine = letters.contains(QLatin1Char('M')) || letters.contains(QLatin1Char('V'));
    return parsed;
}

void RaiseChange(QWidget* widget) {
    const Owner owner = OwnerOf(widget);
    if (owner.found) Raise(owner.form, owner.id, EV_CHANGE, 0);
}

QString FromCrLf(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString ToCrLf(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

void SelectText(QLineEdit* box, int start, int end) {
    const int length = int(box->text().size());
    if (start < 0) {
        box->deselect();
        return;
    }
    if (end < 0 || end > length) end = length;
    start = std::min(start, length);
    box->setSelection(start, end - start);
}

void SelectText(QPlainTextEdit* box, int start, int end) {
    QTextCursor cursor = box->textCursor();
    if (start < 0) {
        cursor.clearSelection();
        box->setTextCursor(cursor);
        return;
    }
    const int length = box->document()->characterCount() - 1;
    if (end < 0 || end > length) end = length;
    cursor.setPosition(std::min(start, length));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

}  // namespace

void SelectInTextBox(QWidget* widget, int start, int end) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) SelectText(line, start, end);
    if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) SelectText(multi, start, end);
}

}  // namespace layer

void EZ_TEXT(int id, double column, double row, double width, double height,
             const std::string& text, const std::string& style) {
    const layer::TextStyle parsed = layer::ParseStyle(style);
    if (parsed.multiLine) {
        auto* box = new QPlainTextEdit;
        box->setFont(layer::CurrentFont());
        box->setTabChangesFocus(true);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        box->setPlainText(layer::FromCrLf(layer::ToQ(text)));
        if (layer::AddControl(layer::ControlKind::MultiLineText, id, box, column, row, width,
                              height)) {
            QObject::connect(box, &QPlainTextEdit::textChanged, box,
                             [box] { layer::RaiseChange(box); });
        }
        return;
    }
    auto* box = new QLineEdit;
    box->setFont(layer::CurrentFont());
    if (parsed.cap) box->setMaxLength(*parsed.cap);
    if (parsed.upper || parsed.digits) {
        box->setValidator(new layer::CaseAndDigitsValidator(parsed.upper, parsed.digits, box));
    }
    box->setText(layer::ToQ(text));
    if (layer::AddControl(layer::ControlKind::Text, id, box, column, row, width, height)) {
        QObject::connect(box, &QLineEdit::textChanged, box, [box] { layer::RaiseChange(box); });
    }
}

void EZ_SETTEXT(const std::string& form, int id, const std::string& text) {
    QWidget* widget = layer::ControlWidget(form, id);
    const QString value = layer::ToQ(text);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        // Setting a text always counts as a change, also when it equals the old one.
        const QString before = line->text();
        line->setText(value);
        if (line->text() == before) layer::RaiseChange(line);
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) {
        multi->setPlainText(layer::FromCrLf(value));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        frame->setTitle(value);
    }
}

std::string EZ_GETTEXT(const std::string& form, int id) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) return layer::FromQ(line->text());
    if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) {
        // The raw text keeps every character as typed (the plain-text form turns a no-break
        // space into a blank); only its paragraph marks become line breaks.
        QString text = multi->document()->toRawText();
        text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        return layer::FromQ(layer::ToCrLf(text));
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) return layer::FromQ(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return layer::FromQ(button->text());
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) return layer::FromQ(frame->title());
    if (auto* date = qobject_cast<QDateEdit*>(widget)) return layer::FromQ(date->text());
    return {};
}

void EZ_SCROLLTO(const std::string& form, int id, int line, int column) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (auto* multi = qobject_cast<QPlainTextEdit*>(widget)) {
        const QTextBlock block = multi->document()->findBlockByNumber(std::max(0, line - 1));
        QTextCursor cursor(block.isValid() ? block : multi->document()->firstBlock());
        cursor.setPosition(cursor.position() +
                           std::clamp(column, 0, std::max(0, block.length() - 1)));
        multi->setTextCursor(cursor);
        if (line <= 1) multi->verticalScrollBar()->setValue(multi->verticalScrollBar()->minimum());
        multi->ensureCursorVisible();
    } else if (auto* single = qobject_cast<QLineEdit*>(widget)) {
        single->setCursorPosition(std::max(0, column));
    }
}

void EZ_SETSELECT(const std::string& form, int id, int first, int a, int, int, int) {
    layer::Control* control = layer::FindControl(form, id);
    if (!control) return;
    if (control->kind == layer::ControlKind::List) {
        if (first < 0) {
            layer::ListClearSelection(control->widget);
        } else {
            layer::ListSelectOnly(control->widget, first);
        }
        return;
    }
    layer::SelectInTextBox(control->widget, first, a);
}

}  // namespace gui
