// The detailed workers report over a month of plant-scale entries: prepared and written as PDF,
// and the preview's first page, against psql fetching the same statement's rows.
#include <benchmark/benchmark.h>

#include <QDate>
#include <QTemporaryDir>

#include "bench_db.h"
#include "data/data_module.h"
#include "outputwindows/report_preview.h"
#include "reportengine/page_painter.h"
#include "reports/period_reports.h"

namespace {

using tabel::reports::PeriodReport;

tabel::data::DataModule* g_dm = nullptr;

tabel::reports::Period lastMonth() {
    const QDate today = QDate::currentDate();
    return {today.addDays(-30), today.addDays(1), tabel::reports::ProductKind::All};
}

QString sqlDate(const QDate& date) {
    return QStringLiteral("'") + date.toString(Qt::ISODate) + QStringLiteral("'::date");
}

// Baseline: psql runs the statement and reads every row (to /dev/null).
void BM_PsqlFetch(benchmark::State& state) {
    auto layout = tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_dm->connection);
    QString text = layout->query().statement();
    text.replace(QStringLiteral(":data1"), sqlDate(lastMonth().from));
    text.replace(QStringLiteral(":data2"), sqlDate(lastMonth().to));
    for (auto _ : state) {
        const QString error = tabel::bench::runPsql(
            {QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-o"),
             QStringLiteral("/dev/null"), QStringLiteral("-c"), text});
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
        }
    }
}
BENCHMARK(BM_PsqlFetch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The stages of the PDF report, to see where its time goes.
void BM_StageOpenQuery(benchmark::State& state) {
    auto layout = tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_dm->connection);
    for (auto _ : state) {
        layout->query().close();
        tabel::reports::applyPeriod(layout->query(), lastMonth());
        layout->query().open();
        state.counters["rows"] = layout->query().recordCount();
    }
}
BENCHMARK(BM_StageOpenQuery)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StagePrepare(benchmark::State& state) {
    auto layout = tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_dm->connection);
    tabel::reports::applyPeriod(layout->query(), lastMonth());
    layout->query().open();
    for (auto _ : state) {
        benchmark::DoNotOptimize(layout->prepare());
    }
}
BENCHMARK(BM_StagePrepare)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StageWritePdf(benchmark::State& state) {
    auto layout = tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_dm->connection);
    const auto document =
        tabel::reports::preparePeriodReport(*layout, PeriodReport::WorkersDetail, lastMonth());
    QTemporaryDir dir;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tabel::reportengine::writePdf(document, dir.filePath("r.pdf")));
    }
}
BENCHMARK(BM_StageWritePdf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReportAsPdf(benchmark::State& state) {
    auto layout = tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_dm->connection);
    QTemporaryDir dir;
    for (auto _ : state) {
        const auto document =
            tabel::reports::preparePeriodReport(*layout, PeriodReport::WorkersDetail, lastMonth());
        const QString error = tabel::reportengine::writePdf(document, dir.filePath("r.pdf"));
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
        }
        state.counters["pages"] = document.pageCount();
    }
}
BENCHMARK(BM_ReportAsPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreviewFirstPage(benchmark::State& state) {
    auto layout = tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_dm->connection);
    for (auto _ : state) {
        auto document =
            tabel::reports::preparePeriodReport(*layout, PeriodReport::WorkersDetail, lastMonth());
        tabel::outputwindows::ReportPreview preview(std::move(document));
        preview.resize(1280, 1000);
        preview.show();
        benchmark::DoNotOptimize(preview.view()->viewport()->grab());
        state.counters["pages"] = preview.document().pageCount();
    }
}
BENCHMARK(BM_PreviewFirstPage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

void tabel::bench::setUpAndRun(data::DataModule& dm, const RunBenchmarks& run) {
    g_dm = &dm;
    run({{"BM_ReportAsPdf/real_time", "BM_PsqlFetch/real_time", "", 4.0},
         {"BM_PreviewFirstPage/real_time", "BM_PsqlFetch/real_time", "", 2.0},
         {"BM_StageOpenQuery/real_time", "BM_PsqlFetch/real_time", "", 0}});
}
