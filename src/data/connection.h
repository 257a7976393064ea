#pragma once
// The one database connection; every dataset and command runs on it.

#include <QSqlDatabase>
#include <QString>
#include <functional>

class QSqlError;

namespace tabel::data {

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

    // Turns a failed statement into a DbError; a lost connection is reopened on the next action.
    [[noreturn]] void fail(const QSqlError& error);

    // Runs the writes of `work` as one transaction: all of them or none.
    void inTransaction(const std::function<void()>& work);

private:
    QString name_;
    QString connectionString_;
    bool lost_ = false;
};

}  // namespace tabel::data
