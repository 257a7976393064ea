#pragma once
// Reads a select through its own ODBC statement on the Qt driver's connection: bound column
// buffers filled a block of rows at a time, instead of one SQLGetData call per cell. Values and
// their types are those the Qt driver gives with high numerical precision, converted for the
// dataset as the cell-by-cell path converts them.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <functional>

#include "data/field.h"

class QSqlDatabase;

namespace tabel::data {

namespace odbc {
class CancelPoint;
}

// A result column as the server named and typed it (the type the Qt driver reports).
struct ResultColumn {
    QString name;
    QMetaType type;
};

// A statement the driver refused; `sqlState` from the first diagnostic record.
struct OdbcFailure {
    QString message;
    QString sqlState;
};

struct StatementResult {
    QList<ResultColumn> columns;  // empty for a statement without a result set
    QList<FieldType> types;       // the type each column's values were converted to
    QList<QList<QVariant>> rows;  // values as a dataset keeps them (convertLoaded)
    int rowsAffected = -1;        // inserts, updates and deletes
};

// Decides a column's dataset type once its description is known; without one, the server's.
// Called where the statement runs, on the connection's own thread, while the caller waits: it
// keeps copies of what it reads, never references to the caller's objects.
using ColumnTyper = std::function<FieldType(const ResultColumn&)>;
FieldType columnTypeOf(const ColumnTyper& typer, const ResultColumn& column);

// `statement` carries '?' placeholders bound in order from `values` with the C and SQL types the
// Qt driver binds for them (psqlODBC casts by them). While the server executes it, the statement
// is published on `cancelPoint` (when given). Throws OdbcFailure.
StatementResult fetchInBlocks(const QSqlDatabase& db, const QString& statement,
                              const QList<QVariant>& values, const ColumnTyper& typer,
                              int blockRows = 512, odbc::CancelPoint* cancelPoint = nullptr);

// Widest text kept in a bound buffer; longer cells are read on their own.
constexpr int kBoundTextChars = 255;

}  // namespace tabel::data
