// Any 32-bit values through every day-number conversion: a day number to its text and to the
// date picker's record and back, and a month, day and year to a day number.

#include <cstddef>
#include <cstdint>
#include <cstring>
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
    platform::SYSTEMTIME date;
    date.wYear = 1999;
    date.wMonth = 12;
    date.wDay = 31;
    followup::DayNumberToPickerDate(n, date);
    if (!IsInWindow(n)) {
        fuzzing::Require(date.wYear == 1999 && date.wMonth == 12 && date.wDay == 31,
                         "a day outside the window changed the picker's date");
        return;
    }
    fuzzing::Require(date.wMonth >= 1 && date.wMonth <= 12 && date.wDay >= 1 && date.wDay <= 31,
                     "a day became an impossible date");
    fuzzing::Require(followup::DayNumberFromDate(date.wMonth, date.wDay, date.wYear) == n,
                     "a day does not come back from its date");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    followup::InitMonthLengths();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const followup::DayNumber n = TakeInt(data, size);
    const std::int32_t month = TakeInt(data, size);
    const std::int32_t day = TakeInt(data, size);
    const std::int32_t year = TakeInt(data, size);
    CheckDayNumber(n);
    CheckDayNumber(n + (n > 0 ? -1 : 1));  // its neighbour, towards zero
    std::int32_t expanded = year;
    followup::SetYearLengths(expanded);
    followup::ExpandYear(year);
    const followup::DayNumber fromDate = followup::DayNumberFromDate(month, day, year);
    CheckDayNumber(fromDate);
    followup::InitMonthLengths();
    return 0;
}
