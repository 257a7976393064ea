#pragma once
// The one database connection; every dataset and command runs on it. Its session lives on a
// thread of its own, so that no statement freezes a window: each call is handed over there and
// the calling thread waits for it in a local event loop. Meanwhile timers go on and user input
// waits; after WaitPresenter::kShowAfterMs the installed wait presenter is shown, whose "Отмена"
// cancels the statement on the server. A server that does not take the cancel within
// kCancelGraceMs gets its connection dropped; the next action connects afresh.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "data/odbc_block_fetch.h"

class QSqlDatabase;

namespace tabel::data {

class ConnectionCall;
class ConnectionSession;
class ConnectionThread;

// Values of a statement's named placeholders (":id"), by name without regard to case.
using Bindings = QList<std::pair<QString, QVariant>>;

class Connection {
public:
    // How long a statement waits for a row or table another session holds.
    static constexpr int kLockTimeoutMs = 3000;
    static constexpr int kLoginTimeoutSeconds = 10;
    // After "Отмена", how long the server has to stop the statement before the connection is
    // dropped (a frozen server process acts on no signal).
    static constexpr int kCancelGraceMs = 5000;

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
    // The server of this connection is a hot standby and takes no write; connects first when
    // the connection is not open. Throws DbError.
    bool readOnlyServer();

    // The one way a statement reaches the server: runs `text` (with '?' marks) with `bindings`
    // bound in order and reads every row in blocks through bound buffers, converted to the types
    // `typer` gives (the server's without it). Throws DbError, classified by its SQLSTATE; a lost
    // connection is reopened on the next action.
    StatementResult run(const QString& text, const QList<QVariant>& bindings = {},
                        const ColumnTyper& typer = {});

    // Rows of a select read forward from a server-side cursor, `blockRows` at a time, none kept:
    // `take` gets each block on the calling thread (its columns and types every time; no rows
    // when the select gives none) and may throw to stop. The cursor lives in a read transaction
    // of its own that ends on every path, so never call this inside inTransaction. Throws
    // DbError.
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

    // Runs the writes of `work` as one transaction: all of them or none. `work` runs on the
    // calling thread; its statements go to the connection one by one. Inside `work` a further
    // inTransaction is part of the same transaction.
    void inTransaction(const std::function<void()>& work);

    // A call of this connection is being waited for. A call made meanwhile (from a timer or
    // another event handled during the wait) queues behind it and runs when it is done; only
    // while the waited-for call belongs to an open transaction is it refused at once, with a
    // DbError of kind ConnectionLost (the connection itself stays as it is): run then, it would
    // become part of that transaction, and waiting for the transaction to end would never end.
    // Background work skips such an error as it skips an unreachable server; the change feed
    // holds its batches while the connection is busy, so live refresh never meets it.
    bool busy() const;
    // A call of some connection is being waited for on the calling thread.
    static bool anyBusy();

    // Runs `work` with the open Qt database where it lives, on the connection's own thread; for
    // measurements against the driver itself. `work` must not keep the database.
    void withDatabase(const std::function<void(QSqlDatabase&)>& work);

private:
    // How long the caller waits for an answer before its event loop turns.
    static constexpr std::chrono::microseconds kQuietWait{1000};

    struct Waits;
    class WaitScope;
    friend class WaitScope;

    template <typename Job>
    std::invoke_result_t<Job&, ConnectionSession&> call(Job job);
    // Throws when a call now would not belong where it must (see busy()).
    void checkCallable() const;
    // A statement posted to the connection's thread whose result is awaited later, so that the
    // caller works meanwhile (stream reads the next block while the last one is laid out).
    struct PendingRun {
        std::shared_ptr<ConnectionCall> call;
        std::shared_ptr<std::optional<StatementResult>> result;
    };
    PendingRun postRun(const QString& text, const QList<QVariant>& bindings,
                       const ColumnTyper& typer);
    StatementResult awaitRun(const PendingRun& pending);
    void post(std::shared_ptr<ConnectionCall> call);
    void await(const std::shared_ptr<ConnectionCall>& call);
    void drop();
    int depth() const;
    StatementResult runNamed(const QString& text, const Bindings& bindings);

    QString name_;
    QString connectionString_;
    bool cellByCell_ = false;
    // The connection's thread; made on the first call after it was dropped (or never made).
    std::unique_ptr<ConnectionThread> thread_;
    int threadsMade_ = 0;
    std::unique_ptr<Waits> waits_;
    // The open transaction: the thread it began on and the wait depth of its owner; -1: none.
    int transactionThread_ = -1;
    int transactionDepth_ = -1;
};

}  // namespace tabel::data
