// Rounding, display masks, typed numbers and statement numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/numbers.h"

namespace tabel::core {
namespace {

TEST(RoundHalfEvenTest, RoundsTheDecimalValueWithHalvesToEven) {
    const struct {
        double value;
        int decimals;
        double expected;
    } cases[] = {
        {1.03125, 4, 1.0312},  // exact half, even neighbour below
        {1.03135, 4, 1.0314},  // exact half, even neighbour above
        {12.34567, 4, 12.3457},
        {2.5, 0, 2.0},
        {3.5, 0, 4.0},
        {0.125, 2, 0.12},
        {0.135, 2, 0.14},  // binary value lies below 0.135; its decimal text does not
        {2.675, 2, 2.68},  // the classic binary trap: naive rounding gives 2.67
        {1.005, 2, 1.0},
        {-0.135, 2, -0.14},
        {-2.5, 0, -2.0},
        {-12.34567, 4, -12.3457},
        {9.9995, 3, 10.0},  // carry through every digit
        {0.0005, 3, 0.0},   // half of the last place, even neighbour is zero
        {0.0015, 3, 0.002},
        {0.00049, 3, 0.0},
        {0.1 + 0.2, 4, 0.3},
        {5.0, 4, 5.0},
        {1.25, 10, 1.25},
        {125.0, -1, 120.0},
        {135.0, -1, 140.0},
        {1e20, 2, 1e20},
        {123456.78915, 4, 123456.7892},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " to " << c.decimals);
        EXPECT_EQ(roundHalfEven(c.value, c.decimals), c.expected);
    }
}

TEST(RoundHalfEvenTest, ZeroResultHasNoSignAndNonFiniteValuesPassThrough) {
    EXPECT_FALSE(std::signbit(roundHalfEven(-0.001, 2)));
    EXPECT_TRUE(std::isnan(roundHalfEven(std::numeric_limits<double>::quiet_NaN(), 2)));
    EXPECT_EQ(roundHalfEven(std::numeric_limits<double>::infinity(), 2),
              std::numeric_limits<double>::infinity());
}

TEST(FormatTest, GeneralFormatShowsAtMostFifteenSignificantDigits) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {5.0, "5"},
        {5.5, "5,5"},
        {-3.25, "-3,25"},
        {0.1 + 0.2, "0,3"},
        {1.0 / 3.0, "0,333333333333333"},
        {2.0 / 3.0, "0,666666666666667"},
        {1e-7, "0,0000001"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1234567890123460"},
        {1e20, "100000000000000000000"},
        {0.0, "0"},
        {-0.0, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatGeneral(c.value), QString::fromUtf8(c.expected));
    }
}

TEST(FormatTest, NumberIsRoundedToTheGivenPlacesWithoutTrailingZeros) {
    const struct {
        double value;
        int maxDecimals;
        const char* expected;
    } cases[] = {
        {1.03125, 4, "1,0312"}, {5.12345, 4, "5,1234"}, {2.0, 3, "2"},      {5.5, 4, "5,5"},
        {0.0004, 3, "0"},       {-0.0004, 3, "0"},      {0.0995, 3, "0,1"}, {-7.12345, 3, "-7,123"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatNumber(c.value, c.maxDecimals), QString::fromUtf8(c.expected));
    }
}

TEST(FormatTest, MaskGivesRequiredAndOptionalDigits) {
    const struct {
        double value;
        const char* mask;
        const char* expected;
    } cases[] = {
        {5.5, "#0.00#", "5,50"},
        {5.125, "#0.00#", "5,125"},
        {5.1234, "#0.00#", "5,123"},
        {5.12345, "#0.00#", "5,123"},
        {5.1235, "#0.00#", "5,124"},  // half to even
        {5.1245, "#0.00#", "5,124"},
        {5.0, "#0.00#", "5,00"},
        {1234.5678, "#0.000", "1234,568"},
        {12.0, "#0.000", "12,000"},
        {0.0005, "#0.000", "0,000"},
        {1000.1, "#0.00", "1000,10"},
        {1100.0, "#0.00", "1100,00"},
        {0.005, "#0.00", "0,00"},
        {0.015, "#0.00", "0,02"},
        {-1.005, "#0.00", "-1,00"},
        {-0.001, "#0.00", "0,00"},  // no "-0,00"
        {0.5, "#0", "0"},
        {1.5, "#0", "2"},
        {2.5, "#0", "2"},
        {-2.5, "#0", "-2"},
        {1234.9, "#0", "1235"},
        {7.0, "000", "007"},
        {0.25, "#.##", ",25"},
        {1234567.891, "#,##0.00", "1\u00A0234\u00A0567,89"},
        {999.0, "#,##0", "999"},
        {12.5, "", "12,5"},         // no mask: general format
        {12.5, "#0.0 р.", "12,5"},  // unknown characters: general format
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " " << c.mask);
        EXPECT_EQ(formatMask(c.value, QString::fromUtf8(c.mask)), QString::fromUtf8(c.expected));
    }
}

TEST(FormatTest, ACountTakesTheNounFormItsNumberNeeds) {
    const QString nbsp(QChar(0x00A0));
    const struct {
        qint64 count;
        QString text;
    } cases[] = {
        {0, "0 строк"},
        {1, "1 строка"},
        {2, "2 строки"},
        {4, "4 строки"},
        {5, "5 строк"},
        {11, "11 строк"},
        {12, "12 строк"},
        {14, "14 строк"},
        {21, "21 строка"},
        {22, "22 строки"},
        {25, "25 строк"},
        {101, "101 строка"},
        {111, "111 строк"},
        {1998, "1" + nbsp + "998 строк"},
        {1001, "1" + nbsp + "001 строка"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatCount(c.count, QStringLiteral("строка"), QStringLiteral("строки"),
                              QStringLiteral("строк")),
                  c.text)
            << c.count;
    }
}

TEST(ParseNumberTest, ReadsWhatUsersType) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"5,5", 5.5},    {"5.5", 5.5},     {" 5 ", 5.0}, {"-3", -3.0},
        {"+2,25", 2.25}, {",5", 0.5},      {"5,", 5.0},  {"0,1", 0.1},
        {"007", 7.0},    {"\t12\n", 12.0}, {"-0", 0.0},  {"123456789012345", 123456789012345.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parseNumber(QString::fromUtf8(c.text));
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, c.expected);
    }
}

TEST(ParseNumberTest, RefusesWhatIsNotAPlainNumber) {
    const char* const cases[] = {"",  " ", "abc", "5,5,5", "5.5.5", "1e5", "1E5",  "1 000",
                                 "-", ",", "--5", "5-",    "+-5",   "5a",  "0x10", "\u0663"};
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseNumber(QString::fromUtf8(text)).has_value());
    }
}

// The one reader under the number boxes, the spreadsheet's typed cells and the fields' text.
TEST(ReadDecimalTest, ReadsTheValueAndItsSignificantDigits) {
    const struct {
        const char* text;
        std::optional<double> value;
        int significant;
    } cases[] = {
        {"5,5", 5.5, 2},
        {"-3", -3.0, 1},
        {"+007", 7.0, 1},
        {",5", 0.5, 1},
        {"12,", 12.0, 2},
        {"100,50", 100.5, 4},
        {"0,0120", 0.012, 2},
        {"1000", 1000.0, 4},
        {"0", 0.0, 0},
        {"-0,000", 0.0, 0},
        {"123456789012345", 123456789012345.0, 15},
        {"1234567890123456", 1234567890123456.0, 16},
        {"0,000000000000000000001", 1e-21, 1},
        {" 5", std::nullopt, 0},  // blanks are the box's business, not the reader's
        {"5 ", std::nullopt, 0},
        {"1,2,3", std::nullopt, 0},
        {"1e5", std::nullopt, 0},
        {"+", std::nullopt, 0},
        {"", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<TypedDecimal> read = readDecimal(QString::fromUtf8(c.text));
        ASSERT_EQ(read.has_value(), c.value.has_value());
        if (read) {
            EXPECT_EQ(read->value, *c.value);
            EXPECT_EQ(std::signbit(read->value), *c.value < 0);  // zero is +0
            EXPECT_EQ(read->significantDigits, c.significant);
        }
    }
}

TEST(SqlNumberTest, WritesPlainShortestDecimals) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {1e-7, "0.0000001"},
        {123456789012345.0, "123456789012345"},
        {0.5, "0.5"},
        {-12.5, "-12.5"},
        {100.0, "100"},
        {0.0, "0"},
        {-0.0, "0"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1e21, "1000000000000000000000"},
        {std::numeric_limits<double>::quiet_NaN(), "NULL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(sqlNumber(c.value), QString::fromLatin1(c.expected));
    }
}

// What is written or shown must read back as the same number.
TEST(SqlNumberTest, TextReadsBackAsTheSameDouble) {
    const double values[] = {
        0.1 + 0.2, 1.0 / 3.0,         1e-7,         5.5,    -1234.5678,
        2.675,     123456789012345.0, 4.35 * 100.0, 1e-300, 1.7976931348623157e308};
    for (double v : values) {
        SCOPED_TRACE(v);
        const auto parsed = parseNumber(sqlNumber(v));
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, v);
    }
}

}  // namespace
}  // namespace tabel::core
