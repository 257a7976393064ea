#pragma once
// Writes of the operations reference: an operation with its first norm, its change, its
// deletion, and the count of operations a new one would duplicate. Each takes the operation as
// a value and hands back the saved one; a refusal is thrown (DbError), never shown.

#include <QString>

#include "core/decimal.h"

namespace tabel::data {

class Connection;

// One row of accounts_dep.oper: what makes it (kind, stage, product) and its version.
struct Operation {
    int id = 0;  // 0 until stored
    int kindId = 0;
    int stage = 0;  // oper.naimen
    int productId = 0;
    QString version;  // xmin as read; empty checks nothing
};

// Stored operations with the same kind, stage and product, leaving out `operation` itself.
int countSameOperations(Connection& connection, const Operation& operation);

// The operation and its first norm at `firstPrice`, exactly as given, in one transaction.
Operation addOperation(Connection& connection, const Operation& operation,
                       const core::Decimal& firstPrice);

// Changes the operation as of its version; throws DbError (RowGone) when it was deleted
// meanwhile, (RowChanged) when it was changed.
Operation changeOperation(Connection& connection, const Operation& operation);

// The operation's version (xmin) as it is stored now; empty when it is gone.
QString operationVersion(Connection& connection, int id);

// Deletes operation `id` with its norms; throws DbError (RowGone) when it was deleted meanwhile.
void deleteOperation(Connection& connection, int id);

}  // namespace tabel::data
