#pragma once
// The expression language of dataset filters and report items: compiled once, evaluated per row.
//
// Filter set: field names, numbers (12, 3.5), 'strings' ('' is a quote), = <> != < > <= >=,
// like / not like, and, or, not, parentheses, a minus before a number.
// Report set: all of that plus + - * /, IF(c, a, b), STR(x), SUM(x), PAGENUMBER and field
// names qualified by a dataset name ("t_Report.fio"; the qualifier is not checked).
// Keywords, function and field names ignore letter case.
//
// Values behave as in SQL: a comparison with a null (an invalid QVariant) is unknown, `not`
// of unknown is unknown, and a row matches only when the whole expression is true.
// Numbers compare numerically whatever their type; a number against a text compares
// numerically when the text reads as a number ("12.50", "0"), otherwise as texts.
// Texts: `=` is exact, `<` and `>` follow QString::compare, `like` ignores letter case.
// In the report set arithmetic takes a null as 0 (as '' beside a text), so a blank day does not
// blank a row total; `+` with a text on either side concatenates display texts.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core/decimal.h"

namespace tabel::core {

class ExpressionError : public std::runtime_error {
public:
    ExpressionError(const QString& message, int position);

    // 0-based offset into the expression text; -1 when the error has no place.
    int position() const { return position_; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    int position_;
};

enum class FunctionSet { Filter, Report };

// Column index of a field name (unqualified), or -1 when there is no such field.
using FieldResolver = std::function<int(const QString& name)>;

// Resolves names against a list of column names, ignoring letter case.
FieldResolver columnResolver(const QStringList& columnNames);

// What a report expression may need besides the row.
struct EvaluationContext {
    int pageNumber = 0;
};

namespace detail {
struct Program;
// Whole numbers add as integers until one is not whole or the total overflows; from then on
// the total is exact decimal, each value taken as the decimal it was stored as (15 significant
// digits), so a column of prices adds up to what its printed lines add up to. Only a total
// beyond the decimal's range falls back to a plain double sum.
struct SumState {
    qint64 intSum = 0;
    Decimal exact;
    double doubleSum = 0.0;
    bool isDouble = false;
    bool exactLost = false;
};
}  // namespace detail

class Expression {
public:
    Expression();  // empty: evaluates to null and matches every row
    ~Expression();
    Expression(const Expression&);
    Expression& operator=(const Expression&);
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    // Throws ExpressionError on a syntax error, an unknown field or function.
    static Expression compile(const QString& text, const FieldResolver& resolver,
                              FunctionSet set = FunctionSet::Filter);

    bool isEmpty() const { return !program_; }
    QString text() const;

    // Fields beyond the row's end read as null. Comparisons give a bool (or null when unknown).
    QVariant evaluate(const QList<QVariant>& row, const EvaluationContext& context = {}) const;
    bool matches(const QList<QVariant>& row) const;

    // Aggregates (SUM) of the report set. The engine feeds every detail row of the span the sum
    // covers to accumulate() and calls resetAggregates() where that span starts again;
    // evaluate() then reads the sums so far. A copy carries its own sums.
    bool hasAggregates() const { return !sums_.empty(); }
    void accumulate(const QList<QVariant>& row);
    void resetAggregates();

private:
    std::shared_ptr<const detail::Program> program_;
    std::vector<detail::SumState> sums_;
};

// A quoted literal for a filter text: 'O''Brien' for O'Brien.
QString filterLiteral(const QString& typed);

// "field like '<typed>%'": rows whose field begins with the typed text, letter case ignored.
// Every typed character matches itself: an apostrophe is doubled, and %, _ and \ are escaped
// with a backslash (see LikePattern), so "50%" finds "50% …" and not "500".
QString prefixFilter(const QString& field, const QString& typed);

}  // namespace tabel::core
