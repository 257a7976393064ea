#pragma once
// Writes of the operations reference: an operation with its first norm, its change, its
// deletion, and the count of operations a new one would duplicate. Failures are thrown, never
// shown.

#include <QString>
#include <optional>

namespace tabel::data {

class Connection;

// What makes an operation: its kind, stage (oper.naimen) and product.
struct OperationKey {
    int kindId = 0;
    int stage = 0;
    int productId = 0;
};

// Operations with the same kind, stage and product, leaving out `exceptId`.
int countSameOperations(Connection& connection, const OperationKey& key,
                        std::optional<int> exceptId = std::nullopt);

// The operation and its first norm at `price`, in one transaction; the new operation's id.
int addOperation(Connection& connection, const OperationKey& key, double price);

// Changes operation `id` as of `version` (its xmin as the list read it; empty: no check);
// throws DbError (RowGone) when it was deleted meanwhile, (RowChanged) when it was changed.
void changeOperation(Connection& connection, int id, const OperationKey& key,
                     const QString& version);

// The operation's version (xmin) as it is stored now; empty when it is gone.
QString operationVersion(Connection& connection, int id);

// Deletes operation `id` with its norms; throws DbError (RowGone) when it was deleted meanwhile.
void deleteOperation(Connection& connection, int id);

}  // namespace tabel::data
