#include <algorithm>
#include <vector>

#include "platform/gui/common_controls.h"
#include "platform/gui/layer.h"
#include "platform/gui/text_boxes.h"

namespace gui {

namespace {

// A list view's answer to one of its messages; 0 when the control is no list view.
int AskList(const std::string& form, int id, int message, int wParam, int lParam) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (!widget) return 0;
    return layer::ListMessage(widget, message, wParam, lParam).value_or(0);
}

// The highlighted row after the given one (-1: from the start), -1 when none is left.
int NextSelectedRow(const std::string& form, int id, int after) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (!widget) return -1;
    return layer::ListMessage(widget, layer::LVM_GETNEXTITEM, after, layer::LVNI_SELECTED)
        .value_or(-1);
}

}  // namespace

int ListRowCount(const std::string& form, int id) {
    return AskList(form, id, layer::LVM_GETITEMCOUNT, 0, 0);
}

int SelectedRowCount(const std::string& form, int id) {
    return AskList(form, id, layer::LVM_GETSELECTEDCOUNT, 0, 0);
}

std::vector<int> SelectedRows(const std::string& form, int id) {
    std::vector<int> rows;
    for (int row = NextSelectedRow(form, id, -1); row >= 0; row = NextSelectedRow(form, id, row)) {
        rows.push_back(row);
    }
    return rows;
}

std::vector<int> ListRows(const std::string& form, int id, bool highlightedOnly) {
    if (highlightedOnly) return SelectedRows(form, id);
    std::vector<int> rows(static_cast<std::size_t>(std::max(ListRowCount(form, id), 0)));
    for (std::size_t row = 0; row < rows.size(); ++row) rows[row] = static_cast<int>(row);
    return rows;
}

int FirstSelectedRow(const std::string& form, int id) {
    return NextSelectedRow(form, id, -1);
}

void SetRowSelected(const std::string& form, int id, int row, bool selected) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (!widget) return;
    layer::LVITEM item;
    item.mask = layer::LVIF_STATE;
    item.iItem = row;
    item.state = selected ? layer::LVIS_SELECTED : 0;
    item.stateMask = layer::LVIS_SELECTED;
    layer::ListSetItem(widget, item);
}

void ScrollRowIntoView(const std::string& form, int id, int row) {
    AskList(form, id, layer::LVM_ENSUREVISIBLE, row, 0);
}

CalendarDate PickerDate(const std::string& form, int id) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (!widget) return {};
    return layer::DatePickerDate(widget).value_or(CalendarDate{});
}

void SetPickerDate(const std::string& form, int id, CalendarDate date) {
    if (QWidget* widget = layer::ControlWidget(form, id)) layer::SetDatePickerDate(widget, date);
}

void SetPickerFormat(const std::string& form, int id, const std::string& format) {
    if (QWidget* widget = layer::ControlWidget(form, id)) {
        layer::DatePickerFormat(widget, layer::ToQ(format));
    }
}

void ClearTextSelection(const std::string& form, int id) {
    if (QWidget* widget = layer::ControlWidget(form, id)) layer::SelectInTextBox(widget, -1, -1);
}

}  // namespace gui
