// Years, day columns and the painting of a day's hours.
#include <gtest/gtest.h>

#include "timesheet/timesheet_rules.h"
#include "widgets/style.h"

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
        EXPECT_EQ(yearItems(c.current, c.working), c.expected) << c.current << ' ' << c.working;
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
    EXPECT_EQ(dayTitleColor(DayKind::Weekend), widgets::kRed);
    EXPECT_EQ(dayTitleColor(DayKind::BeyondMonth), kSilver);
    EXPECT_FALSE(dayTitleColor(DayKind::Workday).isValid());
}

TEST(TimesheetRulesTest, DayCellsArePaintedByTheirHours) {
    const QColor standard;
    const QColor window = dayCellStyle(DayKind::BeyondMonth, 5).color;
    ASSERT_TRUE(window.isValid());
    const struct {
        DayKind kind;
        int hours;
        bool bold;
        QColor color;
        QColor background;
    } cases[] = {
        {DayKind::Workday, 0, false, kSilver, standard},
        {DayKind::Weekend, 0, false, widgets::kRed, standard},
        {DayKind::BeyondMonth, 0, false, window, standard},
        {DayKind::Workday, 8, true, standard, standard},
        {DayKind::Weekend, 8, true, widgets::kRed, standard},
        {DayKind::BeyondMonth, 8, true, standard, standard},
        {DayKind::Workday, 10, true, standard, kMoneyGreen},
        {DayKind::Weekend, 10, true, widgets::kRed, kMoneyGreen},
        {DayKind::Workday, 5, false, standard, standard},
        {DayKind::Weekend, 5, false, widgets::kRed, standard},
        {DayKind::Workday, -2, false, standard, standard},
    };
    for (const auto& c : cases) {
        const widgets::CellStyle style = dayCellStyle(c.kind, c.hours);
        EXPECT_EQ(style.bold, c.bold) << int(c.kind) << ' ' << c.hours;
        EXPECT_EQ(style.color, c.color) << int(c.kind) << ' ' << c.hours;
        EXPECT_EQ(style.background, c.background) << int(c.kind) << ' ' << c.hours;
    }
}

}  // namespace
}  // namespace tabel::timesheet
