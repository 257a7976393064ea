// The hours timesheet on a plant's month (2,000 workers, 2,000 entries a day): the month
// rebuilt on the server against the statement-per-cell way run from this client over the same
// connection, and opening the window on the month against a plain fetch of its three pages.
#include <benchmark/benchmark.h>

#include <QDate>

#include "bench_db.h"
#include "data/hours.h"
#include "data/session.h"
#include "outputwindows/timesheet_window.h"
#include "per_cell_rebuild.h"
#include "timesheet/hours_statements.h"
#include "widgets/data_grid.h"

namespace {

tabel::data::Session* g_session = nullptr;
// The generated data end today: the previous month is whole.
const QDate g_month = QDate::currentDate().addMonths(-1);

void BM_RebuildPerCell(benchmark::State& state) {
    for (auto _ : state) {
        tabel::test::rebuildPerCell(g_session->connection, g_month.month(), g_month.year());
    }
}
BENCHMARK(BM_RebuildPerCell)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Rebuild(benchmark::State& state) {
    for (auto _ : state) {
        state.counters["rows"] =
            tabel::data::rebuildHoursMonth(g_session->connection, g_month.month(), g_month.year());
    }
}
BENCHMARK(BM_Rebuild)->Unit(benchmark::kMillisecond);

// Baseline: the three pages' statements fetched row by row without keeping anything.
void BM_PlainFetchPages(benchmark::State& state) {
    QString text;
    for (int shift = 1; shift <= 3; ++shift) {
        tabel::data::Dataset page(&g_session->connection, QStringLiteral("page"));
        tabel::timesheet::prepareHoursPage(page, shift);
        QString statement = page.statement();
        statement.replace(QStringLiteral(":mnth"), QString::number(g_month.month()));
        statement.replace(QStringLiteral(":yea"), QString::number(g_month.year()));
        text += statement + QStringLiteral(";\n");
    }
    const QStringList statements = text.split(QStringLiteral(";\n"), Qt::SkipEmptyParts);
    for (auto _ : state) {
        for (const QString& statement : statements) {
            benchmark::DoNotOptimize(tabel::bench::fetchOnce(g_session->connection, statement));
        }
    }
}
BENCHMARK(BM_PlainFetchPages)->Unit(benchmark::kMillisecond);

// What the menu does before showing the window: select the month and load the three pages.
void BM_OpenWindow(benchmark::State& state) {
    tabel::outputwindows::TimesheetWindow form(*g_session);
    for (auto _ : state) {
        form.selectMonth(g_month);
        int rows = 0;
        for (const char* grid : {"shift1Grid", "shift2Grid", "shift3Grid"}) {
            rows += form.findChild<tabel::widgets::DataGrid*>(QString::fromLatin1(grid))
                        ->dataset()
                        ->recordCount();
        }
        state.counters["rows"] = rows;
    }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    g_session = &session;
    // The per-cell way against the server's rebuild; the window against its plain fetch.
    run({{"BM_RebuildPerCell/iterations:1", "BM_Rebuild", "", 0},
         {"BM_OpenWindow", "BM_PlainFetchPages", "", 0}});
}
