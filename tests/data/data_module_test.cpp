#include <gtest/gtest.h>

#include <QDate>

#include "data/data_module.h"
#include "message_recorder.h"
#include "test_db.h"

namespace tabel::data {
namespace {

class DataModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }
    void SetUp() override { test::connectAs(dm.connection); }

    DataModule dm;
    test::MessageRecorder messages;
};

TEST_F(DataModuleTest, ShiftListsShowTheirShiftWithoutTaAndNull) {
    const struct {
        int shift;
        QList<int> ids;
    } cases[] = {{1, {1, 2, 3}}, {2, {6}}, {3, {7}}, {4, {8}}, {9, {1, 2, 3}}};
    for (const auto& c : cases) {
        Dataset& list = dm.shiftEntries(c.shift);
        list.close();
        list.setParam(QStringLiteral("data"), QDate(2026, 3, 2));
        list.setParam(QStringLiteral("OK"), QStringLiteral("ta"));
        list.open();
        QList<int> ids;
        for (list.first(); !list.eof(); list.next()) {
            ids.append(list.field(QStringLiteral("id")).asInteger());
        }
        EXPECT_EQ(ids, c.ids) << "shift " << c.shift;
    }
}

// The plant's person list is not ours to clean: codes that are not numbers, people who are
// not employees and codes given twice must neither empty nor double the lists.
TEST_F(DataModuleTest, OddPersonsNeitherBreakNorDoubleTheLists) {
    test::adminExec(QStringLiteral(
        "insert into cmn_contractor.person (id, s_code, s_caption, b_employee) values "
        " (901, 'A-1', 'ООО \"Не сотрудник\"', false),"
        " (902, 'Т-17', 'Буквенный Код', true),"
        " (903, '', 'Пустой Код', true),"
        " (904, '101', 'Иванов-двойник', true),"
        " (905, '106', 'Кузнецова на должности', true);"
        "insert into hrms_movement.movement (id, id_employee, id_staffpos, d_begin) "
        " values (901, 905, 1, '2020-01-01')"));
    struct Cleanup {
        ~Cleanup() {
            test::adminExec(
                QStringLiteral("delete from hrms_movement.movement where id = 901;"
                               "delete from cmn_contractor.person where id between 901 and 905"));
        }
    } cleanup;

    const struct {
        Dataset* list;
        const char* dateParam;
        QList<QPair<int, QString>> rows;  // w_id, fio
    } cases[] = {
        // 101 keeps its first person; 106's other person holds the current position.
        {&dm.shift1Entries,
         "data",
         {{101, QStringLiteral("Иванов Иван Иванович")},
          {101, QStringLiteral("Иванов Иван Иванович")},
          {103, QStringLiteral("Петров Пётр Петрович")}}},
        {&dm.shift3Entries, "data", {{106, QStringLiteral("Кузнецова на должности")}}},
        {&dm.shift1Hours,
         nullptr,
         {{101, QStringLiteral("Иванов Иван Иванович")},
          {102, QStringLiteral("Ивашов Пётр")},
          {103, QStringLiteral("Петров Пётр Петрович")},
          {104, QStringLiteral("  Сидоров С.С. ")},
          {105, QStringLiteral("Д'Артаньян Шарль")}}},
        {&dm.shift3Hours, nullptr, {{106, QStringLiteral("Кузнецова на должности")}}},
    };
    for (const auto& c : cases) {
        Dataset& list = *c.list;
        list.close();
        if (c.dateParam) {
            list.setParam(QString::fromLatin1(c.dateParam), QDate(2026, 3, 2));
            list.setParam(QStringLiteral("ok"), QStringLiteral("ta"));
        } else {
            list.setParam(QStringLiteral("mnth"), 3);
            list.setParam(QStringLiteral("yea"), 2026);
        }
        list.open();
        QList<QPair<int, QString>> rows;
        for (list.first(); !list.eof(); list.next()) {
            rows.append({list.field(QStringLiteral("w_id")).asInteger(),
                         list.field(QStringLiteral("fio")).asString()});
        }
        std::sort(rows.begin(), rows.end());
        EXPECT_EQ(rows, c.rows) << list.objectName().toStdString();
        list.close();
    }
}

TEST_F(DataModuleTest, ShiftListComputesTheSumAndMarksReadOnlyFields) {
    Dataset& list = dm.shift1Entries;
    list.setParam(QStringLiteral("data"), QDate(2026, 3, 2));
    list.setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    list.open();
    ASSERT_TRUE(list.locate(QStringLiteral("id"), 1));
    EXPECT_DOUBLE_EQ(list.field(QStringLiteral("summa")).asFloat(), 122.5);  // (100-2)*1.25
    EXPECT_EQ(list.field(QStringLiteral("nmn")).asString(), QStringLiteral("Готовая продукция"));
    EXPECT_EQ(list.field(QStringLiteral("id_doc")).asInt64(), 1);
    EXPECT_TRUE(list.field(QStringLiteral("kol_vo")).readOnly());
    EXPECT_FALSE(list.field(QStringLiteral("fio")).readOnly());
}

TEST_F(DataModuleTest, OperationsListLeavesOutOperationsWithoutNorms) {
    dm.operations.open();
    QList<int> ids;
    for (dm.operations.first(); !dm.operations.eof(); dm.operations.next()) {
        ids.append(dm.operations.field(QStringLiteral("id")).asInteger());
    }
    EXPECT_FALSE(ids.contains(5));
    EXPECT_EQ(ids.size(), 5);
    ASSERT_TRUE(dm.operations.locate(QStringLiteral("id"), 4));
    EXPECT_EQ(dm.operations.field(QStringLiteral("norma")).asInteger(), 3);
    EXPECT_DOUBLE_EQ(dm.operations.field(QStringLiteral("cena")).asFloat(), 1.6);
}

TEST_F(DataModuleTest, OperationsListFiltersByProductAndMark) {
    test::adminExec(QStringLiteral("update accounts_dep.oper set i_id_old=1 where id=3"));
    dm.operations.open();
    const struct {
        const char* filter;
        QList<int> ids;
    } cases[] = {
        {"i_id=1 and marka like 'К%'", {1, 2}},
        {"i_id=1 and marka like 'П%'", {}},
        {"i_id=1 or i_id_old=1", {1, 2, 3}},
        {"marka like 'кр-2%'", {3, 6}},
    };
    for (const auto& c : cases) {
        dm.operations.setFilter(QString::fromUtf8(c.filter));
        dm.operations.setFiltered(true);
        QList<int> ids;
        for (dm.operations.first(); !dm.operations.eof(); dm.operations.next()) {
            ids.append(dm.operations.field(QStringLiteral("id")).asInteger());
        }
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(ids, c.ids) << c.filter;
    }
    test::adminExec(QStringLiteral("update accounts_dep.oper set i_id_old=null where id=3"));
}

TEST_F(DataModuleTest, HoursListsOfShiftsOneAndTwoAreReadOnly) {
    const struct {
        Dataset* list;
        bool readOnly;
    } cases[] = {{&dm.shift1Hours, true}, {&dm.shift2Hours, true}, {&dm.shift3Hours, false}};
    for (const auto& c : cases) {
        c.list->setParam(QStringLiteral("mnth"), 3);
        c.list->setParam(QStringLiteral("yea"), 2026);
        c.list->open();
        EXPECT_EQ(c.list->field(QStringLiteral("d2")).readOnly(), c.readOnly)
            << c.list->objectName().toStdString();
        EXPECT_EQ(c.list->field(QStringLiteral("summ")).asInteger(), 8);
        c.list->close();
    }
}

// The windows tell the user about a duplicate; the data layer only counts.
TEST_F(DataModuleTest, CountDuplicatesCountsWithoutAMessage) {
    const QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=:vid");

    EXPECT_EQ(dm.countDuplicates(count, {{QStringLiteral("vid"), QStringLiteral("ГИБКА 'Г'")}}), 1);
    EXPECT_EQ(dm.countDuplicates(count, {{QStringLiteral("vid"), QStringLiteral("X' OR '1'='1")}}),
              0);
    EXPECT_EQ(dm.countDuplicates(count + QStringLiteral(" and id<>:id"),
                                 {{QStringLiteral("vid"), QStringLiteral("ГИБКА 'Г'")},
                                  {QStringLiteral("id"), 0}}),
              1);
    EXPECT_TRUE(messages.messages().isEmpty());
}

}  // namespace
}  // namespace tabel::data
