// The six printed layouts against the report fixture: their queries, bands, sums and masks.
#include <gtest/gtest.h>

#include <QStringList>

#include "data/connection.h"
#include "report_texts.h"
#include "reports/period_reports.h"
#include "test_db.h"

namespace tabel::reports {
namespace {

// `expected` appears in `texts` in this order, not necessarily next to each other.
testing::AssertionResult inOrder(const QStringList& texts, const QStringList& expected) {
    int at = 0;
    for (const QString& e : expected) {
        const int found = texts.indexOf(e, at);
        if (found < 0) {
            return testing::AssertionFailure()
                   << "\"" << e.toStdString() << "\" not found after position " << at << " in\n"
                   << texts.join(" | ").toStdString();
        }
        at = found + 1;
    }
    return testing::AssertionSuccess();
}

class PrintedLayoutsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
    }
    void SetUp() override { test::connectAs(connection_, QStringLiteral("master")); }

    QStringList run(PeriodReport report, ProductKind kind = ProductKind::All,
                    QDate from = QDate(2026, 4, 1), QDate to = QDate(2026, 5, 1)) {
        auto layout = makePeriodLayout(report, connection_);
        const auto doc = preparePeriodReport(*layout, report, {from, to, kind});
        EXPECT_FALSE(layout->query().isOpen());
        return test::textsOf(doc);
    }

    data::Connection connection_{QStringLiteral("layouts")};
};

TEST_F(PrintedLayoutsTest, WorkersReportGroupsWorkerThenProduct) {
    const QStringList t = run(PeriodReport::Workers);
    EXPECT_EQ(t.front(), "   Отчет по рабочим за период с 01.04.2026 по 01.05.2026");
    EXPECT_TRUE(inOrder(t, {"Иванов Иван Иванович", "Кронштейн", "Готовая продукция", "Резка", " ",
                            "100", "1000,000", "100", "1000,000", "1000,00"}));
    EXPECT_TRUE(inOrder(t, {"Ивашов Пётр", "Кронштейн", "7", "7,000", "7,000", "7,00"}));
    // two products: one worker header, two product headers each with its line and footer
    EXPECT_TRUE(
        inOrder(t, {"Петров Пётр Петрович", "Кронштейн усиленный", "Покраска", " (RAL: 3020)",
                    "200", "100,000", "200", "100,000", "Профиль", "Гибка 'Г'", " (грунт)", "9",
                    "18,000", "9", "18,000", "118,00", "Итого:", "1125,00", "1"}));
    EXPECT_EQ(t.count("Петров Пётр Петрович"), 1);
    EXPECT_FALSE(t.contains("Сварка")) << "worker 999 has no person";
    EXPECT_FALSE(t.contains("1000")) << "the entry on the \"по\" day is out";
}

TEST_F(PrintedLayoutsTest, ProductsReportWithKindFilter) {
    const QStringList all = run(PeriodReport::Products);
    EXPECT_TRUE(inOrder(all, {"Коробки", "Количество", "Кронштейн"}));
    EXPECT_TRUE(all.contains("Сварка")) << "the entry without a person counts for products";
    EXPECT_TRUE(inOrder(all, {"Кронштейн усиленный", "Готовая продукция", "Покраска",
                              " (RAL: 3020)", "500", "200", "500", "200"}));
    EXPECT_TRUE(inOrder(all, {"Итого:", "647", "321"}));

    const QStringList finished = run(PeriodReport::Products, ProductKind::Finished);
    EXPECT_FALSE(finished.contains("Сварка"));
    EXPECT_TRUE(inOrder(finished, {"Итого:", "640", "316"})) << "640,5 goes to the even 640";

    const QStringList blanks = run(PeriodReport::Products, ProductKind::Blanks);
    EXPECT_TRUE(
        inOrder(blanks, {"Кронштейн", "Заготовки", "Сварка", "6,25", "5", "Итого:", "6", "5"}));
    EXPECT_FALSE(blanks.contains("Покраска"));
}

TEST_F(PrintedLayoutsTest, DetailedWorkersReportAddsThePremium) {
    const QStringList t = run(PeriodReport::WorkersDetail);
    EXPECT_TRUE(inOrder(t, {"Брак", "Количество", "Сумма", "Премия"}));
    EXPECT_TRUE(
        inOrder(t, {"Иванов Иван Иванович", "КР-1", "Резка", "0", "Готовая продукция", "0", "100",
                    "1000,00", "100,00", "0", "100", "1000,00", "100,00", "Итог:", "1100,00"}));
    EXPECT_TRUE(inOrder(t, {"Петров Пётр Петрович", "КР-2", "Покраска", "3020"}));
    EXPECT_TRUE(inOrder(t, {"Итого:", "1", "317", "1125,00"}));
    EXPECT_FALSE(t.contains(" (RAL: 3020)"));
}

TEST_F(PrintedLayoutsTest, DetailedProductsReport) {
    const QStringList t = run(PeriodReport::ProductsDetail);
    EXPECT_TRUE(inOrder(t, {"Брак", "Коробки", "Кол-во", "Сумма"}));
    EXPECT_TRUE(inOrder(t, {"Кронштейн усиленный", "КР-2", "Покраска", "3020", "Готовая продукция",
                            "0", "500", "200", "100,000", "0", "500,00", "200", "100,00"}));
    EXPECT_TRUE(inOrder(
        t, {"Профиль", "ПР-1", "Гибка 'Г'", "1", "Готовая продукция", "1", "7,5", "10", "18,000"}));
    EXPECT_TRUE(inOrder(t, {"Итого:", "1", "647,50", "322", "1140,00"}));
}

TEST_F(PrintedLayoutsTest, RequisitionsReportSeparatesConsecutiveRequisitions) {
    const QStringList t = run(PeriodReport::Requisitions);
    EXPECT_TRUE(inOrder(t, {"Брак", "Номенкл.", "Кол-во", "Сумма"}));
    EXPECT_TRUE(inOrder(t, {"15", "КР-1", "Резка", "Кронштейн", "100", "1000,000", "0", "125,00",
                            "100", "1000,00", "16", "КР-1", "Сварка", "Кронштейн", "5", "15,000"}));
    EXPECT_FALSE(t.contains("7,000")) << "an entry without a requisition is left out";
    EXPECT_TRUE(inOrder(t, {"Итого:", "1", "638,75", "315", "1133,00"}));
}

TEST_F(PrintedLayoutsTest, EmptyPeriodPrintsHeaderAndFooter) {
    for (const PeriodReport report :
         {PeriodReport::Workers, PeriodReport::Products, PeriodReport::WorkersDetail,
          PeriodReport::ProductsDetail, PeriodReport::Requisitions}) {
        const QStringList t = run(report, ProductKind::All, QDate(2026, 4, 1), QDate(2026, 4, 1));
        EXPECT_EQ(t.front(), reportTitle(report, {QDate(2026, 4, 1), QDate(2026, 4, 1)}));
        EXPECT_TRUE(inOrder(t, {"Итого:", "1"}));
    }
}

TEST_F(PrintedLayoutsTest, TimesheetOfAMonth) {
    TimesheetLayout layout(connection_);
    layout.monthHours.setParam(QStringLiteral("mnth"), 3);
    layout.monthHours.setParam(QStringLiteral("yea"), 2026);
    layout.monthHours.open();
    layout.setTitle(QStringLiteral("Март 2026 г."));
    const auto doc = layout.prepare();
    layout.monthHours.close();
    EXPECT_EQ(doc.orientation, QPageLayout::Landscape);
    EXPECT_TRUE(doc.previewWholePage);
    EXPECT_EQ(doc.title, "Табель Март 2026 г.");
    const QStringList t = test::textsOf(doc);
    QStringList header{"Март 2026 г."};
    for (int day = 1; day <= 31; ++day) {
        header.append(QString::number(day));
    }
    header.append("Итого");
    EXPECT_EQ(t.mid(0, header.size()), header);
    // shifts add up: 8 in shift 1 and 2 in overtime on the 2nd
    EXPECT_TRUE(inOrder(t, {"Иванов Иван Иванович", "0", "10", "0"}));
    const int ivanov = int(t.indexOf("Иванов Иван Иванович"));
    EXPECT_EQ(t.at(ivanov + 32), "10");
    const int ivashov = int(t.indexOf("Ивашов Пётр"));
    EXPECT_EQ(t.at(ivashov + 2), "8");
    EXPECT_EQ(t.at(ivashov + 3), "8");
    EXPECT_EQ(t.at(ivashov + 32), "16");
    EXPECT_EQ(t.back(), "1");
}

// One person whose code is no number, and one who is no employee, leave everybody else listed.
TEST_F(PrintedLayoutsTest, APersonWithAnOddCodeLeavesTheOthersListed) {
    test::adminExec(QStringLiteral(
        "insert into cmn_contractor.person (id, s_code, s_caption, b_employee) values "
        "(990001, 'Б-17', 'Странный Код', true), (990002, 'x', 'Не сотрудник', false)"));
    const QStringList workers = run(PeriodReport::Workers);
    const QStringList detail = run(PeriodReport::WorkersDetail);
    TimesheetLayout layout(connection_);
    layout.monthHours.setParam(QStringLiteral("mnth"), 3);
    layout.monthHours.setParam(QStringLiteral("yea"), 2026);
    layout.monthHours.open();
    const QStringList timesheet = test::textsOf(layout.prepare());
    layout.monthHours.close();
    test::adminExec(
        QStringLiteral("delete from cmn_contractor.person where id in (990001, 990002)"));
    for (const QStringList& t : {workers, detail, timesheet}) {
        EXPECT_TRUE(t.contains("Иванов Иван Иванович"));
        EXPECT_FALSE(t.contains("Странный Код"));
        EXPECT_FALSE(t.contains("Не сотрудник"));
    }
}

}  // namespace
}  // namespace tabel::reports
