#include <QAbstractButton>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
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

// ---- Multi-line boxes ---------------------------------------------------------------------
//
// Qt lays out a paragraph whole, on every keystroke in it, and breaking a paragraph without
// blanks into lines costs the square of its length: a history of one megabyte without line
// breaks took most of a minute to show and as long for each key. A line longer than
// LongestBlock is therefore kept as several paragraphs of the document, each after the first
// marked as continuing the line before it. The marks live in the paragraphs' formats, so undo
// and redo restore them with the text, and the box's text reads back without them.

constexpr int LongestBlock = 4096;
// Where a long line is cut, a blank this close before the cut is preferred, so that no word
// is split over two display lines.
constexpr int BlankSearch = 256;
constexpr int ContinuesLine = QTextFormat::UserProperty + 1;

bool Continues(const QTextBlock& block) {
    return block.blockFormat().boolProperty(ContinuesLine);
}

// Where the piece of a line that starts at `start` ends.
qsizetype PieceEnd(const QString& line, qsizetype start) {
    const qsizetype limit = start + LongestBlock;
    if (limit >= line.size()) return line.size();
    for (qsizetype at = limit; at > limit - BlankSearch; --at) {
        if (line.at(at - 1) == QLatin1Char(' ')) return at;
    }
    // Never between the two halves of a character outside the basic plane.
    return line.at(limit - 1).isHighSurrogate() ? limit - 1 : limit;
}

// Fills the document in one edit, so that its layout is only told once, and without undo.
// Runs of ordinary lines go in whole; a line too long for one paragraph goes in piece by piece.
void FillDocument(QPlainTextEdit* box, const QString& text) {
    box->setPlainText(QString());  // also forgets the undo history and resets the caret
    QTextDocument* document = box->document();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    QTextBlockFormat continuation;
    continuation.setProperty(ContinuesLine, true);
    qsizetype runStart = 0;  // the first character not yet in the document
    const auto insertRunUpTo = [&](qsizetype end) {
        // The paragraphs a run begins take the format of the one it starts in: a line's own.
        if (end > runStart) cursor.insertText(text.mid(runStart, end - runStart));
    };
    for (qsizetype lineStart = 0;;) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0) lineEnd = text.size();
        if (lineEnd - lineStart > LongestBlock) {
            const QString line = text.mid(lineStart, lineEnd - lineStart);
            insertRunUpTo(lineStart);
            for (qsizetype start = 0; start < line.size();) {
                const qsizetype end = PieceEnd(line, start);
                if (start > 0) cursor.insertBlock(continuation);
                cursor.insertText(line.mid(start, end - start));
                start = end;
            }
            if (lineEnd < text.size()) cursor.insertBlock(QTextBlockFormat());
            runStart = lineEnd + 1;
        }
        if (lineEnd >= text.size()) break;
        lineStart = lineEnd + 1;
    }
    insertRunUpTo(text.size());
    cursor.endEditBlock();
    document->setUndoRedoEnabled(true);
    box->setTextCursor(QTextCursor(document));
}

QString DocumentText(const QTextDocument* document) {
    QString text;
    text.reserve(document->characterCount());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin() && !Continues(block)) text += QLatin1Char('\n');
        text += block.text();  // as typed: a no-break space stays one
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

// The text between two positions of the document, joins left out as in DocumentText.
QString TextBetween(const QTextDocument* document, int start, int end) {
    QString text;
    for (QTextBlock block = document->findBlock(start); block.isValid() && block.position() <= end;
         block = block.next()) {
        if (block.position() > start && !Continues(block)) text += QLatin1Char('\n');
        const int from = std::max(start - block.position(), 0);
        const int to = std::min(end - block.position(), int(block.text().size()));
        if (to > from) text += block.text().mid(from, to - from);
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

class MultiLineBox : public QPlainTextEdit {
public:
    MultiLineBox() {
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            if (!filling_) RaiseChange(this);
        });
    }

    void setBoxText(const QString& text) {
        filling_ = true;
        FillDocument(this, text);
        filling_ = false;
        RaiseChange(this);  // one change, as for a single-line box
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool plain =
            !textCursor().hasSelection() && !(event->modifiers() & Qt::ControlModifier);
        if (plain && event->key() == Qt::Key_Backspace) {
            stepOverJoins(QTextCursor::PreviousCharacter);
        } else if (plain && event->key() == Qt::Key_Delete) {
            stepOverJoins(QTextCursor::NextCharacter);
        }
        const int before = textCursor().selectionStart();
        QPlainTextEdit::keyPressEvent(event);
        markNewLinesOwn(before);
    }

    // What is copied or dragged out is the text itself: no line break where a long line was
    // only kept in pieces. Qt takes the returned object.
    QMimeData* createMimeDataFromSelection() const override {
        const QTextCursor cursor = textCursor();
        auto* mime = new QMimeData;
        mime->setText(TextBetween(document(), cursor.selectionStart(), cursor.selectionEnd()));
        return mime;
    }

    void insertFromMimeData(const QMimeData* source) override {
        const int before = textCursor().selectionStart();
        QPlainTextEdit::insertFromMimeData(source);
        markNewLinesOwn(before);
    }

private:
    // Backspace at the start of a continuing paragraph, or Delete at the end of the paragraph
    // before one, takes the character beyond the join, which is no character of the text.
    void stepOverJoins(QTextCursor::MoveOperation direction) {
        QTextCursor cursor = textCursor();
        const bool back = direction == QTextCursor::PreviousCharacter;
        while (back ? cursor.atBlockStart() && Continues(cursor.block())
                    : cursor.atBlockEnd() && Continues(cursor.block().next())) {
            cursor.movePosition(direction);
        }
        setTextCursor(cursor);
    }

    // Paragraphs begun by the person (Enter, a pasted line break) are lines of their own,
    // though Qt gives them the format of the paragraph they were begun in.
    void markNewLinesOwn(int from) {
        const int to = textCursor().position();
        QTextBlock block = document()->findBlock(from).next();
        if (!block.isValid() || block.position() > to) return;
        QTextCursor cursor(document());
        cursor.joinPreviousEditBlock();  // undone together with the typing
        for (; block.isValid() && block.position() <= to; block = block.next()) {
            if (!Continues(block)) continue;
            QTextBlockFormat format = block.blockFormat();
            format.clearProperty(ContinuesLine);
            cursor.setPosition(block.position());
            cursor.setBlockFormat(format);
        }
        cursor.endEditBlock();
    }

    bool filling_ = false;
};

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
        auto* box = new layer::MultiLineBox;
        box->setFont(layer::CurrentFont());
        box->setTabChangesFocus(true);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        layer::FillDocument(box, layer::FromCrLf(layer::ToQ(text)));
        layer::AddControl(layer::ControlKind::MultiLineText, id, box, column, row, width, height);
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
    } else if (auto* multi = dynamic_cast<layer::MultiLineBox*>(widget)) {
        multi->setBoxText(layer::FromCrLf(value));
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
        return layer::FromQ(layer::ToCrLf(layer::DocumentText(multi->document())));
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
