#include <QTest>

#include <chrono>
#include <climits>
#include <optional>

#include "followup/day_numbers.h"
#include "support/hooks.h"
#include "support/local_time.h"

using namespace followup;
using platform::SYSTEMTIME;

namespace {

std::chrono::sys_days CivilDay(int y, unsigned m, unsigned d) {
    return std::chrono::sys_days{std::chrono::year{y} / std::chrono::month{m} /
                                 std::chrono::day{d}};
}

SYSTEMTIME At(int hour, int minute, int second) {
    SYSTEMTIME t;
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 7;
    t.wHour = static_cast<std::uint16_t>(hour);
    t.wMinute = static_cast<std::uint16_t>(minute);
    t.wSecond = static_cast<std::uint16_t>(second);
    return t;
}

}  // namespace

class DayNumbersTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

private slots:
    void cleanup() { hooks_.reset(); }

    void anchorDates_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("the window opens on 1 January 1961")
            << 1 << 1 << 1961 << 716241 << "01/01/61";
        QTest::newRow("18 April 1971 is 720000") << 4 << 18 << 1971 << 720000 << "04/18/71";
        QTest::newRow("the last day of 1999") << 12 << 31 << 1999 << 730484 << "12/31/99";
        QTest::newRow("the first day of 2000") << 1 << 1 << 2000 << 730485 << "01/01/00";
        QTest::newRow("2000 is a leap year") << 2 << 29 << 2000 << 730544 << "02/29/00";
        QTest::newRow("the day after 29 February 2000") << 3 << 1 << 2000 << 730545 << "03/01/00";
        QTest::newRow("6 December 2026") << 12 << 6 << 2026 << 740321 << "12/06/26";
        QTest::newRow("29 February 2060") << 2 << 29 << 2060 << 752459 << "02/29/60";
        QTest::newRow("the window closes on 31 December 2060")
            << 12 << 31 << 2060 << 752765 << "12/31/60";
        QTest::newRow("31 December 1964 needs the year estimate stepped back")
            << 12 << 31 << 1964 << 717701 << "12/31/64";
        QTest::newRow("a two-digit year in the 1900s") << 7 << 4 << 85 << 725191 << "07/04/85";
    }
    void anchorDates() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, year);
        QFETCH(int, number);
        QFETCH(QString, text);
        QCOMPARE(DayNumberFromDate(month, day, year), number);
        QCOMPARE(QString::fromStdString(DayNumberToText(number)), text);
    }

    void yearsFoldIntoTheWindow_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("expanded");
        QTest::newRow("85 is 1985") << 85 << 1985;
        QTest::newRow("1985 stays") << 1985 << 1985;
        QTest::newRow("5 is 2005") << 5 << 2005;
        QTest::newRow("60 is 2060") << 60 << 2060;
        QTest::newRow("61 is 1961") << 61 << 1961;
        QTest::newRow("1950 folds to 2050") << 1950 << 2050;
        QTest::newRow("2075 folds to 1975") << 2075 << 1975;
    }
    void yearsFoldIntoTheWindow() {
        QFETCH(int, year);
        QFETCH(int, expanded);
        QCOMPARE(ExpandYear(year), expanded);
        QCOMPARE(DayNumberFromDate(6, 15, year), DayNumberFromDate(6, 15, expanded));
    }

    // Every day of the window, both ways, against the standard library's calendar.
    void everyDayOfTheWindowRoundTrips() {
        const auto first = CivilDay(1961, 1, 1);
        const auto last = CivilDay(2060, 12, 31);
        for (auto day = first; day <= last; day += std::chrono::days{1}) {
            const std::chrono::year_month_day ymd{day};
            const int y = static_cast<int>(ymd.year());
            const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
            const int d = static_cast<int>(static_cast<unsigned>(ymd.day()));
            const DayNumber expected =
                FirstDayOfWindow + static_cast<DayNumber>((day - first).count());

            const DayNumber n = DayNumberFromDate(m, d, y);
            if (n != expected)
                QFAIL(qPrintable(QString("%1-%2-%3 gave %4").arg(y).arg(m).arg(d).arg(n)));
            QCOMPARE(DayNumberFromDate(m, d, y % 100), expected);

            char text[16];
            std::snprintf(text, sizeof text, "%02d/%02d/%02d", m, d, y % 100);
            if (DayNumberToText(n) != text) {
                QFAIL(qPrintable(QString("%1 gave %2, not %3")
                                     .arg(n)
                                     .arg(QString::fromStdString(DayNumberToText(n)), text)));
            }

            const std::optional<platform::CalendarDate> picker = DayNumberToPickerDate(n);
            QVERIFY(picker.has_value());
            QCOMPARE(picker->year, y);
            QCOMPARE(picker->month, m);
            QCOMPARE(picker->day, d);
            QCOMPARE(DayNumberFromPickerDate(*picker), n);
        }
    }

    void theBiasChangeKeepsDaysConsecutive() {
        QCOMPARE(QString::fromStdString(DayNumberToText(719999)), QString("04/17/71"));
        QCOMPARE(QString::fromStdString(DayNumberToText(720000)), QString("04/18/71"));
    }

    // A damaged data file can hold any value; none may read past the month table or crash.
    void numbersWithoutADateGiveNothing_data() {
        QTest::addColumn<int>("number");
        QTest::newRow("zero means no date") << 0;
        QTest::newRow("a negative number") << -5;
        QTest::newRow("the smallest 32-bit value") << INT_MIN;
        QTest::newRow("the day before the window") << 716240;
        QTest::newRow("the day after the window") << 752766;
        QTest::newRow("a small positive number") << 1;
        QTest::newRow("a number far past the window") << 999999999;
        QTest::newRow("the largest 32-bit value") << INT_MAX;
    }
    void numbersWithoutADateGiveNothing() {
        QFETCH(int, number);
        QCOMPARE(DayNumberToText(number), std::string());
        QVERIFY(!DayNumberToPickerDate(number).has_value());
    }

    void todayComesFromTheLocalClock() {
        hooks_.emplace().setNow(At(9, 0, 0));
        QCOMPARE(TodayDayNumber(), DayNumberFromDate(12, 7, 2026));
    }

    void timeOfDayText_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("text");
        QTest::newRow("five seconds past midnight") << 0 << 0 << 5 << " 12:00:05 am";
        QTest::newRow("half an hour past midnight") << 0 << 30 << 15 << " 12:30:15 am";
        QTest::newRow("morning") << 9 << 5 << 0 << " 9:05:00 am";
        QTest::newRow("noon") << 12 << 0 << 0 << " 12:00:00 pm";
        QTest::newRow("one in the afternoon") << 13 << 4 << 9 << " 1:04:09 pm";
        QTest::newRow("afternoon") << 15 << 7 << 45 << " 3:07:45 pm";
        QTest::newRow("the last second of the day") << 23 << 59 << 59 << " 11:59:59 pm";
    }
    void timeOfDayText() {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(QString, text);
        hooks_.emplace().setNow(At(hour, minute, second));
        QCOMPARE(QString::fromStdString(TimeOfDayText()), text);
    }
};

QTEST_APPLESS_MAIN(DayNumbersTest)
#include "tst_day_numbers.moc"
