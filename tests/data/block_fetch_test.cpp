#include <gtest/gtest.h>
#include <functional>

#include <QDate>
#include <QDateTime>

#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/session.h"
#include "refdata/reference_statements.h"
#include "shiftlog/shift_statements.h"
#include "test_db.h"
#include "timesheet/hours_statements.h"

namespace tabel::data {
namespace {

// Every column type the program reads, with NULLs, long texts, 15-digit keys and exact decimals,
// over more rows than one block holds.
const QStringList kEveryType{
    QStringLiteral("select n::int2 small, n::int4 whole, (n * 100000000000)::int8 big,"),
    QStringLiteral(" (100000000000000 + n)::numeric(15,0) key15, (n / 8.0)::numeric(12,4) dec4,"),
    QStringLiteral(" (n::numeric - 0.5) half, 5.0000::numeric zero_fraction,"),
    QStringLiteral(" case when n % 7 = 0 then null else n * 1.25 end::float8 dbl,"),
    QStringLiteral(" (n / 3.0)::float4 real4, (n % 2 = 0) flag, n::public.t_integer dom_int,"),
    QStringLiteral(" (n + 0.5)::public.t_id dom_id, date '2026-03-02' + n dt, (date '2026-03-02' + "
                   "n)::public.t_date"),
    QStringLiteral(" dom_date, timestamp '2026-03-02 10:11:12.345' + n * interval '1 hour' ts,"),
    QStringLiteral(
        " time '08:30:15' tm, case when n % 5 = 0 then null else 'Ёлкина №' || n end fio,"),
    QStringLiteral(" ('ИЗД-' || n)::varchar(50) marka, 'ab'::char(5) fixed, ''::text empty,"),
    QStringLiteral(" case when n % 100 = 1 then repeat('Длинный текст ', 700) || n end long_text,"),
    QStringLiteral(" case when n = 3 then repeat('9', 90) || '.5' end::numeric wide_numeric,"),
    QStringLiteral(" case when n % 3 = 0 then null else n end::numeric(15,0) null_key,"),
    QStringLiteral(" decode('00ff', 'hex') bin, n::text::public.t_code code"),
    QStringLiteral(
        "from generate_series(1, :count) n where n <> :skip and :label <> '' order by n"),
};

struct Case {
    const char* name;
    QStringList sql;
    QList<FieldDef> defs;
    QList<std::pair<QString, QVariant>> params;
};

class BlockFetchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }
    void SetUp() override {
        test::connectAs(connection);
        test::connectAs(cellConnection);
        cellConnection.setCellByCell(true);
    }

    // Opens the statement cell by cell and in blocks; both must give the same fields and values.
    void expectSameResult(const Case& c) {
        Dataset cellByCell(&cellConnection, QStringLiteral("cells"));
        Dataset blocks(&connection, QStringLiteral("blocks"));
        for (Dataset* d : {&cellByCell, &blocks}) {
            d->setSql(c.sql);
            d->setFieldDefs(c.defs);
            for (const auto& [name, value] : c.params) {
                d->setParam(name, value);
            }
            d->open();
        }
        ASSERT_EQ(blocks.fieldCount(), cellByCell.fieldCount()) << c.name;
        ASSERT_EQ(blocks.recordCount(), cellByCell.recordCount()) << c.name;
        for (int column = 0; column < blocks.fieldCount(); ++column) {
            EXPECT_EQ(blocks.fieldName(column), cellByCell.fieldName(column)) << c.name;
            EXPECT_EQ(blocks.fieldReadOnly(column), cellByCell.fieldReadOnly(column)) << c.name;
        }
        int differences = 0;
        for (int row = 0; row < blocks.recordCount() && differences < 10; ++row) {
            for (int column = 0; column < blocks.fieldCount(); ++column) {
                const QVariant& expected = cellByCell.valueAt(row, column);
                const QVariant& actual = blocks.valueAt(row, column);
                const bool same = expected.typeId() == actual.typeId() &&
                                  expected.isNull() == actual.isNull() && expected == actual;
                if (!same) {
                    ++differences;
                    ADD_FAILURE() << c.name << " row " << row << " column "
                                  << blocks.fieldName(column).toStdString() << ": expected "
                                  << expected.typeName() << " '"
                                  << expected.toString().left(40).toStdString() << "', got "
                                  << actual.typeName() << " '"
                                  << actual.toString().left(40).toStdString() << "'";
                }
            }
        }
    }

    Connection connection;
    Connection cellConnection{QStringLiteral("cells")};
};

TEST_F(BlockFetchTest, GivesTheValuesOfTheCellByCellPath) {
    using T = FieldType;
    const QList<std::pair<QString, QVariant>> params{
        {QStringLiteral("count"), 1300},
        {QStringLiteral("skip"), qlonglong(17)},
        {QStringLiteral("label"), QStringLiteral("Смена")}};
    data::Session session;
    // The statements the windows' lists run.
    const auto statementOf = [&session](const std::function<void(Dataset&)>& prepare) {
        Dataset list(&session.connection, QStringLiteral("list"));
        prepare(list);
        return list.sql();
    };
    const Case cases[] = {
        {"undeclared fields", kEveryType, {}, params},
        {"declared fields",
         kEveryType,
         {{QStringLiteral("key15"), T::Numeric15, true},
          {QStringLiteral("dec4"), T::Float},
          {QStringLiteral("half"), T::Integer},
          {QStringLiteral("zero_fraction"), T::Integer},
          {QStringLiteral("dom_id"), T::Numeric15},
          {QStringLiteral("null_key"), T::Numeric15},
          {QStringLiteral("dt"), T::DateTime},
          {QStringLiteral("ts"), T::Date},
          {QStringLiteral("whole"), T::Float},
          {QStringLiteral("fio"), T::String, true}},
         params},
        {"no rows", kEveryType, {}, {{QStringLiteral("count"), 0}, params[1], params[2]}},
        {"shift list 1",
         statementOf([](Dataset& list) { shiftlog::prepareShiftList(list, 1); }),
         {},
         {{QStringLiteral("data"), QDate(2026, 3, 2)},
          {QStringLiteral("ok"), QStringLiteral("ta")}}},
        {"shift list 4",
         statementOf([](Dataset& list) { shiftlog::prepareShiftList(list, 4); }),
         {},
         {{QStringLiteral("data"), QDate(2026, 3, 2)},
          {QStringLiteral("ok"), QStringLiteral("ta")}}},
        {"operations", statementOf(refdata::prepareOperations), {}, {}},
        {"workers", statementOf(refdata::prepareWorkers), {}, {}},
        {"products", statementOf(refdata::prepareProducts), {}, {}},
        {"hours",
         statementOf([](Dataset& list) { timesheet::prepareHoursPage(list, 1); }),
         {},
         {{QStringLiteral("mnth"), 3}, {QStringLiteral("yea"), 2026}}},
        {"null and double parameters",
         {QStringLiteral("select :a::int4 a, :b::float8 b, :c::text c, :d::date d")},
         {},
         {{QStringLiteral("a"), QVariant()},
          {QStringLiteral("b"), 2.5},
          {QStringLiteral("c"), QString()},
          {QStringLiteral("d"), QDateTime(QDate(2026, 3, 2), QTime(7, 0))}}},
    };
    for (const Case& c : cases) {
        expectSameResult(c);
    }
}

TEST_F(BlockFetchTest, KeepsFifteenDigitKeysLongTextsAndNulls) {
    Dataset rows(&connection, QStringLiteral("rows"));
    rows.setSql(kEveryType);
    rows.setFieldDefs({{QStringLiteral("key15"), FieldType::Numeric15}});
    rows.setParam(QStringLiteral("count"), 2);
    rows.setParam(QStringLiteral("skip"), 0);
    rows.setParam(QStringLiteral("label"), QStringLiteral("x"));
    rows.open();
    ASSERT_EQ(rows.recordCount(), 2);
    EXPECT_EQ(rows.field(QStringLiteral("key15")).asInt64(), 100000000000001);
    EXPECT_EQ(rows.field(QStringLiteral("dec4")).value(), QVariant(0.125));
    EXPECT_EQ(rows.field(QStringLiteral("long_text")).asString().size(), 14 * 700 + 1);
    EXPECT_TRUE(rows.field(QStringLiteral("long_text")).asString().endsWith(QStringLiteral("т 1")));
    EXPECT_EQ(rows.field(QStringLiteral("fio")).asString(), QStringLiteral("Ёлкина №1"));
    EXPECT_EQ(rows.field(QStringLiteral("ts")).value(),
              QVariant(QDateTime(QDate(2026, 3, 2), QTime(11, 11, 12, 345))));
    rows.next();
    EXPECT_TRUE(rows.field(QStringLiteral("long_text")).isNull());
}

TEST_F(BlockFetchTest, WritesCountTheirRowsAndReturnTheirs) {
    const struct {
        const char* statement;
        int affected;
        int rows;
    } cases[] = {
        {"update accounts_dep.vid_oper set vid = vid where id in (?, ?)", 2, 0},
        {"update accounts_dep.vid_oper set vid = vid where id = ? and ? = 0", 0, 0},
        {"update accounts_dep.vid_oper set vid = vid where id in (?, ?) returning id", 2, 2},
    };
    for (const auto& c : cases) {
        for (Connection* via : {&connection, &cellConnection}) {
            const StatementResult result = via->run(QString::fromUtf8(c.statement), {1, 2});
            EXPECT_EQ(result.rowsAffected, c.affected) << c.statement;
            EXPECT_EQ(result.rows.size(), c.rows) << c.statement;
        }
    }
}

TEST_F(BlockFetchTest, ReportsARefusedStatementWithItsState) {
    Dataset rows(&connection, QStringLiteral("rows"));
    rows.setSql({QStringLiteral("select 1 / (n - 1) from generate_series(1, 3) n")});
    try {
        rows.open();
        FAIL() << "the division by zero was not reported";
    } catch (const DbError& error) {
        EXPECT_EQ(error.sqlState(), QStringLiteral("22012")) << error.what();
        EXPECT_EQ(error.kind(), DbErrorKind::Other);
        EXPECT_TRUE(error.message().contains(QStringLiteral("division by zero"))) << error.what();
    }
    EXPECT_FALSE(rows.isOpen());
    // The connection goes on working.
    rows.setSql({QStringLiteral("select 1 as one")});
    rows.open();
    EXPECT_EQ(rows.field(QStringLiteral("one")).asInteger(), 1);
}

}  // namespace
}  // namespace tabel::data
