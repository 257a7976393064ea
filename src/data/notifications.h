#pragma once
// Live refresh: the database's change notifications (LISTEN "tabel_changes"), received on a
// second, light connection through Qt's PostgreSQL driver, since the ODBC driver delivers none.

#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <utility>

#include "data/connection_string.h"

class QThread;

namespace tabel::data {

// One entry a notification names: where it is now and, when an update moved it, where it was.
struct EntryChange {
    int id = 0;
    QDate date;
    int shift = 0;
    QDate oldDate;  // invalid unless the update changed the date or shift
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

// Everything other sessions committed since the last batch.
struct ChangeBatch {
    QList<EntryChange> entries;
    QSet<int> operationKinds;                 // vid_oper ids
    QSet<int> operations;                     // oper ids, including those whose norms changed
    QSet<int> norms;                          // norm ids
    QSet<int> products;                       // izdel ids
    QSet<std::pair<int, int>> hourMonths;     // (year, month) of hours rows
    QHash<HoursPage, QSet<int>> hourWorkers;  // the workers (w_id) whose hours rows changed

    bool isEmpty() const;
    // Adds one notification's payload; false for a payload it does not understand.
    bool add(const QString& payload);
};

// The server, database, login and password of an ODBC connection string composed by
// composeConnectionString (the password unbraced again).
ConnectionParams connectionParamsOf(const QString& odbcConnectionString);

class ChangeListener;

// Delivers what other sessions change, at most once per kBatchMs, on the thread that made it.
// Connecting, listening and reconnecting run on a thread of their own, so a slow or lost server
// never holds up a window.
class ChangeFeed : public QObject {
    Q_OBJECT
public:
    static constexpr int kBatchMs = 200;

    explicit ChangeFeed(QObject* parent = nullptr);
    ~ChangeFeed() override;

    // Listens with the credentials of `odbcConnectionString` (the one the data module's
    // connection was opened with); a different string restarts the listener.
    void start(const QString& odbcConnectionString);
    void stop();
    bool isStarted() const { return listener_ != nullptr; }
    // The notification connection is up and listening.
    bool isLive() const { return live_; }
    // Started, and the listener found the server unreachable or lost it.
    bool isDown() const { return listener_ != nullptr && reported_ && !live_; }

    // Backend process id of the listener connection, 0 when down (lets tests cut it).
    int listenerPid() const { return pid_; }

signals:
    void changed(const tabel::data::ChangeBatch& batch);
    void liveChanged(bool live);

private:
    void receive(const QString& payload);
    void setLive(bool live, int pid);
    void flush();

    QString connectionString_;
    QThread* thread_ = nullptr;
    ChangeListener* listener_ = nullptr;
    bool live_ = false;
    bool reported_ = false;  // the listener has said whether it is up since start()
    int pid_ = 0;
    ChangeBatch pending_;
    QTimer flushTimer_;
    QElapsedTimer sinceFlush_;
};

}  // namespace tabel::data
