#include "platform/gui/form_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QWindow>

#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

QWindow* NativeWindow(QWidget* widget) {
    widget->winId();  // makes the native window, so that it can be a transient parent
    return widget->windowHandle();
}

// Windows that stood above the closing one now stand above its own opener.
void HandOverChildren(FormWindow* closing) {
    QWindow* closingWindow = closing->windowHandle();
    if (!closingWindow) return;
    QWindow* opener = closingWindow->transientParent();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == closing || !widget->windowHandle()) continue;
        if (widget->windowHandle()->transientParent() == closingWindow) {
            widget->windowHandle()->setTransientParent(opener);
            TellWindowManagerOwner(widget->windowHandle(), opener);
        }
    }
}

// A window opened over another belongs to it, as a dialog to its owner: the window manager
// keeps it above its opener, minimises it with the opener and gives it no taskbar entry. Qt
// tells X11 window managers the opener (WM_TRANSIENT_FOR) only for dialog-type windows, so
// such a window is made one; it has no minimise button of its own. A window without an
// opener is an ordinary window, which a modal one must not be minimised away from.
Qt::WindowFlags FormFlags(bool hasOpener, bool modal) {
    Qt::WindowFlags flags = Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
    if (hasOpener) return flags | Qt::Dialog;
    flags |= Qt::Window;
    if (!modal) flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

void PlaceWindow(QWidget* window, QWidget* opener, double column, double row) {
    if (column != 0 || row != 0) {
        window->move(ToPixels(column, row, 1, 1).topLeft());
        return;
    }
    QRect area;
    if (opener && opener->isVisible()) {
        area = opener->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        QRect frame(QPoint(0, 0), window->size());
        frame.moveCenter(area.center());
        window->move(frame.topLeft());
    }
}

// The windows' main font is the application's too, so that message boxes, menus, tooltips and
// file dialogs share it instead of the desktop's default (on a bare system a typewriter face).
void UseMainFontEverywhere() {
    const QFont main = FontFor(MainFontNumber);
    if (QApplication::font() != main) QApplication::setFont(main);
}

}  // namespace

FormWindow::FormWindow(const std::string& name) : name_(name) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(ToQ(name));
}

void FormWindow::closeWithoutAsking() {
    forced_ = true;
    close();
}

bool FormWindow::isRegistered() const {
    Form* form = FindForm(name_);
    return form && form->window == this;
}

void FormWindow::forgetSelf() {
    if (!isRegistered()) return;
    HandOverChildren(this);
    UnregisterForm(name_);
    if (OpenFormNames().empty()) CloseHelpWindow();
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (forced_ || !isRegistered()) {
        forgetSelf();
        event->accept();
        return;
    }
    if (asking_) {
        // The close handler itself asked to close again; the first request decides.
        event->ignore();
        return;
    }
    asking_ = true;
    const EventResult result = Raise(name_, 0, EV_CLOSE, 0);
    asking_ = false;
    if (result.cancel != 0) {
        event->ignore();
        return;
    }
    forgetSelf();
    event->accept();
}

bool FormWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && isRegistered()) {
        Raise(name_, 0, EV_LOSTFOCUS, 0);
    }
    return QWidget::event(event);
}

}  // namespace layer

void EZ_FORM(const std::string& form, const std::string& parent, const std::string& caption,
             double column, double row, double width, double height, const std::string& style) {
    if (!qApp) return;
    layer::EnsureInputTracking();
    if (layer::Form* open = layer::FindForm(form)) {
        // The window is open already: bring it forward instead of building a second one.
        open->window->raise();
        open->window->activateWindow();
        return;
    }
    layer::UseMainFontEverywhere();
    const QString letters = layer::ToQ(style).toUpper();
    layer::Form* opener = layer::FindForm(parent);
    auto* window = new layer::FormWindow(form);
    const bool modal = letters.contains(QLatin1Char('M'));
    window->setWindowFlags(layer::FormFlags(opener != nullptr, modal));
    window->setWindowTitle(layer::ToQ(caption));
    window->setFont(layer::FontFor(layer::MainFontNumber));
    if (!QApplication::windowIcon().isNull()) window->setWindowIcon(QApplication::windowIcon());
    layer::RegisterForm(form, window);

    layer::PushDesign(form);
    layer::RunDesign(form);
    layer::PopDesign();

    layer::Form* built = layer::FindForm(form);
    if (!built || built->window != window) return;  // closed while it was being built
    layer::PlaceControls(*built);
    QSize client = layer::ToPixels(0, 0, width, height).size();
    layer::FitControls(*built, client);
    window->setFixedSize(client);
    layer::PlaceStatusBars(*built);
    layer::NameControls(*built);

    opener = layer::FindForm(parent);  // the design procedure may have closed it
    if (opener && opener->window) {
        layer::NativeWindow(window)->setTransientParent(layer::NativeWindow(opener->window));
    }
    // Modal for the whole program, yet not owned by the opener: closing the opener leaves it.
    if (modal) window->setWindowModality(Qt::ApplicationModal);
    layer::PlaceWindow(window, opener ? opener->window.data() : nullptr, column, row);
    window->show();
    // The focus shows from the start, not only once Tab has been pressed in the window.
    window->setAttribute(Qt::WA_KeyboardFocusChange);
    window->activateWindow();
}

void EZ_UNLOADFORM(const std::string& form) {
    if (layer::Form* open = layer::FindForm(form)) open->window->close();
}

std::string EZ_CURRENTFORM() {
    QWidget* active = QApplication::activeWindow();
    // A message box or other helper window counts as the form it belongs to.
    while (active) {
        if (auto* window = dynamic_cast<layer::FormWindow*>(active)) {
            const layer::Form* form = layer::FindForm(window->formName());
            return form && form->window == window ? window->formName() : std::string();
        }
        active = active->parentWidget() ? active->parentWidget()->window() : nullptr;
    }
    return {};
}

bool EZ_ISFORM(const std::string& form) {
    return layer::FindForm(form) != nullptr;
}

void EZ_COLOR(int, int) {}
void EZ_SETLAYER(int) {}
void EZ_DISPLAYLAYER(const std::string&, int, int) {}

}  // namespace gui

namespace gui {

std::string FormCaption(const std::string& form) {
    const layer::Form* open = layer::FindForm(form);
    return open ? layer::FromQ(open->window->windowTitle()) : std::string();
}

}  // namespace gui
