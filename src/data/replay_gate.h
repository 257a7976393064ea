#pragma once
// Changes the feed read on the primary, held for a session on its hot standby until the standby
// has replayed them: the lists re-read the rows a batch names from the standby, and a row read
// before its change was replayed would show the old values with nothing left to correct it.

#include <QObject>
#include <QTimer>
#include <limits>
#include <optional>

#include "data/notifications.h"

namespace tabel::data {

class Connection;

class ReplayGate : public QObject {
    Q_OBJECT
public:
    // How soon a batch the standby does not have yet is looked at again.
    static constexpr int kRetryMs = 100;
    // After the standby could not be asked: it is asked again this much later, not every
    // kRetryMs, so that an unreachable standby does not keep the windows waiting.
    static constexpr int kFailedRetryMs = 2000;
    // What replayedWalPosition says of a server out of recovery: it has every change it ever
    // will.
    static constexpr quint64 kEverything = std::numeric_limits<quint64>::max();

    explicit ReplayGate(QObject* parent = nullptr);

    // Empty: batches pass at once (the session's own server is the one listened on).
    void setReplayed(ReplayedPosition replayed);
    // Hands `batch` on once the standby has replayed up to its WAL position; until then it is
    // held, and later batches are merged into it.
    void pass(ChangeBatch&& batch);
    // Drops what is held (the feed stopped).
    void clear();
    bool isHolding() const { return held_.has_value(); }
    // Keys held (a whole batch counts one).
    qsizetype heldKeys() const;

signals:
    void released(const tabel::data::ChangeBatch& batch);

private:
    void check();

    ReplayedPosition replayed_;
    std::optional<ChangeBatch> held_;
    QTimer retry_;
    bool checking_ = false;
};

// How far the server of `connection` has replayed the WAL of its primary, as a byte position;
// ReplayGate::kEverything when it is not in recovery (promoted meanwhile). Any login may ask.
// Throws DbError.
quint64 replayedWalPosition(Connection& connection);

}  // namespace tabel::data
