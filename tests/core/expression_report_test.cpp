// Report expressions: the report set of the expression language, aggregates included.
#include <gtest/gtest.h>

#include <QStringList>

#include <utility>
#include <vector>

#include "core/expression.h"
#include "core/numbers.h"
#include "rows.h"

namespace tabel::core {
namespace {

const QStringList kColumns = {"fio",   "nom",     "naimen", "color", "kolvo",
                              "summa", "s_prize", "sd1",    "sd2",   "sd3"};

using test::Cells;

QList<QVariant> makeRow(const Cells& cells) {
    return test::rowOf(kColumns, cells);
}

Expression compileReport(const QString& text) {
    return Expression::compile(text, columnResolver(kColumns), FunctionSet::Report);
}

const char kKind[] = "IF(naimen=0,'Готовая продукция','Заготовки')";
const char kColourSuffix[] = "if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')";

struct ReportCase {
    const char* expression;
    Cells cells;
    QVariant expected;
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.expression;
}

class ReportExpressionTest : public testing::TestWithParam<ReportCase> {};

// The type matters as much as the value: the engine picks the display by it.
TEST_P(ReportExpressionTest, Evaluates) {
    const ReportCase& c = GetParam();
    const QVariant actual =
        compileReport(QString::fromUtf8(c.expression)).evaluate(makeRow(c.cells), {3});
    EXPECT_EQ(actual.metaType(), c.expected.metaType()) << actual.toString().toStdString();
    EXPECT_EQ(actual, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    LayoutExpressions, ReportExpressionTest,
    testing::Values(ReportCase{kKind, {{"naimen", 0}}, QString("Готовая продукция")},
                    ReportCase{kKind, {{"naimen", 1}}, QString("Заготовки")},
                    ReportCase{kKind, {}, QString("Заготовки")},
                    ReportCase{kColourSuffix, {{"color", 1}}, QString(" (грунт)")},
                    ReportCase{kColourSuffix, {{"color", 3020}}, QString(" (RAL: 3020)")},
                    ReportCase{kColourSuffix, {{"color", 3020.0}}, QString(" (RAL: 3020)")},
                    ReportCase{kColourSuffix, {{"color", 0}}, QString(" ")},
                    ReportCase{kColourSuffix, {{"color", -1}}, QString(" ")},
                    ReportCase{"t_Report.fio", {{"fio", "Иванов"}}, QString("Иванов")},
                    ReportCase{"t_Report.nom", {}, QVariant()},
                    ReportCase{"PAGENUMBER", {}, QVariant(qint64(3))},
                    ReportCase{"pagenumber()", {}, QVariant(qint64(3))},
                    ReportCase{
                        "sd1+sd2+sd3", {{"sd1", 8}, {"sd2", 4}, {"sd3", 2.5}}, QVariant(14.5)},
                    // a blank day does not blank the row total
                    ReportCase{"sd1+sd2+sd3", {{"sd1", 8}, {"sd3", 4}}, QVariant(qint64(12))},
                    ReportCase{"sd1+sd2+sd3", {}, QVariant()}));

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, ReportExpressionTest,
    testing::Values(ReportCase{"1+2*3", {}, QVariant(qint64(7))},
                    ReportCase{"(1+2)*3", {}, QVariant(qint64(9))},
                    ReportCase{"10-2-3", {}, QVariant(qint64(5))},
                    ReportCase{"7/2", {}, QVariant(3.5)},
                    ReportCase{"-kolvo+1", {{"kolvo", 3}}, QVariant(qint64(-2))},
                    ReportCase{"2--1", {}, QVariant(qint64(3))},
                    ReportCase{"kolvo+0.5", {{"kolvo", 2}}, QVariant(2.5)},
                    ReportCase{"summa/kolvo", {{"summa", 10}, {"kolvo", 0}}, QVariant()},
                    ReportCase{"9223372036854775807+1", {}, QVariant(9223372036854775808.0)},
                    ReportCase{"kolvo*2", {{"kolvo", "abc"}}, QVariant()}));

INSTANTIATE_TEST_SUITE_P(
    TextsAndStr, ReportExpressionTest,
    testing::Values(
        ReportCase{"'a'+'b'", {}, QString("ab")},
        ReportCase{"fio+': '+kolvo", {{"fio", "Иванов"}, {"kolvo", 2.5}}, QString("Иванов: 2,5")},
        ReportCase{"kolvo+' шт.'", {{"kolvo", 12}}, QString("12 шт.")},
        ReportCase{"fio+nom", {{"nom", "ПР-1"}}, QString("ПР-1")},
        ReportCase{"STR(color)", {{"color", 3020}}, QString("3020")},
        ReportCase{"str(summa)", {{"summa", 0.1 + 0.2}}, QString("0,3")},
        ReportCase{"STR(color)", {}, QString("")},
        ReportCase{"IF(fio='Иванов' and color>0, 1, 2)",
                   {{"fio", "Иванов"}, {"color", 5}},
                   QVariant(qint64(1))},
        ReportCase{"naimen=0", {{"naimen", 0}}, QVariant(true)},
        ReportCase{"naimen=0", {}, QVariant()}));

// How the engine drives a footer item: feed the detail rows of a group, print, reset.
TEST(ReportAggregateTest, SumCoversTheRowsSinceTheLastReset) {
    Expression pay = compileReport("sum(summa)+sum(s_prize)");
    Expression count = compileReport("SUM(kolvo)");
    ASSERT_TRUE(pay.hasAggregates());
    const struct {
        std::vector<std::pair<QVariant, QVariant>> rows;  // summa, s_prize
        double pay;
        qint64 count;
    } groups[] = {
        {{{600.0, 60.0}, {400.0, 40.0}}, 1100.0, 2},
        {{{250.5, QVariant()}, {QVariant(), 10.0}}, 260.5, 2},  // nulls add nothing
        {{}, 0.0, 0},
    };
    const QList<QVariant> lastRow = makeRow({});
    for (const auto& g : groups) {
        pay.resetAggregates();
        count.resetAggregates();
        for (const auto& [summa, prize] : g.rows) {
            const QList<QVariant> row =
                makeRow({{"summa", summa}, {"s_prize", prize}, {"kolvo", 1}});
            pay.accumulate(row);
            count.accumulate(row);
        }
        EXPECT_EQ(pay.evaluate(lastRow).toDouble(), g.pay);
        EXPECT_EQ(count.evaluate(lastRow), QVariant(g.count));
    }
}

TEST(ReportAggregateTest, SumOfPricesKeepsItsCents) {
    Expression total = compileReport("sum(summa)");
    for (int i = 0; i < 1000; ++i) {
        total.accumulate(makeRow({{"summa", 0.1}}));
    }
    EXPECT_EQ(total.evaluate({}).toDouble(), 100.0);
    total.resetAggregates();
    for (const char* text : {"0.1", "0.025"}) {  // numbers kept as text still add up
        total.accumulate(makeRow({{"summa", QString::fromLatin1(text)}}));
    }
    EXPECT_EQ(formatMask(total.evaluate({}).toDouble(), "#0.00"), "0,12");
}

TEST(ReportAggregateTest, CopyKeepsItsOwnSums) {
    Expression original = compileReport("SUM(kolvo)");
    original.accumulate(makeRow({{"kolvo", 5}}));
    Expression copy = original;
    copy.accumulate(makeRow({{"kolvo", 7}}));
    EXPECT_EQ(original.evaluate({}), QVariant(qint64(5)));
    EXPECT_EQ(copy.evaluate({}), QVariant(qint64(12)));
}

TEST(ReportAggregateTest, SumInsideIfAndBesideFields) {
    Expression e = compileReport("IF(SUM(kolvo)>2, fio+': '+STR(SUM(kolvo)), '-')");
    const QList<QVariant> row = makeRow({{"fio", "Иванов"}, {"kolvo", 2}});
    e.accumulate(row);
    EXPECT_EQ(e.evaluate(row), QVariant("-"));
    e.accumulate(row);
    EXPECT_EQ(e.evaluate(row), QVariant("Иванов: 4"));
}

TEST(ReportExpressionErrorTest, RefusesMalformedCalls) {
    const struct {
        const char* text;
        int position;
    } cases[] = {
        {"SUM(SUM(kolvo))", 4}, {"IF(1,2)", 0},    {"STR()", 0},       {"foo(1)", 0},
        {"SUM(kolvo", 0},       {"IF(1 2, 3)", 5}, {"t_Report.xx", 0}, {"kolvo +", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            compileReport(QString::fromUtf8(c.text));
            ADD_FAILURE() << "compiled";
        } catch (const ExpressionError& e) {
            EXPECT_EQ(e.position(), c.position) << e.what();
        }
    }
}

}  // namespace
}  // namespace tabel::core
