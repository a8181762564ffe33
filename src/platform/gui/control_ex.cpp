#include "platform/gui/common_controls.h"
#include "platform/gui/layer.h"

namespace gui {

void EZ_CONTROLEX(const std::string& form, int id, double column, double row, double width,
                  double height, const std::string& className, const std::string&,
                  std::uint32_t windowStyle, std::uint32_t) {
    // Controls go onto the window being built; a named window that is open takes them too.
    layer::Form* target = layer::TargetForm(form);
    if (!target) return;
    const QString kind = layer::ToQ(className);
    QWidget* widget = nullptr;
    layer::ControlKind controlKind = layer::ControlKind::Label;
    if (kind.compare(QLatin1String("SysDateTimePick32"), Qt::CaseInsensitive) == 0) {
        widget = layer::MakeDatePicker();
        controlKind = layer::ControlKind::DatePicker;
    } else if (kind.compare(QLatin1String("MSCTLS_STATUSBAR32"), Qt::CaseInsensitive) == 0) {
        widget = layer::MakeStatusBar();
        controlKind = layer::ControlKind::StatusBar;
    }
    if (!widget) return;
    if ((windowStyle & WS_TABSTOP) == 0 && controlKind != layer::ControlKind::StatusBar &&
        windowStyle != 0) {
        widget->setFocusPolicy(Qt::ClickFocus);
    }
    layer::PushDesign(target->name);
    layer::AddControl(controlKind, id, widget, column, row, width, height);
    layer::PopDesign();
    if (windowStyle != 0 && (windowStyle & WS_VISIBLE) == 0) widget->hide();
}

}  // namespace gui
