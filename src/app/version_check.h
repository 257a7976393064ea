#pragma once
// Keeps programs older than the database's recorded version from running; the service account
// records newer ones.

#include "app/build_stamp.h"

namespace tabel::data {
class Dataset;
}

namespace tabel::app {

enum class VersionVerdict {
    Current,  // the row already holds this build
    Stamped,  // the program is newer: the row now holds this build
    Newer,    // the program is newer, but this login may not record it (only the service may,
              // and not on a standby)
    Older,    // the database has seen a newer program
};

// `ver` is the cursor on accounts_dep.ver; it is closed again before returning. A newer build
// is recorded through accounts_dep.ver_stamp when the connected login may execute it (the
// service account); any other login leaves the row as it is, without trying. A table without
// a row reads as version 0.
VersionVerdict checkVersion(data::Dataset& ver, const BuildStamp& build);

}  // namespace tabel::app
