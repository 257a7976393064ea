#include "data/connection_session.h"

#include <sqlext.h>

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include "data/connection.h"
#include "data/errors.h"
#include "data/value_conversion.h"

namespace tabel::data {

namespace {

QString messageOf(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) {
        text = error.text().trimmed();
    }
    return text;
}

// The driver's handle behind a Qt handle variant; null when there is none.
SQLHANDLE odbcHandleOf(const QVariant& handle) {
    if (!handle.isValid() || handle.metaType().sizeOf() != int(sizeof(SQLHANDLE))) {
        return nullptr;
    }
    return *static_cast<const SQLHANDLE*>(handle.constData());
}

// Qt keeps only the driver's texts; the SQLSTATE is still in the handle's first diagnostic
// record until the next call on that handle.
QString sqlStateOf(const QVariant& handle, SQLSMALLINT handleType) {
    const SQLHANDLE odbcHandle = odbcHandleOf(handle);
    if (odbcHandle == nullptr) {
        return {};
    }
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(
            SQLGetDiagRec(handleType, odbcHandle, 1, state, &native, nullptr, 0, &length))) {
        return {};
    }
    return QString::fromLatin1(reinterpret_cast<const char*>(state)).left(SQL_SQLSTATE_SIZE);
}

// psqlODBC reports a backend killed between statements as a general error (S1000); the
// connection itself knows it is gone.
bool connectionDead(const QSqlDriver* driver) {
    const SQLHANDLE connection = driver != nullptr ? odbcHandleOf(driver->handle()) : nullptr;
    if (connection == nullptr) {
        return false;
    }
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN r = SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return SQL_SUCCEEDED(r) && dead == SQL_CD_TRUE;
}

DbError lostInTransaction() {
    return DbError(QStringLiteral("Соединение с сервером потеряно, изменения не сохранены"),
                   DbErrorKind::ConnectionLost);
}

}  // namespace

ConnectionSession::ConnectionSession(const QString& databaseName, odbc::CancelPoint& cancelPoint)
    : name_(databaseName), cancelPoint_(cancelPoint) {
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
}

ConnectionSession::~ConnectionSession() {
    close();
    // Every handle on the connection must be gone before it can be removed.
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

void ConnectionSession::setConnectionString(const QString& connectionString) {
    connectionString_ = connectionString;
}

void ConnectionSession::open() {
    if (!db_.isValid()) {
        throw DbError(QStringLiteral("Драйвер ODBC недоступен"));
    }
    db_.close();
    inTransaction_ = false;
    db_.setDatabaseName(connectionString_);
    // A server that accepts but never answers the login ends in a message, not a frozen window.
    db_.setConnectOptions(
        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(Connection::kLoginTimeoutSeconds));
    if (!db_.open()) {
        // The driver frees its handle on a failed open, so there is no SQLSTATE to read.
        const QString text = messageOf(db_.lastError());
        throw DbError(text, DbErrorKind::ConnectionLost, QString(), text);
    }
    lost_ = false;
    // A row locked by another workstation ends in a message after a few seconds instead of
    // freezing the window.
    run(QStringLiteral("set lock_timeout = '%1ms'").arg(Connection::kLockTimeoutMs), {}, {}, false);
    // Nothing a login planted in public (operators, functions, relations) may be found by the
    // program's statements: they qualify every name outside pg_catalog.
    run(QStringLiteral("set search_path = pg_catalog, pg_temp"), {}, {}, false);
    // A standby, named so or failed over to, takes no write: the windows then offer none.
    const StatementResult recovery =
        run(QStringLiteral("select pg_is_in_recovery()::int4"), {}, {}, false);
    readOnlyServer_ = !recovery.rows.isEmpty() && recovery.rows.first().value(0).toInt() != 0;
}

void ConnectionSession::close() {
    inTransaction_ = false;
    if (db_.isValid()) {
        db_.close();
    }
}

QSqlDatabase& ConnectionSession::database() {
    if (lost_ || !db_.isOpen()) {
        if (inTransaction_) {
            throw lostInTransaction();
        }
        open();
    }
    return db_;
}

StatementResult ConnectionSession::run(const QString& text, const QList<QVariant>& bindings,
                                       const ColumnTyper& typer, bool cellByCell) {
    if (cellByCell) {
        return runCellByCell(text, bindings, typer);
    }
    QSqlDatabase& db = database();
    try {
        return fetchInBlocks(db, text, bindings, typer, 512, &cancelPoint_);
    } catch (const OdbcFailure& failure) {
        raise(failure, connectionDead(db.driver()));
    }
}

StatementResult ConnectionSession::runCellByCell(const QString& text,
                                                 const QList<QVariant>& bindings,
                                                 const ColumnTyper& typer) {
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.prepare(text)) {
        fail(query);
    }
    for (int i = 0; i < bindings.size(); ++i) {
        query.bindValue(i, bindings[i]);
    }
    bool executed = false;
    try {
        const odbc::Executing executing(&cancelPoint_,
                                        SQLHSTMT(odbcHandleOf(query.result()->handle())));
        executed = query.exec();
    } catch (const OdbcFailure& failure) {
        raise(failure, false);
    }
    if (!executed) {
        fail(query);
    }
    StatementResult result;
    result.rowsAffected = query.numRowsAffected();
    if (query.isSelect()) {
        const QSqlRecord record = query.record();
        const int columnCount = record.count();
        for (int c = 0; c < columnCount; ++c) {
            result.columns.append({record.fieldName(c), record.field(c).metaType()});
            result.types.append(columnTypeOf(typer, result.columns.last()));
        }
        while (query.next()) {
            QList<QVariant> row;
            row.reserve(columnCount);
            for (int c = 0; c < columnCount; ++c) {
                row.append(convertLoaded(query.value(c), result.types[c]));
            }
            result.rows.append(std::move(row));
        }
        // A fetch that breaks off (a lost connection) ends the loop like the last row does.
        if (query.lastError().isValid()) {
            fail(query);
        }
    }
    query.finish();
    return result;
}

void ConnectionSession::fail(const QSqlQuery& query) {
    raise(query.lastError(), sqlStateOf(query.result()->handle(), SQL_HANDLE_STMT),
          connectionDead(query.driver()));
}

void ConnectionSession::failOnDatabase() {
    raise(db_.lastError(), sqlStateOf(db_.driver()->handle(), SQL_HANDLE_DBC),
          connectionDead(db_.driver()));
}

void ConnectionSession::raise(const QSqlError& error, const QString& sqlState, bool dead) {
    const QString text = messageOf(error);
    raise(OdbcFailure{text, sqlState}, dead);
}

void ConnectionSession::raise(const OdbcFailure& failure, bool dead) {
    if (dead) {
        lost_ = true;
        throw DbError(failure.message, DbErrorKind::ConnectionLost, failure.sqlState,
                      failure.message);
    }
    // Whatever the driver makes of a statement cancelled halfway, the user asked for it.
    if (cancelPoint_.requested()) {
        throw DbError(userTextOf(DbErrorKind::Cancelled), DbErrorKind::Cancelled, failure.sqlState,
                      failure.message);
    }
    const DbErrorKind kind = dbErrorKindOf(failure.sqlState);
    if (kind == DbErrorKind::ConnectionLost) {
        lost_ = true;
    }
    throw DbError(failure.message, kind, failure.sqlState, failure.message);
}

void ConnectionSession::begin() {
    QSqlDatabase& db = database();
    if (!db.transaction()) {
        failOnDatabase();
    }
    inTransaction_ = true;
}

void ConnectionSession::commit() {
    inTransaction_ = false;
    if (!db_.commit()) {
        const QSqlError error = db_.lastError();
        const QString sqlState = sqlStateOf(db_.driver()->handle(), SQL_HANDLE_DBC);
        const bool dead = connectionDead(db_.driver());
        db_.rollback();
        raise(error, sqlState, dead);
    }
}

void ConnectionSession::rollback() {
    inTransaction_ = false;
    if (db_.isOpen()) {
        db_.rollback();
    }
}

}  // namespace tabel::data
