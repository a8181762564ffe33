#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace followup {

// A day as a signed count: consecutive calendar days have consecutive numbers, 0 and below
// mean "no date". Years are folded into the window 1961..2060 by their last two digits.
using DayNumber = std::int32_t;

constexpr DayNumber FirstDayOfWindow = 716241;  // 1 January 1961
constexpr DayNumber LastDayOfWindow = 752765;   // 31 December 2060

// Month lengths indexed 1..12 (index 0 unused); February follows the latest year converted.
extern std::array<std::int32_t, 13> MonthLengths;

// Fills MonthLengths: 31 for every month, 30 for April, June, September, November, 28 for
// February.
void InitMonthLengths();

std::int32_t ExpandYear(std::int32_t year);
// Replaces year by its four-digit form and sets February's length for it.
void SetYearLengths(std::int32_t& year);
DayNumber DayNumberFromDate(std::int32_t month, std::int32_t day, std::int32_t year);
DayNumber TodayDayNumber();
// "mm/dd/yy"; empty for no date and for any number outside the window.
std::string DayNumberToText(DayNumber n);
// Writes wYear, wMonth and wDay; leaves the record unchanged for no date and for any number
// outside the window.
void DayNumberToPickerDate(DayNumber n, platform::SYSTEMTIME& pickerDate);
// " h:mm:ss am" / " h:mm:ss pm" of the local time.
std::string TimeOfDayText();

}  // namespace followup
