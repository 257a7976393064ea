// The hand-off of every statement to the connection's own thread: `select 1` through
// Connection::run (handed over, waited for in a local event loop, handed back) against the same
// statement read by the same block fetch on the connection's thread itself, where one hand-off
// carries the whole batch. The difference of the two is the cost of the hand-off.
#include <benchmark/benchmark.h>

#include <QSqlDatabase>

#include <string>
#include <vector>

#include "data/session.h"
#include "data/odbc_block_fetch.h"
#include "support/bench_support.h"

namespace {

using namespace tabel;

data::Session* g_session = nullptr;
const QString kSelect1 = QStringLiteral("select 1");
const QString kRows1000 = QStringLiteral(
    "select n, 'Иванов Иван Иванович ' || n fio, (n / 8.0)::numeric(12,4) price, "
    "date '2026-03-02' + n % 30 data from generate_series(1, 1000) n");

void handedOver(benchmark::State& state, const QString& statement) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_session->connection.run(statement));
    }
}

void onTheConnectionsThread(benchmark::State& state, const QString& statement) {
    g_session->connection.withDatabase([&](QSqlDatabase& db) {
        for (auto _ : state) {
            benchmark::DoNotOptimize(data::fetchInBlocks(db, statement, {}, {}));
        }
    });
}

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    g_session = &session;
    const struct {
        const char* name;
        const QString* statement;
        int iterations;
    } statements[] = {{"select1", &kSelect1, 10000}, {"rows1000", &kRows1000, 300}};
    std::vector<Ratio> ratios;
    for (const auto& s : statements) {
        const std::string run = std::string("connection_run_") + s.name;
        const std::string floor = std::string("connection_floor_") + s.name;
        const QString statement = *s.statement;
        benchmark::RegisterBenchmark(
            run.c_str(), [statement](benchmark::State& state) { handedOver(state, statement); })
            ->Iterations(s.iterations)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(
            floor.c_str(),
            [statement](benchmark::State& state) { onTheConnectionsThread(state, statement); })
            ->Iterations(s.iterations)
            ->Unit(benchmark::kMicrosecond);
        const std::string suffix = "/iterations:" + std::to_string(s.iterations);
        ratios.push_back({run + suffix, floor + suffix, "", 0});
    }
    run(ratios);
}
