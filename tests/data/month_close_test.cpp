// The words about closed months, from the closes as the server keeps them.
#include <gtest/gtest.h>

#include "data/month_close.h"

namespace tabel::data {
namespace {

MonthClose closed(int year, int month, const QString& at, int unaccepted = 0) {
    return {year, month, QDateTime::fromString(at, QStringLiteral("yyyy-MM-dd HH:mm")),
            QStringLiteral("econom"), unaccepted};
}

TEST(MonthCloseTest, ReportMarkSaysClosedOnlyWhenEveryMonthOfThePeriodIs) {
    const QList<MonthClose> closes{closed(2026, 10, "2026-11-04 09:00"),
                                   closed(2026, 11, "2026-12-05 16:30", 12),
                                   closed(2027, 1, "2027-02-03 08:00", 1)};
    const struct {
        QDate from;
        QDate to;  // the day after the last
        QString mark;
    } cases[] = {
        {{2026, 11, 1}, {2026, 12, 1}, "Месяц закрыт 05.12.2026, непринятых позиций: 12"},
        {{2026, 11, 10}, {2026, 11, 20}, "Месяц закрыт 05.12.2026, непринятых позиций: 12"},
        {{2026, 10, 1}, {2026, 11, 1}, "Месяц закрыт 04.11.2026"},
        // Both closed: the later close, the entries left of both.
        {{2026, 10, 1}, {2026, 12, 1}, "Месяц закрыт 05.12.2026, непринятых позиций: 12"},
        {{2026, 10, 15}, {2026, 11, 2}, "Месяц закрыт 05.12.2026, непринятых позиций: 12"},
        // December is open: the whole report is preliminary.
        {{2026, 11, 1}, {2026, 12, 2}, "Предварительный"},
        {{2026, 11, 1}, {2027, 2, 1}, "Предварительный"},
        {{2026, 9, 30}, {2026, 11, 1}, "Предварительный"},
        {{2027, 1, 1}, {2027, 2, 1}, "Месяц закрыт 03.02.2027, непринятых позиций: 1"},
        // Nothing to print from an empty or reversed period.
        {{2026, 11, 1}, {2026, 11, 1}, "Предварительный"},
        {{2026, 11, 5}, {2026, 11, 1}, "Предварительный"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(periodMark(closes, c.from, c.to), c.mark)
            << c.from.toString(Qt::ISODate).toStdString() << " "
            << c.to.toString(Qt::ISODate).toStdString();
    }
    EXPECT_EQ(periodMark({}, {2026, 11, 1}, {2026, 12, 1}), "Предварительный");
}

TEST(MonthCloseTest, UnacceptedSentenceCountsTheEntriesPerDay) {
    const struct {
        QList<UnacceptedDay> days;
        QString sentence;
    } cases[] = {
        {{{{2026, 11, 3}, 4}, {{2026, 11, 17}, 8}},
         "В месяце 11.2026 не приняты 12 позиций: 03.11 (4), 17.11 (8)"},
        {{{{2026, 11, 3}, 1}}, "В месяце 11.2026 не принята 1 позиция: 03.11 (1)"},
        {{{{2026, 11, 3}, 2}, {{2026, 11, 4}, 1}},
         "В месяце 11.2026 не приняты 3 позиции: 03.11 (2), 04.11 (1)"},
        {{{{2026, 11, 3}, 11}}, "В месяце 11.2026 не приняты 11 позиций: 03.11 (11)"},
        {{{{2026, 11, 3}, 21}}, "В месяце 11.2026 не принята 21 позиция: 03.11 (21)"},
        {{}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unacceptedSentence(2026, 11, c.days), c.sentence);
    }
}

TEST(MonthCloseTest, ClosedStatusNamesTheDayAndTheLogin) {
    EXPECT_EQ(closedStatus(closed(2026, 11, "2026-12-05 16:30")),
              "Месяц закрыт 05.12.2026 (econom)");
    EXPECT_EQ(monthText(2026, 3), "03.2026");
}

}  // namespace
}  // namespace tabel::data
