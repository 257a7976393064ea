#pragma once
// The command-line mode: `tabel [SERVER DATABASE] --user LOGIN <command>` runs one job without
// windows and exits 0 on success, 1 on a failure, 2 on bad usage, with Russian messages on
// stderr.

#include <QString>

#include <optional>

#include "data/credentials.h"

namespace tabel::batch {

enum ExitCode { kSuccess = 0, kFailure = 1, kBadUsage = 2 };

// The windows' options, each with a value. The batch jobs take them too, all but
// --primary-server: a job listens for no changes.
inline constexpr const char* kWindowsOptions[] = {"--sslmode", "--report-server",
                                                  "--report-max-lag", "--primary-server"};

// True when the arguments ask for the command-line mode (any option such as --user or --help
// other than the windows' own).
bool isBatchInvocation(int argc, char** argv);

// The seconds of --report-max-lag; nothing for what is not a number of seconds.
std::optional<int> maxLagSeconds(const QString& text);
QString maxLagProblem(const QString& text);
// Why a server named by `option` (--report-server, --primary-server) cannot be used; empty when
// it can. A ';' would end the connection string early, so such a name never reaches a server.
QString serverNameProblem(const QString& option, const QString& name);

// Empty for a TLS mode --sslmode may name, otherwise the message that refuses it.
QString sslModeProblem(const QString& mode);

// Creates its own (window-less) application object; returns the exit status. The deployment's
// server and database serve when the command line names none.
int run(int argc, char** argv, const data::Deployment& deployment);

}  // namespace tabel::batch
