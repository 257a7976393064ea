#pragma once
// Writes of an operation's price norms: a norm added, changed or deleted as of the version its
// list read. Each takes the norm as a value and hands back the saved one; a refusal is thrown
// (DbError), never shown. Prices go to the database exactly as typed.

#include <QString>
#include <optional>

#include "core/decimal.h"

namespace tabel::data {

class Connection;

// One row of accounts_dep.norm; a blank cell is no value.
struct Norm {
    int id = 0;  // 0 until stored
    int operationId = 0;
    std::optional<int> norma;  // pieces a shift
    std::optional<core::Decimal> price;
    std::optional<int> prize;  // bonus, %
    QString version;           // xmin as read; empty checks nothing

    // The same figures, whatever the row and version.
    bool sameFigures(const Norm& other) const {
        return norma == other.norma && price == other.price && prize == other.prize;
    }
};

Norm addNorm(Connection& connection, const Norm& norm);
// Stores the norm's figures as of its version; throws DbError (RowGone) when it was deleted
// meanwhile, (RowChanged) when it was changed.
Norm changeNorm(Connection& connection, const Norm& norm);
// The same refusals; the operation's last norm is refused by the database.
void deleteNorm(Connection& connection, const Norm& norm);

}  // namespace tabel::data
