#pragma once
// The one database connection; every dataset and command runs on it.

#include <QList>
#include <QMetaType>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>

class QSqlQuery;

namespace tabel::data {

// A result column as the server named and typed it.
struct ResultColumn {
    QString name;
    QMetaType type;
};

struct StatementResult {
    QList<ResultColumn> columns;  // empty for a statement without a result set
    QList<QList<QVariant>> rows;  // values as the driver read them
    int rowsAffected = -1;        // inserts, updates and deletes
};

class Connection {
public:
    explicit Connection(const QString& name = QStringLiteral("tabel"));
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

    // The one way a statement reaches the server: prepares `text` (with '?' marks), binds
    // `bindings` in order, executes and reads every row. Throws DbError, classified by its
    // SQLSTATE; a lost connection is reopened on the next action.
    StatementResult run(const QString& text, const QList<QVariant>& bindings = {});

    // Runs the writes of `work` as one transaction: all of them or none.
    void inTransaction(const std::function<void()>& work);

private:
    [[noreturn]] void fail(const QSqlQuery& query);
    [[noreturn]] void failOnDatabase(QSqlDatabase& db);
    [[noreturn]] void raise(const class QSqlError& error, const QString& sqlState, bool dead);

    QString name_;
    QString connectionString_;
    bool lost_ = false;
};

}  // namespace tabel::data
