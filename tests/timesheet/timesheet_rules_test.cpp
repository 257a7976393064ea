// The year list the month choices offer and the kind of every day column.
#include <gtest/gtest.h>

#include "core/dates.h"
#include "timesheet/timesheet_rules.h"

namespace tabel::timesheet {
namespace {

TEST(TimesheetRulesTest, YearsRunFrom2007ToNextYearAndAlwaysHoldTheWorkingYear) {
    const auto range = [](int from, int to) {
        QStringList years;
        for (int y = from; y <= to; ++y) {
            years.append(QString::number(y));
        }
        return years;
    };
    const struct {
        int current;
        int working;
        QStringList expected;
    } cases[] = {
        {2026, 2026, range(2007, 2027)},
        {2026, 2027, range(2007, 2027)},
        {2026, 2007, range(2007, 2027)},
        {2026, 2031, range(2007, 2027) + QStringList{"2031"}},
        {2026, 2005, QStringList{"2005"} + range(2007, 2027)},
        {2040, 2040, range(2007, 2041)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::yearItems(c.current, c.working), c.expected)
            << c.current << ' ' << c.working;
    }
}

TEST(TimesheetRulesTest, DayColumnsKnowWeekendsAndDaysBeyondTheMonth) {
    const struct {
        int year;
        int month;
        QList<int> weekends;
        int firstBeyond;  // 32: every column is a day of the month
    } cases[] = {
        {2024, 2, {3, 4, 10, 11, 17, 18, 24, 25}, 30},        // leap February
        {2026, 2, {1, 7, 8, 14, 15, 21, 22, 28}, 29},         // common February
        {2026, 8, {1, 2, 8, 9, 15, 16, 22, 23, 29, 30}, 32},  // begins on a Saturday
        {2026, 3, {1, 7, 8, 14, 15, 21, 22, 28, 29}, 32},
        {2026, 4, {4, 5, 11, 12, 18, 19, 25, 26}, 31},
    };
    for (const auto& c : cases) {
        for (int day = 1; day <= 31; ++day) {
            const DayKind expected = day >= c.firstBeyond       ? DayKind::BeyondMonth
                                     : c.weekends.contains(day) ? DayKind::Weekend
                                                                : DayKind::Workday;
            EXPECT_EQ(dayKind(c.year, c.month, day), expected)
                << c.year << '-' << c.month << '-' << day;
        }
    }
}

}  // namespace
}  // namespace tabel::timesheet
