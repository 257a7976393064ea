#include "data/connection.h"

#include <QSqlError>

#include "data/errors.h"

namespace tabel::data {

namespace {

// psqlODBC reports a broken link as 08S01; the other 08xxx states mean the same to us.
bool isConnectionLoss(const QSqlError& error) {
    const QString text = error.nativeErrorCode() + QLatin1Char(' ') + error.text();
    return text.contains(QLatin1String("08S01")) || text.contains(QLatin1String("08003")) ||
           text.contains(QLatin1String("08006")) ||
           text.contains(QLatin1String("server closed the connection"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("no connection to the server"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("terminating connection"), Qt::CaseInsensitive);
}

QString messageOf(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) {
        text = error.text().trimmed();
    }
    return text;
}

}  // namespace

Connection::Connection(const QString& name) : name_(name) {
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
    if (!db.open()) {
        throw DbError(messageOf(db.lastError()), true);
    }
    lost_ = false;
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

void Connection::fail(const QSqlError& error) {
    const bool lost = isConnectionLoss(error);
    if (lost) {
        lost_ = true;
    }
    throw DbError(messageOf(error), lost);
}

void Connection::inTransaction(const std::function<void()>& work) {
    QSqlDatabase db = database();
    if (!db.transaction()) {
        fail(db.lastError());
    }
    try {
        work();
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        fail(error);
    }
}

}  // namespace tabel::data
