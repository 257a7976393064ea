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
    void SetUp() override { test::connectAs(dm.ADO_DB); }

    TDataModule6 dm;
    test::MessageRecorder messages;
};

TEST_F(DataModuleTest, ShiftListsShowTheirShiftWithoutTaAndNull) {
    const struct {
        int shift;
        QList<int> ids;
    } cases[] = {{1, {1, 2, 3}}, {2, {6}}, {3, {7}}, {4, {8}}, {9, {1, 2, 3}}};
    for (const auto& c : cases) {
        Dataset& list = dm.smenaList(c.shift);
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

TEST_F(DataModuleTest, ShiftListComputesTheSumAndMarksReadOnlyFields) {
    Dataset& list = dm.Smena1;
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
    dm.Oper.open();
    QList<int> ids;
    for (dm.Oper.first(); !dm.Oper.eof(); dm.Oper.next()) {
        ids.append(dm.Oper.field(QStringLiteral("id")).asInteger());
    }
    EXPECT_FALSE(ids.contains(5));
    EXPECT_EQ(ids.size(), 5);
    ASSERT_TRUE(dm.Oper.locate(QStringLiteral("id"), 4));
    EXPECT_EQ(dm.Oper.field(QStringLiteral("norma")).asInteger(), 3);
    EXPECT_DOUBLE_EQ(dm.Oper.field(QStringLiteral("cena")).asFloat(), 1.6);
}

TEST_F(DataModuleTest, OperationsListFiltersByProductAndMark) {
    test::adminExec(QStringLiteral("update accounts_dep.oper set i_id_old=1 where id=3"));
    dm.Oper.open();
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
        dm.Oper.setFilter(QString::fromUtf8(c.filter));
        dm.Oper.setFiltered(true);
        QList<int> ids;
        for (dm.Oper.first(); !dm.Oper.eof(); dm.Oper.next()) {
            ids.append(dm.Oper.field(QStringLiteral("id")).asInteger());
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
    } cases[] = {{&dm.H_Tabel_1, true}, {&dm.H_Tabel_2, true}, {&dm.H_Tabel_3, false}};
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
TEST_F(DataModuleTest, CheckDuplicateCountsWithoutAMessageAndClosesControl) {
    const QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=:vid");

    EXPECT_EQ(dm.CheckDuplicate(count, {{QStringLiteral("vid"), QStringLiteral("ГИБКА 'Г'")}}), 1);
    EXPECT_FALSE(dm.Control.isOpen());

    EXPECT_EQ(dm.CheckDuplicate(count, {{QStringLiteral("vid"), QStringLiteral("X' OR '1'='1")}}),
              0);
    EXPECT_FALSE(dm.Control.isOpen());
    EXPECT_TRUE(messages.messages().isEmpty());
}

}  // namespace
}  // namespace tabel::data
