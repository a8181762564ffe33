#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// The calendar record the date pickers exchange; only wYear, wMonth and wDay carry meaning
// for the program, the rest is passed along untouched.
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

// The local date and time of day.
void GetLocalTime(SYSTEMTIME& now);

// Replaces the local clock, so that a run can be placed on any day and time; an empty
// function restores the real clock.
void SetClock(std::function<SYSTEMTIME()> clock);

}  // namespace platform
