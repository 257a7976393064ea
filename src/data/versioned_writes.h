#pragma once
// What the write services share: a row written as of the version (xmin) its list read, the
// refusal when that version is no longer the stored one, and exact decimals bound as text.

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

#include "core/decimal.h"
#include "data/connection.h"

namespace tabel::data {

// An exact decimal as a statement binds it ("1.2345", cast to numeric there); null when none.
QVariant decimalValue(const std::optional<core::Decimal>& value);
// A whole number or null.
QVariant integerValue(const std::optional<int>& value);

// The first row a named statement gives (its returning values); empty when none.
QList<QVariant> firstRow(Connection& connection, const QString& text, const Bindings& bindings);

// Runs `update`, an update of row :id of `table` (a name of ours, never typed) as of version
// :ver that returns the new xmin::text, with `bindings` and those two; the row's new version.
// An empty version checks nothing. When no row was touched, throws DbError of kind RowChanged
// while the row is still there, RowGone when it is not.
QString updateAsOf(Connection& connection, const QString& table, int id, const QString& version,
                   const QString& update, Bindings bindings);
// Deletes row `id` of `table` as of `version`, with the same refusals.
void deleteAsOf(Connection& connection, const QString& table, int id, const QString& version);

// The version of row `id` of `table` as stored now; empty when it is gone.
QString storedVersion(Connection& connection, const QString& table, int id);

}  // namespace tabel::data
