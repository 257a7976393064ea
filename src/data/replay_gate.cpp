#include "data/replay_gate.h"

#include "data/connection.h"
#include "data/errors.h"

namespace tabel::data {

ReplayGate::ReplayGate(QObject* parent) : QObject(parent) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &ReplayGate::check);
}

void ReplayGate::setReplayed(ReplayedPosition replayed) {
    replayed_ = std::move(replayed);
}

void ReplayGate::pass(ChangeBatch&& batch) {
    if (held_) {
        held_->merge(std::move(batch));
    } else {
        held_ = std::move(batch);
    }
    // A batch already waiting for the standby takes this one along when it is looked at again.
    if (!retry_.isActive() && !checking_) {
        check();
    }
}

void ReplayGate::clear() {
    held_.reset();
    retry_.stop();
}

qsizetype ReplayGate::heldKeys() const {
    if (!held_) {
        return 0;
    }
    return held_->whole ? 1 : held_->keyCount();
}

void ReplayGate::check() {
    if (!held_) {
        return;
    }
    if (replayed_) {
        if (Connection::anyBusy()) {
            // The question would wait behind another action's statement, inside its wait.
            retry_.start(kRetryMs);
            return;
        }
        std::optional<quint64> replayed;
        checking_ = true;
        try {
            replayed = replayed_();
        } catch (const DbError&) {
            // Asked again later; the lists meanwhile stay as they are rather than read early.
        }
        checking_ = false;
        if (!held_) {
            return;  // cleared while the standby was asked
        }
        if (!replayed) {
            retry_.start(kFailedRetryMs);
            return;
        }
        if (*replayed < held_->walPosition) {
            retry_.start(kRetryMs);
            return;
        }
    }
    const ChangeBatch batch = std::move(*held_);
    held_.reset();
    emit released(batch);
}

quint64 replayedWalPosition(Connection& connection) {
    const StatementResult result = connection.run(QStringLiteral(
        "select pg_catalog.pg_is_in_recovery()::int4,\n"
        "       pg_catalog.pg_wal_lsn_diff(pg_catalog.pg_last_wal_replay_lsn(), '0/0')::text"));
    if (result.rows.isEmpty() || result.rows.front().size() < 2) {
        return 0;
    }
    const QList<QVariant>& row = result.rows.front();
    if (row[0].toInt() == 0) {
        return ReplayGate::kEverything;
    }
    return row[1].toString().toULongLong();
}

}  // namespace tabel::data
