// Live refresh and the entries' history at plant scale: how long a commit on one workstation
// takes to show in another's shift log (1,000 entries posted as fast as one connection can),
// what re-reading the changed rows costs with 5,000 rows on screen, what the history triggers
// add to an entry's save, and how fast one entry's history is found in a large history.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDate>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "data/dataset.h"
#include "data/entry_history.h"
#include "data/entry_writes.h"
#include "data/notifications.h"
#include "data/session.h"
#include "shiftlog/shift_log_window.h"
#include "support/bench_support.h"
#include "widgets/data_grid.h"

namespace {

using Clock = std::chrono::steady_clock;
using tabel::data::Entry;

tabel::data::Session* g_session = nullptr;
tabel::shiftlog::ShiftLogWindow* g_window = nullptr;
Entry g_template;
constexpr double kBenchQuantity = 2.7182;  // marks the rows this benchmark adds
constexpr int kPosted = 1000;

// As the cluster's admin: only the owner may switch a table's triggers.
void adminSql(const QString& sql) {
    QProcess psql;
    psql.start(QStringLiteral(TABEL_DBCTL),
               {QStringLiteral("psql"), tabel::bench::benchServer(), QStringLiteral("-X"),
                QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-c"), sql});
    psql.waitForFinished(-1);
    if (psql.exitCode() != 0) {
        std::fprintf(stderr, "psql: %s\n", psql.readAllStandardError().constData());
    }
}

// The list the receiving window shows.
tabel::data::Dataset& shownList() {
    return *g_window->findChild<tabel::widgets::DataGrid*>(QStringLiteral("entriesGrid"))
                ->dataset();
}

void setHistoryTriggers(bool enabled) {
    adminSql(QStringLiteral("ALTER TABLE accounts_dep.smena %1 TRIGGER smena_history")
                 .arg(enabled ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE")));
}

Entry newEntry() {
    static int next = 0;
    Entry e = g_template;
    e.workerId = 1001 + next++ % 300;
    return e;
}

void removeBenchEntries(tabel::data::Connection& connection) {
    connection.run(QStringLiteral("delete from accounts_dep.smena where kol_vo = ?"),
                   {kBenchQuantity});
}

void saveEntries(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const Entry e = newEntry();
        state.ResumeTiming();
        benchmark::DoNotOptimize(tabel::data::saveEntry(g_session->connection, e));
    }
    removeBenchEntries(g_session->connection);
}

// Today's save, as before the history: its triggers switched off.
void BM_SaveEntryWithoutHistory(benchmark::State& state) {
    setHistoryTriggers(false);
    saveEntries(state);
    setHistoryTriggers(true);
}
BENCHMARK(BM_SaveEntryWithoutHistory)->Unit(benchmark::kMicrosecond);

void BM_SaveEntryWithHistory(benchmark::State& state) {
    saveEntries(state);
}
BENCHMARK(BM_SaveEntryWithHistory)->Unit(benchmark::kMicrosecond);

// One changed entry of the shown list (5,000 rows) as the feed hands it over: the window's own
// handling, the keyed re-read included.
void BM_ReReadOneChangedEntry(benchmark::State& state) {
    tabel::data::Dataset& list = shownList();
    const int idColumn = list.fieldIndex(QStringLiteral("id"));
    std::mt19937 random(7);
    tabel::data::ChangeBatch batch;
    batch.entries.append(tabel::data::EntryChange{});
    for (auto _ : state) {
        state.PauseTiming();
        tabel::data::EntryChange& change = batch.entries.front();
        change.id = list.valueAt(int(random() % unsigned(list.recordCount())), idColumn).toInt();
        change.date = g_template.date;
        change.shift = 1;
        change.action = QLatin1Char('U');
        state.ResumeTiming();
        g_window->applyChanges(batch);
    }
    state.counters["rows_on_screen"] = list.recordCount();
}
BENCHMARK(BM_ReReadOneChangedEntry)->Unit(benchmark::kMillisecond);

// Floor: the same keyed statement the re-read runs, through the same connection, nothing kept.
void BM_KeyedSelectOfOneEntry(benchmark::State& state) {
    tabel::data::Dataset& list = shownList();
    const int idColumn = list.fieldIndex(QStringLiteral("id"));
    const QString keyed = QStringLiteral("select * from (\n") +
                          list.statement()
                              .replace(QStringLiteral("=:data"), QStringLiteral("=?"))
                              .replace(QStringLiteral("<>:ok"), QStringLiteral("<>?"))
                              .replace(QStringLiteral("!=:ok"), QStringLiteral("!=?")) +
                          QStringLiteral("\n) as keyed_rows where id in (?)");
    std::mt19937 random(7);
    for (auto _ : state) {
        state.PauseTiming();
        const int id = list.valueAt(int(random() % unsigned(list.recordCount())), idColumn).toInt();
        state.ResumeTiming();
        benchmark::DoNotOptimize(g_session->connection.run(
            keyed, {QVariant(g_template.date), QVariant(QStringLiteral("ta")), QVariant(id)}));
    }
}
BENCHMARK(BM_KeyedSelectOfOneEntry)->Unit(benchmark::kMillisecond);

// A burst's batch: 50 entries at once (a brigade division, a busy 200 ms).
void BM_ReReadFiftyChangedEntries(benchmark::State& state) {
    tabel::data::Dataset& list = shownList();
    const int idColumn = list.fieldIndex(QStringLiteral("id"));
    tabel::data::ChangeBatch batch;
    for (int i = 0; i < 50; ++i) {
        tabel::data::EntryChange change;
        change.id = list.valueAt(i * 97 % list.recordCount(), idColumn).toInt();
        change.date = g_template.date;
        change.shift = 1;
        change.action = QLatin1Char('U');
        batch.entries.append(change);
    }
    for (auto _ : state) {
        g_window->applyChanges(batch);
    }
}
BENCHMARK(BM_ReReadFiftyChangedEntries)->Unit(benchmark::kMillisecond);

// One entry's history, by its number, out of the whole history.
void BM_HistoryOfOneEntry(benchmark::State& state) {
    const int top =
        g_session->connection
            .scalar(QStringLiteral("select max(id_smena) from accounts_dep.smena_history"))
            .toInt();
    std::mt19937 random(11);
    int64_t rows = 0;
    for (auto _ : state) {
        rows += tabel::data::entryHistory(g_session->connection, 1 + int(random() % unsigned(top)))
                    .size();
    }
    state.counters["rows_per_lookup"] = double(rows) / double(state.iterations());
}
BENCHMARK(BM_HistoryOfOneEntry)->Unit(benchmark::kMillisecond);

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// A second workstation posts 1,000 entries into the shown list as fast as it can; each commit's
// delay until this window's list holds the entry, and the window's cost per batch.
void measureDelays() {
    std::mutex mutex;
    std::map<int, Clock::time_point> committed;
    std::map<int, Clock::time_point> seen;
    std::vector<double> batchCosts;
    std::vector<int> batchSizes;

    tabel::data::ChangeFeed& feed = g_session->changes;
    QObject::disconnect(&feed, &tabel::data::ChangeFeed::changed, g_window,
                        &tabel::shiftlog::ShiftLogWindow::applyChanges);
    tabel::data::Dataset& list = shownList();
    const QMetaObject::Connection watching = QObject::connect(
        &feed, &tabel::data::ChangeFeed::changed, [&](const tabel::data::ChangeBatch& batch) {
            QElapsedTimer cost;
            cost.start();
            g_window->applyChanges(batch);
            batchCosts.push_back(double(cost.nsecsElapsed()) / 1e6);
            batchSizes.push_back(int(batch.entries.size()));
            const Clock::time_point now = Clock::now();
            const int idColumn = list.fieldIndex(QStringLiteral("id"));
            std::set<int> named;
            for (const tabel::data::EntryChange& change : batch.entries) {
                named.insert(change.id);
            }
            for (int row = 0; row < list.recordCount(); ++row) {
                const int id = list.valueAt(row, idColumn).toInt();
                if (named.count(id) != 0) {
                    seen.emplace(id, now);
                }
            }
        });

    const QString connectionString = g_session->connection.connectionString();
    QThread* poster = QThread::create([&] {
        tabel::data::Connection other(QStringLiteral("bench_poster"));
        other.setConnectionString(connectionString);
        other.open();
        for (int i = 0; i < kPosted; ++i) {
            const int id = tabel::data::saveEntry(other, newEntry()).id;
            const std::lock_guard lock(mutex);
            committed.emplace(id, Clock::now());
        }
    });
    poster->start();
    QEventLoop loop;
    QTimer check;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&check, &QTimer::timeout, [&] {
        if ((poster->isFinished() && seen.size() >= size_t(kPosted)) || waited.elapsed() > 120000) {
            loop.quit();
        }
    });
    check.start(20);
    loop.exec();
    poster->wait();
    delete poster;
    QObject::disconnect(watching);
    QObject::connect(&feed, &tabel::data::ChangeFeed::changed, g_window,
                     &tabel::shiftlog::ShiftLogWindow::applyChanges);

    std::vector<double> delays;
    for (const auto& [id, at] : committed) {
        const auto found = seen.find(id);
        if (found != seen.end()) {
            delays.push_back(std::max(
                0.0, std::chrono::duration<double, std::milli>(found->second - at).count()));
        }
    }
    const double worst = delays.empty() ? 0 : *std::max_element(delays.begin(), delays.end());
    std::printf(
        "\nLive refresh: %zu entries posted by a second connection, %zu seen in the "
        "list of %d rows\n",
        committed.size(), delays.size(), list.recordCount());
    std::printf(
        "  delay commit -> list: median %.1f ms, 95%% %.1f ms, worst %.1f ms   "
        "goal <= 2000 ms: %s\n",
        percentile(delays, 0.5), percentile(delays, 0.95), worst,
        delays.size() == committed.size() && worst <= 2000 ? "met" : "MISSED");
    std::vector<double> perEntry;
    for (size_t i = 0; i < batchCosts.size(); ++i) {
        perEntry.push_back(batchCosts[i] / std::max(1, batchSizes[i]));
    }
    std::printf(
        "  %zu batches (median %.0f entries each); re-read per batch: median %.2f ms, "
        "worst %.2f ms; per entry: median %.3f ms   goal < 5 ms: %s\n",
        batchCosts.size(),
        percentile(std::vector<double>(batchSizes.begin(), batchSizes.end()), 0.5),
        percentile(batchCosts, 0.5), percentile(batchCosts, 1.0), percentile(perEntry, 0.5),
        percentile(perEntry, 0.5) < 5 ? "met" : "MISSED");
    removeBenchEntries(g_session->connection);
}

// Any login may NOTIFY the channel: a second connection sends forged notices as fast as it can
// (1,000 distinct ones a transaction) for TABEL_BENCH_FLOOD_SECONDS (10 by default; 60 for the
// full figure) while the shift log is open. The feed must deliver no batch, hold no keys, read
// the log at most once per batch interval and keep the process's memory flat.
void measureForgedFlood() {
    tabel::data::ChangeFeed& feed = g_session->changes;
    // The entries the delay measurement removed arrive first.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 4 * tabel::data::ChangeFeed::kBatchMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const int seconds = std::max(1, qEnvironmentVariableIntValue("TABEL_BENCH_FLOOD_SECONDS") > 0
                                        ? qEnvironmentVariableIntValue("TABEL_BENCH_FLOOD_SECONDS")
                                        : 10);
    int batches = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&feed, &tabel::data::ChangeFeed::changed,
                         [&](const tabel::data::ChangeBatch&) { ++batches; });
    const qint64 noticesBefore = feed.noticesReceived();
    const qint64 readsBefore = feed.logReads();
    tabel::bench::resetPeakMemory();
    const double before = tabel::bench::residentMegabytes();

    std::atomic<bool> flooding{true};
    std::atomic<qint64> sent{0};
    const QString connectionString = g_session->connection.connectionString();
    QThread* forger = QThread::create([&] {
        tabel::data::Connection other(QStringLiteral("bench_forger"));
        other.setConnectionString(connectionString);
        other.open();
        qint64 from = 0;
        while (flooding.load()) {
            other.run(QStringLiteral("select count(pg_notify('tabel_changes', "
                                     "format('{\"t\":\"smena\",\"a\":\"I\",\"id\":%s,"
                                     "\"d\":\"2026-03-02\",\"s\":1}', g))) "
                                     "from generate_series(?::bigint, ?::bigint) g"),
                      {QVariant(from), QVariant(from + 999)});
            from += 1000;
            sent.store(from);
        }
    });
    QElapsedTimer elapsed;
    elapsed.start();
    forger->start();
    qsizetype mostPending = 0;
    std::vector<double> resident;
    QEventLoop loop;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        mostPending = std::max(mostPending, feed.pendingKeys());
        resident.push_back(tabel::bench::residentMegabytes());
        if (elapsed.elapsed() >= seconds * 1000LL) {
            loop.quit();
        }
    });
    sample.start(100);
    loop.exec();
    flooding.store(false);
    forger->wait();
    delete forger;
    // The last notices still on their way.
    QElapsedTimer drain;
    drain.start();
    while (feed.noticesReceived() - noticesBefore < sent.load() && drain.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const double took = double(elapsed.elapsed()) / 1000.0;
    QObject::disconnect(counting);

    const qint64 notices = feed.noticesReceived() - noticesBefore;
    const qint64 reads = feed.logReads() - readsBefore;
    const double peak = tabel::bench::peakMegabytes();
    const double after = tabel::bench::residentMegabytes();
    const double growth = std::max(0.0, peak - before);
    std::printf(
        "\nForged notices: %lld sent, %lld received in %.1f s (%.0f a second); %d batches, "
        "at most %lld keys pending\n",
        static_cast<long long>(sent.load()), static_cast<long long>(notices), took,
        double(notices) / took, batches, static_cast<long long>(mostPending));
    std::printf(
        "  reads of the log: %lld (%.5f a notice, at most one per %d ms: %.1f a second)   "
        "goal: no batch, <= %.0f reads: %s\n",
        static_cast<long long>(reads), notices > 0 ? double(reads) / double(notices) : 0.0,
        tabel::data::ChangeFeed::kBatchMs, double(reads) / took,
        took * 1000.0 / tabel::data::ChangeFeed::kBatchMs + 2,
        batches == 0 && mostPending == 0 &&
                double(reads) <= took * 1000.0 / tabel::data::ChangeFeed::kBatchMs + 2
            ? "met"
            : "MISSED");
    std::printf(
        "  memory: %.1f MB before, peak %.1f MB, %.1f MB after (median while flooding %.1f MB); "
        "growth %.1f MB   goal < 20 MB: %s\n",
        before, peak, after, percentile(resident, 0.5), growth, growth < 20 ? "met" : "MISSED");
}

void printHistoryPlan() {
    const qint64 rows =
        g_session->connection
            .scalar(QStringLiteral("select count(*) from accounts_dep.smena_history"))
            .toLongLong();
    const int entry =
        g_session->connection
            .scalar(QStringLiteral("select max(id_smena) / 2 from accounts_dep.smena_history"))
            .toInt();
    std::printf("\nHistory: %lld rows; one entry's history (entry %d):\n", rows, entry);
    // The number is ours, not typed by anyone: EXPLAIN takes no parameters here.
    const tabel::data::StatementResult plan = g_session->connection.run(
        QStringLiteral("explain (analyze, buffers off, costs off) ") +
        tabel::data::entryHistoryStatement().replace(QLatin1Char('?'), QString::number(entry)));
    for (const QList<QVariant>& line : plan.rows) {
        std::printf("    %s\n", line.first().toString().toUtf8().constData());
    }
}

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    g_session = &session;
    const data::StatementResult sample = session.connection.run(QStringLiteral(
        "select i_id, o_id, cena from accounts_dep.smena where data = current_date and smena = 1 "
        "limit 1"));
    g_template.productId = sample.rows.first()[0].toInt();
    g_template.operationId = sample.rows.first()[1].toInt();
    g_template.price = tabel::core::Decimal::fromStored(sample.rows.first()[2].toDouble());
    g_template.quantity = *tabel::core::Decimal::fromDouble(kBenchQuantity);
    g_template.date = QDate::currentDate();
    g_template.shift = 1;

    // The receiving workstation: today's shift 1 of the plant, as the shift log shows it.
    // The generated day holds more than 24 hours a worker, which a save refuses: today's
    // entries lose their hours, so that the posted ones can join them.
    adminSql(
        QStringLiteral("update accounts_dep.smena set time = 0 "
                       "where data = current_date and time <> 0"));
    shiftlog::ShiftLogWindow window(session);
    g_window = &window;
    window.show();
    auto* date = window.findChild<QDateEdit*>(QStringLiteral("dateEdit"));
    date->setDate(g_template.date);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(date, &enter);  // the day's lists
    QElapsedTimer waited;
    waited.start();
    while (!session.changes.isLive() && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    run({{"BM_SaveEntryWithHistory", "BM_SaveEntryWithoutHistory", "", 1.2},
         {"BM_ReReadOneChangedEntry", "BM_KeyedSelectOfOneEntry", "", 0}});
    measureDelays();
    measureForgedFlood();
    printHistoryPlan();
}
