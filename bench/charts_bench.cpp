// The charts window on a plant's month (2,000 workers, 2,000 entries a day): reading and drawing
// the month against psql fetching the four statements, each statement on its own (to see whether
// one could keep the window waiting), and following a changed entry.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>

#include <functional>

#include "charts/chart_statements.h"
#include "charts/charts_window.h"
#include "data/dataset.h"
#include "data/notifications.h"
#include "data/session.h"
#include "support/bench_support.h"
#include "widgets/data_grid.h"

namespace {

using tabel::charts::Chart;

tabel::data::Session* g_session = nullptr;
// The generated data end today: the previous month is whole.
const QDate g_month = [] {
    const QDate previous = QDate::currentDate().addMonths(-1);
    return QDate(previous.year(), previous.month(), 1);
}();

// A chart's statement as the window runs it, its parameters written as literals.
QString statementOf(Chart chart) {
    tabel::data::Dataset figures(&g_session->connection, QStringLiteral("figures"));
    tabel::charts::prepareChart(figures, chart);
    tabel::charts::setChartMonth(figures, chart, g_month);
    const QList<QVariant> values = figures.positionalValues();
    QString text;
    int next = 0;
    for (const QChar c : figures.positionalStatement()) {
        if (c == u'?' && next < values.size()) {
            const QVariant& value = values[next++];
            text += value.typeId() == QMetaType::QDate
                        ? u'\'' + value.toDate().toString(Qt::ISODate) + u'\''
                        : value.toString();
        } else {
            text += c;
        }
    }
    return text;
}

// Baseline: one psql process runs the four statements and reads their rows.
void BM_PsqlFourStatements(benchmark::State& state) {
    QStringList arguments{QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                          QStringLiteral("-o"), QStringLiteral("/dev/null")};
    for (Chart chart : tabel::charts::kCharts) {
        arguments << QStringLiteral("-c") << statementOf(chart);
    }
    for (auto _ : state) {
        const QString error = tabel::bench::runPsql(arguments);
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
        }
    }
}
BENCHMARK(BM_PsqlFourStatements)->Unit(benchmark::kMillisecond)->UseRealTime();

// One statement read by the program's runner (on the connection's thread): the longest one says
// whether the wait dialog (after 0.5 s) would ever show.
void BM_Statement(benchmark::State& state) {
    const Chart chart = Chart(state.range(0));
    tabel::data::Dataset figures(&g_session->connection, QStringLiteral("figures"));
    tabel::charts::prepareChart(figures, chart);
    tabel::charts::setChartMonth(figures, chart, g_month);
    for (auto _ : state) {
        figures.close();
        figures.open();
        state.counters["rows"] = figures.recordCount();
    }
}
BENCHMARK(BM_Statement)
    ->ArgName("chart")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the user waits for: the month chosen, its four statements read, the charts drawn and the
// window painted.
void BM_DrawMonth(benchmark::State& state) {
    tabel::charts::ChartsWindow window(*g_session);
    window.resize(1000, 700);
    window.show();
    for (auto _ : state) {
        window.selectMonth(g_month);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.grab());
    }
}
BENCHMARK(BM_DrawMonth)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the window does with a batch of the change feed naming one entry of the month: the charts
// of entries read again and drawn (the hours are not named, so they stay).
void BM_FollowOneChangedEntry(benchmark::State& state) {
    tabel::charts::ChartsWindow window(*g_session);
    window.resize(1000, 700);
    window.show();
    window.selectMonth(g_month);
    tabel::data::ChangeBatch batch;
    tabel::data::EntryChange change;
    change.id = 1;
    change.date = g_month.addDays(4);
    change.shift = 1;
    change.action = QLatin1Char('U');
    batch.entries.append(change);
    for (auto _ : state) {
        emit g_session->changes.changed(batch);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_FollowOneChangedEntry)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the commit of an entry on the 5th to its day's bar moved in the open window, through the
// change feed (which delivers at most every 200 ms).
void BM_CommitToBar(benchmark::State& state) {
    tabel::charts::ChartsWindow window(*g_session);
    window.resize(1000, 700);
    window.show();
    window.selectMonth(g_month);
    tabel::data::ChangeFeed& feed = g_session->changes;
    feed.start(g_session->connection.connectionString());
    const auto waitFor = [](const std::function<bool()>& done) {
        QElapsedTimer waited;
        waited.start();
        while (!done() && waited.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return done();
    };
    if (!waitFor([&feed] { return feed.isLive(); })) {
        state.SkipWithError("the change feed did not start");
        return;
    }
    auto& daily =
        *window.findChild<tabel::widgets::DataGrid*>(QStringLiteral("dailyOutputGrid"))->dataset();
    const auto piecesOfThe5th = [&daily] {
        return daily.valueAt(4, daily.fieldIndex(QStringLiteral("kolvo"))).toString();
    };
    const tabel::data::Bindings day{{QStringLiteral("day"), g_month.addDays(4)}};
    for (auto _ : state) {
        const QString before = piecesOfThe5th();
        QElapsedTimer since;
        since.start();
        g_session->connection.execute(
            QStringLiteral("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, "
                           "kol_vo, brak, time, ok) select data, 1, w_id, i_id, o_id, cena, "
                           "2.7182, 0, 0, 'no' from accounts_dep.smena where data = :day limit 1"),
            day);
        if (!waitFor([&] { return piecesOfThe5th() != before; })) {
            state.SkipWithError("the bar did not move");
            break;
        }
        state.SetIterationTime(double(since.nsecsElapsed()) / 1e9);
        g_session->connection.execute(
            QStringLiteral("delete from accounts_dep.smena where kol_vo = 2.7182"));
        waitFor([&] { return piecesOfThe5th() == before; });
    }
    feed.stop();
}
BENCHMARK(BM_CommitToBar)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    g_session = &session;
    run({{"BM_DrawMonth/real_time", "BM_PsqlFourStatements/real_time", "", 1.5}});
}
