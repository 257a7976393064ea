#pragma once
// Keeps programs older than the database's recorded version from running, and records newer ones.

#include "app/build_stamp.h"

namespace tabel::data {
class Dataset;
}

namespace tabel::app {

enum class VersionVerdict {
    Current,  // the row already holds this build
    Stamped,  // the program is newer: the row now holds this build
    Older,    // the database has seen a newer program
};

// `ver` is the cursor on accounts_dep.ver; it is closed again before returning. A newer build
// is recorded through accounts_dep.ver_stamp. A table without a row reads as version 0 and
// gets one.
VersionVerdict checkVersion(data::Dataset& ver, const BuildStamp& build);

}  // namespace tabel::app
