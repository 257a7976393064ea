#include "data/notifications.h"

#include <QPointer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>

#include "data/change_trace.h"
#include "data/connection.h"
#include "data/replay_gate.h"
#include "data/statement_count.h"

namespace tabel::data {

namespace {

const QString kChannel = QStringLiteral("tabel_changes");
// A dead peer is found by a trivial statement this often; a lost listener retries this often.
constexpr int kCheckMs = 2000;
constexpr int kRetryMs = 2000;
// Ranges of numbers seen missing from the log that a transaction still running may yet commit;
// past this many they are given up, and a whole batch follows once those transactions ended.
constexpr int kMaxGaps = 100;
// On start, the newest rows whose missing numbers may still be committed.
constexpr int kStartRows = 1000;

QAtomicInt listenerCount;

// Where the log stands on start: the snapshot's xmax, the highest number pruned, and the
// newest numbers.
const QString kStartStatement = QStringLiteral(
    "select pg_catalog.pg_snapshot_xmax(pg_catalog.pg_current_snapshot())::text,\n"
    "       (select p.up_to from accounts_dep.change_log_pruned p), t.id\n"
    "from (select 1) as one\n"
    "left join (select c.id from accounts_dep.change_log c order by c.id desc limit ?) t on true\n"
    "order by t.id");

// The rows after the last one read and those of the missing numbers (given as ranges), a page
// at a time in number order, with the snapshot they were read in, the newest number, the
// highest number pruned and where the WAL stood: one statement, each part a range of the
// primary key.
// The WAL position is taken after the statement's snapshot, so every commit the snapshot shows
// was inserted below it. It is the insert position, not the written one: a commit with
// synchronous_commit off is visible before it is written. At the start of a page the insert
// position points past the page's header (24 bytes, 40 at a segment's start), where no record
// ends: it counts as the page's start, which the record ending there reaches.
const QString kReadStatement = QStringLiteral(
    "select pg_catalog.pg_snapshot_xmin(s.snap)::text, pg_catalog.pg_snapshot_xmax(s.snap)::text,\n"
    "       (select pg_catalog.max(n.id) from accounts_dep.change_log n),\n"
    "       (select p.up_to from accounts_dep.change_log_pruned p),\n"
    "       (case when s.wal % s.block <= 40 then s.wal - s.wal % s.block else s.wal end)::text,\n"
    "       r.id, r.subject, r.action, r.key_id, r.o_id, r.w_id, r.data, r.smena, r.old_data,\n"
    "       r.old_smena, r.year, r.month\n"
    "from (select pg_catalog.pg_current_snapshot(),\n"
    "             pg_catalog.pg_wal_lsn_diff(pg_catalog.pg_current_wal_insert_lsn(), '0/0'),\n"
    "             pg_catalog.current_setting('wal_block_size')::numeric) as s (snap, wal, block)\n"
    "left join (\n"
    "    select u.* from (\n"
    "        (select c.* from accounts_dep.change_log c where c.id > ? order by c.id limit ?)\n"
    "        union all\n"
    "        select f.* from unnest(?::bigint[], ?::bigint[]) as g (lo, hi)\n"
    "        cross join lateral (select c.* from accounts_dep.change_log c\n"
    "                            where c.id between g.lo and g.hi order by c.id limit ?) f\n"
    "    ) u\n"
    "    order by u.id limit ?\n"
    ") r on true\n"
    "order by r.id");

}  // namespace

bool ChangeBatch::isEmpty() const {
    return !whole && entries.isEmpty() && operationKinds.isEmpty() && operations.isEmpty() &&
           norms.isEmpty() && products.isEmpty() && hourMonths.isEmpty() && monthCloses.isEmpty();
}

qsizetype ChangeBatch::keyCount() const {
    qsizetype count = entries.size() + operationKinds.size() + operations.size() + norms.size() +
                      products.size() + hourMonths.size() + monthCloses.size();
    for (const QSet<int>& workers : hourWorkers) {
        count += workers.size();
    }
    return count;
}

bool ChangeBatch::add(const ChangeLogRow& row) {
    const QString& subject = row.subject;
    const bool known = subject == QLatin1String("smena") || subject == QLatin1String("vid_oper") ||
                       subject == QLatin1String("oper") || subject == QLatin1String("norm") ||
                       subject == QLatin1String("izdel") || subject == QLatin1String("h_tabel") ||
                       subject == QLatin1String("month_close");
    if (!known || whole) {
        return known;
    }
    if (subject == QLatin1String("smena")) {
        EntryChange change;
        change.id = row.keyId;
        change.date = row.date;
        change.shift = row.shift;
        change.oldDate = row.oldDate;
        change.oldShift = row.oldShift;
        change.action = row.action;
        entries.append(change);
    } else if (subject == QLatin1String("vid_oper")) {
        operationKinds.insert(row.keyId);
    } else if (subject == QLatin1String("oper")) {
        operations.insert(row.keyId);
    } else if (subject == QLatin1String("norm")) {
        norms.insert(row.keyId);
        operations.insert(row.operationId);
    } else if (subject == QLatin1String("izdel")) {
        products.insert(row.keyId);
    } else if (subject == QLatin1String("month_close")) {
        monthCloses.insert({row.year, row.month});
    } else {
        hourMonths.insert({row.year, row.month});
        hourWorkers[{row.year, row.month, row.shift}].insert(row.workerId);
    }
    if (keyCount() > kMaxKeys) {
        makeWhole();
    }
    return true;
}

void ChangeBatch::merge(ChangeBatch&& later) {
    walPosition = std::max(walPosition, later.walPosition);
    if (whole || later.whole) {
        makeWhole();
        return;
    }
    QHash<int, qsizetype> at;
    at.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        at.insert(entries[i].id, i);
    }
    for (const EntryChange& change : std::as_const(later.entries)) {
        const auto found = at.constFind(change.id);
        if (found == at.cend()) {
            at.insert(change.id, entries.size());
            entries.append(change);
            continue;
        }
        // Where it was before the first change, when it was anywhere, and where it is now.
        EntryChange& merged = entries[*found];
        QDate before = merged.oldDate;
        int beforeShift = merged.oldShift;
        if (!before.isValid() && merged.action != QLatin1Char('I')) {
            before = merged.date;
            beforeShift = merged.shift;
        }
        merged.date = change.date;
        merged.shift = change.shift;
        merged.action = change.action;
        const bool moved =
            before.isValid() && (before != change.date || beforeShift != change.shift);
        merged.oldDate = moved ? before : QDate();
        merged.oldShift = moved ? beforeShift : 0;
    }
    operationKinds.unite(later.operationKinds);
    operations.unite(later.operations);
    norms.unite(later.norms);
    products.unite(later.products);
    hourMonths.unite(later.hourMonths);
    monthCloses.unite(later.monthCloses);
    for (auto page = later.hourWorkers.cbegin(); page != later.hourWorkers.cend(); ++page) {
        hourWorkers[page.key()].unite(page.value());
    }
    if (keyCount() > kMaxKeys) {
        makeWhole();
    }
}

void ChangeBatch::makeWhole() {
    const quint64 wal = walPosition;
    *this = ChangeBatch();
    whole = true;
    walPosition = wal;
}

ConnectionParams connectionParamsOf(const QString& odbcConnectionString) {
    ConnectionParams params;
    const QString& text = odbcConnectionString;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), at);
        if (equals < 0) {
            break;
        }
        const QString key = text.mid(at, equals - at).trimmed().toUpper();
        QString value;
        qsizetype next = equals + 1;
        if (key == QLatin1String("PWD") && next < text.size() && text[next] == QLatin1Char('{')) {
            // Braced, with '}' doubled inside.
            ++next;
            while (next < text.size()) {
                if (text[next] == QLatin1Char('}')) {
                    if (next + 1 < text.size() && text[next + 1] == QLatin1Char('}')) {
                        value += QLatin1Char('}');
                        next += 2;
                        continue;
                    }
                    ++next;
                    break;
                }
                value += text[next++];
            }
            const qsizetype end = text.indexOf(QLatin1Char(';'), next);
            at = end < 0 ? text.size() : end + 1;
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), next);
            value = text.mid(next, (end < 0 ? text.size() : end) - next);
            at = end < 0 ? text.size() : end + 1;
        }
        if (key == QLatin1String("SERVER")) {
            params.server = value;
        } else if (key == QLatin1String("DATABASE")) {
            params.database = value;
        } else if (key == QLatin1String("UID")) {
            params.login = value;
        } else if (key == QLatin1String("PWD")) {
            params.password = value;
        } else if (key == QLatin1String("SSLMODE")) {
            params.sslMode = value;
        }
    }
    return params;
}

// Lives on the feed's thread: opens the listener connection, subscribes, reads the log when
// woken, watches the connection and reconnects; hands what it read to the feed's inbox and its
// state to the feed through queued calls.
class ChangeListener : public QObject {
public:
    struct Hooks {
        std::shared_ptr<ChangeInbox> inbox;
        std::function<void()> announce;          // the inbox holds something new
        std::function<void(bool, int)> setLive;  // up or down, and the backend's pid
    };

    ChangeListener(ConnectionParams params, Hooks hooks)
        : params_(std::move(params)),
          name_(QStringLiteral("tabel_changes_%1").arg(listenerCount.fetchAndAddRelaxed(1))),
          hooks_(std::move(hooks)) {}

    void begin() {
        check_ = new QTimer(this);
        check_->setInterval(kCheckMs);
        connect(check_, &QTimer::timeout, this, [this] { checkAlive(); });
        retry_ = new QTimer(this);
        retry_->setSingleShot(true);
        retry_->setInterval(kRetryMs);
        connect(retry_, &QTimer::timeout, this, [this] { connectNow(); });
        readTimer_ = new QTimer(this);
        readTimer_->setSingleShot(true);
        connect(readTimer_, &QTimer::timeout, this, [this] { readNow(); });
        sinceRead_.start();
        connectNow();
    }

    void end() {
        check_->stop();
        retry_->stop();
        readTimer_->stop();
        drop();
    }

private:
    // Numbers first..last seen missing from the log; every transaction that may still commit
    // them has an xid below settledBy.
    struct Gap {
        qint64 first;
        qint64 last;
        quint64 settledBy;
    };

    // One statement's answer.
    struct Page {
        quint64 xmin = 0;
        quint64 xmax = 0;
        qint64 newest = 0;  // the highest number in the log, 0 when empty
        qint64 prunedUpTo = 0;
        quint64 walPosition = 0;
        QList<ChangeLogRow> rows;
    };

    void connectNow() {
        bool up = false;
        int pid = 0;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
            db.setHostName(params_.server);
            db.setPort(5432);
            db.setDatabaseName(params_.database);
            db.setUserName(params_.login);
            db.setPassword(params_.password);
            // The same TLS mode as the program's own connection: the doorbell never falls back
            // to plain text where the plant asked for TLS.
            db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=tabel-live;"
                                                "sslmode=") +
                                 params_.sslMode);
            // Subscribed before the log is read, so that nothing committed in between is lost.
            up = db.open() && db.driver()->subscribeToNotification(kChannel);
            if (up) {
                QSqlQuery query(db);
                up = query.exec(QStringLiteral("set search_path = pg_catalog, pg_temp")) &&
                     query.exec(QStringLiteral("set statement_timeout = '30s'")) &&
                     query.exec(QStringLiteral("select pg_backend_pid()")) && query.next();
                pid = up ? query.value(0).toInt() : 0;
            }
            if (up) {
                connect(db.driver(), &QSqlDriver::notification, this, [this](const QString& name) {
                    // Only a doorbell: the payload is not looked at.
                    if (name == kChannel) {
                        noticed();
                    }
                });
            }
        }
        // The first connection learns where the log stands; a reconnect reads what it missed.
        if (up) {
            up = started_ ? readLog() : startPosition();
        }
        if (!up) {
            lost();
            return;
        }
        connected_ = true;
        check_->start();
        hooks_.setLive(true, pid);
    }

    void lost() {
        connected_ = false;
        check_->stop();
        readTimer_->stop();
        drop();
        hooks_.setLive(false, 0);
        retry_->start();
    }

    void checkAlive() {
        bool alive = false;
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            QSqlQuery query(db);
            alive = db.isOpen() && query.exec(QStringLiteral("select 1"));
        }
        if (!alive) {
            lost();
        }
    }

    void drop() {
        read_.reset();
        if (QSqlDatabase::contains(name_)) {
            {
                QSqlDatabase db = QSqlDatabase::database(name_, false);
                if (db.isOpen()) {
                    db.driver()->disconnect(this);
                    db.close();
                }
            }
            QSqlDatabase::removeDatabase(name_);
        }
    }

    // A flood of notices costs at most one read per batch interval.
    void noticed() {
        hooks_.inbox->notices.fetchAndAddRelaxed(1);
        if (connected_ && !readTimer_->isActive()) {
            readTimer_->start(int(qMax<qint64>(0, ChangeFeed::kBatchMs - sinceRead_.elapsed())));
        }
    }

    void readNow() {
        sinceRead_.restart();
        if (!readLog()) {
            lost();
        }
    }

    static quint64 xidOf(const QVariant& value) { return value.toString().toULongLong(); }

    bool startPosition() {
        QSqlQuery query(QSqlDatabase::database(name_, false));
        query.setForwardOnly(true);
        if (!query.prepare(kStartStatement)) {
            return false;
        }
        query.addBindValue(kStartRows);
        if (!query.exec()) {
            return false;
        }
        hooks_.inbox->reads.fetchAndAddRelaxed(1);
        quint64 xmax = 0;
        qint64 pruned = 0;
        QList<qint64> newest;
        while (query.next()) {
            xmax = xidOf(query.value(0));
            pruned = query.value(1).toLongLong();
            if (!query.isNull(2)) {
                newest.append(query.value(2).toLongLong());
            }
        }
        // Numbers missing among the newest rows may belong to transactions still running.
        gaps_.clear();
        qint64 previous = newest.size() < kStartRows ? pruned : newest.value(0, pruned);
        for (const qint64 id : std::as_const(newest)) {
            if (id > previous + 1) {
                gaps_.append({previous + 1, id - 1, xmax});
            }
            previous = std::max(previous, id);
        }
        if (gaps_.size() > kMaxGaps) {
            gaps_.remove(0, gaps_.size() - kMaxGaps);
        }
        last_ = previous;
        started_ = true;
        return true;
    }

    bool fetch(Page& page) {
        if (!read_) {
            read_ = std::make_unique<QSqlQuery>(QSqlDatabase::database(name_, false));
            read_->setForwardOnly(true);
            if (!read_->prepare(kReadStatement)) {
                read_.reset();
                return false;
            }
        }
        QStringList firsts;
        QStringList lasts;
        for (const Gap& gap : std::as_const(gaps_)) {
            firsts.append(QString::number(gap.first));
            lasts.append(QString::number(gap.last));
        }
        const auto array = [](const QStringList& numbers) {
            return QString(QLatin1Char('{') + numbers.join(QLatin1Char(',')) + QLatin1Char('}'));
        };
        read_->addBindValue(last_);
        read_->addBindValue(ChangeFeed::kPageRows);
        read_->addBindValue(array(firsts));
        read_->addBindValue(array(lasts));
        read_->addBindValue(ChangeFeed::kPageRows);
        read_->addBindValue(ChangeFeed::kPageRows);
        if (!read_->exec()) {
            return false;
        }
        hooks_.inbox->reads.fetchAndAddRelaxed(1);
        QSqlQuery& query = *read_;
        while (query.next()) {
            page.xmin = xidOf(query.value(0));
            page.xmax = xidOf(query.value(1));
            page.newest = query.value(2).toLongLong();
            page.prunedUpTo = query.value(3).toLongLong();
            page.walPosition = query.value(4).toString().toULongLong();
            if (query.isNull(5)) {
                continue;
            }
            ChangeLogRow row;
            row.id = query.value(5).toLongLong();
            row.subject = query.value(6).toString();
            const QString action = query.value(7).toString();
            row.action = action.isEmpty() ? QChar() : action.front();
            row.keyId = query.value(8).toInt();
            row.operationId = query.value(9).toInt();
            row.workerId = query.value(10).toInt();
            row.date = query.value(11).toDate();
            row.shift = query.value(12).toInt();
            row.oldDate = query.value(13).toDate();
            row.oldShift = query.value(14).toInt();
            row.year = query.value(15).toInt();
            row.month = query.value(16).toInt();
            page.rows.append(std::move(row));
        }
        query.finish();
        return true;
    }

    // Reads everything after the last row read, and the missing numbers committed meanwhile,
    // into one batch for the feed.
    bool readLog() {
        ChangeBatch found;
        quint64 xmin = 0;
        for (int pages = 1;; ++pages) {
            Page page;
            if (!fetch(page)) {
                return false;
            }
            xmin = page.xmin;
            found.walPosition = std::max(found.walPosition, page.walPosition);
            const qint64 top = std::max(page.newest, page.prunedUpTo);
            const bool pruned = page.prunedUpTo > last_ ||
                                (!gaps_.isEmpty() && gaps_.first().first <= page.prunedUpTo);
            // Rows were pruned before they were read, or the log is not the one read before
            // (its numbers start again): what was missed is unknown.
            if (pruned || last_ > top) {
                skipTo(top, page.xmax, found);
                break;
            }
            const bool full = page.rows.size() == ChangeFeed::kPageRows;
            qint64 previous = last_;
            for (const ChangeLogRow& row : std::as_const(page.rows)) {
                if (row.id <= last_) {
                    fill(row.id);
                } else {
                    if (row.id > previous + 1) {
                        addGap(previous + 1, row.id - 1, page.xmax);
                    }
                    previous = row.id;
                }
                found.add(row);
            }
            last_ = previous;
            if (!full) {
                // Everything this snapshot holds is read: numbers whose writers have all ended
                // since they were seen missing will never come.
                gaps_.removeIf([xmin](const Gap& gap) { return gap.settledBy <= xmin; });
                break;
            }
            if (pages == ChangeFeed::kMaxPages) {
                skipTo(top, page.xmax, found);
                break;
            }
        }
        if (wholeAfter_ != 0 && xmin >= wholeAfter_) {
            // The transactions running when numbers were given up have ended.
            found.makeWhole();
            wholeAfter_ = 0;
        }
        if (!found.isEmpty()) {
            bool announce = false;
            {
                QMutexLocker lock(&hooks_.inbox->mutex);
                hooks_.inbox->batch.merge(std::move(found));
                announce = !hooks_.inbox->announced;
                hooks_.inbox->announced = true;
            }
            if (announce) {
                hooks_.announce();
            }
        }
        return true;
    }

    // Goes on after `top` with a whole batch; rows still being written below it are covered by
    // a second whole batch once their transactions ended.
    void skipTo(qint64 top, quint64 xmax, ChangeBatch& found) {
        found.makeWhole();
        last_ = top;
        giveUpGaps(xmax);
    }

    void giveUpGaps(quint64 xmax) {
        wholeAfter_ = std::max(wholeAfter_, xmax);
        gaps_.clear();
    }

    void addGap(qint64 first, qint64 last, quint64 settledBy) {
        if (gaps_.size() == kMaxGaps) {
            giveUpGaps(settledBy);
        }
        gaps_.append({first, last, settledBy});
    }

    // A missing number was committed.
    void fill(qint64 id) {
        for (qsizetype i = 0; i < gaps_.size(); ++i) {
            Gap& gap = gaps_[i];
            if (id < gap.first || id > gap.last) {
                continue;
            }
            if (gap.first == gap.last) {
                gaps_.removeAt(i);
            } else if (id == gap.first) {
                ++gap.first;
            } else if (id == gap.last) {
                --gap.last;
            } else if (gaps_.size() == kMaxGaps) {
                giveUpGaps(gap.settledBy);
            } else {
                const Gap above{id + 1, gap.last, gap.settledBy};
                gap.last = id - 1;
                gaps_.insert(i + 1, above);
            }
            return;
        }
    }

    ConnectionParams params_;
    QString name_;
    Hooks hooks_;
    QTimer* check_ = nullptr;
    QTimer* retry_ = nullptr;
    QTimer* readTimer_ = nullptr;
    QElapsedTimer sinceRead_;
    std::unique_ptr<QSqlQuery> read_;
    bool connected_ = false;
    bool started_ = false;    // last_ is known
    qint64 last_ = 0;         // the highest number read
    QList<Gap> gaps_;         // in number order
    quint64 wholeAfter_ = 0;  // a whole batch is due once the snapshot's xmin reaches it
};

namespace {

// The trace TABEL_TRACE_CHANGES named when a feed last started: one file per process.
std::unique_ptr<ChangeTrace>& changeTrace() {
    static std::unique_ptr<ChangeTrace> trace;
    return trace;
}

}  // namespace

ChangeFeed::ChangeFeed(QObject* parent)
    : QObject(parent),
      inbox_(std::make_shared<ChangeInbox>()),
      gate_(std::make_unique<ReplayGate>()) {
    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, &ChangeFeed::flush);
    connect(gate_.get(), &ReplayGate::released, this, &ChangeFeed::deliver);
    sinceFlush_.start();
}

ChangeFeed::~ChangeFeed() {
    stop();
    for (const QPointer<QThread>& thread : std::as_const(ending_)) {
        if (thread) {
            thread->wait();
            delete thread;
        }
    }
}

void ChangeFeed::start(const QString& odbcConnectionString, ReplayedPosition replayed) {
    gate_->setReplayed(std::move(replayed));
    if (listener_ != nullptr && odbcConnectionString == connectionString_) {
        return;
    }
    stop();
    connectionString_ = odbcConnectionString;
    std::unique_ptr<ChangeTrace>& trace = changeTrace();
    const QString tracePath = qEnvironmentVariable(ChangeTrace::kVariable);
    if (tracePath.isEmpty()) {
        trace.reset();
    } else if (trace == nullptr || trace->path() != tracePath) {
        trace = std::make_unique<ChangeTrace>(tracePath);
    }
    reported_ = false;
    inbox_ = std::make_shared<ChangeInbox>();
    const quint64 generation = ++generation_;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("tabel-live"));
    QPointer<ChangeFeed> self(this);
    // Calls of a listener stopped since are dropped: it may still be ending on its thread.
    const auto current = [self, generation] { return self && self->generation_ == generation; };
    ChangeListener::Hooks hooks{inbox_,
                                [self, current] {
                                    QMetaObject::invokeMethod(
                                        self,
                                        [self, current] {
                                            if (current())
                                                self->arrived();
                                        },
                                        Qt::QueuedConnection);
                                },
                                [self, current](bool live, int pid) {
                                    QMetaObject::invokeMethod(
                                        self,
                                        [self, current, live, pid] {
                                            if (current())
                                                self->setLive(live, pid);
                                        },
                                        Qt::QueuedConnection);
                                }};
    listener_ = new ChangeListener(connectionParamsOf(odbcConnectionString), std::move(hooks));
    listener_->moveToThread(thread_);
    // Deleted on its own thread as that ends, where its timers and connection live.
    connect(thread_, &QThread::finished, listener_, &QObject::deleteLater);
    thread_->start();
    ChangeListener* listener = listener_;
    QMetaObject::invokeMethod(
        listener_, [listener] { listener->begin(); }, Qt::QueuedConnection);
}

void ChangeFeed::stop() {
    if (listener_ == nullptr) {
        return;
    }
    ++generation_;
    // Not waited for: a listener inside a connection attempt to a server that does not answer
    // ends when the attempt does (its connect timeout), and no window waits for it meanwhile.
    ChangeListener* listener = listener_;
    QThread* thread = thread_;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QMetaObject::invokeMethod(
        listener,
        [listener, thread] {
            listener->end();
            thread->quit();
        },
        Qt::QueuedConnection);
    ending_.removeAll(nullptr);
    ending_.append(thread);
    listener_ = nullptr;
    thread_ = nullptr;
    connectionString_.clear();
    flushTimer_.stop();
    gate_->clear();
    {
        QMutexLocker lock(&inbox_->mutex);
        inbox_->batch = {};
        inbox_->announced = false;
    }
    reported_ = false;
    setLive(false, 0);
}

qsizetype ChangeFeed::pendingKeys() {
    QMutexLocker lock(&inbox_->mutex);
    return (inbox_->batch.whole ? 1 : inbox_->batch.keyCount()) + gate_->heldKeys();
}

void ChangeFeed::arrived() {
    if (listener_ != nullptr && !flushTimer_.isActive()) {
        // The first change after a quiet spell goes out at once; a burst waits for the rest.
        flushTimer_.start(int(qMax<qint64>(0, kBatchMs - sinceFlush_.elapsed())));
    }
}

void ChangeFeed::setLive(bool live, int pid) {
    pid_ = pid;
    const bool first = !reported_ && listener_ != nullptr;
    reported_ = reported_ || listener_ != nullptr;
    if (live_ == live && !first) {
        return;
    }
    live_ = live;
    emit liveChanged(live);
}

void ChangeFeed::flush() {
    if (Connection::anyBusy()) {
        // Applied inside a wait for a statement, the batch would re-read rows in the middle of
        // another action: it goes out once the wait is over.
        flushTimer_.start(kBatchMs / 4);
        return;
    }
    ChangeBatch batch;
    {
        QMutexLocker lock(&inbox_->mutex);
        batch = std::move(inbox_->batch);
        inbox_->batch = {};
        inbox_->announced = false;
    }
    if (batch.isEmpty()) {
        return;
    }
    sinceFlush_.restart();
    // On a standby the batch may wait there for the standby to replay it.
    gate_->pass(std::move(batch));
}

void ChangeFeed::deliver(const ChangeBatch& batch) {
    ChangeTrace* trace = changeTrace().get();
    const qint64 before = trace != nullptr ? statementsRun() : 0;
    emit changed(batch);
    if (trace != nullptr) {
        trace->record(batch, statementsRun() - before);
    }
}

}  // namespace tabel::data
