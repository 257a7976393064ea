#pragma once
// Internal: turns tokens into the compiled program.

#include <memory>

#include "core/expression.h"
#include "core/expression_program.h"

namespace tabel::core::detail {

std::shared_ptr<const Program> parse(const QString& source, const FieldResolver& resolver,
                                     FunctionSet set);

}  // namespace tabel::core::detail
