#include "followup/day_numbers.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace followup {

namespace {

// The arithmetic constants are single-precision values carried in double precision; the
// day numbers of the whole window come out exact only with these very values.
constexpr double MonthFactor = static_cast<double>(0.4f);
constexpr double MonthOffset = static_cast<double>(2.3f);
constexpr double YearBias = static_cast<double>(0.001999f);
constexpr double EarlyYearBias = static_cast<double>(0.001f);
constexpr DayNumber BiasChangeDay = 720000;

// Rounds to six decimal places, ties to even.
double RoundSix(double value) {
    return std::nearbyint(value * 1e6) / 1e6;
}

// Days up to the given date of the four-digit year, without folding the year.
DayNumber DayNumberOfYear(std::int32_t month, std::int32_t day, std::int32_t year) {
    double n = 365.0 * year + day + 31.0 * (month - 1.0);
    if (month > 2) n -= std::floor(MonthFactor * month + MonthOffset);
    const double y = month < 3 ? year - 1.0 : year;
    n += std::floor(y / 4.0) - std::floor(0.75 * std::floor(y / 100.0 + 1.0));
    // Only an impossible month or day gets this far out; such a date has no day number.
    if (!(n >= std::numeric_limits<DayNumber>::min() &&
          n <= std::numeric_limits<DayNumber>::max())) {
        return 0;
    }
    return static_cast<DayNumber>(n);
}

bool InWindow(DayNumber n) {
    return n >= FirstDayOfWindow && n <= LastDayOfWindow;
}

// Breaks a day number of the window into its calendar date.
platform::CalendarDate SplitDayNumber(DayNumber n) {
    const double a = RoundSix(n / 365.0);
    const double b = RoundSix(a / 4.0);
    const double g = RoundSix(0.75 * a / 100.0);
    const double k = n < BiasChangeDay ? YearBias + EarlyYearBias : YearBias;
    std::int32_t year = static_cast<std::int32_t>(std::trunc((n - b + g) / 365.0 + k));
    std::int32_t day = n - DayNumberOfYear(1, 1, year) + 1;
    if (day == 0) {  // the estimate was one year high: 31 December of the year before
        year -= 1;
        day = YearLengths(year)[2] + 337;
    }
    year = ExpandYear(year);
    const std::array<std::int32_t, 13> lengths = YearLengths(year);
    std::int32_t month = 1;
    while (month < 12 && lengths[static_cast<std::size_t>(month)] < day) {
        day -= lengths[static_cast<std::size_t>(month)];
        ++month;
    }
    return {year, month, day};
}

}  // namespace

std::int32_t ExpandYear(std::int32_t year) {
    const std::int32_t y2 = year % 100;
    if (y2 >= 61 && y2 <= 99) return 1900 + y2;
    return 2000 + y2;
}

std::array<std::int32_t, 13> YearLengths(std::int32_t year) {
    year = ExpandYear(year);
    const bool leap = (year % 4 == 0) != (year % 100 == 0 && year % 400 != 0);
    std::array<std::int32_t, 13> lengths = MonthLengths;
    lengths[2] = leap ? 29 : 28;
    return lengths;
}

DayNumber DayNumberFromDate(std::int32_t month, std::int32_t day, std::int32_t year) {
    return DayNumberOfYear(month, day, ExpandYear(year));
}

DayNumber DayNumberFromPickerDate(platform::CalendarDate date) {
    return DayNumberFromDate(date.month, date.day, date.year);
}

DayNumber TodayDayNumber() {
    return DayNumberFromPickerDate(platform::LocalDate());
}

std::string DayNumberToText(DayNumber n) {
    if (!InWindow(n)) return {};
    const platform::CalendarDate date = SplitDayNumber(n);
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", date.month, date.day, date.year % 100);
    return text;
}

std::optional<platform::CalendarDate> DayNumberToPickerDate(DayNumber n) {
    if (!InWindow(n)) return std::nullopt;
    return SplitDayNumber(n);
}

std::string TimeOfDayText() {
    platform::SYSTEMTIME now;
    platform::GetLocalTime(now);
    const int h = now.wHour;
    const int shown = h == 0 ? 12 : (h > 12 ? h - 12 : h);
    char text[32];
    std::snprintf(text, sizeof text, " %d:%02d:%02d %s", shown, now.wMinute % 60, now.wSecond % 60,
                  h > 11 ? "pm" : "am");
    return text;
}

}  // namespace followup
