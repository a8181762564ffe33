#pragma once

#include <cstdint>
#include <functional>

#include <QDateTime>

namespace platform {

// The local clock's reading, a calendar day and a time of day.
struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// A calendar day: a four-digit year, a month 1..12 and a day 1..31; all 0 for none.
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The local date and time of day.
void GetLocalTime(SYSTEMTIME& now);
// The local calendar day.
CalendarDate LocalDate();

// The local date and time of day as Qt keeps them.
QDateTime LocalDateTime();

// Replaces the local clock, so that a run can be placed on any day and time; an empty
// function restores the real clock.
void SetClock(std::function<SYSTEMTIME()> clock);

}  // namespace platform
