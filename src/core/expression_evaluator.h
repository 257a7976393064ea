#pragma once
// Internal: evaluates a compiled program against one row.

#include <QList>
#include <QVariant>

#include <vector>

#include "core/expression.h"
#include "core/expression_program.h"

namespace tabel::core::detail {

enum class Truth { False, True, Unknown };

struct Evaluator {
    const Program& program;
    const QList<QVariant>& row;
    const std::vector<SumState>& sums;
    const EvaluationContext& context;

    Value eval(int node) const;
    Truth truth(int node) const;
};

void accumulateSums(const Program& program, std::vector<SumState>& sums,
                    const QList<QVariant>& row);
Value sumValue(const SumState& sum);
QVariant toVariant(const Value& value);

}  // namespace tabel::core::detail
