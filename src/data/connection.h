#pragma once
// The one database connection; every dataset and command runs on it.

#include <QList>
#include <QMetaType>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>
#include <utility>

#include "data/odbc_block_fetch.h"

class QSqlQuery;

namespace tabel::data {

// Values of a statement's named placeholders (":id"), by name without regard to case.
using Bindings = QList<std::pair<QString, QVariant>>;

class Connection {
public:
    // How long a statement waits for a row or table another session holds.
    static constexpr int kLockTimeoutMs = 3000;
    static constexpr int kLoginTimeoutSeconds = 10;

    // Each connection is a session of its own: without a name it gets one no other has, so
    // two data modules in one process (two workstations in a test) never share a login.
    explicit Connection(const QString& name = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(const QString& connectionString);
    const QString& connectionString() const { return connectionString_; }

    // Throws DbError when the server cannot be reached or refuses the login.
    void open();
    void close();

    // The open database, reopened first when the last action lost the connection.
    QSqlDatabase database();

    // The one way a statement reaches the server: runs `text` (with '?' marks) with `bindings`
    // bound in order and reads every row in blocks through bound buffers, converted to the types
    // `typer` gives (the server's without it). Throws DbError, classified by its SQLSTATE; a lost
    // connection is reopened on the next action.
    StatementResult run(const QString& text, const QList<QVariant>& bindings = {},
                        const ColumnTyper& typer = {});

    // Rows of a select read forward from a server-side cursor, `blockRows` at a time, none kept:
    // `take` gets each block (its columns and types every time; no rows when the select gives
    // none) and may throw to stop. The cursor lives in a read transaction of its own that ends on
    // every path, so never call this inside inTransaction. Throws DbError.
    using BlockFn = std::function<void(const StatementResult& block)>;
    void stream(const QString& text, const QList<QVariant>& bindings, const ColumnTyper& typer,
                const BlockFn& take, int blockRows = 512);

    // A statement with named placeholders, its values bound by name (a name the statement does
    // not have throws DataError): the first value of the first row, null when there is none.
    QVariant scalar(const QString& text, const Bindings& bindings = {});
    // The same for a write: the number of rows it touched.
    int execute(const QString& text, const Bindings& bindings = {});

    // Reads through the Qt driver cell by cell instead: the same values, several times slower;
    // kept to compare the block reading with.
    void setCellByCell(bool on) { cellByCell_ = on; }

    // Runs the writes of `work` as one transaction: all of them or none.
    void inTransaction(const std::function<void()>& work);

private:
    StatementResult runNamed(const QString& text, const Bindings& bindings);
    StatementResult runCellByCell(const QString& text, const QList<QVariant>& bindings,
                                  const ColumnTyper& typer);
    [[noreturn]] void fail(const QSqlQuery& query);
    [[noreturn]] void failOnDatabase(QSqlDatabase& db);
    [[noreturn]] void raise(const class QSqlError& error, const QString& sqlState, bool dead);

    QString name_;
    QString connectionString_;
    bool lost_ = false;
    bool cellByCell_ = false;
};

}  // namespace tabel::data
