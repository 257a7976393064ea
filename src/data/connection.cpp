#include "data/connection.h"

#include <sqlext.h>

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include "data/errors.h"
#include "data/parameters.h"
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

// Debian's /etc/odbcinst.ini switches the driver's communication log on, and the driver applies
// that setting again at disconnect whatever the connection string says, leaving a
// /tmp/psqlodbc_*.log at every start. The program points unixODBC at driver settings of its own
// (installed beside it, or the build tree's), unless the user chose a folder himself. unixODBC
// reads the variable once, at its first use in the process: this runs before any connection.
void useOwnDriverSettings() {
    if (qEnvironmentVariableIsSet("ODBCSYSINI")) {
        return;
    }
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QStringList folders{
        QFileInfo(program).absolutePath() + QStringLiteral("/../share/tabel/odbc"),
        QStringLiteral(TABEL_ODBC_BUILD_DIR)};
    for (const QString& folder : folders) {
        if (QFileInfo::exists(folder + QStringLiteral("/odbcinst.ini"))) {
            qputenv("ODBCSYSINI", QFile::encodeName(QDir::cleanPath(folder)));
            return;
        }
    }
}

}  // namespace

Connection::Connection(const QString& name) : name_(name) {
    [[maybe_unused]] static const bool ownDriverSettings = (useOwnDriverSettings(), true);
    static QAtomicInt unnamed;
    if (name_.isEmpty()) {
        name_ = QStringLiteral("tabel_%1").arg(unnamed.fetchAndAddRelaxed(1));
    }
    if (!QSqlDatabase::contains(name_)) {
        QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
    }
}

Connection::~Connection() {
    close();
    // The handle must be gone before the connection can be removed.
    { QSqlDatabase::database(name_, false).close(); }
    QSqlDatabase::removeDatabase(name_);
}

void Connection::setConnectionString(const QString& connectionString) {
    connectionString_ = connectionString;
}

void Connection::open() {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (!db.isValid()) {
        throw DbError(QStringLiteral("Драйвер ODBC недоступен"));
    }
    db.close();
    db.setDatabaseName(connectionString_);
    // A server that accepts but never answers the login ends in a message, not a frozen window.
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(kLoginTimeoutSeconds));
    if (!db.open()) {
        // The driver frees its handle on a failed open, so there is no SQLSTATE to read.
        const QString text = messageOf(db.lastError());
        throw DbError(text, DbErrorKind::ConnectionLost, QString(), text);
    }
    lost_ = false;
    // A row locked by another workstation ends in a message after a few seconds instead of
    // freezing the window.
    run(QStringLiteral("set lock_timeout = '%1ms'").arg(kLockTimeoutMs));
}

void Connection::close() {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (db.isValid()) {
        db.close();
    }
}

QSqlDatabase Connection::database() {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (lost_ || !db.isOpen()) {
        open();
        db = QSqlDatabase::database(name_, false);
    }
    return db;
}

StatementResult Connection::run(const QString& text, const QList<QVariant>& bindings,
                                const ColumnTyper& typer) {
    if (cellByCell_) {
        return runCellByCell(text, bindings, typer);
    }
    QSqlDatabase db = database();
    try {
        return fetchInBlocks(db, text, bindings, typer);
    } catch (const OdbcFailure& failure) {
        const bool dead = connectionDead(db.driver());
        const DbErrorKind kind =
            dead ? DbErrorKind::ConnectionLost : dbErrorKindOf(failure.sqlState);
        if (kind == DbErrorKind::ConnectionLost) {
            lost_ = true;
        }
        throw DbError(failure.message, kind, failure.sqlState, failure.message);
    }
}

StatementResult Connection::runNamed(const QString& text, const Bindings& bindings) {
    Parameters parameters;
    parameters.parse(text);
    for (const auto& [name, value] : bindings) {
        parameters.setValue(name, value);
    }
    return run(parameters.positionalText(), parameters.positionalValues());
}

QVariant Connection::scalar(const QString& text, const Bindings& bindings) {
    const StatementResult result = runNamed(text, bindings);
    return result.rows.isEmpty() || result.rows.first().isEmpty() ? QVariant()
                                                                  : result.rows.first().first();
}

int Connection::execute(const QString& text, const Bindings& bindings) {
    return runNamed(text, bindings).rowsAffected;
}

StatementResult Connection::runCellByCell(const QString& text, const QList<QVariant>& bindings,
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
    if (!query.exec()) {
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

void Connection::fail(const QSqlQuery& query) {
    raise(query.lastError(), sqlStateOf(query.result()->handle(), SQL_HANDLE_STMT),
          connectionDead(query.driver()));
}

void Connection::failOnDatabase(QSqlDatabase& db) {
    raise(db.lastError(), sqlStateOf(db.driver()->handle(), SQL_HANDLE_DBC),
          connectionDead(db.driver()));
}

void Connection::raise(const QSqlError& error, const QString& sqlState, bool dead) {
    const DbErrorKind kind = dead ? DbErrorKind::ConnectionLost : dbErrorKindOf(sqlState);
    if (kind == DbErrorKind::ConnectionLost) {
        lost_ = true;
    }
    const QString text = messageOf(error);
    throw DbError(text, kind, sqlState, text);
}

void Connection::inTransaction(const std::function<void()>& work) {
    QSqlDatabase db = database();
    if (!db.transaction()) {
        failOnDatabase(db);
    }
    try {
        work();
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        const QString sqlState = sqlStateOf(db.driver()->handle(), SQL_HANDLE_DBC);
        const bool dead = connectionDead(db.driver());
        db.rollback();
        raise(error, sqlState, dead);
    }
}

}  // namespace tabel::data
