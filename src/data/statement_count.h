#pragma once
// How many statements this process's connections have run: lets a trace or a benchmark tell what
// one action cost on the wire without a driver log.

#include <QtGlobal>

namespace tabel::data {

// Statements sent through Connection::run (every read and write of the program, the steps of a
// streamed read included) since the process started.
qint64 statementsRun();

}  // namespace tabel::data
