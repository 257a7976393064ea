// The hours timesheet window follows the hours of its month that another session commits,
// without "Обновить": only the rows of the workers named are re-read, the current row stays.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include "data/notifications.h"
#include "data/session.h"
#include "eventually.h"
#include "modal.h"
#include "outputwindows/timesheet_window.h"
#include "shown_lists.h"
#include "test_db.h"
#include "widgets/data_grid.h"

namespace tabel::outputwindows {
namespace {

// A change reaches the window within 2 s; the test waits longer so that a busy machine does
// not fail it (the benchmark measures the delay).
constexpr int kWaitMs = 8000;

class TimesheetLiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(session.connection);
        session.changes.start(session.connection.connectionString());
        EXPECT_SOON(session.changes.isLive(), kWaitMs);
    }

    static int rowOf(data::Dataset& page, int worker) {
        const int column = page.fieldIndex(QStringLiteral("w_id"));
        for (int row = 0; row < page.recordCount(); ++row) {
            if (page.valueAt(row, column).toInt() == worker) {
                return row;
            }
        }
        return -1;
    }
    // The month's total of `worker` on `page`; -1 when the worker has no row there.
    static int total(data::Dataset& page, int worker) {
        const int row = rowOf(page, worker);
        return row < 0 ? -1 : page.valueAt(row, page.fieldIndex(QStringLiteral("summ"))).toInt();
    }

    data::Session session;
    TimesheetWindow window{session};
};

TEST_F(TimesheetLiveTest, HoursCommittedElsewhereAppearInTheMonthShown) {
    data::Dataset& shift1 = test::listShownBy(window, QStringLiteral("shift1Grid"));
    data::Dataset& shift2 = test::listShownBy(window, QStringLiteral("shift2Grid"));
    auto* shift1Grid = window.findChild<widgets::DataGrid*>(QStringLiteral("shift1Grid"));
    ASSERT_NE(shift1Grid, nullptr);
    int currentWorker = 0;
    int scrolled = -1;
    int scrolledBefore = -2;
    int otherMonthRows = -1;
    test::whenShown(&window, [&] {
        shift1.setCurrentRow(rowOf(shift1, 104));
        scrolledBefore = shift1Grid->verticalScrollBar()->value();
        const int shift1Rows = shift1.recordCount();

        // One row changed by plain SQL: that row follows, the others and the current stay.
        test::adminExec(
            QStringLiteral("UPDATE accounts_dep.h_tabel SET d5 = 4 "
                           "WHERE w_id = 103 AND smena = 1 AND month = 3 AND year = 2026"));
        EXPECT_SOON_EQ(total(shift1, 103), 12, kWaitMs);
        EXPECT_EQ(shift1.recordCount(), shift1Rows);

        // Another page of the month: a new worker's row in shift 2.
        test::adminExec(
            QStringLiteral("INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d6) "
                           "VALUES (105, 2, 3, 2026, 7)"));
        EXPECT_SOON_EQ(total(shift2, 105), 7, kWaitMs);

        // A month rebuild by another session replaces every row from the entries: an entry
        // of 6 h written meanwhile shows, the hand-made 4 h are gone.
        test::adminExec(
            QStringLiteral("INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, time) "
                           "VALUES ('2026-03-05', 1, 105, 1, 1, 6); "
                           "SELECT accounts_dep.h_tabel_rebuild(3, 2026)"));
        EXPECT_SOON_EQ(total(shift1, 105), 14, kWaitMs);
        EXPECT_SOON_EQ(total(shift1, 103), 8, kWaitMs);
        EXPECT_SOON_EQ(total(shift2, 105), -1, kWaitMs);

        // Another month's hours leave the shown one alone.
        const int before = shift1.recordCount();
        test::adminExec(
            QStringLiteral("INSERT INTO accounts_dep.h_tabel (w_id, smena, month, year, d1) "
                           "VALUES (106, 1, 4, 2026, 8)"));
        QTest::qWait(2 * data::ChangeFeed::kBatchMs + 500);
        otherMonthRows = shift1.recordCount() - before;

        currentWorker = shift1.field(QStringLiteral("w_id")).asInteger();
        scrolled = shift1Grid->verticalScrollBar()->value();
        window.reject();
    });
    window.openForMonth(QDate(2026, 3, 2));
    EXPECT_EQ(currentWorker, 104) << "the current row moved";
    EXPECT_EQ(scrolled, scrolledBefore) << "the page scrolled away";
    EXPECT_EQ(otherMonthRows, 0);
}

}  // namespace
}  // namespace tabel::outputwindows
