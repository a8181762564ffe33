// Character units come from the main font, but the texts of a window may need more room than
// its designer gave them, above all in a face other than the one it was drawn for. Controls
// grow here until their texts show whole, and the window grows with them.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/gui/layer.h"

namespace gui::layer {

namespace {

int TextHeight(const QWidget* widget) {
    return int(std::ceil(QFontMetricsF(widget->font()).height()));
}

int FrameWidth() {
    return QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
}

// The height a framed single-line control needs to show its text unclipped.
int BoxHeight(const QWidget* widget) {
    return TextHeight(widget) + 2 * FrameWidth() + 2;
}

}  // namespace

QString ShownText(QString text) {
    text.replace(QLatin1String("&&"), QString(QChar(0x1)));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(0x1), QLatin1Char('&'));
    return text;
}

int TickedCaptionWidth(const QAbstractButton* button) {
    const QStyle* style = button->style();
    const bool radio = button->inherits("QRadioButton");
    const int indicator =
        style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth);
    const int spacing = style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing
                                                 : QStyle::PM_CheckBoxLabelSpacing);
    return indicator + spacing +
           QFontMetrics(button->font()).horizontalAdvance(ShownText(button->text()));
}

namespace {

// The width a drop-down needs to show each of its choices whole, as its style draws it.
int ComboWidth(const QComboBox* combo) {
    const QFontMetrics metrics(combo->font());
    int widest = 0;
    for (int index = 0; index < combo->count(); ++index) {
        widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(index)));
    }
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    return combo->style()
        ->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widest, metrics.height()), combo)
        .width();
}

void GrowHeightAroundCentre(QRect& rect, int height) {
    if (rect.height() >= height) return;
    const int centre = rect.top() + rect.height() / 2;
    rect.setTop(centre - height / 2);
    rect.setHeight(height);
}

void GrowWidthAroundCentre(QRect& rect, int width) {
    if (rect.width() >= width) return;
    const int extra = width - rect.width();
    rect.setLeft(rect.left() - extra / 2);
    rect.setWidth(width);
}

QRect Fitted(const Control& control) {
    QWidget* widget = control.widget;
    QRect rect = widget->geometry();
    switch (control.kind) {
        case ControlKind::Label: {
            // A text that wraps needs its lines' height at the width it was given.
            const auto* label = static_cast<QLabel*>(widget);
            GrowHeightAroundCentre(rect, label->wordWrap() && !label->text().isEmpty()
                                             ? label->heightForWidth(rect.width())
                                             : TextHeight(widget));
            break;
        }
        case ControlKind::Button: {
            const auto* button = static_cast<QAbstractButton*>(widget);
            const QStyle* style = widget->style();
            // A single sign (the arrow buttons) needs no room for a caption's margins.
            const bool sign = ShownText(button->text()).size() <= 1;
            const int padding =
                sign ? 2 * FrameWidth() + 4
                     : 2 * (style->pixelMetric(QStyle::PM_ButtonMargin) + FrameWidth());
            const int width =
                QFontMetrics(widget->font()).horizontalAdvance(ShownText(button->text())) +
                padding + 2;
            GrowWidthAroundCentre(rect, width);
            GrowHeightAroundCentre(rect, BoxHeight(widget));
            break;
        }
        case ControlKind::CheckBox:
        case ControlKind::Radio: {
            // Room for the tick mark, the space after it and the caption, and no more: the
            // style's size hint adds a margin the tighter windows have no room for.
            const auto* button = static_cast<QAbstractButton*>(widget);
            rect.setWidth(std::max(rect.width(), TickedCaptionWidth(button)));
            const int indicator = widget->style()->pixelMetric(QStyle::PM_IndicatorHeight);
            GrowHeightAroundCentre(rect, std::max(TextHeight(widget), indicator) + 2);
            break;
        }
        case ControlKind::Text:
            GrowHeightAroundCentre(rect, BoxHeight(widget));
            break;
        case ControlKind::DatePicker:
            // The style's arrows and frame may leave a date less room than a text box's.
            rect.setWidth(std::max(rect.width(), widget->sizeHint().width()));
            GrowHeightAroundCentre(rect,
                                   std::max(BoxHeight(widget), widget->minimumSizeHint().height()));
            break;
        case ControlKind::ComboBox:
            // Room for the longest choice beside the drop-down arrow; it grows to the right,
            // away from the label on its left. The style's arrow and frame may need more than
            // a text box's height.
            rect.setWidth(std::max(rect.width(), ComboWidth(static_cast<QComboBox*>(widget))));
            GrowHeightAroundCentre(rect,
                                   std::max(BoxHeight(widget), widget->minimumSizeHint().height()));
            break;
        case ControlKind::Frame:
        case ControlKind::List:
        case ControlKind::MultiLineText:
        case ControlKind::StatusBar:
            break;
    }
    return rect;
}

bool SharesLine(const QRect& a, const QRect& b) {
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

struct Room {
    int left = std::numeric_limits<int>::min();   // first free pixel after the control on the left
    int right = std::numeric_limits<int>::max();  // the left edge of the control on the right
};

// The room on the control's line between its neighbours (frames and status bars aside).
Room RoomOnLine(const Form& form, const Control& control, const QRect& rect) {
    Room room;
    for (const Control& other : form.controls) {
        if (&other == &control || !other.widget || other.kind == ControlKind::Frame ||
            other.kind == ControlKind::StatusBar) {
            continue;
        }
        const QRect near = other.widget->geometry();
        if (!SharesLine(near, rect)) continue;
        if (near.center().x() < rect.center().x()) {
            room.left = std::max(room.left, near.right() + 1);
        } else {
            room.right = std::min(room.right, near.left());
        }
    }
    return room;
}

// Labels stand just left of their boxes, so a label too narrow for its text grows to the
// left, keeping its right edge; where a control on its left stands in the way, it slides
// right into whatever room is left before the next control.
void WidenLabel(const Form& form, const Control& label) {
    QRect rect = label.widget->geometry();
    const auto* text = static_cast<QLabel*>(label.widget.data());
    // A text of its own wraps within the width it was given.
    if (text->wordWrap()) return;
    const int width = std::max(label.widget->sizeHint().width(),
                               QFontMetrics(text->font()).horizontalAdvance(text->text()));
    if (rect.width() >= width) return;
    const Room room = RoomOnLine(form, label, rect);
    int right = rect.right() + 1;
    int left = right - width;
    if (left <= room.left) {
        // A pixel of air on the left when the room allows it.
        left = room.left + (room.right - room.left > width ? 1 : 0);
        right = std::max(right, std::min(left + width, room.right));
    }
    rect.setLeft(left);
    rect.setRight(right - 1);
    label.widget->setGeometry(rect);
}

// A tick box grows to the right for its caption; where that runs it into the control on its
// right, it moves left into the room on that side.
void KeepTickedClear(const Form& form, const Control& ticked) {
    QRect rect = ticked.widget->geometry();
    const Room room = RoomOnLine(form, ticked, rect);
    const int overlap = rect.right() + 1 - room.right;
    if (overlap <= 0) return;
    const int free =
        room.left == std::numeric_limits<int>::min() ? rect.left() : rect.left() - room.left;
    rect.translate(-std::min(overlap, std::max(0, free)), 0);
    ticked.widget->setGeometry(rect);
}

// A frame keeps around it whatever was drawn inside it, and room for its title.
void FitFrame(Form& form, const Control& frame, const Units& units) {
    QRect rect = frame.widget->geometry();
    const int marginX = int(std::lround(units.column));
    const int marginY = int(std::lround(units.row * 0.5));
    for (const Control& inner : form.controls) {
        if (&inner == &frame || !inner.widget || inner.kind == ControlKind::StatusBar) continue;
        if (!frame.designed.contains(inner.designed)) continue;
        QRect need = inner.widget->geometry().adjusted(-marginX, 0, marginX, marginY);
        need.setTop(rect.top());
        rect = rect.united(need);
    }
    const auto* box = static_cast<QGroupBox*>(frame.widget.data());
    const int titleWidth =
        QFontMetrics(box->font()).horizontalAdvance(ShownText(box->title())) + 4 * marginX;
    rect.setWidth(std::max(rect.width(), titleWidth));
    frame.widget->setGeometry(rect);

    // Controls drawn exactly as wide as the frame, such as a column of buttons under it,
    // stay as wide as the frame.
    for (const Control& other : form.controls) {
        if (&other == &frame || !other.widget) continue;
        if (other.designed.left() != frame.designed.left() ||
            other.designed.right() != frame.designed.right()) {
            continue;
        }
        QRect follower = other.widget->geometry();
        follower.setLeft(std::min(follower.left(), rect.left()));
        follower.setRight(std::max(follower.right(), rect.right()));
        other.widget->setGeometry(follower);
    }
}

}  // namespace

void FitControls(Form& form, QSize& clientSize) {
    const Units units = CharacterUnits();
    const int designedWidth = clientSize.width();
    for (const Control& control : form.controls) {
        if (control.widget) control.widget->setGeometry(Fitted(control));
    }
    for (const Control& control : form.controls) {
        if (control.widget && control.kind == ControlKind::Label) WidenLabel(form, control);
    }
    for (const Control& control : form.controls) {
        if (control.widget &&
            (control.kind == ControlKind::CheckBox || control.kind == ControlKind::Radio)) {
            KeepTickedClear(form, control);
        }
    }
    for (const Control& control : form.controls) {
        if (control.widget && control.kind == ControlKind::Frame) FitFrame(form, control, units);
    }

    const int margin = int(std::lround(units.column));
    int left = clientSize.width();
    int right = 0;
    int bottom = 0;
    bool statusBar = false;
    for (const Control& control : form.controls) {
        if (!control.widget) continue;
        if (control.kind == ControlKind::StatusBar) {
            statusBar = true;
            continue;
        }
        const QRect rect = control.widget->geometry();
        left = std::min(left, rect.left());
        right = std::max(right, rect.right() + 1);
        bottom = std::max(bottom, rect.bottom() + 1);
    }
    if (right == 0) return;  // nothing placed

    // A control pushed past the left edge takes everything with it to the right.
    if (left < margin) {
        const int shift = margin - left;
        for (const Control& control : form.controls) {
            if (control.widget && control.kind != ControlKind::StatusBar) {
                control.widget->move(control.widget->pos() + QPoint(shift, 0));
            }
        }
        right += shift;
        clientSize.setWidth(clientSize.width() + shift);
    }
    // A window that grows keeps the right margin it was drawn with.
    int designedRight = 0;
    for (const Control& control : form.controls) {
        if (control.widget && control.kind != ControlKind::StatusBar) {
            designedRight = std::max(designedRight, control.designed.right() + 1);
        }
    }
    const int rightMargin = std::max(margin, designedWidth - designedRight);
    clientSize.setWidth(std::max(clientSize.width(), right + rightMargin));

    int needHeight = bottom + int(std::lround(units.row * 0.5));
    if (statusBar) {
        for (const Control& control : form.controls) {
            if (control.widget && control.kind == ControlKind::StatusBar) {
                needHeight = bottom + 4 + control.widget->sizeHint().height();
            }
        }
    }
    clientSize.setHeight(std::max(clientSize.height(), needHeight));
}

}  // namespace gui::layer
