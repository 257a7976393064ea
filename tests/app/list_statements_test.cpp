#include <gtest/gtest.h>

#include <QDate>

#include <memory>

#include "data/dataset.h"
#include "data/session.h"
#include "message_recorder.h"
#include "refdata/reference_statements.h"
#include "shiftlog/shift_statements.h"
#include "test_db.h"
#include "timesheet/hours_statements.h"

namespace tabel::data {
namespace {

// The statements each window prepares its own lists with.
class ListStatementsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }
    void SetUp() override {
        test::connectAs(session.connection);
        for (int shift = 1; shift <= 4; ++shift) {
            shiftLists[shift - 1] = std::make_unique<Dataset>(&session.connection,
                                                              QStringLiteral("Smena%1").arg(shift));
            shiftlog::prepareShiftList(*shiftLists[shift - 1], shift);
        }
        for (int shift = 1; shift <= 3; ++shift) {
            hoursPages[shift - 1] = std::make_unique<Dataset>(
                &session.connection, QStringLiteral("H_Tabel_%1").arg(shift));
            timesheet::prepareHoursPage(*hoursPages[shift - 1], shift);
        }
        refdata::prepareOperations(operations);
    }

    Dataset& shiftList(int shift) { return *shiftLists[shift - 1]; }
    Dataset& hoursPage(int shift) { return *hoursPages[shift - 1]; }

    data::Session session;
    test::MessageRecorder messages;
    std::unique_ptr<Dataset> shiftLists[4];
    std::unique_ptr<Dataset> hoursPages[3];
    Dataset operations{&session.connection, QStringLiteral("Oper")};
};

TEST_F(ListStatementsTest, ShiftListsShowTheirShiftWithoutTaAndNull) {
    const struct {
        int shift;
        QList<int> ids;
    } cases[] = {{1, {1, 2, 3}}, {2, {6}}, {3, {7}}, {4, {8}}};
    for (const auto& c : cases) {
        Dataset& list = shiftList(c.shift);
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
TEST_F(ListStatementsTest, OddPersonsNeitherBreakNorDoubleTheLists) {
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
        {&shiftList(1),
         "data",
         {{101, QStringLiteral("Иванов Иван Иванович")},
          {101, QStringLiteral("Иванов Иван Иванович")},
          {103, QStringLiteral("Петров Пётр Петрович")}}},
        {&shiftList(3), "data", {{106, QStringLiteral("Кузнецова на должности")}}},
        {&hoursPage(1),
         nullptr,
         {{101, QStringLiteral("Иванов Иван Иванович")},
          {102, QStringLiteral("Ивашов Пётр")},
          {103, QStringLiteral("Петров Пётр Петрович")},
          {104, QStringLiteral("  Сидоров С.С. ")},
          {105, QStringLiteral("Д'Артаньян Шарль")}}},
        {&hoursPage(3), nullptr, {{106, QStringLiteral("Кузнецова на должности")}}},
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

TEST_F(ListStatementsTest, ShiftListComputesTheSumAndMarksReadOnlyFields) {
    Dataset& list = shiftList(1);
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

TEST_F(ListStatementsTest, OperationsListLeavesOutOperationsWithoutNorms) {
    operations.open();
    QList<int> ids;
    for (operations.first(); !operations.eof(); operations.next()) {
        ids.append(operations.field(QStringLiteral("id")).asInteger());
    }
    EXPECT_FALSE(ids.contains(5));
    EXPECT_EQ(ids.size(), 5);
    ASSERT_TRUE(operations.locate(QStringLiteral("id"), 4));
    EXPECT_EQ(operations.field(QStringLiteral("norma")).asInteger(), 3);
    EXPECT_DOUBLE_EQ(operations.field(QStringLiteral("cena")).asFloat(), 1.6);
}

TEST_F(ListStatementsTest, OperationsListFiltersByProductAndMark) {
    test::adminExec(QStringLiteral("update accounts_dep.oper set i_id_old=1 where id=3"));
    operations.open();
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
        operations.setFilter(QString::fromUtf8(c.filter));
        operations.setFiltered(true);
        QList<int> ids;
        for (operations.first(); !operations.eof(); operations.next()) {
            ids.append(operations.field(QStringLiteral("id")).asInteger());
        }
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(ids, c.ids) << c.filter;
    }
    test::adminExec(QStringLiteral("update accounts_dep.oper set i_id_old=null where id=3"));
}

TEST_F(ListStatementsTest, HoursListsOfShiftsOneAndTwoAreReadOnly) {
    const struct {
        Dataset* list;
        bool readOnly;
    } cases[] = {{&hoursPage(1), true}, {&hoursPage(2), true}, {&hoursPage(3), false}};
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

// The windows tell the user about a duplicate; the count itself is a bound statement.
TEST_F(ListStatementsTest, DuplicateCountsBindTheTypedText) {
    const QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=:vid");

    EXPECT_EQ(
        session.connection.scalar(count, {{QStringLiteral("vid"), QStringLiteral("ГИБКА 'Г'")}})
            .toInt(),
        1);
    EXPECT_EQ(
        session.connection.scalar(count, {{QStringLiteral("vid"), QStringLiteral("X' OR '1'='1")}})
            .toInt(),
        0);
    EXPECT_EQ(session.connection
                  .scalar(count + QStringLiteral(" and id<>:id"),
                          {{QStringLiteral("vid"), QStringLiteral("ГИБКА 'Г'")},
                           {QStringLiteral("id"), 0}})
                  .toInt(),
              1);
    EXPECT_TRUE(messages.messages().isEmpty());
}

}  // namespace
}  // namespace tabel::data
