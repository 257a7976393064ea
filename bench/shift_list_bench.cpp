// The shift list on a plant's ten years of entries with thousands on one date: opening it,
// painting its grid, sorting it, and the login up to the first painted shift log window, each
// against floors measured in the same run (the driver's block fetch, libpq, psql).
#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QTimer>

#include "app/login_window.h"
#include "bench_db.h"
#include "data/dataset.h"
#include "data/session.h"
#include "shiftlog/shift_log_window.h"
#include "shiftlog/shift_statements.h"
#include "widgets/data_grid.h"

namespace {

tabel::data::Session* g_session = nullptr;
// The shift log's four lists, as the window prepares them.
std::array<std::unique_ptr<tabel::data::Dataset>, 4> g_shiftLists;

const QList<std::pair<QString, QString>> kToday{
    {QStringLiteral(":data"), QStringLiteral("current_date")},
    {QStringLiteral(":ok"), QStringLiteral("'ta'")}};

QString shiftStatement(int shift) {
    return tabel::bench::withLiterals(g_shiftLists[shift - 1]->statement(), kToday);
}

// The same rows as a plain statement of the plant reads them: persons joined straight (no one
// person per code) and no versions. Empty when the program's statement no longer has the
// shape this expects.
QString plainStatement(int shift) {
    static const QRegularExpression kVersions(QStringLiteral(
        R"(,\s*smena\.entry_version::text as entry_version,\s*smena\.row_version::text as row_version)"));
    const QString program = shiftStatement(shift);
    QString plain = program;
    plain.replace(QStringLiteral("accounts_dep.v_worker person"),
                  QStringLiteral("cmn_contractor.person person"));
    plain.remove(kVersions);
    return plain.size() < program.size() - 60 ? plain : QString();
}

// The server's own time for a statement (planning and execution, as EXPLAIN ANALYZE reports
// them without per-node timing), in seconds; negative when it could not be read.
double serverSeconds(const QString& statement) {
    static const QRegularExpression kTime(
        QStringLiteral(R"((Planning|Execution) Time: ([0-9.]+) ms)"));
    double ms = 0;
    int found = 0;
    const auto result = g_session->connection.run(
        QStringLiteral("explain (analyze, timing off, costs off, summary on) ") + statement);
    for (const QList<QVariant>& row : result.rows) {
        const auto match = kTime.match(row.value(0).toString());
        if (match.hasMatch()) {
            ms += match.captured(2).toDouble();
            ++found;
        }
    }
    return found == 2 ? ms / 1000 : -1;
}

// Today's shift 1 list on the server alone: the program's statement and the plain one.
void serverTime(benchmark::State& state, const QString& statement) {
    if (statement.isEmpty()) {
        state.SkipWithError("the plain statement could not be made from the program's");
        return;
    }
    for (auto _ : state) {
        const double seconds = serverSeconds(statement);
        if (seconds < 0) {
            state.SkipWithError("no planning and execution time in EXPLAIN ANALYZE");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
void shift_list_server(benchmark::State& state) {
    serverTime(state, shiftStatement(1));
}
BENCHMARK(shift_list_server)->Unit(benchmark::kMillisecond)->UseManualTime();
void shift_list_server_plain(benchmark::State& state) {
    serverTime(state, plainStatement(1));
}
BENCHMARK(shift_list_server_plain)->Unit(benchmark::kMillisecond)->UseManualTime();

void openShiftOne() {
    tabel::data::Dataset& list = *g_shiftLists[0];
    list.close();
    list.setParam(QStringLiteral("data"), QDate::currentDate());
    list.setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    list.open();
}

// What the program did before block fetching: the Qt driver, one SQLGetData per cell.
void shift_list_qt_cell_by_cell(benchmark::State& state) {
    const QString text = shiftStatement(1);
    for (auto _ : state) {
        state.counters["rows"] =
            double(tabel::bench::fetchOnce(g_session->connection, text, QSql::HighPrecision));
    }
}
BENCHMARK(shift_list_qt_cell_by_cell)->Unit(benchmark::kMillisecond);

// Opening (or refreshing: close and open) the shift list of today, 5000+ rows.
void shift_list_open(benchmark::State& state) {
    for (auto _ : state) {
        openShiftOne();
        state.counters["rows"] = (*g_shiftLists[0]).recordCount();
    }
}
BENCHMARK(shift_list_open)->Unit(benchmark::kMillisecond);

// The shift log window's grid rendered offscreen page by page until every row was painted.
void shift_list_paint_all_pages(benchmark::State& state) {
    tabel::shiftlog::ShiftLogWindow window(*g_session);
    window.findChild<QTimer*>(QStringLiteral("versionTimer"))->stop();
    window.show();  // the activation loads the four lists
    auto* grid = window.findChild<tabel::widgets::DataGrid*>(QStringLiteral("entriesGrid"));
    QWidget* viewport = grid->viewport();
    QImage image(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    QScrollBar* bar = grid->verticalScrollBar();
    int pages = 0;
    for (auto _ : state) {
        pages = 0;
        for (int top = 0; top <= bar->maximum(); top += qMax(1, bar->pageStep())) {
            bar->setValue(top);
            viewport->render(&image);
            ++pages;
        }
        bar->setValue(0);
    }
    state.counters["pages"] = pages;
    state.counters["rows"] = grid->dataset()->recordCount();
    window.hide();
}
BENCHMARK(shift_list_paint_all_pages)->Unit(benchmark::kMillisecond);

void shift_list_sort_by_name(benchmark::State& state) {
    openShiftOne();
    bool descending = false;
    for (auto _ : state) {
        (*g_shiftLists[0])
            .setSort(descending ? QStringLiteral("fio DESC") : QStringLiteral("fio ASC"));
        descending = !descending;
    }
}
BENCHMARK(shift_list_sort_by_name)->Unit(benchmark::kMillisecond);

// Login with the typed credentials, today's four shift lists loaded and the shift log window
// painted once into an image.
void login_to_first_paint(benchmark::State& state) {
    // The program's one data module: the login closes its connection and opens it anew.
    tabel::data::Session& session = *g_session;
    tabel::shiftlog::ShiftLogWindow window(session);
    window.findChild<QTimer*>(QStringLiteral("versionTimer"))->stop();
    const QString server = tabel::bench::benchServer();
    tabel::app::LoginWindow login(session, window, {server, QStringLiteral("tabel"), {}, {}},
                                  server, QStringLiteral("tabel"));
    login.findChild<QLineEdit*>(QStringLiteral("loginEdit"))->setText(QStringLiteral("master"));
    login.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("master"));
    int64_t rows = 0;
    for (auto _ : state) {
        if (!login.logIn()) {
            state.SkipWithError("login failed");
            break;
        }
        window.show();
        QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
        window.render(&image);
        rows = 0;
        for (int shift = 1; shift <= 4; ++shift) {
            rows += window
                        .findChild<tabel::widgets::DataSource*>(
                            QStringLiteral("shift%1Source").arg(shift))
                        ->dataset()
                        ->recordCount();
        }
        state.PauseTiming();
        window.hide();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    window.show();
    state.counters["rss_MB"] = tabel::bench::residentMegabytes();
    window.hide();
}
BENCHMARK(login_to_first_paint)->Unit(benchmark::kMillisecond);

// psql as a whole process: connects, runs the four statements and writes their rows away.
void psqlProcess(benchmark::State& state, QString (*statement)(int)) {
    QTemporaryFile script;
    script.open();
    for (int shift = 1; shift <= 4; ++shift) {
        const QString text = statement(shift);
        if (text.isEmpty()) {
            state.SkipWithError("the plain statement could not be made from the program's");
            return;
        }
        script.write(text.toUtf8() + ";\n");
    }
    script.flush();
    for (auto _ : state) {
        const QString error =
            tabel::bench::runPsql({QStringLiteral("-q"), QStringLiteral("-f"), script.fileName()});
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
            break;
        }
    }
}
void login_psql_process(benchmark::State& state) {
    psqlProcess(state, shiftStatement);
}
BENCHMARK(login_psql_process)->Unit(benchmark::kMillisecond);
// The same with the four plain statements.
void login_psql_plain_process(benchmark::State& state) {
    psqlProcess(state, plainStatement);
}
BENCHMARK(login_psql_plain_process)->Unit(benchmark::kMillisecond);

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    g_session = &session;
    for (int shift = 1; shift <= 4; ++shift) {
        g_shiftLists[shift - 1] =
            std::make_unique<tabel::data::Dataset>(&session.connection, QStringLiteral("shift"));
        tabel::shiftlog::prepareShiftList(*g_shiftLists[shift - 1], shift);
    }
    tabel::bench::registerFloors("shift_list", session.connection,
                                 [] { return shiftStatement(1); });
    run({{"shift_list_open", "shift_list_odbc_block_fetch", "shift_list_libpq", 1.3},
         {"shift_list_qt_cell_by_cell", "shift_list_odbc_block_fetch", "shift_list_libpq", 0},
         {"shift_list_paint_all_pages", "shift_list_odbc_block_fetch", "", 0},
         {"shift_list_sort_by_name", "shift_list_odbc_block_fetch", "", 0},
         {"shift_list_server/manual_time", "shift_list_server_plain/manual_time", "", 1.5},
         {"login_to_first_paint", "login_psql_process", "", 2.0},
         {"login_to_first_paint", "login_psql_plain_process", "", 1.3}});
}
