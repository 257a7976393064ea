// Dataset filters: the expression language's filter set on rows of field values.
#include <gtest/gtest.h>

#include <QDate>
#include <QStringList>

#include <utility>
#include <vector>

#include "core/expression.h"
#include "rows.h"

namespace tabel::core {
namespace {

const QStringList kColumns = {"id_doc", "fio",    "i_id", "i_id_old", "marka", "vid",
                              "ok",     "kol_vo", "cena", "naimen",   "data"};

using test::Cells;

QList<QVariant> makeRow(const Cells& cells) {
    return test::rowOf(kColumns, cells);
}

bool matches(const QString& filter, const QList<QVariant>& row) {
    return Expression::compile(filter, columnResolver(kColumns)).matches(row);
}

struct FilterCase {
    const char* filter;
    Cells cells;
    bool expected;
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.filter;
}

class FilterTest : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterTest, MatchesRow) {
    const FilterCase& c = GetParam();
    EXPECT_EQ(matches(QString::fromUtf8(c.filter), makeRow(c.cells)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    NumbersWhateverTheirType, FilterTest,
    testing::Values(
        FilterCase{"id_doc=0", {{"id_doc", qint64(0)}}, true},
        FilterCase{"id_doc=0", {{"id_doc", qint64(5)}}, false},
        FilterCase{"id_doc=0", {{"id_doc", QString("0")}}, true},
        FilterCase{"id_doc=0", {{"id_doc", QString("0.000")}}, true},
        FilterCase{"id_doc=0", {{"id_doc", 0.0}}, true},
        FilterCase{"id_doc='0'", {{"id_doc", qint64(0)}}, true},
        FilterCase{"id_doc=123456789012345", {{"id_doc", qint64(123456789012345)}}, true},
        FilterCase{"id_doc=123456789012345", {{"id_doc", qint64(123456789012346)}}, false},
        FilterCase{"id_doc=123456789012345", {{"id_doc", QString("123456789012345")}}, true},
        FilterCase{"naimen=1", {{"naimen", 1}}, true},
        FilterCase{"naimen=1", {{"naimen", 0}}, false}, FilterCase{"i_id=-5", {{"i_id", -5}}, true},
        FilterCase{"kol_vo>=10", {{"kol_vo", 10}}, true},
        FilterCase{"kol_vo>=10", {{"kol_vo", 9.5}}, false},
        FilterCase{"kol_vo>9.5", {{"kol_vo", qint64(10)}}, true},
        FilterCase{"kol_vo<9.5", {{"kol_vo", QString("10")}}, false},  // not "10"<"9.5"
        FilterCase{"cena<5.25", {{"cena", 5.2}}, true},
        FilterCase{"cena<=5.25", {{"cena", 5.25}}, true},
        FilterCase{"cena<>5.25", {{"cena", 5.25}}, false},
        FilterCase{"cena!=5.25", {{"cena", 5.3}}, true}));

INSTANTIATE_TEST_SUITE_P(
    Texts, FilterTest,
    testing::Values(FilterCase{"ok = 'ta'", {{"ok", "ta"}}, true},
                    FilterCase{"ok = 'ta'", {{"ok", "TA"}}, false},  // = is exact
                    FilterCase{"not (ok = 'ta')", {{"ok", "no"}}, true},
                    FilterCase{"not (ok = 'ta')", {{"ok", "ta"}}, false},
                    FilterCase{"not (ok = 'ta')", {{"ok", "TA"}}, true},
                    FilterCase{"fio < 'Б'", {{"fio", "Андреев"}}, true},
                    FilterCase{"fio > 'Б'", {{"fio", "Андреев"}}, false},
                    FilterCase{"fio = 'Иванов'", {{"fio", "Иванов"}}, true},
                    FilterCase{"marka = 5", {{"marka", "КР-5"}}, false},
                    FilterCase{"data = '05.03.2024'", {{"data", QDate(2024, 3, 5)}}, true},
                    FilterCase{"data < '2024-03-06'", {{"data", QDate(2024, 3, 5)}}, true}));

INSTANTIATE_TEST_SUITE_P(
    LikeIgnoresCase, FilterTest,
    testing::Values(FilterCase{"fio like 'Ив%'", {{"fio", "Иванов И.И."}}, true},
                    FilterCase{"fio like 'ив%'", {{"fio", "Иванов"}}, true},
                    FilterCase{"fio like 'ИВ%'", {{"fio", "иванов"}}, true},
                    FilterCase{"fio like 'ё%'", {{"fio", "Ёлкин"}}, true},
                    FilterCase{"fio like 'Ив%'", {{"fio", "Сидоров Иван"}}, false},
                    FilterCase{"fio like '%ван%'", {{"fio", "Сидоров Иван"}}, true},
                    FilterCase{"fio like 'И_анов'", {{"fio", "Иванов"}}, true},
                    FilterCase{"fio like 'И_анов'", {{"fio", "Ианов"}}, false},
                    FilterCase{"fio like 'Иванов'", {{"fio", "Иванов И.И."}}, false},
                    FilterCase{"fio like '%'", {{"fio", ""}}, true},
                    FilterCase{"fio not like 'Ив%'", {{"fio", "Петров"}}, true},
                    FilterCase{"fio not like 'Ив%'", {{"fio", "Иванов"}}, false},
                    FilterCase{"vid like 'Гибка ''Г''%'", {{"vid", "Гибка 'Г' двойная"}}, true},
                    FilterCase{"vid like 'Гибка ''Г''%'", {{"vid", "Гибка Г"}}, false},
                    FilterCase{"i_id like '12%'", {{"i_id", 1234}}, true}));

INSTANTIATE_TEST_SUITE_P(
    AndOrNot, FilterTest,
    testing::Values(
        FilterCase{"i_id=5 and marka like 'К%'", {{"i_id", 5}, {"marka", "КР-1"}}, true},
        FilterCase{"i_id=5 and marka like 'К%'", {{"i_id", 6}, {"marka", "КР-1"}}, false},
        FilterCase{"i_id=5 and marka like 'К%'", {{"i_id", 5}, {"marka", "ПР-1"}}, false},
        FilterCase{"i_id=5 or i_id_old=5", {{"i_id", 1}, {"i_id_old", 5}}, true},
        FilterCase{"i_id=5 or i_id_old=5", {{"i_id", 5}}, true},
        FilterCase{"i_id=5 or i_id_old=5", {{"i_id", 1}, {"i_id_old", 2}}, false},
        // and binds tighter than or
        FilterCase{"i_id=5 or i_id=6 and ok='no'", {{"i_id", 5}, {"ok", "ta"}}, true},
        FilterCase{"(i_id=5 or i_id=6) and ok='no'", {{"i_id", 5}, {"ok", "ta"}}, false},
        FilterCase{"not i_id=5 and ok='no'", {{"i_id", 6}, {"ok", "no"}}, true},
        FilterCase{"ID_DOC=0 AND Fio LIKE 'Ив%' AnD NoT i_id=1",
                   {{"id_doc", 0}, {"fio", "Иванов"}, {"i_id", 2}},
                   true}));

// A null is unknown to every comparison, and not of unknown is still unknown, as in SQL.
INSTANTIATE_TEST_SUITE_P(
    Nulls, FilterTest,
    testing::Values(FilterCase{"id_doc=0", {}, false}, FilterCase{"id_doc<>0", {}, false},
                    FilterCase{"not (id_doc=0)", {}, false}, FilterCase{"fio like '%'", {}, false},
                    FilterCase{"fio not like 'Ив%'", {}, false},
                    FilterCase{"not (ok = 'ta')", {}, false},
                    FilterCase{"i_id_old=5 or i_id=5", {{"i_id", 5}}, true},
                    FilterCase{"i_id_old=5 or i_id=5", {{"i_id", 6}}, false},
                    FilterCase{"not (i_id_old=5 and i_id=5)", {{"i_id", 6}}, true},
                    FilterCase{"i_id_old=5 and i_id=5", {{"i_id", 5}}, false}));

TEST(FilterTest, FieldsBeyondTheRowReadAsNull) {
    const Expression e = Expression::compile("cena=1", columnResolver(kColumns));
    EXPECT_FALSE(e.matches({}));
    EXPECT_EQ(e.evaluate({}), QVariant());
}

TEST(FilterTest, CompiledFilterIsReusedAcrossRows) {
    const Expression e = Expression::compile("fio like 'Ив%'", columnResolver(kColumns));
    const char* const names[] = {"Иванов", "Петров", "ивашкин", "Сидоров"};
    QStringList kept;
    for (const char* name : names) {
        if (e.matches(makeRow({{"fio", QString::fromUtf8(name)}}))) {
            kept << QString::fromUtf8(name);
        }
    }
    EXPECT_EQ(kept, QStringList({"Иванов", "ивашкин"}));
}

TEST(FilterTest, EmptyExpressionMatchesEveryRow) {
    const Expression e;
    EXPECT_TRUE(e.isEmpty());
    EXPECT_TRUE(e.matches(makeRow({})));
}

// Filters built from typed text: every typed character must stand for itself.
TEST(PrefixFilterTest, TypedTextMatchesLiterally) {
    const struct {
        const char* typed;
        const char* filter;
        std::vector<const char*> kept;
        std::vector<const char*> dropped;
    } cases[] = {
        {"Ив", "fio like 'Ив%'", {"Иванов", "ивашкин"}, {"Сидоров Иван"}},
        {"O'Br", "fio like 'O''Br%'", {"O'Brien", "o'brien"}, {"OBrien", "O''Brien"}},
        {"50%", "fio like '50\\%%'", {"50% скидка", "50%"}, {"500", "50"}},
        {"a_b", "fio like 'a\\_b%'", {"a_bc"}, {"axbc"}},
        {"C:\\d", "fio like 'C:\\\\d%'", {"C:\\dir"}, {"C:d", "C:\\\\d"}},
        {"''", "fio like '''''%'", {"'' x"}, {"' x"}},
        {"", "fio like '%'", {"", "Иванов"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const QString filter = prefixFilter("fio", QString::fromUtf8(c.typed));
        EXPECT_EQ(filter, QString::fromUtf8(c.filter));
        for (const char* name : c.kept) {
            EXPECT_TRUE(matches(filter, makeRow({{"fio", QString::fromUtf8(name)}}))) << name;
        }
        for (const char* name : c.dropped) {
            EXPECT_FALSE(matches(filter, makeRow({{"fio", QString::fromUtf8(name)}}))) << name;
        }
    }
}

TEST(PrefixFilterTest, LiteralDoublesApostrophes) {
    const struct {
        const char* typed;
        const char* literal;
    } cases[] = {{"O'Brien", "'O''Brien'"}, {"", "''"}, {"''", "''''''"}, {"Иванов", "'Иванов'"}};
    for (const auto& c : cases) {
        const QString literal = filterLiteral(QString::fromUtf8(c.typed));
        EXPECT_EQ(literal, QString::fromUtf8(c.literal));
        EXPECT_TRUE(matches("fio = " + literal, makeRow({{"fio", QString::fromUtf8(c.typed)}})))
            << c.typed;
    }
}

struct ErrorCase {
    const char* text;
    int position;  // 0-based offset the error points at
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.text;
}

class FilterErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(FilterErrorTest, RefusesWithThePosition) {
    const ErrorCase& c = GetParam();
    try {
        Expression::compile(QString::fromUtf8(c.text), columnResolver(kColumns));
        FAIL() << "compiled";
    } catch (const ExpressionError& e) {
        EXPECT_EQ(e.position(), c.position) << e.what();
        EXPECT_TRUE(e.message().contains(QString::number(c.position + 1))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, FilterErrorTest,
    testing::Values(ErrorCase{"", 0}, ErrorCase{"   ", 3},
                    ErrorCase{"fio like 'Ив%", 9},  // unterminated string
                    ErrorCase{"fio = 'a''", 6},     // the doubled quote does not close it
                    ErrorCase{"id_doc=", 7},        // dangling operator
                    ErrorCase{"id_doc=0 and", 12}, ErrorCase{"and id_doc=0", 0},
                    ErrorCase{"not", 3}, ErrorCase{"id_doc = = 1", 9},
                    ErrorCase{"id_doc=0 id_doc=1", 9},  // missing and/or
                    ErrorCase{"id_doc=1=1", 8},         // comparisons do not chain
                    ErrorCase{"(id_doc=0", 0}, ErrorCase{"id_doc=0)", 8}, ErrorCase{"()", 1},
                    ErrorCase{"id_doc=1.", 9}, ErrorCase{"id_doc=1x", 8},
                    ErrorCase{"id_doc # 1", 7}, ErrorCase{"fio like fio", 9},
                    ErrorCase{"fio like", 8}, ErrorCase{"fio not 'a'", 4}));

INSTANTIATE_TEST_SUITE_P(NotInFilters, FilterErrorTest,
                         testing::Values(ErrorCase{"nosuch=1", 0},  // unknown field
                                         ErrorCase{"id_doc=0 or xx=1", 12},
                                         ErrorCase{"id_doc+1=2", 6},  // arithmetic is for reports
                                         ErrorCase{"id_doc=-i_id", 7},
                                         ErrorCase{"sum(id_doc)=1", 0},       // so are functions
                                         ErrorCase{"t_Report.fio='a'", 0}));  // and qualified names

TEST(FilterErrorTest, RefusesRunawayNestingInsteadOfCrashing) {
    const QString deep = QString(100000, u'(') + "id_doc=0" + QString(100000, u')');
    EXPECT_THROW(Expression::compile(deep, columnResolver(kColumns)), ExpressionError);
    const QString negations = QString("not ").repeated(100000) + "id_doc=0";
    EXPECT_THROW(Expression::compile(negations, columnResolver(kColumns)), ExpressionError);
    const QString nested = QString(50, u'(') + "id_doc=0" + QString(50, u')');
    EXPECT_TRUE(
        Expression::compile(nested, columnResolver(kColumns)).matches(makeRow({{"id_doc", 0}})));
}

}  // namespace
}  // namespace tabel::core
