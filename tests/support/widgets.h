#pragma once

#include <QApplication>
#include <QWidget>

#include <string>

namespace testing {

// The open window of a form ("F1".."F6"), nullptr when it is not open.
inline QWidget* FormWidget(const std::string& form) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QString::fromStdString(form) && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

// A control of an open window, as the toolkit made it.
template <typename T = QWidget>
T* ControlWidget(const std::string& form, int id) {
    QWidget* window = FormWidget(form);
    if (window == nullptr) return nullptr;
    return window->findChild<T*>(QStringLiteral("c%1").arg(id));
}

}  // namespace testing
