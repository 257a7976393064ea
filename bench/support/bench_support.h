#pragma once
// What every benchmark program shares: one main (an offscreen application and the data module
// on the generated cluster named by TABEL_BENCH_SERVER) that runs the benchmarks and then prints
// each figure as a ratio to a floor measured in the same run.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace tabel::data {
struct Session;
}

namespace tabel::bench {

// A figure of the run as a multiple of its floors, with the goal it is held to.
struct Ratio {
    std::string subject;
    std::string floor;  // the driver's block fetch (or another baseline of the same run)
    std::string wire;   // libpq; empty when not applicable
    double goal;        // at most this many floors; 0 when no goal
};

// Runs the benchmarks the command line selects, then prints `ratios` of the ones that ran.
using RunBenchmarks = std::function<void(const std::vector<Ratio>& ratios)>;

// Each benchmark program's own part of main, given the connected data module: sets up what its
// benchmarks use (kept on this function's stack for the whole run) and calls `run` once.
void setUpAndRun(data::Session& session, const RunBenchmarks& run);

// Socket folder of the generated cluster.
QString benchServer();

// Resident memory of this process, in MB.
double residentMegabytes();

// The highest resident memory since the last resetPeakMemory() (or the start), in MB.
double peakMegabytes();
void resetPeakMemory();

// Runs `program` as a whole process, its output thrown away. The error; empty when it succeeded.
QString runProgram(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment);

// Floor of a whole client process: psql on the bench database as the foreman with `arguments`
// after the connection's, its output thrown away. The error; empty when psql succeeded.
QString runPsql(const QStringList& arguments);

}  // namespace tabel::bench
