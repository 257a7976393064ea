// Rows another session adds or changes are put where the statement's order places them, not at
// the end of the list; a client-side sort still decides the view.
#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "test_db.h"

namespace tabel::data {
namespace {

// A list as a window reads it; table cursors read each row's version too.
struct List {
    QStringList sql;
    QString table;
};
// Kinds by name (fixture: 4 Гибка 'Г', 3 Покраска, 1 Резка, 2 Сварка); operations by product
// (fixture: 1 and 2 of product 1, 3 and 6 of product 2, 4 of product 3, 5 of product 4).
const List kKinds{{QStringLiteral("select id, vid from accounts_dep.vid_oper order by vid")},
                  QStringLiteral("accounts_dep.vid_oper")};
const List kKindsBackwards{
    {QStringLiteral("select id, vid from accounts_dep.vid_oper order by vid desc")}, {}};
const List kOperations{
    {QStringLiteral("select id, i_id, naimen from accounts_dep.oper order by i_id")}, {}};

struct OrderCase {
    const char* name;
    const List* list;
    QStringList rowOrder;
    const char* sort;    // a client-side sort text, or empty
    const char* change;  // committed by another session
    QList<int> reread;   // ids re-read
    bool oneByOne;       // refreshRow for each instead of one refreshRows
    int current;         // id of the current row before and after
    QList<int> ids;      // the list afterwards, top to bottom
};

const OrderCase kCases[] = {
    {"a new row in the middle",
     &kKinds,
     {QStringLiteral("VID")},
     "",
     "insert into accounts_dep.vid_oper (id, vid) values (10, 'Окраска')",
     {10},
     false,
     1,
     {4, 10, 3, 1, 2}},
    {"a new first row",
     &kKinds,
     {QStringLiteral("vid")},
     "",
     "insert into accounts_dep.vid_oper (id, vid) values (10, 'Авто')",
     {10},
     true,
     1,
     {10, 4, 3, 1, 2}},
    {"a new last row",
     &kKinds,
     {QStringLiteral("vid")},
     "",
     "insert into accounts_dep.vid_oper (id, vid) values (10, 'Шлифовка')",
     {10},
     false,
     1,
     {4, 3, 1, 2, 10}},
    {"a renamed row moves, the current row with it",
     &kKinds,
     {QStringLiteral("vid")},
     "",
     "update accounts_dep.vid_oper set vid = 'Аргон' where id = 1",
     {1},
     false,
     1,
     {1, 4, 3, 2}},
    {"a renamed row moves, read alone",
     &kKinds,
     {QStringLiteral("vid")},
     "",
     "update accounts_dep.vid_oper set vid = 'Ява' where id = 3",
     {3},
     true,
     1,
     {4, 1, 2, 3}},
    {"rows added and moved at once",
     &kKinds,
     {QStringLiteral("vid")},
     "",
     "insert into accounts_dep.vid_oper (id, vid) values (10, 'Окраска'), (11, 'Авто');"
     "update accounts_dep.vid_oper set vid = 'Ява' where id = 4",
     {11, 4, 10},
     false,
     3,
     {11, 10, 3, 1, 2, 4}},
    {"a descending order",
     &kKindsBackwards,
     {QStringLiteral("vid DESC")},
     "",
     "insert into accounts_dep.vid_oper (id, vid) values (10, 'Окраска')",
     {10},
     false,
     1,
     {2, 1, 3, 10, 4}},
    {"a new row after the rows of equal keys",
     &kOperations,
     {QStringLiteral("i_id")},
     "",
     "insert into accounts_dep.oper (id, vid, naimen, i_id) values (10, 3, 0, 1)",
     {10},
     false,
     2,
     {1, 2, 10, 3, 6, 4, 5}},
    {"a change outside the order keeps the row among its equals",
     &kOperations,
     {QStringLiteral("i_id")},
     "",
     "update accounts_dep.oper set naimen = 5 where id = 1",
     {1},
     false,
     2,
     {1, 2, 3, 6, 4, 5}},
    {"a changed key moves the row after its new equals",
     &kOperations,
     {QStringLiteral("i_id")},
     "",
     "update accounts_dep.oper set i_id = 2 where id = 1",
     {1},
     true,
     2,
     {2, 3, 6, 1, 4, 5}},
    {"a client-side sort wins",
     &kKinds,
     {QStringLiteral("vid")},
     "id DESC",
     "insert into accounts_dep.vid_oper (id, vid) values (10, 'Окраска')",
     {10},
     false,
     1,
     {10, 4, 3, 2, 1}},
    {"without an order a new row comes last",
     &kKinds,
     {},
     "",
     "insert into accounts_dep.vid_oper (id, vid) values (10, 'Авто')",
     {10},
     false,
     1,
     {4, 3, 1, 2, 10}},
};

class RowOrderTest : public ::testing::TestWithParam<OrderCase> {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(connection);
    }
    void TearDown() override { test::loadBaseFixture(); }

    static QList<int> ids(Dataset& list) {
        QList<int> result;
        const int column = list.fieldIndex(QStringLiteral("id"));
        for (int row = 0; row < list.recordCount(); ++row) {
            result.append(list.valueAt(row, column).toInt());
        }
        return result;
    }

    Connection connection;
};

TEST_P(RowOrderTest, PutsRowsWhereTheOrderPlacesThem) {
    const OrderCase& c = GetParam();
    Dataset list(&connection, QStringLiteral("list"));
    list.setSql(c.list->sql);
    list.setTableName(c.list->table);
    list.setRowOrder(c.rowOrder);
    list.open();
    list.setSort(QString::fromUtf8(c.sort));
    ASSERT_TRUE(list.locate(QStringLiteral("id"), c.current));

    test::adminExec(QString::fromUtf8(c.change));
    if (c.oneByOne) {
        for (const int id : c.reread) {
            list.refreshRow(QStringLiteral("id"), id);
        }
        list.locate(QStringLiteral("id"), c.current);  // refreshRow makes the row read current
    } else {
        QList<QVariant> keys;
        for (const int id : c.reread) {
            keys.append(id);
        }
        list.refreshRows(QStringLiteral("id"), keys);
    }
    EXPECT_EQ(ids(list), c.ids) << c.name;
    EXPECT_EQ(list.field(QStringLiteral("id")).asInteger(), c.current) << c.name;

    // The list is built again from its rows (a filter switched on and off): the same order.
    list.setFilter(QStringLiteral("id > 0"));
    list.setFiltered(true);
    list.setFiltered(false);
    EXPECT_EQ(ids(list), c.ids) << c.name << ", built again";
}

INSTANTIATE_TEST_SUITE_P(Cases, RowOrderTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<OrderCase>& info) {
                             return "case" + std::to_string(info.index);
                         });

TEST(RowOrderFieldsTest, AnUnknownFieldIsNamed) {
    test::loadBaseFixture();
    Connection connection;
    test::connectAs(connection);
    Dataset list(&connection, QStringLiteral("kinds"));
    list.setSql(kKinds.sql);
    list.setRowOrder({QStringLiteral("fio")});
    list.open();
    test::adminExec(
        QStringLiteral("insert into accounts_dep.vid_oper (id, vid) values (10, 'Окраска')"));
    try {
        list.refreshRows(QStringLiteral("id"), {10});
        ADD_FAILURE() << "no error";
    } catch (const DataError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("kinds: поле 'fio' не найдено"));
    }
    EXPECT_EQ(list.recordCount(), 4) << "the list changed";
    test::loadBaseFixture();
}

}  // namespace
}  // namespace tabel::data
