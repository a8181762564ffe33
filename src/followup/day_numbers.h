#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/clock.h"

namespace followup {

// A day as a signed count: consecutive calendar days have consecutive numbers, 0 and below
// mean "no date". Years are folded into the window 1961..2060 by their last two digits.
using DayNumber = std::int32_t;

constexpr DayNumber FirstDayOfWindow = 716241;  // 1 January 1961
constexpr DayNumber LastDayOfWindow = 752765;   // 31 December 2060

// Month lengths indexed 1..12 (index 0 unused), February as in a common year.
constexpr std::array<std::int32_t, 13> MonthLengths{0,  31, 28, 31, 30, 31, 30,
                                                    31, 31, 30, 31, 30, 31};

std::int32_t ExpandYear(std::int32_t year);
// The month lengths of the year ExpandYear makes of the given one: February has 29 days in
// a leap year.
std::array<std::int32_t, 13> YearLengths(std::int32_t year);
DayNumber DayNumberFromDate(std::int32_t month, std::int32_t day, std::int32_t year);
DayNumber DayNumberFromPickerDate(platform::CalendarDate date);
DayNumber TodayDayNumber();
// "mm/dd/yy"; empty for no date and for any number outside the window.
std::string DayNumberToText(DayNumber n);
// The calendar date of a day; nothing for no date and for any number outside the window.
std::optional<platform::CalendarDate> DayNumberToPickerDate(DayNumber n);
// " h:mm:ss am" / " h:mm:ss pm" of the local time.
std::string TimeOfDayText();

}  // namespace followup
