#include "data/notifications.h"

#include <QAtomicInt>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QThread>

#include "data/connection.h"

namespace tabel::data {

namespace {

const QString kChannel = QStringLiteral("tabel_changes");
// A dead peer is found by a trivial statement this often; a lost listener retries this often.
constexpr int kCheckMs = 2000;
constexpr int kRetryMs = 2000;

QAtomicInt listenerCount;

}  // namespace

bool ChangeBatch::isEmpty() const {
    return entries.isEmpty() && operationKinds.isEmpty() && operations.isEmpty() &&
           norms.isEmpty() && products.isEmpty() && hourMonths.isEmpty();
}

bool ChangeBatch::add(const QString& payload) {
    const QJsonObject object = QJsonDocument::fromJson(payload.toUtf8()).object();
    const QString table = object.value(QStringLiteral("t")).toString();
    const int id = object.value(QStringLiteral("id")).toInt();
    const auto date = [&object](const char* key) {
        return QDate::fromString(object.value(QLatin1String(key)).toString(), Qt::ISODate);
    };
    if (table == QLatin1String("smena")) {
        EntryChange change;
        change.id = id;
        change.date = date("d");
        change.shift = object.value(QStringLiteral("s")).toInt();
        change.oldDate = date("od");
        change.oldShift = object.value(QStringLiteral("os")).toInt();
        const QString action = object.value(QStringLiteral("a")).toString();
        change.action = action.isEmpty() ? QChar() : action.front();
        entries.append(change);
    } else if (table == QLatin1String("vid_oper")) {
        operationKinds.insert(id);
    } else if (table == QLatin1String("oper")) {
        operations.insert(id);
    } else if (table == QLatin1String("norm")) {
        norms.insert(id);
        operations.insert(object.value(QStringLiteral("o")).toInt());
    } else if (table == QLatin1String("izdel")) {
        products.insert(id);
    } else if (table == QLatin1String("h_tabel")) {
        const int year = object.value(QStringLiteral("y")).toInt();
        const int month = object.value(QStringLiteral("m")).toInt();
        hourMonths.insert({year, month});
        QSet<int>& workers = hourWorkers[{year, month, object.value(QStringLiteral("s")).toInt()}];
        for (const QJsonValue worker : object.value(QStringLiteral("w")).toArray()) {
            workers.insert(worker.toInt());
        }
    } else {
        return false;
    }
    return true;
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
        }
    }
    return params;
}

// Lives on the feed's thread: opens the listener connection, subscribes, watches it and
// reconnects; hands payloads and its state to the feed through queued calls.
class ChangeListener : public QObject {
public:
    ChangeListener(ConnectionParams params, std::function<void(const QString&)> onPayload,
                   std::function<void(bool, int)> onLive)
        : params_(std::move(params)),
          name_(QStringLiteral("tabel_changes_%1").arg(listenerCount.fetchAndAddRelaxed(1))),
          onPayload_(std::move(onPayload)),
          onLive_(std::move(onLive)) {}

    void begin() {
        check_ = new QTimer(this);
        check_->setInterval(kCheckMs);
        connect(check_, &QTimer::timeout, this, [this] { checkAlive(); });
        retry_ = new QTimer(this);
        retry_->setSingleShot(true);
        retry_->setInterval(kRetryMs);
        connect(retry_, &QTimer::timeout, this, [this] { connectNow(); });
        connectNow();
    }

    void end() {
        check_->stop();
        retry_->stop();
        drop();
    }

private:
    void connectNow() {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
            db.setHostName(params_.server);
            db.setPort(5432);
            db.setDatabaseName(params_.database);
            db.setUserName(params_.login);
            db.setPassword(params_.password);
            db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=tabel-live"));
            bool up = db.open() && db.driver()->subscribeToNotification(kChannel);
            int pid = 0;
            if (up) {
                QSqlQuery query(db);
                up = query.exec(QStringLiteral("select pg_backend_pid()")) && query.next();
                pid = up ? query.value(0).toInt() : 0;
            }
            if (up) {
                connect(db.driver(), &QSqlDriver::notification, this,
                        [this](const QString& name, QSqlDriver::NotificationSource source,
                               const QVariant& payload) {
                            // The listener writes nothing: every notice comes from a writer.
                            Q_UNUSED(source);
                            if (name == kChannel) {
                                onPayload_(payload.toString());
                            }
                        });
                check_->start();
                onLive_(true, pid);
                return;
            }
        }
        drop();
        onLive_(false, 0);
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
            check_->stop();
            drop();
            onLive_(false, 0);
            retry_->start();
        }
    }

    void drop() {
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

    ConnectionParams params_;
    QString name_;
    std::function<void(const QString&)> onPayload_;
    std::function<void(bool, int)> onLive_;
    QTimer* check_ = nullptr;
    QTimer* retry_ = nullptr;
};

ChangeFeed::ChangeFeed(QObject* parent) : QObject(parent) {
    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, &ChangeFeed::flush);
    sinceFlush_.start();
}

ChangeFeed::~ChangeFeed() {
    stop();
}

void ChangeFeed::start(const QString& odbcConnectionString) {
    if (listener_ != nullptr && odbcConnectionString == connectionString_) {
        return;
    }
    stop();
    connectionString_ = odbcConnectionString;
    reported_ = false;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("tabel-live"));
    QPointer<ChangeFeed> self(this);
    listener_ = new ChangeListener(
        connectionParamsOf(odbcConnectionString),
        [self](const QString& payload) {
            QMetaObject::invokeMethod(
                self,
                [self, payload] {
                    if (self)
                        self->receive(payload);
                },
                Qt::QueuedConnection);
        },
        [self](bool live, int pid) {
            QMetaObject::invokeMethod(
                self,
                [self, live, pid] {
                    if (self)
                        self->setLive(live, pid);
                },
                Qt::QueuedConnection);
        });
    listener_->moveToThread(thread_);
    thread_->start();
    ChangeListener* listener = listener_;
    QMetaObject::invokeMethod(
        listener_, [listener] { listener->begin(); }, Qt::QueuedConnection);
}

void ChangeFeed::stop() {
    if (listener_ == nullptr) {
        return;
    }
    ChangeListener* listener = listener_;
    QMetaObject::invokeMethod(
        listener_, [listener] { listener->end(); }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete listener_;
    delete thread_;
    listener_ = nullptr;
    thread_ = nullptr;
    connectionString_.clear();
    flushTimer_.stop();
    pending_ = {};
    reported_ = false;
    setLive(false, 0);
}

void ChangeFeed::receive(const QString& payload) {
    if (listener_ == nullptr || !pending_.add(payload)) {
        return;
    }
    if (!flushTimer_.isActive()) {
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
    if (pending_.isEmpty()) {
        return;
    }
    if (Connection::anyBusy()) {
        // Applied inside a wait for a statement, the batch would re-read rows in the middle of
        // another action: it goes out once the wait is over.
        flushTimer_.start(kBatchMs / 4);
        return;
    }
    const ChangeBatch batch = std::move(pending_);
    pending_ = {};
    sinceFlush_.restart();
    emit changed(batch);
}

}  // namespace tabel::data
