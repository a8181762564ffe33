#include "platform/clock.h"

#include <QDateTime>

namespace platform {

namespace {
std::function<SYSTEMTIME()>& ClockOverride() {
    static std::function<SYSTEMTIME()> clock;
    return clock;
}
}  // namespace

void GetLocalTime(SYSTEMTIME& now) {
    if (ClockOverride()) {
        now = ClockOverride()();
        return;
    }
    const QDateTime local = QDateTime::currentDateTime();
    const QDate d = local.date();
    const QTime t = local.time();
    now.wYear = static_cast<std::uint16_t>(d.year());
    now.wMonth = static_cast<std::uint16_t>(d.month());
    now.wDayOfWeek = static_cast<std::uint16_t>(d.dayOfWeek() % 7);
    now.wDay = static_cast<std::uint16_t>(d.day());
    now.wHour = static_cast<std::uint16_t>(t.hour());
    now.wMinute = static_cast<std::uint16_t>(t.minute());
    now.wSecond = static_cast<std::uint16_t>(t.second());
    now.wMilliseconds = static_cast<std::uint16_t>(t.msec());
}

CalendarDate LocalDate() {
    SYSTEMTIME now;
    GetLocalTime(now);
    return {now.wYear, now.wMonth, now.wDay};
}

QDateTime LocalDateTime() {
    SYSTEMTIME now;
    GetLocalTime(now);
    return {QDate(now.wYear, now.wMonth, now.wDay),
            QTime(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds)};
}

void SetClock(std::function<SYSTEMTIME()> clock) {
    ClockOverride() = std::move(clock);
}

}  // namespace platform
