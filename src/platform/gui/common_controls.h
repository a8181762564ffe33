#pragma once

// The two common controls made through EZ_CONTROLEX: the date picker and the status bar.

#include <QString>

#include <optional>

#include "platform/gui/ez.h"

class QWidget;

namespace gui::layer {

QWidget* MakeDatePicker();
// The date a picker shows; nothing when the widget is no date picker.
std::optional<CalendarDate> DatePickerDate(QWidget* widget);
// Shows the date; false when the widget is no date picker or the date is impossible.
bool SetDatePickerDate(QWidget* widget, CalendarDate date);
bool DatePickerFormat(QWidget* widget, const QString& format);

QWidget* MakeStatusBar();

}  // namespace gui::layer
