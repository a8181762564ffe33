#pragma once

// The two common controls made through EZ_CONTROLEX: the date picker and the status bar.

#include <QString>

#include "platform/gui/ez.h"

class QWidget;

namespace gui::layer {

QWidget* MakeDatePicker();
// DTM_GETSYSTEMTIME and DTM_SETSYSTEMTIME; false when the widget is no date picker.
bool DatePickerMessage(QWidget* widget, int message, SYSTEMTIME& date);
bool DatePickerFormat(QWidget* widget, const QString& format);

QWidget* MakeStatusBar();

}  // namespace gui::layer
