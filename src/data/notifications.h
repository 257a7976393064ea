#pragma once
// Live refresh: the rows of the database's change log (accounts_dep.change_log) that other
// sessions commit, read on a second, light connection through Qt's PostgreSQL driver, woken by
// LISTEN "tabel_changes" (the ODBC driver delivers no notices). A notice is only a doorbell: its
// payload is never read, so a forged one costs one read of the log that finds nothing.

#include <QAtomicInteger>
#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>

#include "data/connection_string.h"

class QThread;

namespace tabel::data {

// One entry a change names: where it is now and, when an update moved it, where it was.
struct EntryChange {
    int id = 0;
    QDate date;
    int shift = 0;
    QDate oldDate;  // invalid unless the entry was elsewhere before
    int oldShift = 0;
    QChar action;  // 'I', 'U' or 'D'

    // The entry is or was in the list of `day` and `shift`.
    bool touches(const QDate& day, int listShift) const {
        return (date == day && shift == listShift) || (oldDate == day && oldShift == listShift);
    }
};

// One shift's page of an hours month.
struct HoursPage {
    int year = 0;
    int month = 0;
    int shift = 0;
    friend bool operator==(const HoursPage&, const HoursPage&) = default;
    friend size_t qHash(const HoursPage& page, size_t seed = 0) {
        return qHashMulti(seed, page.year, page.month, page.shift);
    }
};

// One row of accounts_dep.change_log (history.sql says what each subject fills in).
struct ChangeLogRow {
    qint64 id = 0;
    QString subject;      // smena, vid_oper, oper, norm, izdel, h_tabel, month_close
    QChar action;         // 'I', 'U' or 'D'
    int keyId = 0;        // the row's id; for smena the entry's
    int operationId = 0;  // norm: its operation
    int workerId = 0;     // h_tabel
    QDate date;           // smena
    int shift = 0;        // smena; h_tabel: the page's shift
    QDate oldDate;        // smena: where an update moved it from
    int oldShift = 0;
    int year = 0;  // h_tabel, month_close
    int month = 0;
};

// Everything other sessions committed since the last batch.
struct ChangeBatch {
    // Past this many keys a batch keeps none and says `whole` instead, so that no flood of
    // changes grows it further.
    static constexpr qsizetype kMaxKeys = 5000;

    QList<EntryChange> entries;               // one per entry
    QSet<int> operationKinds;                 // vid_oper ids
    QSet<int> operations;                     // oper ids, including those whose norms changed
    QSet<int> norms;                          // norm ids
    QSet<int> products;                       // izdel ids
    QSet<std::pair<int, int>> hourMonths;     // (year, month) of hours rows
    QSet<std::pair<int, int>> monthCloses;    // (year, month) closed or opened again
    QHash<HoursPage, QSet<int>> hourWorkers;  // the workers (w_id) whose hours rows changed
    // The log no longer holds what was missed (pruned meanwhile), or more changed than a batch
    // keeps: re-read every list whole. The keys above are then empty.
    bool whole = false;
    // Where the WAL of the server the log was read on stood once it was read (a byte position):
    // a hot standby of it shows these changes once it has replayed up to here.
    quint64 walPosition = 0;

    bool isEmpty() const;
    qsizetype keyCount() const;
    // Adds one row of the log; false for a subject it does not know. Nothing once whole.
    bool add(const ChangeLogRow& row);
    // Takes in a later batch: an entry named by both keeps where it was before the first and
    // where it is after the second; the WAL position is the later of the two.
    void merge(ChangeBatch&& later);
    void makeWhole();
};

// The server, database, login, password and TLS mode of an ODBC connection string composed by
// composeConnectionString (the password unbraced again).
ConnectionParams connectionParamsOf(const QString& odbcConnectionString);

class ChangeListener;

// What the listener's thread has read and the feed has not yet handed out: one batch, merged;
// and what it counted. Shared by one listener and the feed that started it: a listener being
// stopped may still be ending on its thread when the feed has gone.
struct ChangeInbox {
    QMutex mutex;
    ChangeBatch batch;
    bool announced = false;  // a call to the feed is on its way
    QAtomicInteger<qint64> notices;
    QAtomicInteger<qint64> reads;
};

// How far the hot standby a session reads has replayed its primary's WAL (a byte position);
// throws DbError when it cannot be asked.
using ReplayedPosition = std::function<quint64()>;

class ReplayGate;

// Delivers what other sessions change, at most once per kBatchMs, on the thread that made it.
// Connecting, listening, reading the log and reconnecting run on a thread of their own, so a
// slow or lost server never holds up a window; nor does stopping: a listener still waiting for
// its server ends on its own thread. The feed remembers the last row of the log it read; after
// a reconnect it reads everything after it, so nothing committed meanwhile is lost.
class ChangeFeed : public QObject {
    Q_OBJECT
public:
    static constexpr int kBatchMs = 200;
    // Rows of the log one statement reads, and statements one wake-up runs at most; past them
    // the batch is whole.
    static constexpr int kPageRows = 1000;
    static constexpr int kMaxPages = 10;

    explicit ChangeFeed(QObject* parent = nullptr);
    // Waits for the threads of stopped listeners still ending, so that none outlives the
    // program's end.
    ~ChangeFeed() override;

    // Listens with the credentials of `odbcConnectionString` (the one the data module's
    // connection was opened with, or the same login on the primary of a session on a hot
    // standby); a different string restarts the listener. With `replayed` (a session on a
    // standby) each batch is handed out only once the standby has replayed the primary's WAL
    // up to where the batch was read, so that the lists re-read from it find the changes.
    void start(const QString& odbcConnectionString, ReplayedPosition replayed = {});
    void stop();
    bool isStarted() const { return listener_ != nullptr; }
    // The notification connection is up and listening, and knows where the log stands.
    bool isLive() const { return live_; }
    // Started, and the listener found the server unreachable or lost it.
    bool isDown() const { return listener_ != nullptr && reported_ && !live_; }

    // Backend process id of the listener connection, 0 when down (lets tests cut it).
    int listenerPid() const { return pid_; }

    // Read, not yet delivered keys (a whole batch counts one); notices received and statements
    // that read the log since start(): for tests and the benchmark.
    qsizetype pendingKeys();
    qint64 noticesReceived() const { return inbox_->notices.loadRelaxed(); }
    qint64 logReads() const { return inbox_->reads.loadRelaxed(); }

signals:
    void changed(const tabel::data::ChangeBatch& batch);
    void liveChanged(bool live);

private:
    void arrived();
    void setLive(bool live, int pid);
    void flush();
    void deliver(const ChangeBatch& batch);

    QString connectionString_;
    QThread* thread_ = nullptr;
    ChangeListener* listener_ = nullptr;
    // Threads of stopped listeners, until they have ended.
    QList<QPointer<QThread>> ending_;
    // Counts the listeners started: what an older one still says is not listened to.
    quint64 generation_ = 0;
    bool live_ = false;
    bool reported_ = false;  // the listener has said whether it is up since start()
    int pid_ = 0;
    std::shared_ptr<ChangeInbox> inbox_;
    std::unique_ptr<ReplayGate> gate_;
    QTimer flushTimer_;
    QElapsedTimer sinceFlush_;
};

}  // namespace tabel::data
