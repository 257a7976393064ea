#include <gtest/gtest.h>

#include <QDate>
#include <QSignalSpy>

#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "test_db.h"

namespace tabel::data {
namespace {

QList<int> ids(Dataset& dataset, const QString& field = QStringLiteral("id")) {
    QList<int> out;
    dataset.first();
    while (!dataset.eof()) {
        out.append(dataset.field(field).asInteger());
        dataset.next();
    }
    return out;
}

class DatasetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }
    void SetUp() override { test::connectAs(connection); }

    Connection connection;
};

TEST_F(DatasetTest, FiltersActOnTheLoadedRows) {
    Dataset entries(&connection, QStringLiteral("entries"));
    entries.setSql({QStringLiteral("select s.id, s.id_doc, s.i_id, s.o_id, p.s_caption fio"),
                    QStringLiteral("from accounts_dep.smena s join cmn_contractor.person p"),
                    QStringLiteral("  on s.w_id = p.s_code::integer order by s.id")});
    entries.open();
    const struct {
        const char* filter;
        QList<int> expected;
    } cases[] = {
        {"id_doc=0", {7, 8}},
        {"fio like 'Ив%'", {1, 2, 6, 8, 9}},
        {"fio like 'ив%'", {1, 2, 6, 8, 9}},
        {"i_id=1 and o_id=1", {1, 6, 8, 9}},
        {"i_id=3 or o_id=6", {4, 5, 7}},
        {"fio like 'Д''Арт%'", {5}},
        {"fio like 'Нет%'", {}},
    };
    for (const auto& c : cases) {
        entries.setFilter(QString::fromUtf8(c.filter));
        entries.setFiltered(true);
        EXPECT_EQ(ids(entries), c.expected) << c.filter;
        EXPECT_EQ(entries.recordCount(), c.expected.size()) << c.filter;
    }
    entries.setFiltered(false);
    EXPECT_EQ(entries.recordCount(), 9);
}

TEST_F(DatasetTest, ShiftListLeavesOutTaAndNullAndSortsStably) {
    Dataset list(&connection, QStringLiteral("list"));
    list.setSql(
        {QStringLiteral("select s.id, s.id_doc, p.s_caption fio, s.ok from accounts_dep.smena s,"),
         QStringLiteral("cmn_contractor.person p where s.w_id = p.s_code::public.t_integer"),
         QStringLiteral("and s.smena=1 and s.data=:data and ok!=:ok order by s.id")});
    list.setParam(QStringLiteral("DATA"), QDate(2026, 3, 2));
    list.setParam(QStringLiteral("Ok"), QStringLiteral("ta"));
    list.open();
    EXPECT_EQ(ids(list), (QList<int>{1, 2, 3}));

    list.setSort(QStringLiteral("id_doc DESC, fio ASC"));
    EXPECT_EQ(ids(list), (QList<int>{3, 1, 2}));
    list.setSort(QStringLiteral("fio DESC"));
    EXPECT_EQ(ids(list), (QList<int>{3, 1, 2}));
    list.refresh();
    EXPECT_EQ(list.sort(), QString());
    EXPECT_EQ(ids(list), (QList<int>{1, 2, 3}));
}

TEST_F(DatasetTest, ASearchChangeFiltersTheRowsOnce) {
    Dataset kinds(&connection, QStringLiteral("kinds"));
    kinds.setSql({QStringLiteral("select id, vid from accounts_dep.vid_oper order by id")});
    kinds.open();
    QSignalSpy resets(&kinds, &Dataset::rowsReset);
    const struct {
        const char* filter;  // nullptr switches the filter off
        int passes;
        int rows;
    } steps[] = {{"vid like 'С%'", 1, 1}, {"vid like 'Р%'", 1, 1}, {"vid like 'Р%'", 0, 1},
                 {nullptr, 1, 4},         {nullptr, 0, 4},         {"id>2", 1, 2}};
    for (const auto& step : steps) {
        resets.clear();
        if (step.filter != nullptr) {
            kinds.setFilter(QString::fromUtf8(step.filter));
            kinds.setFiltered(true);
        } else {
            kinds.setFiltered(false);
        }
        EXPECT_EQ(resets.count(), step.passes) << (step.filter ? step.filter : "off");
        EXPECT_EQ(kinds.recordCount(), step.rows) << (step.filter ? step.filter : "off");
    }
}

TEST_F(DatasetTest, RefreshRowRereadsOnlyThatRow) {
    Dataset kinds(&connection, QStringLiteral("kinds"));
    kinds.setSql({QStringLiteral("select id, vid from accounts_dep.vid_oper"),
                  QStringLiteral("where vid <> :skip order by vid")});
    kinds.setParam(QStringLiteral("skip"), QStringLiteral("Аргон"));
    kinds.open();
    const auto shown = [&kinds] {
        QStringList rows;
        for (int row = 0; row < kinds.recordCount(); ++row) {
            rows.append(QStringLiteral("%1 %2")
                            .arg(kinds.valueAt(row, 0).toInt())
                            .arg(kinds.valueAt(row, 1).toString()));
        }
        return rows.join(QLatin1String(", "));
    };
    test::adminExec(
        QStringLiteral("update accounts_dep.vid_oper set vid='Сварка-2' where id=2;"
                       "update accounts_dep.vid_oper set vid='Резка-2' where id=1;"
                       "insert into accounts_dep.vid_oper(id, vid) values (10, 'Шлифовка')"));
    const struct {
        int id;
        const char* rows;
        int current;  // id of the current row afterwards
    } steps[] = {
        {2, "4 Гибка 'Г', 3 Покраска, 1 Резка, 2 Сварка-2", 2},
        {10, "4 Гибка 'Г', 3 Покраска, 1 Резка, 2 Сварка-2, 10 Шлифовка", 10},
        {99, "4 Гибка 'Г', 3 Покраска, 1 Резка, 2 Сварка-2, 10 Шлифовка", 10},
    };
    for (const auto& step : steps) {
        kinds.refreshRow(QStringLiteral("id"), step.id);
        EXPECT_EQ(shown(), QString::fromUtf8(step.rows)) << step.id;
        EXPECT_EQ(kinds.field(QStringLiteral("id")).asInteger(), step.current) << step.id;
    }
    // Gone from the table, or no longer given by the statement: the row leaves the list.
    test::adminExec(
        QStringLiteral("delete from accounts_dep.vid_oper where id=10;"
                       "update accounts_dep.vid_oper set vid='Аргон' where id=2"));
    kinds.refreshRow(QStringLiteral("id"), 10);
    kinds.refreshRow(QStringLiteral("id"), 2);
    EXPECT_EQ(shown(), QStringLiteral("4 Гибка 'Г', 3 Покраска, 1 Резка"));
    test::loadBaseFixture();
}

TEST_F(DatasetTest, NavigationLocateAndRecNo) {
    Dataset kinds(&connection, QStringLiteral("kinds"));
    kinds.setSql({QStringLiteral("select id, vid from accounts_dep.vid_oper order by id")});
    kinds.open();
    EXPECT_EQ(kinds.recNo(), 1);
    EXPECT_FALSE(kinds.eof());
    EXPECT_TRUE(kinds.locate(QStringLiteral("VID"), QStringLiteral("Покраска")));
    EXPECT_EQ(kinds.recNo(), 3);
    EXPECT_EQ(kinds.field(QStringLiteral("Id")).asInteger(), 3);
    EXPECT_FALSE(kinds.locate(QStringLiteral("vid"), QStringLiteral("Нет такой")));
    EXPECT_EQ(kinds.recNo(), 3);
    kinds.setRecNo(2);
    EXPECT_EQ(kinds.field(QStringLiteral("vid")).asString(), QStringLiteral("Сварка"));
    kinds.last();
    kinds.next();
    EXPECT_TRUE(kinds.eof());
    EXPECT_EQ(kinds.recNo(), 4);
    EXPECT_THROW(kinds.field(QStringLiteral("nope")), DataError);
}

TEST_F(DatasetTest, FifteenDigitIdentifiersStayExact) {
    Dataset big(&connection, QStringLiteral("big"));
    big.setSql(
        {QStringLiteral("select 987654321012345::public.t_id as id_doc, 12.5::numeric as price,"),
         QStringLiteral("5.0000::numeric as whole, 0.1::float8 as f, 'x' as code")});
    big.setFieldDefs({{QStringLiteral("id_doc"), FieldType::Numeric15, true}});
    big.open();
    EXPECT_EQ(big.field(QStringLiteral("id_doc")).asInt64(), 987654321012345LL);
    EXPECT_EQ(big.field(QStringLiteral("price")).asFloat(), 12.5);
    EXPECT_EQ(big.field(QStringLiteral("whole")).asInteger(), 5);
    EXPECT_EQ(big.field(QStringLiteral("f")).asFloat(), 0.1);
    EXPECT_THROW(big.field(QStringLiteral("code")).asInteger(), ConversionError);
    EXPECT_THROW(big.field(QStringLiteral("id_doc")).asInteger(), ConversionError);
}

TEST_F(DatasetTest, TableCursorAppendsEditsAndDeletesByKey) {
    Dataset kinds(&connection, QStringLiteral("kinds"));
    kinds.setSql({QStringLiteral("select * from accounts_dep.vid_oper order by vid")});
    kinds.setTableName(QStringLiteral("accounts_dep.vid_oper"));
    kinds.open();
    kinds.append();
    kinds.field(QStringLiteral("vid")).setValue(QStringLiteral("Шлифовка; 'x'"));
    kinds.post();
    const int id = kinds.field(QStringLiteral("id")).asInteger();
    EXPECT_GT(id, 4);
    EXPECT_EQ(test::adminQuery(
                  QStringLiteral("select vid from accounts_dep.vid_oper where id=%1").arg(id)),
              QStringLiteral("Шлифовка; 'x'"));

    kinds.edit();
    kinds.field(QStringLiteral("vid")).setValue(QStringLiteral("Шлифовка"));
    kinds.post();
    EXPECT_EQ(test::adminQuery(
                  QStringLiteral("select vid from accounts_dep.vid_oper where id=%1").arg(id)),
              QStringLiteral("Шлифовка"));

    kinds.deleteRow();
    EXPECT_EQ(test::adminQuery(
                  QStringLiteral("select count(*) from accounts_dep.vid_oper where id=%1").arg(id)),
              QStringLiteral("0"));
    EXPECT_EQ(kinds.recordCount(), 4);
}

TEST_F(DatasetTest, RefusedDeleteKeepsTheRowsAndNamesTheReference) {
    Dataset kinds(&connection, QStringLiteral("kinds"));
    kinds.setSql({QStringLiteral("select * from accounts_dep.vid_oper order by id")});
    kinds.setTableName(QStringLiteral("accounts_dep.vid_oper"));
    kinds.open();
    try {
        kinds.deleteRow();
        FAIL() << "a kind in use was deleted";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.isForeignKeyViolation()) << error.message().toStdString();
    }
    EXPECT_EQ(kinds.recordCount(), 4);
    EXPECT_EQ(kinds.field(QStringLiteral("id")).asInteger(), 1);
}

TEST_F(DatasetTest, LostConnectionIsReportedOnceThenReopened) {
    Dataset one(&connection, QStringLiteral("one"));
    one.setSql({QStringLiteral("select pg_backend_pid() as pid")});
    one.open();
    const int pid = one.field(QStringLiteral("pid")).asInteger();
    one.close();
    test::adminExec(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
    try {
        one.open();
        FAIL() << "a dead connection answered";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.connectionLost()) << error.message().toStdString();
    }
    one.open();
    EXPECT_NE(one.field(QStringLiteral("pid")).asInteger(), pid);
}

TEST_F(DatasetTest, WrongPasswordIsRefused) {
    Connection other(QStringLiteral("other"));
    other.setConnectionString(
        test::connectionStringFor(QStringLiteral("master"), QStringLiteral("bad")));
    EXPECT_THROW(other.open(), DbError);
}

}  // namespace
}  // namespace tabel::data
