// The hours timesheet on a plant's month (2,000 workers, 2,000 entries a day): the month
// rebuilt on the server against the statement-per-cell way run from this client over the same
// connection, and opening the window on the month against a plain fetch of its three pages.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QMap>
#include <QSignalBlocker>
#include <cstdio>

#include "bench_db.h"
#include "data/hours.h"
#include "per_cell_rebuild.h"
#include "timesheet/timesheet_window.h"

namespace {

tabel::data::TDataModule6* g_dm = nullptr;
// The generated data end today: the previous month is whole.
const QDate g_month = QDate::currentDate().addMonths(-1);

void BM_RebuildPerCell(benchmark::State& state) {
    for (auto _ : state) {
        tabel::test::rebuildPerCell(g_dm->ADO_DB, g_month.month(), g_month.year());
    }
}
BENCHMARK(BM_RebuildPerCell)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Rebuild(benchmark::State& state) {
    for (auto _ : state) {
        state.counters["rows"] =
            tabel::data::rebuildHoursMonth(g_dm->ADO_DB, g_month.month(), g_month.year());
    }
}
BENCHMARK(BM_Rebuild)->Unit(benchmark::kMillisecond);

// Baseline: the three pages' statements fetched row by row without keeping anything.
void BM_PlainFetchPages(benchmark::State& state) {
    QString text;
    for (tabel::data::Dataset* page : {&g_dm->H_Tabel_1, &g_dm->H_Tabel_2, &g_dm->H_Tabel_3}) {
        QString statement = page->statement();
        statement.replace(QStringLiteral(":mnth"), QString::number(g_month.month()));
        statement.replace(QStringLiteral(":yea"), QString::number(g_month.year()));
        text += statement + QStringLiteral(";\n");
    }
    const QStringList statements = text.split(QStringLiteral(";\n"), Qt::SkipEmptyParts);
    for (auto _ : state) {
        for (const QString& statement : statements) {
            QSqlQuery query(g_dm->ADO_DB.database());
            query.setForwardOnly(true);
            query.exec(statement);
            const int columns = query.record().count();
            while (query.next()) {
                for (int c = 0; c < columns; ++c) {
                    benchmark::DoNotOptimize(query.value(c));
                }
            }
        }
    }
}
BENCHMARK(BM_PlainFetchPages)->Unit(benchmark::kMillisecond);

// What the menu does before showing the window: select the month and load the three pages.
void BM_OpenWindow(benchmark::State& state) {
    tabel::timesheet::TForm19 form(*g_dm);
    {
        const QSignalBlocker blocker(form.ComboBox2);
        form.ComboBox2->setCurrentText(QString::number(g_month.year()));
    }
    const QSignalBlocker blocker(form.ComboBox1);
    form.ComboBox1->setCurrentIndex(g_month.month() - 1);
    for (auto _ : state) {
        form.ComboBox1Change();
        state.counters["rows"] = g_dm->H_Tabel_1.recordCount() + g_dm->H_Tabel_2.recordCount() +
                                 g_dm->H_Tabel_3.recordCount();
    }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            seconds[QString::fromStdString(run.benchmark_name())] = run.GetAdjustedRealTime() / 1e3;
        }
    }
    QMap<QString, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tabel::data::TDataModule6 dm;
    if (!tabel::bench::connectToBenchServer(dm)) {
        return 2;
    }
    g_dm = &dm;
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto ratio = [&](const char* slow, const char* fast) {
        const double a = reporter.seconds.value(QString::fromLatin1(slow));
        const double b = reporter.seconds.value(QString::fromLatin1(fast));
        if (a > 0 && b > 0) {
            std::printf("%s / %s = %.1f\n", slow, fast, a / b);
        }
    };
    ratio("BM_RebuildPerCell/iterations:1", "BM_Rebuild");
    ratio("BM_OpenWindow", "BM_PlainFetchPages");
    return 0;
}
