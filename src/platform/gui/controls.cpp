#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "platform/gui/form_window.h"
#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

QString ControlText(const std::string& text) {
    const QString shown = ToQ(text);
    return CurrentFontIsSymbol() ? SymbolText(shown) : shown;
}

template <typename Button>
Button* MakeButton(const std::string& text) {
    auto* button = new Button(ControlText(text));
    button->setFont(CurrentFont());
    return button;
}

void ConnectClick(QAbstractButton* button) {
    // `clicked` comes from the person only (mouse, keyboard, mnemonic), never from setChecked.
    QObject::connect(button, &QAbstractButton::clicked, button, [button] {
        const Owner owner = OwnerOf(button);
        if (owner.found) Raise(owner.form, owner.id, EV_CLICK, 0);
    });
}

QButtonGroup* RadioGroup(Form& form, bool startsGroup) {
    if (startsGroup || !form.radioGroup) {
        form.radioGroup = new QButtonGroup(static_cast<QWidget*>(form.window.data()));
        form.radioGroup->setExclusive(true);
    }
    return form.radioGroup;
}

}  // namespace

}  // namespace layer

void EZ_BUTTON(int id, double column, double row, double width, double height,
               const std::string& text, const std::string&) {
    auto* button = layer::MakeButton<QPushButton>(text);
    button->setAutoDefault(false);
    if (layer::AddControl(layer::ControlKind::Button, id, button, column, row, width, height)) {
        layer::ConnectClick(button);
    }
}

void EZ_CHECKBOX(int id, double column, double row, double width, double height,
                 const std::string& text, const std::string&) {
    auto* box = layer::MakeButton<QCheckBox>(text);
    if (layer::AddControl(layer::ControlKind::CheckBox, id, box, column, row, width, height)) {
        layer::ConnectClick(box);
    }
}

void EZ_RADIO(int id, double column, double row, double width, double height,
              const std::string& text, const std::string& style) {
    auto* radio = layer::MakeButton<QRadioButton>(text);
    const bool startsGroup = layer::ToQ(style).toUpper().contains(QLatin1Char('G'));
    if (layer::AddControl(layer::ControlKind::Radio, id, radio, column, row, width, height)) {
        layer::RadioGroup(*layer::DesignForm(), startsGroup)->addButton(radio);
        layer::ConnectClick(radio);
    }
}

void EZ_LABEL(int id, double column, double row, double width, double height,
              const std::string& text, const std::string& style) {
    auto* label = new QLabel(layer::ControlText(text));
    label->setFont(layer::CurrentFont());
    label->setTextFormat(Qt::PlainText);
    if (style.find('L') != std::string::npos) {
        // A text of its own, such as a window's explanation: read from the left, wrapped.
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
    } else {
        // Labels name the box to their right, so their text leans towards it.
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    layer::AddControl(layer::ControlKind::Label, id, label, column, row, width, height);
}

void EZ_FRAME(int id, double column, double row, double width, double height,
              const std::string& text, const std::string&) {
    auto* frame = new QGroupBox(layer::ControlText(text));
    frame->setFont(layer::CurrentFont());
    frame->setFocusPolicy(Qt::NoFocus);
    // The frame is drawn behind the controls inside it and never takes their clicks.
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (layer::AddControl(layer::ControlKind::Frame, id, frame, column, row, width, height)) {
        frame->lower();
    }
}

void EZ_ENABLEC(const std::string& form, int id) {
    if (QWidget* widget = layer::ControlWidget(form, id)) widget->setEnabled(true);
}

void EZ_DISABLEC(const std::string& form, int id) {
    if (QWidget* widget = layer::ControlWidget(form, id)) widget->setEnabled(false);
}

void EZ_SETFOCUS(const std::string& form, int id) {
    if (QWidget* widget = layer::ControlWidget(form, id)) widget->setFocus(Qt::OtherFocusReason);
}

void EZ_HIDEC(const std::string& form, int firstId, int lastId) {
    layer::Form* owner = layer::FindForm(form);
    if (!owner) return;
    for (const layer::Control& control : owner->controls) {
        if (control.widget && control.id >= firstId && control.id <= lastId) {
            control.widget->hide();
        }
    }
}

void EZ_SETCHECK(const std::string& form, int id, int checked) {
    auto* button = qobject_cast<QAbstractButton*>(layer::ControlWidget(form, id));
    if (button && button->isCheckable()) button->setChecked(checked != 0);
}

int EZ_GETCHECK(const std::string& form, int id) {
    auto* button = qobject_cast<QAbstractButton*>(layer::ControlWidget(form, id));
    return button && button->isChecked() ? 1 : 0;
}

void EZ_ADDTOOLTIP(const std::string& form, int id) {
    if (layer::Control* control = layer::FindControl(form, id)) control->wantsTooltip = true;
}

}  // namespace gui
