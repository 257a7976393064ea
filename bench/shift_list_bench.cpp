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
void login_psql_process(benchmark::State& state) {
    QTemporaryFile script;
    script.open();
    for (int shift = 1; shift <= 4; ++shift) {
        script.write(shiftStatement(shift).toUtf8() + ";\n");
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
BENCHMARK(login_psql_process)->Unit(benchmark::kMillisecond);

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
         {"login_to_first_paint", "login_psql_process", "", 2.0}});
}
