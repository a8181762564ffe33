#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace testing {

// A local date and time, for placing a run on a given day with Hooks::setNow.
inline platform::SYSTEMTIME LocalTime(int year, int month, int day, int hour = 0, int minute = 0,
                                      int second = 0) {
    platform::SYSTEMTIME t;
    t.wYear = static_cast<std::uint16_t>(year);
    t.wMonth = static_cast<std::uint16_t>(month);
    t.wDay = static_cast<std::uint16_t>(day);
    t.wHour = static_cast<std::uint16_t>(hour);
    t.wMinute = static_cast<std::uint16_t>(minute);
    t.wSecond = static_cast<std::uint16_t>(second);
    return t;
}

}  // namespace testing
