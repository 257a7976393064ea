#include <gtest/gtest.h>

#include "data/command.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "test_db.h"

namespace tabel::data {
namespace {

class StatementRunnerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }
    void SetUp() override { test::connectAs(connection); }

    Connection connection;
};

TEST_F(StatementRunnerTest, ReadsRowsAndCountsTouchedRows) {
    const StatementResult read =
        connection.run(QStringLiteral("select id, vid from accounts_dep.vid_oper where id <= ? "
                                      "order by id"),
                       {2});
    ASSERT_EQ(read.columns.size(), 2);
    EXPECT_EQ(read.columns[1].name, QStringLiteral("vid"));
    ASSERT_EQ(read.rows.size(), 2);
    EXPECT_EQ(read.rows[1][0].toInt(), 2);

    const StatementResult touched = connection.run(
        QStringLiteral("update accounts_dep.vid_oper set vid = vid where id in (?, ?)"), {1, 2});
    EXPECT_TRUE(touched.columns.isEmpty());
    EXPECT_EQ(touched.rowsAffected, 2);
}

TEST_F(StatementRunnerTest, NamedBindingsReachTheServerAsValues) {
    const struct {
        const char* statement;
        Bindings bindings;
        QVariant expected;
    } cases[] = {
        {"select count(*) from accounts_dep.vid_oper where id <= :last", {{"last", 2}}, 2},
        // names without regard to case; a name used twice binds twice
        {"select :a + :A * :b", {{"A", 2}, {"b", 5}}, 12},
        {"select :text::text",
         {{"text", QStringLiteral("X' OR '1'='1")}},
         QStringLiteral("X' OR '1'='1")},
        {"select ':skipped'::text || :x::text", {{"x", 1}}, QStringLiteral(":skipped1")},
        {"select id from accounts_dep.vid_oper where id < 0", {}, QVariant()},
    };
    for (const auto& c : cases) {
        const QVariant got = connection.scalar(QString::fromUtf8(c.statement), c.bindings);
        EXPECT_EQ(got.isNull(), c.expected.isNull()) << c.statement;
        EXPECT_EQ(got.toString(), c.expected.toString()) << c.statement;
    }
    EXPECT_THROW(connection.scalar(QStringLiteral("select :a"), {{QStringLiteral("b"), 1}}),
                 DataError);

    EXPECT_EQ(connection.execute(
                  QStringLiteral("update accounts_dep.vid_oper set vid = vid where id in (:x, :y)"),
                  {{QStringLiteral("x"), 1}, {QStringLiteral("y"), 2}}),
              2);
    EXPECT_EQ(connection.execute(
                  QStringLiteral("update accounts_dep.vid_oper set vid = vid where id = :id"),
                  {{QStringLiteral("id"), -1}}),
              0);
}

TEST_F(StatementRunnerTest, RefusalsAreClassifiedByTheirSqlState) {
    const struct {
        const char* login;
        const char* statement;
        const char* sqlState;
        DbErrorKind kind;
    } cases[] = {
        {"master",
         "insert into accounts_dep.vid_oper(vid) select upper(vid) from "
         "accounts_dep.vid_oper where id = 1",
         "23505", DbErrorKind::UniqueViolation},
        {"master", "delete from accounts_dep.vid_oper where id = 1", "23503",
         DbErrorKind::ForeignKeyViolation},
        {"master", "update accounts_dep.izdel set marka = marka where id = 1 and 1/0 = 1", "22012",
         DbErrorKind::Other},
        {"econom", "delete from accounts_dep.vid_oper where id = 1", "42501",
         DbErrorKind::PermissionDenied},
        {"master", "do $$ begin raise exception using errcode = 'P0001', message = 'Отказ'; end $$",
         "P0001", DbErrorKind::RaisedByServer},
        {"master",
         "do $$ begin raise exception using errcode = '55P03', message = 'занято'; end $$", "55P03",
         DbErrorKind::LockTimeout},
        {"master",
         "do $$ begin raise exception using errcode = '23514', message = 'вне пределов'; end $$",
         "23514", DbErrorKind::CheckViolation},
        {"master", "select no_such_column from accounts_dep.vid_oper", "42703", DbErrorKind::Other},
        // Only the program's own version check is a row changed meanwhile; the server's
        // serialization failure and deadlock are a conflict that a repeat may get past.
        {"master",
         "select accounts_dep.smena_save(1, 101, 1, 1, 1.25, 100, 2, '2026-03-02', 1, 4, 1, 11, "
         "'0')",
         "P0T01", DbErrorKind::RowChanged},
        {"clerk_a", "select accounts_dep.smena__accept_row_hwo(1, '0/')", "P0T01",
         DbErrorKind::RowChanged},
        {"master",
         "do $$ begin raise exception using errcode = '40001', message = 'serialize'; end $$",
         "40001", DbErrorKind::TransactionConflict},
        {"master",
         "do $$ begin raise exception using errcode = '40P01', message = 'deadlock'; end $$",
         "40P01", DbErrorKind::TransactionConflict},
    };
    for (const auto& c : cases) {
        Connection as(QStringLiteral("as"));
        test::connectAs(as, QString::fromLatin1(c.login));
        try {
            as.run(QString::fromUtf8(c.statement));
            ADD_FAILURE() << "not refused: " << c.statement;
        } catch (const DbError& error) {
            EXPECT_EQ(error.sqlState(), QString::fromLatin1(c.sqlState))
                << c.statement << "\n"
                << error.serverText().toStdString();
            EXPECT_EQ(error.kind(), c.kind) << c.statement;
            EXPECT_FALSE(error.serverText().isEmpty()) << c.statement;
        }
    }
}

TEST_F(StatementRunnerTest, KeyedWritesThatFindNoRowAreNotReportedAsDone) {
    Dataset kinds(&connection, QStringLiteral("kinds"));
    kinds.setSql({QStringLiteral("select * from accounts_dep.vid_oper order by id")});
    kinds.setTableName(QStringLiteral("accounts_dep.vid_oper"));
    kinds.open();
    kinds.append();
    kinds.field(QStringLiteral("vid")).setValue(QStringLiteral("Временная"));
    kinds.post();
    const int id = kinds.field(QStringLiteral("id")).asInteger();
    Dataset stale(&connection, QStringLiteral("stale"));
    stale.setSql(kinds.sql());
    stale.setTableName(kinds.tableName());
    stale.open();
    ASSERT_TRUE(stale.locate(QStringLiteral("id"), id));
    test::adminExec(QStringLiteral("delete from accounts_dep.vid_oper where id=%1").arg(id));

    kinds.edit();
    kinds.field(QStringLiteral("vid")).setValue(QStringLiteral("Другая"));
    try {
        kinds.post();
        FAIL() << "an update of a deleted row succeeded";
    } catch (const DbError& error) {
        EXPECT_EQ(error.kind(), DbErrorKind::RowGone);
    }
    // The list is re-read without the deleted row.
    EXPECT_EQ(kinds.state(), Dataset::State::Browse);
    EXPECT_FALSE(kinds.locate(QStringLiteral("id"), id));
    try {
        stale.deleteRow();
        FAIL() << "a delete of a deleted row succeeded";
    } catch (const DbError& error) {
        EXPECT_EQ(error.kind(), DbErrorKind::RowGone);
    }

    Command rename(&connection, QStringLiteral("rename"),
                   {QStringLiteral("update accounts_dep.vid_oper set vid=:vid where id=:id")});
    rename.setParam(QStringLiteral("vid"), QStringLiteral("Другая"));
    rename.setParam(QStringLiteral("id"), id);
    try {
        rename.executeOnRow();
        FAIL() << "a keyed command without its row succeeded";
    } catch (const DbError& error) {
        EXPECT_EQ(error.kind(), DbErrorKind::RowGone);
    }
    rename.setParam(QStringLiteral("id"), 1);
    rename.setParam(
        QStringLiteral("vid"),
        test::adminQuery(QStringLiteral("select vid from accounts_dep.vid_oper where id=1")));
    EXPECT_NO_THROW(rename.executeOnRow());
}

TEST_F(StatementRunnerTest, KeylessRowChangedMeanwhileIsNotOverwritten) {
    // accounts_dep.ver is written only through its stamp function now; a keyless table of
    // this session stands in for it.
    connection.run(QStringLiteral("create temp table stamp (d integer, t integer)"));
    connection.run(QStringLiteral("insert into stamp values (20260101, 1200)"));
    Dataset version(&connection, QStringLiteral("version"));
    version.setSql({QStringLiteral("select d, t from pg_temp.stamp")});
    version.setTableName(QStringLiteral("pg_temp.stamp"));
    version.open();
    ASSERT_FALSE(version.isEmpty());
    connection.run(QStringLiteral("update stamp set t = t + 1"));
    version.edit();
    version.field(QStringLiteral("t")).setValue(1);
    try {
        version.post();
        FAIL() << "a changed row was overwritten";
    } catch (const DbError& error) {
        EXPECT_EQ(error.kind(), DbErrorKind::RowChanged);
    }
    EXPECT_EQ(connection.run(QStringLiteral("select t from stamp")).rows.value(0).value(0).toInt(),
              1201);
    connection.run(QStringLiteral("drop table stamp"));
}

}  // namespace
}  // namespace tabel::data
