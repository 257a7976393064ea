// The hours timesheet on a plant's month (2,000 workers, 2,000 entries a day): the month
// rebuilt on the server against the statement-per-cell way run from this client over the same
// connection, and opening the window on the month against a plain fetch of its three pages.
#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QDate>
#include <QSignalBlocker>

#include "bench_db.h"
#include "data/data_module.h"
#include "data/hours.h"
#include "outputwindows/timesheet_window.h"
#include "per_cell_rebuild.h"

namespace {

tabel::data::DataModule* g_dm = nullptr;
// The generated data end today: the previous month is whole.
const QDate g_month = QDate::currentDate().addMonths(-1);

void BM_RebuildPerCell(benchmark::State& state) {
    for (auto _ : state) {
        tabel::test::rebuildPerCell(g_dm->connection, g_month.month(), g_month.year());
    }
}
BENCHMARK(BM_RebuildPerCell)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Rebuild(benchmark::State& state) {
    for (auto _ : state) {
        state.counters["rows"] =
            tabel::data::rebuildHoursMonth(g_dm->connection, g_month.month(), g_month.year());
    }
}
BENCHMARK(BM_Rebuild)->Unit(benchmark::kMillisecond);

// Baseline: the three pages' statements fetched row by row without keeping anything.
void BM_PlainFetchPages(benchmark::State& state) {
    QString text;
    for (tabel::data::Dataset* page :
         {&g_dm->shift1Hours, &g_dm->shift2Hours, &g_dm->shift3Hours}) {
        QString statement = page->statement();
        statement.replace(QStringLiteral(":mnth"), QString::number(g_month.month()));
        statement.replace(QStringLiteral(":yea"), QString::number(g_month.year()));
        text += statement + QStringLiteral(";\n");
    }
    const QStringList statements = text.split(QStringLiteral(";\n"), Qt::SkipEmptyParts);
    for (auto _ : state) {
        for (const QString& statement : statements) {
            benchmark::DoNotOptimize(tabel::bench::fetchOnce(g_dm->connection, statement));
        }
    }
}
BENCHMARK(BM_PlainFetchPages)->Unit(benchmark::kMillisecond);

// What the menu does before showing the window: select the month and load the three pages.
void BM_OpenWindow(benchmark::State& state) {
    tabel::outputwindows::TimesheetWindow form(*g_dm);
    {
        const QSignalBlocker blocker(form.yearBox);
        form.yearBox->setCurrentText(QString::number(g_month.year()));
    }
    const QSignalBlocker blocker(form.monthBox);
    form.monthBox->setCurrentIndex(g_month.month() - 1);
    for (auto _ : state) {
        form.loadMonth();
        state.counters["rows"] = g_dm->shift1Hours.recordCount() + g_dm->shift2Hours.recordCount() +
                                 g_dm->shift3Hours.recordCount();
    }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

}  // namespace

void tabel::bench::setUpAndRun(data::DataModule& dm, const RunBenchmarks& run) {
    g_dm = &dm;
    // The per-cell way against the server's rebuild; the window against its plain fetch.
    run({{"BM_RebuildPerCell/iterations:1", "BM_Rebuild", "", 0},
         {"BM_OpenWindow", "BM_PlainFetchPages", "", 0}});
}
