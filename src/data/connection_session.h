#pragma once
// The database session behind a Connection, on the connection's own thread: Qt's QODBC
// connection (a QSqlDatabase may only be used on the thread that made it) and every statement,
// transaction and reconnect run on it. Only the connection's thread touches it.

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include "data/odbc_block_fetch.h"
#include "data/odbc_statement.h"

class QSqlDriver;
class QSqlError;
class QSqlQuery;

namespace tabel::data {

class ConnectionSession {
public:
    // `databaseName` is unique in the process; `cancelPoint` outlives the session.
    ConnectionSession(const QString& databaseName, odbc::CancelPoint& cancelPoint);
    ~ConnectionSession();
    ConnectionSession(const ConnectionSession&) = delete;
    ConnectionSession& operator=(const ConnectionSession&) = delete;

    // Where open() and a reconnect connect to; handed over with every call.
    void setConnectionString(const QString& connectionString);

    void open();
    void close();
    // The server took the last connect as a hot standby (pg_is_in_recovery()): it reads only.
    bool readOnlyServer() const { return readOnlyServer_; }
    // The open database, reopened first when the last statement lost the connection. Inside a
    // transaction a lost connection is not reopened: its statements would run outside it.
    QSqlDatabase& database();

    StatementResult run(const QString& text, const QList<QVariant>& bindings,
                        const ColumnTyper& typer, bool cellByCell);

    void begin();
    void commit();
    // Never throws: a rollback that fails leaves the server to end the transaction.
    void rollback();

private:
    StatementResult runCellByCell(const QString& text, const QList<QVariant>& bindings,
                                  const ColumnTyper& typer);
    [[noreturn]] void fail(const QSqlQuery& query);
    [[noreturn]] void failOnDatabase();
    [[noreturn]] void raise(const QSqlError& error, const QString& sqlState, bool dead);
    [[noreturn]] void raise(const OdbcFailure& failure, bool dead);

    QString name_;
    QString connectionString_;
    odbc::CancelPoint& cancelPoint_;
    QSqlDatabase db_;
    bool lost_ = false;
    bool inTransaction_ = false;
    bool readOnlyServer_ = false;
};

}  // namespace tabel::data
