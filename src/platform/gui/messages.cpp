#include "platform/gui/common_controls.h"
#include "platform/gui/layer.h"
#include "platform/gui/text_boxes.h"

namespace gui {

int EZ_SENDMESSAGER(const std::string& form, int id, int message, int wParam, int lParam) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (!widget) return 0;
    if (const std::optional<int> answer = layer::ListMessage(widget, message, wParam, lParam)) {
        return *answer;
    }
    if (message == EM_SETSEL) {
        layer::SelectInTextBox(widget, wParam, lParam);
        return 1;
    }
    return 0;
}

void EZ_SENDMESSAGE(const std::string& form, int id, int message, int wParam, int lParam) {
    EZ_SENDMESSAGER(form, id, message, wParam, lParam);
}

void EZ_SENDMESSAGE(const std::string& form, int id, int message, int, const LVITEM& item) {
    if (message != LVM_SETITEM) return;
    if (QWidget* widget = layer::ControlWidget(form, id)) layer::ListSetItem(widget, item);
}

void EZ_SENDMESSAGE(const std::string& form, int id, int message, int, SYSTEMTIME& date) {
    if (QWidget* widget = layer::ControlWidget(form, id)) {
        layer::DatePickerMessage(widget, message, date);
    }
}

void EZ_SENDMESSAGE(const std::string& form, int id, int message, int, const std::string& text) {
    if (message != DTM_SETFORMAT) return;
    if (QWidget* widget = layer::ControlWidget(form, id)) {
        layer::DatePickerFormat(widget, layer::ToQ(text));
    }
}

}  // namespace gui
