#include "data/session.h"

#include "data/replay_gate.h"

namespace tabel::data {

void Session::listenForChanges() {
    if (!readOnly) {
        if (!connection.connectionString().isEmpty()) {
            changes.start(connection.connectionString());
        }
        return;
    }
    if (primaryConnectionString.isEmpty()) {
        changes.stop();
        return;
    }
    changes.start(primaryConnectionString, [this] { return replayedWalPosition(connection); });
}

}  // namespace tabel::data
