// Sort texts and the order of field values.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <limits>
#include <vector>

#include "core/sort_order.h"

namespace tabel::core {
namespace {

TEST(SortTextTest, ParsesKeysInOrder) {
    const struct {
        const char* text;
        QList<SortKey> expected;
    } cases[] = {
        {"fio ASC", {{"fio", false}}},
        {"fio DESC", {{"fio", true}}},
        {"marka", {{"marka", false}}},
        {"id_doc DESC, fio ASC", {{"id_doc", true}, {"fio", false}}},
        {"  kol_vo   desc ,marka,vid Asc ", {{"kol_vo", true}, {"marka", false}, {"vid", false}}},
        {"Фамилия DeSc", {{"Фамилия", true}}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseSortOrder(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(SortTextTest, RefusesGarbage) {
    const char* const cases[] = {"fio ASCX", "fio ASC DESC", ", fio",     "fio,",      "fio,,marka",
                                 "1fio",     "fio;",         "fio-1 ASC", "ASC fio x", "fio DESC,"};
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parseSortOrder(QString::fromUtf8(text)), SortTextError);
    }
}

// Each list is in strictly ascending order; every pair must compare that way both ways round.
void expectAscending(const std::vector<QVariant>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(compareValues(values[i], values[i]), 0) << i;
        for (size_t j = i + 1; j < values.size(); ++j) {
            SCOPED_TRACE(testing::Message()
                         << i << " vs " << j << ": " << values[i].toString().toStdString() << " / "
                         << values[j].toString().toStdString());
            EXPECT_LT(compareValues(values[i], values[j]), 0);
            EXPECT_GT(compareValues(values[j], values[i]), 0);
        }
    }
}

TEST(CompareValuesTest, NullsFirstThenNumbersDatesTimesTexts) {
    expectAscending({QVariant(), QVariant(-5), QVariant(2.5), QVariant(qint64(3)),
                     QVariant(QDate(2000, 1, 1)), QVariant(QTime(0, 0)), QVariant(QString("0")),
                     QVariant(QString("а"))});
    EXPECT_EQ(compareValues(QVariant(), QVariant()), 0);
}

TEST(CompareValuesTest, NumbersCompareNumericallyAcrossTypes) {
    expectAscending({QVariant(std::numeric_limits<double>::quiet_NaN()), QVariant(-1.5),
                     QVariant(qint64(-1)), QVariant(false), QVariant(0.5), QVariant(1u),
                     QVariant(2.0), QVariant(10), QVariant(qint64(9007199254740992)),
                     QVariant(qint64(9007199254740993)),
                     QVariant(std::numeric_limits<qulonglong>::max())});
    EXPECT_EQ(compareValues(QVariant(2), QVariant(2.0)), 0);
    EXPECT_EQ(compareValues(QVariant(qint64(7)), QVariant(7u)), 0);
}

TEST(CompareValuesTest, TextsFollowRussianAlphabetWithCaseBreakingTies) {
    expectAscending({QString("10"), QString("9"), QString("Андреев"), QString("борисов"),
                     QString("Борисов"), QString("Борисова"), QString("Ежов"), QString("Ёлкин"),
                     QString("Жуков"), QString("Иванов"), QString("Яковлев")});
}

TEST(CompareValuesTest, DatesAndDateTimesChronologically) {
    expectAscending({QDate(2023, 12, 31), QDate(2024, 1, 1),
                     QDateTime(QDate(2024, 1, 1), QTime(10, 0)), QDate(2024, 1, 2),
                     QDateTime(QDate(2024, 2, 1), QTime(0, 0, 1))});
    EXPECT_EQ(compareValues(QDate(2024, 1, 1), QDateTime(QDate(2024, 1, 1), QTime(0, 0))), 0);
    expectAscending({QTime(8, 0), QTime(8, 0, 1), QTime(23, 59)});
}

}  // namespace
}  // namespace tabel::core
