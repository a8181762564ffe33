// Keys, tooltips, focus and the date pickers' clicks reach the program through one
// application-wide filter, which finds the control an event belongs to by walking up from
// the widget that received it. List views raise their own events (list_view.cpp), since they
// must act before and after the view's own handling.

#include <QAbstractButton>
#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

#include "platform/gui/form_window.h"
#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

QString& TooltipAnswer() {
    static QString answer;
    return answer;
}

// Alt with a key that types a character is a mnemonic. Qt's shortcuts take those that name an
// enabled control before the key press is sent; one that reaches the filter names none, and
// must not type its character into a box nor reach the program as a key.
bool IsUnclaimedMnemonic(const QKeyEvent* key) {
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if (!modifiers.testFlag(Qt::AltModifier)) return false;
    // Ctrl+Alt is AltGr on some keyboards, which types characters of its own.
    if (modifiers & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

bool HandleKey(QObject* receiver, QKeyEvent* key) {
    if (receiver != QApplication::focusWidget()) return false;  // already seen at the start
    const Owner owner = OwnerOf(receiver);
    if (!owner.found || owner.id == 0 || owner.kind == ControlKind::List) return false;
    const int original = VirtualKey(key->key(), key->modifiers());
    if (original == 0) return false;

    QPointer<QWidget> widget = qobject_cast<QWidget*>(receiver);
    int value = original;
    if (KeyEventsAllowed()) value = Raise(owner.form, owner.id, EV_KEY, original).value;
    if (!widget) return true;  // the handler closed the window under the key

    if (value == VK_TAB && original != VK_TAB) {
        if (auto* form = dynamic_cast<FormWindow*>(widget->window())) form->moveFocusOn();
        return true;
    }
    if (value == 0) return true;  // the handler swallowed the key
    if (value == VK_RETURN && original == VK_RETURN && owner.kind == ControlKind::Button) {
        // Enter on a focused button presses it, as everywhere on the program's home system.
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->click();
        return true;
    }
    return false;
}

bool HandleTooltip(QObject* receiver, QHelpEvent* help) {
    const Owner owner = OwnerOf(receiver);
    if (!owner.found || owner.id == 0) return false;
    Control* control = FindControl(owner.form, owner.id);
    if (!control || !control->wantsTooltip) return false;
    TooltipAnswer().clear();
    Raise(owner.form, owner.id, EV_TOOLTIP, 0);
    QWidget* widget = FindControl(owner.form, owner.id) ? control->widget.data() : nullptr;
    if (widget && !TooltipAnswer().isEmpty()) {
        QToolTip::showText(help->globalPos(), TooltipAnswer(), widget);
    } else {
        QToolTip::hideText();
    }
    return true;
}

void HandleDatePickerPress(QObject* receiver, QMouseEvent* press) {
    // A press travels up from the picker's inner line edit to the picker: count it once.
    static const QEvent* lastPress = nullptr;
    static quint64 lastStamp = 0;
    if (press == lastPress && press->timestamp() == lastStamp) return;
    const Owner owner = OwnerOf(receiver);
    if (!owner.found || owner.kind != ControlKind::DatePicker) return;
    lastPress = press;
    lastStamp = press->timestamp();
    Raise(owner.form, owner.id, EV_CLICK, 0);
}

class InputFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress: {
                auto* key = static_cast<QKeyEvent*>(event);
                return IsUnclaimedMnemonic(key) || HandleKey(receiver, key);
            }
            case QEvent::ToolTip:
                return HandleTooltip(receiver, static_cast<QHelpEvent*>(event));
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                HandleDatePickerPress(receiver, static_cast<QMouseEvent*>(event));
                return false;
            default:
                return false;
        }
    }
};

void FocusMoved(QWidget* old, QWidget* now) {
    const Owner from = OwnerOf(old);
    const Owner to = OwnerOf(now);
    if (from.found && to.found && from.form == to.form && from.id == to.id) return;
    if (from.found && from.id != 0) Raise(from.form, from.id, EV_LOSTFOCUS, 0);
    if (to.found && to.id != 0 && FindControl(to.form, to.id)) {
        Raise(to.form, to.id, EV_GOTFOCUS, 0);
    }
}

}  // namespace

QString TooltipText(const std::string& form, int id) {
    TooltipAnswer().clear();
    Raise(form, id, EV_TOOLTIP, 0);
    return TooltipAnswer();
}

void EnsureInputTracking() {
    static QPointer<QObject> filter;
    if (filter || !qApp) return;
    filter = new InputFilter(qApp);
    qApp->installEventFilter(filter);
    QObject::connect(qApp, &QApplication::focusChanged, filter, &FocusMoved);
}

int VirtualKey(int qtKey, Qt::KeyboardModifiers) {
    switch (qtKey) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        default:
            break;
    }
    // Letters give their upper-case code and digits their digit code, keypad digits too;
    // Qt's key numbers for them are those codes already.
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey;
    return 0;
}

}  // namespace layer

void EZ_SETTOOLTIP(const std::string& text) {
    layer::TooltipAnswer() = layer::ToQ(text);
}

}  // namespace gui
