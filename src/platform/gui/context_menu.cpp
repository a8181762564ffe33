#include <QAbstractItemView>
#include <QAction>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QShortcut>

#include <map>
#include <utility>

#include "platform/gui/form_window.h"
#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

// The commands of each control with a menu: one action per command, kept by the control's
// widget and shared by its menu and its window's keys.
struct MenuActions {
    QPointer<QWidget> widget;
    std::vector<std::pair<int, QPointer<QAction>>> actions;
};

std::map<std::pair<std::string, int>, MenuActions>& Menus() {
    static std::map<std::pair<std::string, int>, MenuActions> menus;
    return menus;
}

// Where a keyboard-opened menu appears: at the highlighted row of a list, else the control's
// middle.
QPoint KeyboardMenuPlace(QWidget* widget) {
    if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
        const QRect row = view->visualRect(view->currentIndex());
        if (row.isValid() && view->viewport()->rect().intersects(row)) {
            return view->viewport()->mapToGlobal(row.bottomLeft());
        }
    }
    return widget->mapToGlobal(widget->rect().center());
}

void OpenMenu(const std::string& form, int id, QPoint globalPlace) {
    const auto found = Menus().find({form, id});
    if (found == Menus().end() || !found->second.widget) return;
    QWidget* widget = found->second.widget;
    if (!widget->isEnabled()) return;
    QMenu menu(widget);
    for (const auto& [command, action] : found->second.actions) {
        if (action) menu.addAction(action);
    }
    menu.exec(globalPlace);
}

}  // namespace

}  // namespace layer

void SetContextMenu(const std::string& form, int id, const std::vector<MenuCommand>& commands) {
    layer::Control* control = layer::FindControl(form, id);
    layer::Form* owner = layer::FindForm(form);
    if (!control || !control->widget || !owner || !owner->window) return;
    QWidget* widget = control->widget;
    layer::MenuActions& menu = layer::Menus()[{form, id}];
    for (auto& [command, action] : menu.actions) delete action.data();
    menu = {widget, {}};
    for (const MenuCommand& entry : commands) {
        auto* action = new QAction(layer::ToQ(entry.caption), widget);
        if (!entry.shortcut.empty()) {
            action->setShortcut(QKeySequence(layer::ToQ(entry.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
            owner->window->addAction(action);
        }
        const int number = entry.command;
        QObject::connect(action, &QAction::triggered, widget,
                         [form, id, number] { layer::Raise(form, id, EV_MENU, number); });
        menu.actions.emplace_back(number, action);
    }
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    QWidget* target = widget;
    if (auto* view = qobject_cast<QAbstractItemView*>(widget)) target = view->viewport();
    QObject::disconnect(widget, &QWidget::customContextMenuRequested, nullptr, nullptr);
    QObject::connect(widget, &QWidget::customContextMenuRequested, widget,
                     [form, id, widget, target](const QPoint& place) {
                         // The Menu key asks with the widget's middle; the row is better.
                         const bool byKeyboard = !target->rect().contains(place) ||
                                                 QGuiApplication::mouseButtons() == Qt::NoButton;
                         layer::OpenMenu(form, id,
                                         byKeyboard ? layer::KeyboardMenuPlace(widget)
                                                    : target->mapToGlobal(place));
                     });
    // Shift+F10 opens it as the Menu key does, while the control has the focus.
    auto* shiftF10 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), widget);
    shiftF10->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shiftF10, &QShortcut::activated, widget, [form, id, widget] {
        layer::OpenMenu(form, id, layer::KeyboardMenuPlace(widget));
    });
}

void EnableMenuCommand(const std::string& form, int id, int command, bool enabled) {
    const auto found = layer::Menus().find({form, id});
    if (found == layer::Menus().end()) return;
    for (const auto& [number, action] : found->second.actions) {
        if (number == command && action) action->setEnabled(enabled);
    }
}

}  // namespace gui
