// The detailed workers report over a month and a year of plant-scale entries written as PDF
// (time and peak memory), its stages, and the preview's first page, against psql fetching the
// same statement's rows.
#include <benchmark/benchmark.h>

#include <QDate>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

#include "bench_db.h"
#include "data/session.h"
#include "outputwindows/report_preview.h"
#include "reportengine/pdf_output.h"
#include "reports/period_reports.h"
#include "support/report_pdf.h"

namespace {

using tabel::reports::PeriodReport;

tabel::data::Session* g_session = nullptr;
using tabel::bench::lastDays;
using tabel::bench::sqlDate;

tabel::bench::PeakByDays g_peak;

// Baseline: psql runs the statement and reads every row (to /dev/null).
void BM_PsqlFetch(benchmark::State& state) {
    const auto period = lastDays(int(state.range(0)));
    auto layout =
        tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_session->connection);
    QString text = layout->query().statement();
    text.replace(QStringLiteral(":data1"), sqlDate(period.from));
    text.replace(QStringLiteral(":data2"), sqlDate(period.to));
    for (auto _ : state) {
        const QString error = tabel::bench::runPsql(
            {QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-o"),
             QStringLiteral("/dev/null"), QStringLiteral("-c"), text});
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
        }
    }
}
BENCHMARK(BM_PsqlFetch)->Arg(30)->Arg(365)->Unit(benchmark::kMillisecond)->UseRealTime();

// The stages of the PDF report, to see where its time goes.
void BM_StageOpenQuery(benchmark::State& state) {
    auto layout =
        tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_session->connection);
    for (auto _ : state) {
        layout->query().close();
        tabel::reports::applyPeriod(layout->query(), lastDays(30));
        layout->query().open();
        state.counters["rows"] = layout->query().recordCount();
    }
}
BENCHMARK(BM_StageOpenQuery)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StagePrepare(benchmark::State& state) {
    auto layout =
        tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_session->connection);
    tabel::reports::applyPeriod(layout->query(), lastDays(30));
    layout->query().open();
    for (auto _ : state) {
        benchmark::DoNotOptimize(layout->prepare());
    }
}
BENCHMARK(BM_StagePrepare)->Unit(benchmark::kMillisecond)->UseRealTime();

// Pages laid out and dropped: the layout's own cost, without painting.
void BM_StageLayOutOnly(benchmark::State& state) {
    auto layout =
        tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_session->connection);
    tabel::reports::applyPeriod(layout->query(), lastDays(30));
    layout->query().open();
    for (auto _ : state) {
        int pages = 0;
        tabel::reportengine::layOutReport(layout->report(),
                                          tabel::reports::DatasetRows(layout->query()),
                                          [&pages](tabel::reportengine::Page&&) { ++pages; });
        state.counters["pages"] = pages;
    }
}
BENCHMARK(BM_StageLayOutOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StageWritePdf(benchmark::State& state) {
    auto layout =
        tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_session->connection);
    const auto document =
        tabel::reports::preparePeriodReport(*layout, PeriodReport::WorkersDetail, lastDays(30));
    QTemporaryDir dir;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tabel::reportengine::writePdf(document, dir.filePath("r.pdf")));
    }
}
BENCHMARK(BM_StageWritePdf)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the command line does: rows streamed from the server, pages laid out, painted, dropped.
void BM_ReportAsPdf(benchmark::State& state) {
    tabel::bench::measureDetailedReportPdf(state, g_session->connection, g_peak);
}
BENCHMARK(BM_ReportAsPdf)->Arg(30)->Arg(365)->Unit(benchmark::kMillisecond)->UseRealTime();

// The command line as a user runs it, a whole process from start to exit, against psql copying
// the same statement's rows to /dev/null, also as a whole process.
QProcessEnvironment batchEnvironment() {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("TABEL_PASSWORD"), QStringLiteral("master"));
    return e;
}

void runBatch(benchmark::State& state, const QStringList& arguments) {
    for (auto _ : state) {
        const QString error = tabel::bench::runProgram(QStringLiteral(TABEL_BATCH_PROGRAM),
                                                       arguments, batchEnvironment());
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
        }
    }
}

// Start-up alone: the program's libraries, Qt and the command line.
void BM_ProcessStartUp(benchmark::State& state) {
    runBatch(state, {QStringLiteral("--help")});
}
BENCHMARK(BM_ProcessStartUp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ProcessReportPdf(benchmark::State& state) {
    const auto period = lastDays(int(state.range(0)));
    QTemporaryDir dir;
    runBatch(state, {tabel::bench::benchServer(), QStringLiteral("tabel"), QStringLiteral("--user"),
                     QStringLiteral("master"), QStringLiteral("--report"),
                     QStringLiteral("workers-detail"), QStringLiteral("--from"),
                     period.from.toString(QStringLiteral("dd.MM.yyyy")), QStringLiteral("--to"),
                     period.to.toString(QStringLiteral("dd.MM.yyyy")), QStringLiteral("--pdf"),
                     dir.filePath(QStringLiteral("report.pdf"))});
}
// A day: connecting and a report of a few pages; a month: the whole.
BENCHMARK(BM_ProcessReportPdf)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ProcessPsqlCopy(benchmark::State& state) {
    const auto period = lastDays(int(state.range(0)));
    auto layout =
        tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_session->connection);
    QString text = layout->query().statement().simplified();
    text.replace(QStringLiteral(":data1"), sqlDate(period.from));
    text.replace(QStringLiteral(":data2"), sqlDate(period.to));
    for (auto _ : state) {
        const QString error = tabel::bench::runPsql(
            {QStringLiteral("-c"), QStringLiteral("\\copy (%1) to /dev/null").arg(text)});
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
        }
    }
}
BENCHMARK(BM_ProcessPsqlCopy)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreviewFirstPage(benchmark::State& state) {
    auto layout =
        tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_session->connection);
    for (auto _ : state) {
        auto document =
            tabel::reports::preparePeriodReport(*layout, PeriodReport::WorkersDetail, lastDays(30));
        tabel::outputwindows::ReportPreview preview(std::move(document));
        preview.resize(1280, 1000);
        preview.show();
        benchmark::DoNotOptimize(
            preview.findChild<tabel::outputwindows::PageView*>()->viewport()->grab());
        state.counters["pages"] = preview.document().pageCount();
    }
}
BENCHMARK(BM_PreviewFirstPage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    g_session = &session;
    run({{"BM_ReportAsPdf/30/real_time", "BM_PsqlFetch/30/real_time", "", 3.0},
         {"BM_ReportAsPdf/365/real_time", "BM_PsqlFetch/365/real_time", "", 3.0},
         {"BM_PreviewFirstPage/real_time", "BM_PsqlFetch/30/real_time", "", 2.0},
         {"BM_StageOpenQuery/real_time", "BM_PsqlFetch/30/real_time", "", 0},
         {"BM_ProcessReportPdf/30/real_time", "BM_ProcessPsqlCopy/30/real_time", "", 2.0},
         {"BM_ProcessReportPdf/1/real_time", "BM_ProcessPsqlCopy/1/real_time", "", 0},
         {"BM_ProcessStartUp/real_time", "BM_ProcessPsqlCopy/1/real_time", "", 0}});
    tabel::bench::printReportMemory(g_peak);
}
