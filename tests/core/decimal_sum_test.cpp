// Exact decimal sums: stored doubles taken as the decimals they were written as, added
// exactly, rounded once for display.
#include <gtest/gtest.h>

#include <limits>

#include "core/decimal.h"
#include "core/expression.h"
#include "core/numbers.h"

namespace tabel::core {
namespace {

TEST(DecimalTest, ADoubleIsTheDecimalItWasWrittenAs) {
    const struct {
        double value;
        const char* decimal;
    } cases[] = {
        {0.1, "0.1"},
        {1000.015, "1000.015"},
        {3402.1349999999998, "3402.135"},  // a double sum's drift is below the 15th digit
        {0.1 + 0.2, "0.3"},
        {-2.5, "-2.5"},
        {12345678901234.5, "12345678901234.5"},
        {1e-7, "0.0000001"},
        {42.0, "42"},
        {0.0, "0"},
        {-0.0, "0"},
    };
    for (const auto& c : cases) {
        const std::optional<Decimal> d = Decimal::fromDouble(c.value);
        ASSERT_TRUE(d) << c.decimal;
        EXPECT_EQ(d->toString(), QString::fromLatin1(c.decimal));
    }
    EXPECT_FALSE(Decimal::fromDouble(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(Decimal::fromDouble(std::numeric_limits<double>::quiet_NaN()));
}

TEST(DecimalTest, AddsExactlyAndReadsText) {
    Decimal sum;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(sum.add(*Decimal::fromDouble(0.1)));
    }
    EXPECT_EQ(sum.toString(), QStringLiteral("100"));
    ASSERT_TRUE(sum.add(*Decimal::fromText(u"-0,005")));
    EXPECT_EQ(sum.toString(), QStringLiteral("99.995"));
    EXPECT_EQ(sum.toDouble(), 99.995);
    for (const char16_t* bad : {u"", u"-", u"1.2.3", u"1e5", u"abc"}) {
        EXPECT_FALSE(Decimal::fromText(bad)) << QString::fromUtf16(bad).toStdString();
    }
}

Decimal decimal(const char* text) {
    return *Decimal::fromText(QString::fromLatin1(text));
}

TEST(DecimalTest, MultipliesComparesAndRoundsHalfToEvenExactly) {
    const struct {
        const char* a;
        const char* b;
        const char* product;
        int places;
        const char* shown;
    } cases[] = {
        {"1.2345", "10000", "12345", 3, "12345"},  // as a float: 12345,001
        {"0.25", "100", "25", 3, "25"},
        {"0.02", "12.5", "0.25", 3, "0,25"},
        {"1.03125", "1", "1.03125", 4, "1,0312"},  // an exact half goes to the even digit
        {"12.34567", "1", "12.34567", 4, "12,3457"},
        {"0.0005", "1", "0.0005", 3, "0"},
        {"0.0015", "1", "0.0015", 3, "0,002"},
        {"-2.5", "1", "-2.5", 0, "-2"},
        {"-1.2345", "-3", "3.7035", 18, "3,7035"},
        {"0.123456789012345678", "0.5", "0.061728394506172839", 18, "0,061728394506172839"},
    };
    for (const auto& c : cases) {
        Decimal product = decimal(c.a);
        ASSERT_TRUE(product.multiply(decimal(c.b))) << c.a << " × " << c.b;
        EXPECT_EQ(product.toString(), QString::fromLatin1(c.product)) << c.a << " × " << c.b;
        EXPECT_EQ(product.toDisplayText(c.places), QString::fromUtf8(c.shown)) << c.product;
    }
    const struct {
        const char* a;
        const char* b;
        int order;  // -1, 0, 1
    } orders[] = {{"1.5", "1.25", 1},   {"-1.5", "-1.2", -1},     {"-0.5", "0.2", -1},
                  {"-1", "-0.5", -1},   {"2.50", "2.5", 0},       {"0", "-0", 0},
                  {"100", "99.999", 1}, {"0.3", "0.30000001", -1}};
    for (const auto& o : orders) {
        const std::strong_ordering order = decimal(o.a) <=> decimal(o.b);
        EXPECT_EQ(order < 0 ? -1 : order > 0 ? 1 : 0, o.order) << o.a << " vs " << o.b;
    }
    EXPECT_EQ(decimal("5").negated().toString(), QStringLiteral("-5"));
    Decimal huge = decimal("99999999999999999999999999999999999");
    EXPECT_FALSE(huge.multiply(huge));
    EXPECT_EQ(huge.toString(), QStringLiteral("99999999999999999999999999999999999"));
}

// A worker's printed lines add up to 3402,135; the double sum of them is 3402.13499999…, whose
// footer showed 3402,13. The footer rounds the exact decimal once, by the mask's rule.
TEST(DecimalTest, ReportFooterSumOfLinesIsTheirExactDecimalSum) {
    const QStringList columns = {"summa"};
    Expression footer =
        Expression::compile("SUM(summa)", columnResolver(columns), FunctionSet::Report);
    for (double line : {1000.015, 2402.12}) {
        footer.accumulate({QVariant(line)});
    }
    EXPECT_EQ(formatMask(footer.evaluate({}).toDouble(), "#0.00"), QStringLiteral("3402,14"));
    EXPECT_EQ(formatGeneral(footer.evaluate({}).toDouble()), QStringLiteral("3402,135"));
}

}  // namespace
}  // namespace tabel::core
