// Rows streamed from a server-side cursor: the same values as the statement runner, never more
// than one block at a time, and the cursor gone on every way out.
#include <gtest/gtest.h>

#include <QDate>

#include <stdexcept>

#include "data/connection.h"
#include "data/errors.h"
#include "test_db.h"

namespace tabel::data {
namespace {

// Long texts, exact decimals, NULLs, dates and bound parameters, in a fixed order.
const QString kRows = QStringLiteral(
    "select n::int4 whole, (100000000000000 + n)::numeric(15,0) key15, (n / 8.0)::numeric(12,4) "
    "dec4, case when n % 7 = 0 then null else 'Ёлкина №' || n end fio, ? + n dt, "
    "case when n % 100 = 1 then repeat('Длинный текст ', 700) || n end long_text "
    "from generate_series(1, ?) n where ? <> '' order by n");

class RowStreamTest : public testing::Test {
protected:
    void SetUp() override { test::connectAs(connection_); }

    QList<QVariant> bindings(int count) const {
        return {QDate(2026, 3, 2), count, QStringLiteral("метка")};
    }
    int openCursors() {
        return connection_.scalar(QStringLiteral("select count(*) from pg_cursors")).toInt();
    }

    Connection connection_{QStringLiteral("stream")};
};

TEST_F(RowStreamTest, GivesTheRunnersRowsABlockAtATime) {
    const StatementResult whole = connection_.run(kRows, bindings(1000));
    ASSERT_EQ(whole.rows.size(), 1000);
    for (const int blockRows : {1, 7, 512, 1000, 2000}) {
        QList<QList<QVariant>> rows;
        int blocks = 0;
        connection_.stream(
            kRows, bindings(1000), {},
            [&](const StatementResult& block) {
                ++blocks;
                EXPECT_LE(block.rows.size(), blockRows);
                ASSERT_EQ(block.columns.size(), whole.columns.size());
                for (int c = 0; c < whole.columns.size(); ++c) {
                    EXPECT_EQ(block.columns[c].name, whole.columns[c].name);
                    EXPECT_EQ(block.types[c], whole.types[c]) << c;
                }
                rows.append(block.rows);
            },
            blockRows);
        EXPECT_EQ(rows, whole.rows) << blockRows;
        // Full blocks, then the one that comes short (empty when the rows fill the last one).
        EXPECT_EQ(blocks, 1000 / blockRows + 1) << blockRows;
        EXPECT_EQ(openCursors(), 0);
    }
}

// No rows still tells the columns, so an empty report has its shape.
TEST_F(RowStreamTest, NoRowsIsOneEmptyBlockWithItsColumns) {
    int blocks = 0;
    connection_.stream(kRows, bindings(0), {}, [&](const StatementResult& block) {
        ++blocks;
        EXPECT_TRUE(block.rows.isEmpty());
        EXPECT_EQ(block.columns.size(), 6);
    });
    EXPECT_EQ(blocks, 1);
}

// A reader that stops (a cancelled report) or a statement the server refuses leaves neither a
// cursor nor a transaction open: the next stream and the next write work.
TEST_F(RowStreamTest, StoppingOrFailingLeavesNothingOpen) {
    int blocks = 0;
    EXPECT_THROW(connection_.stream(
                     kRows, bindings(100), {},
                     [&](const StatementResult&) {
                         if (++blocks == 2) {
                             throw std::runtime_error("stop");
                         }
                     },
                     10),
                 std::runtime_error);
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(openCursors(), 0);
    EXPECT_THROW(connection_.stream(QStringLiteral("select * from no_such_table"), {}, {},
                                    [](const StatementResult&) {}),
                 DbError);
    EXPECT_EQ(openCursors(), 0);

    int rows = 0;
    connection_.stream(kRows, bindings(30), {},
                       [&](const StatementResult& block) { rows += int(block.rows.size()); });
    EXPECT_EQ(rows, 30);
    // Back in autocommit: this statement is a transaction of its own.
    EXPECT_EQ(connection_
                  .scalar(QStringLiteral("select xact_start = query_start from pg_stat_activity "
                                         "where pid = pg_backend_pid()"))
                  .toBool(),
              true);
}

}  // namespace
}  // namespace tabel::data
