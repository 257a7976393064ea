#pragma once
// The ODBC statement under the block reading: the driver's connection handle behind the Qt
// driver, a statement handle freed on every path, its failures read from the diagnostics, and
// its parameters bound as the Qt driver binds them.

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <QList>
#include <QString>
#include <QVariant>
#include <mutex>
#include <vector>

#include "data/odbc_block_fetch.h"

class QSqlDatabase;

namespace tabel::data::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC with 2-byte SQLWCHAR expected");

QString fromWide(const SQLWCHAR* text, qsizetype length);

// The diagnostics of a failed call: the first record's SQLSTATE, every record's text.
OdbcFailure failureOf(SQLSMALLINT handleType, SQLHANDLE handle);

// The ODBC connection the Qt driver holds; throws OdbcFailure when there is none.
SQLHDBC connectionHandle(const QSqlDatabase& db);

// A statement handle of its own on the connection, closed and freed on every path.
class Statement {
public:
    explicit Statement(SQLHDBC dbc) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_))) {
            handle_ = SQL_NULL_HSTMT;
            throw failureOf(SQL_HANDLE_DBC, dbc);
        }
    }
    ~Statement() {
        SQLFreeStmt(handle_, SQL_CLOSE);
        SQLFreeHandle(SQL_HANDLE_STMT, handle_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT get() const { return handle_; }
    void check(SQLRETURN r) const {
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
            throw failureOf(SQL_HANDLE_STMT, handle_);
        }
    }

private:
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

// The statement a session is executing, published for the time the driver works on it, so that
// another thread can ask the server to stop it (SQLCancel). psqlODBC treats SQLCancel on a
// statement that is not executing as a close, so it is only ever called in that window.
class CancelPoint {
public:
    // Called on the session's thread around SQLExecDirect. enter() is false when a cancel was
    // asked for before the statement started: it is not executed then.
    bool enter(SQLHSTMT statement);
    void leave();

    // From any thread: marks the session's current call cancelled and cancels the statement
    // executing now, if any. May wait for the server to take the request.
    void cancel();
    bool requested() const;
    // A new call starts: an earlier request is spent.
    void reset();

private:
    mutable std::mutex mutex_;
    SQLHSTMT executing_ = SQL_NULL_HSTMT;
    bool requested_ = false;
};

// Publishes a statement on a cancel point (none: nothing) while it executes.
class Executing {
public:
    Executing(CancelPoint* point, SQLHSTMT statement);
    ~Executing();
    Executing(const Executing&) = delete;
    Executing& operator=(const Executing&) = delete;

private:
    CancelPoint* point_;
};

// The failure of a statement refused because its call was cancelled before it started.
OdbcFailure cancelledFailure();

// Bound parameter storage; binds as the Qt driver does, so psqlODBC adds the same casts.
class ParameterBinder {
public:
    explicit ParameterBinder(const QList<QVariant>& values)
        : values_(values), storage_(values.size()), indicators_(values.size(), 0) {}

    void bindAll(const Statement& stmt) {
        for (qsizetype i = 0; i < values_.size(); ++i) {
            stmt.check(bind(stmt.get(), SQLUSMALLINT(i + 1), i));
        }
    }

private:
    SQLRETURN bind(SQLHSTMT h, SQLUSMALLINT position, qsizetype i);

    const QList<QVariant>& values_;
    std::vector<QByteArray> storage_;
    std::vector<SQLLEN> indicators_;
};

}  // namespace tabel::data::odbc
