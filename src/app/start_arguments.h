#pragma once
// The windows' command line: `tabel [--sslmode MODE] [--report-server SERVER]
// [--report-max-lag SECONDS] [--primary-server SERVER] [SERVER DATABASE]`.

#include <QString>
#include <QStringList>

#include "data/credentials.h"

namespace tabel::app {

struct StartArguments {
    QString server;    // empty when not given
    QString database;  // empty when not given
    QString error;     // a Russian message for stderr; the program then ends with status 2
};

// Reads `arguments` (the program's name first) and sets `deployment`'s TLS mode, report server
// and primary from --sslmode MODE, --report-server SERVER, --report-max-lag SECONDS,
// --primary-server SERVER (or OPTION=VALUE).
StartArguments startArguments(const QStringList& arguments, data::Deployment& deployment);

}  // namespace tabel::app
