// Any 32-bit values through every day-number conversion: a day number to its text and to the
// date picker's date and back, and a month, day and year to a day number.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "followup/day_numbers.h"
#include "fuzz_program.h"
#include "platform/clock.h"

namespace {

std::int32_t TakeInt(const std::uint8_t*& data, std::size_t& size) {
    std::int32_t value = 0;
    const std::size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

bool IsInWindow(followup::DayNumber n) {
    return n >= followup::FirstDayOfWindow && n <= followup::LastDayOfWindow;
}

void CheckDayNumber(followup::DayNumber n) {
    const std::string text = followup::DayNumberToText(n);
    fuzzing::Require(text.empty() == !IsInWindow(n), "a day's text is missing or made up");
    if (!text.empty()) {
        fuzzing::Require(text.size() == 8 && text[2] == '/' && text[5] == '/',
                         "a day's text is not mm/dd/yy");
    }
    const std::optional<platform::CalendarDate> picked = followup::DayNumberToPickerDate(n);
    if (!IsInWindow(n)) {
        fuzzing::Require(!picked, "a day outside the window gave the picker a date");
        return;
    }
    fuzzing::Require(picked.has_value(), "a day of the window gave the picker no date");
    const platform::CalendarDate date = *picked;
    fuzzing::Require(date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 31,
                     "a day became an impossible date");
    fuzzing::Require(followup::DayNumberFromPickerDate(date) == n,
                     "a day does not come back from its date");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const followup::DayNumber n = TakeInt(data, size);
    const std::int32_t month = TakeInt(data, size);
    const std::int32_t day = TakeInt(data, size);
    const std::int32_t year = TakeInt(data, size);
    CheckDayNumber(n);
    CheckDayNumber(n + (n > 0 ? -1 : 1));  // its neighbour, towards zero
    const std::int32_t february = followup::YearLengths(year)[2];
    fuzzing::Require(february == 28 || february == 29, "a year's February is impossible");
    followup::ExpandYear(year);
    const followup::DayNumber fromDate = followup::DayNumberFromDate(month, day, year);
    CheckDayNumber(fromDate);
    return 0;
}
