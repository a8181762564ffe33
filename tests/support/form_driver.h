#pragma once

#include <QWidget>

#include <string>
#include <vector>

namespace testing {

// The open (visible) window of that name, nullptr when there is none.
QWidget* OpenWindow(const std::string& form);
// A control of an open window by its id, as the toolkit layer names it; nullptr when there is
// none of that kind.
QWidget* ControlWidget(const std::string& form, int id);
template <class T = QWidget>
T* Control(const std::string& form, int id) {
    return qobject_cast<T*>(ControlWidget(form, id));
}

// A person's click on a control (on the tick mark of a check box or radio button), and a
// double-click on a list row. A missing control fails the test.
void Click(const std::string& form, int id);
void DoubleClickRow(const std::string& form, int listId, int row);
// A person's click on a list row, and a choice from a drop-down list's items.
void ClickRow(const std::string& form, int listId, int row);
void ChooseItem(const std::string& form, int comboId, int index);

bool IsEnabled(const std::string& form, int id);
// Whether the control is shown (not hidden) on its window.
bool IsShown(const std::string& form, int id);

// The rows highlighted in a list view, in row order.
std::vector<int> SelectedRows(const std::string& form, int listId);

}  // namespace testing
