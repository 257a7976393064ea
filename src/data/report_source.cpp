#include "data/report_source.h"

#include <QList>
#include <QVariant>

#include <limits>

#include "data/connection.h"
#include "data/errors.h"

namespace tabel::data {

namespace {

const QString kOnPrimary = QStringLiteral(", отчет построен по основному серверу");

// Replay caught up with all the standby received while it streams: nothing is missing but what
// the primary committed in the last moment, however long ago its last commit was. Otherwise the
// lag is the age of the last commit it replayed. Times as seconds since 1970, so that neither
// side's time zone matters.
const QString kStandingSql = QStringLiteral(
    "select pg_catalog.pg_is_in_recovery()::int4 as in_recovery,\n"
    "  extract(epoch from pg_catalog.pg_last_xact_replay_timestamp())::float8 as replayed,\n"
    "  (coalesce(pg_catalog.pg_last_wal_receive_lsn() = pg_catalog.pg_last_wal_replay_lsn(),\n"
    "            false)\n"
    "   and exists (select from pg_catalog.pg_stat_wal_receiver where pid is not null))::int4\n"
    "    as caught_up,\n"
    "  extract(epoch from pg_catalog.now())::float8 as now");

QDateTime fromEpoch(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(qint64(seconds * 1000.0));
}

}  // namespace

QString lagText(qint64 seconds) {
    if (seconds < 60) {
        return QStringLiteral("%1 с").arg(seconds);
    }
    if (seconds < 3600) {
        return seconds % 60 == 0
                   ? QStringLiteral("%1 мин").arg(seconds / 60)
                   : QStringLiteral("%1 мин %2 с").arg(seconds / 60).arg(seconds % 60);
    }
    return QStringLiteral("%1 ч %2 мин").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

// What the standby said of itself.
struct ReportSource::Standing {
    bool answered = false;
    bool inRecovery = false;
    QDateTime dataAsOf;
    qint64 lagMs = 0;  // max(): it cannot tell
};

ReportSource::ReportSource(Connection& primary) : primary_(primary) {}

ReportSource::~ReportSource() = default;

void ReportSource::setStandby(const QString& connectionString, int maxLagSeconds) {
    maxLagSeconds_ = maxLagSeconds;
    answered_ = false;
    if (connectionString.isEmpty()) {
        standby_.reset();
        return;
    }
    if (!standby_) {
        standby_ = std::make_unique<Connection>();
    } else {
        standby_->close();
    }
    standby_->setConnectionString(connectionString);
}

ReportSource::Standing ReportSource::ask() {
    Standing standing;
    StatementResult result;
    // A connection that answered before and was lost meanwhile (the standby restarted) fails
    // at once; it is connected afresh, once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            result = standby_->run(kStandingSql);
            standing.answered = true;
            break;
        } catch (const DbError& error) {
            if (!error.connectionLost() || !answered_ || attempt > 0) {
                answered_ = false;
                return standing;
            }
            answered_ = false;
        }
    }
    answered_ = true;
    if (result.rows.isEmpty() || result.rows.first().size() < 4) {
        standing.answered = false;
        return standing;
    }
    const QList<QVariant>& row = result.rows.first();
    standing.inRecovery = row[0].toInt() != 0;
    const QDateTime now = fromEpoch(row[3].toDouble());
    const bool caughtUp = row[2].toInt() != 0;
    if (!row[1].isNull()) {
        standing.dataAsOf = fromEpoch(row[1].toDouble());
    }
    if (caughtUp) {
        if (!standing.dataAsOf.isValid()) {
            standing.dataAsOf = now;  // nothing committed since it started, and nothing missing
        }
        standing.lagMs = 0;
    } else if (standing.dataAsOf.isValid()) {
        standing.lagMs = std::max<qint64>(0, standing.dataAsOf.msecsTo(now));
    } else {
        standing.lagMs = std::numeric_limits<qint64>::max();
    }
    return standing;
}

ReportRead ReportSource::choose() {
    ReportRead read;
    read.connection = &primary_;
    if (!standby_) {
        return read;
    }
    const Standing standing = ask();
    if (!standing.answered) {
        read.notice = QStringLiteral("Резервный сервер недоступен") + kOnPrimary;
        return read;
    }
    if (!standing.inRecovery) {
        // Promoted since: it holds the books itself.
        read.connection = standby_.get();
        return read;
    }
    if (standing.lagMs == std::numeric_limits<qint64>::max()) {
        read.notice = QStringLiteral("Резервный сервер не получает данные основного") + kOnPrimary;
        return read;
    }
    if (standing.lagMs > qint64(maxLagSeconds_) * 1000) {
        read.notice = QStringLiteral("Резервный сервер отстает на %1 (допустимо до %2)")
                          .arg(lagText(standing.lagMs / 1000), lagText(maxLagSeconds_)) +
                      kOnPrimary;
        return read;
    }
    read.connection = standby_.get();
    read.standby = true;
    read.dataAsOf = standing.dataAsOf;
    return read;
}

}  // namespace tabel::data
