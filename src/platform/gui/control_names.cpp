// Names and buddies for screen readers, given once a window is built and laid out: a label
// just left of a box (or just above it) names it and lends it its access letter, a list is
// named by the label that introduces it, by its frame or by its window.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>

#include "platform/gui/accessible_names.h"
#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

constexpr char GivenName[] = "ezGivenName";  // set on a control the program named itself

bool IsBox(ControlKind kind) {
    return kind == ControlKind::Text || kind == ControlKind::MultiLineText ||
           kind == ControlKind::DatePicker || kind == ControlKind::ComboBox;
}

QString Stripped(const QString& text) {
    return ShownText(text).trimmed();
}

// A label's text as a name: without a trailing colon.
QString LabelName(const QLabel* label) {
    QString name = Stripped(label->text());
    while (name.endsWith(QLatin1Char(':'))) name.chop(1);
    return name.trimmed();
}

bool OverlapsRows(const QRect& a, const QRect& b) {
    return a.top() < b.bottom() && b.top() < a.bottom();
}

bool OverlapsColumns(const QRect& a, const QRect& b) {
    return a.left() < b.right() && b.left() < a.right();
}

// The control nearest to the left of the box on its row, or nearest above it when none is
// beside it; nullptr when there is neither. Only a label so placed names the box.
const Control* Neighbour(const Form& form, const Control& box, bool above) {
    const QRect rect = box.widget->geometry();
    const Control* nearest = nullptr;
    int nearestGap = 0;
    for (const Control& other : form.controls) {
        if (&other == &box || !other.widget || other.widget->isHidden()) continue;
        if (other.kind == ControlKind::Frame || other.kind == ControlKind::StatusBar) continue;
        const QRect near = other.widget->geometry();
        int gap = 0;
        if (above) {
            if (!OverlapsColumns(near, rect) || near.center().y() >= rect.top()) continue;
            gap = rect.top() - near.bottom();
        } else {
            if (!OverlapsRows(near, rect) || near.center().x() >= rect.left()) continue;
            if (near.center().y() < rect.top() || near.center().y() > rect.bottom()) continue;
            gap = rect.left() - near.right();
        }
        if (!nearest || gap < nearestGap) {
            nearest = &other;
            nearestGap = gap;
        }
    }
    // Something farther than two rows above names nothing.
    if (nearest && above && nearestGap > 2 * CharacterUnits().row) return nullptr;
    return nearest;
}

QLabel* NamingLabel(const Control* control) {
    if (!control || control->kind != ControlKind::Label) return nullptr;
    auto* label = qobject_cast<QLabel*>(control->widget.data());
    return label && !LabelName(label).isEmpty() ? label : nullptr;
}

void NameBox(const Form& form, const Control& box) {
    // A label naming the box beside it is not a text of its own (those are wrapped).
    QLabel* label = NamingLabel(Neighbour(form, box, false));
    if (label && label->wordWrap()) label = nullptr;
    if (!label) label = NamingLabel(Neighbour(form, box, true));
    if (label && !label->buddy()) label->setBuddy(box.widget);
    if (box.widget->property(GivenName).toBool()) return;
    if (label) {
        box.widget->setAccessibleName(LabelName(label));
    } else if (const Control* beside = Neighbour(form, box, false);
               beside && beside->kind == ControlKind::CheckBox) {
        // A box beside a check box holds what the tick switches on.
        box.widget->setAccessibleName(
            Stripped(qobject_cast<QAbstractButton*>(beside->widget.data())->text()));
    }
}

void NameList(const Form& form, const Control& list) {
    if (list.widget->property(GivenName).toBool()) return;
    // A label ending in a colon introduces what is under it.
    if (QLabel* label = NamingLabel(Neighbour(form, list, true));
        label && label->text().trimmed().endsWith(QLatin1Char(':'))) {
        list.widget->setAccessibleName(LabelName(label));
        return;
    }
    const QRect rect = list.widget->geometry();
    for (const Control& other : form.controls) {
        auto* frame = qobject_cast<QGroupBox*>(other.widget.data());
        if (frame && frame->geometry().contains(rect) && !Stripped(frame->title()).isEmpty()) {
            list.widget->setAccessibleName(Stripped(frame->title()));
            return;
        }
    }
    const auto lists = std::count_if(form.controls.begin(), form.controls.end(),
                                     [](const Control& c) { return c.kind == ControlKind::List; });
    const QString caption = form.window->windowTitle();
    list.widget->setAccessibleName(lists == 1 && !caption.isEmpty()
                                       ? caption
                                       : ListColumnTitles(list.widget).join(QStringLiteral(", ")));
}

// Qt names a button by its text without the "&" as long as it has no name of its own. Signs
// drawn from a symbol font say nothing read aloud: their tooltip says what they do.
void NameButton(const Form& form, const Control& control) {
    if (!control.wantsTooltip || control.widget->property(GivenName).toBool()) return;
    const QString tip = TooltipText(form.name, control.id);
    if (!tip.isEmpty()) control.widget->setAccessibleName(tip);
}

}  // namespace

void NameControls(Form& form) {
    for (const Control& control : form.controls) {
        if (!control.widget) continue;
        if (IsBox(control.kind)) {
            NameBox(form, control);
        } else if (control.kind == ControlKind::List) {
            NameList(form, control);
        } else if (control.kind == ControlKind::Button || control.kind == ControlKind::CheckBox ||
                   control.kind == ControlKind::Radio) {
            NameButton(form, control);
        } else if (control.kind == ControlKind::StatusBar &&
                   control.widget->accessibleName().isEmpty()) {
            control.widget->setAccessibleName(QStringLiteral("Status"));
        }
    }
}

}  // namespace layer

void SetControlName(const std::string& form, int id, const std::string& name) {
    QWidget* widget = layer::ControlWidget(form, id);
    if (!widget) return;
    widget->setAccessibleName(layer::ToQ(name));
    widget->setProperty(layer::GivenName, !name.empty());
}

}  // namespace gui
