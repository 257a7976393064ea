// The colours of the timesheet's day titles and the painting of a day's hours.
#include <gtest/gtest.h>

#include "outputwindows/timesheet_cells.h"
#include "widgets/style.h"

namespace tabel::outputwindows {
namespace {

TEST(TimesheetCellsTest, DayTitlesAreRedOnWeekendsAndSilverBeyondTheMonth) {
    EXPECT_EQ(dayTitleColor(DayKind::Weekend), widgets::kRed);
    EXPECT_EQ(dayTitleColor(DayKind::BeyondMonth), kSilver);
    EXPECT_FALSE(dayTitleColor(DayKind::Workday).isValid());
}

TEST(TimesheetCellsTest, DayCellsArePaintedByTheirHours) {
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
}  // namespace tabel::outputwindows
