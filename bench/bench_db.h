#pragma once
// What the database benchmarks share: the generated cluster named by TABEL_BENCH_SERVER, and
// the baseline of a plain row-by-row fetch of a statement.

#include <benchmark/benchmark.h>

#include <QSqlQuery>
#include <QSqlRecord>
#include <cstdio>

#include "data/connection_string.h"
#include "data/data_module.h"

namespace tabel::bench {

// Connects the data module as a foreman; false (with a hint on stderr) without a server.
inline bool connectToBenchServer(data::TDataModule6& dm) {
    const QString server = qEnvironmentVariable("TABEL_BENCH_SERVER");
    if (server.isEmpty()) {
        std::fprintf(stderr,
                     "TABEL_BENCH_SERVER must name the socket folder of a generated cluster\n");
        return false;
    }
    dm.ADO_DB.setConnectionString(data::composeConnectionString(
        {server, QStringLiteral("tabel"), QStringLiteral("master"), QStringLiteral("master")}));
    dm.ADO_DB.open();
    return true;
}

// `statement` fetched row by row without keeping anything; the number of rows.
inline int64_t fetchOnce(data::Connection& connection, const QString& statement) {
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    query.exec(statement);
    const int columns = query.record().count();
    int64_t rows = 0;
    while (query.next()) {
        for (int c = 0; c < columns; ++c) {
            benchmark::DoNotOptimize(query.value(c));
        }
        ++rows;
    }
    return rows;
}

// Baseline: `statement` fetched row by row without keeping anything.
inline void plainFetch(benchmark::State& state, data::Connection& connection,
                       const QString& statement) {
    for (auto _ : state) {
        state.counters["rows"] = double(fetchOnce(connection, statement));
    }
}

inline int runBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace tabel::bench
