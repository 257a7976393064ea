#include "core/expression.h"

#include <algorithm>

#include "core/expression_evaluator.h"
#include "core/expression_parser.h"
#include "core/like_pattern.h"

namespace tabel::core {

ExpressionError::ExpressionError(const QString& message, int position)
    : std::runtime_error(message.toStdString()), position_(position) {}

FieldResolver columnResolver(const QStringList& columnNames) {
    return [columnNames](const QString& name) {
        for (int i = 0; i < columnNames.size(); ++i) {
            if (columnNames[i].compare(name, Qt::CaseInsensitive) == 0) {
                return i;
            }
        }
        return -1;
    };
}

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(const Expression&) = default;
Expression& Expression::operator=(const Expression&) = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::compile(const QString& text, const FieldResolver& resolver,
                               FunctionSet set) {
    Expression expression;
    expression.program_ = detail::parse(text, resolver, set);
    expression.sums_.resize(expression.program_->sumArguments.size());
    return expression;
}

QString Expression::text() const {
    return program_ ? program_->text : QString();
}

QVariant Expression::evaluate(const QList<QVariant>& row, const EvaluationContext& context) const {
    if (!program_) {
        return {};
    }
    const detail::Evaluator evaluator{*program_, row, sums_, context};
    return detail::toVariant(evaluator.eval(program_->root));
}

bool Expression::matches(const QList<QVariant>& row) const {
    if (!program_) {
        return true;
    }
    static const EvaluationContext noContext;
    const detail::Evaluator evaluator{*program_, row, sums_, noContext};
    return evaluator.truth(program_->root) == detail::Truth::True;
}

void Expression::accumulate(const QList<QVariant>& row) {
    if (program_ && !sums_.empty()) {
        detail::accumulateSums(*program_, sums_, row);
    }
}

void Expression::resetAggregates() {
    std::fill(sums_.begin(), sums_.end(), detail::SumState{});
}

QString filterLiteral(const QString& typed) {
    QString escaped = typed;
    escaped.replace(u'\'', QStringLiteral("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString prefixFilter(const QString& field, const QString& typed) {
    return field + QStringLiteral(" like ") + filterLiteral(escapeLikePattern(typed) + u'%');
}

}  // namespace tabel::core
