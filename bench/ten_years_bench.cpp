// A plant's ten years against its two months: the reports (a month's and a year's detailed workers
// report as PDF, time and peak memory; the year's product summary spreadsheet) against psql
// fetching the same rows, and the daily actions (today's list after login, the month rebuild,
// the timesheet of a month) against their floors. bench/run runs it on the two-month set with
// TABEL_BENCH_SAVE=FILE, then on the ten-year set with TABEL_BENCH_BASELINE=FILE, which prints
// every daily action beside its two-month figure: ten years may cost no more than 1.2 times two
// months.
#include <benchmark/benchmark.h>

#include <functional>

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/login_window.h"
#include "bench_db.h"
#include "data/dataset.h"
#include "data/hours.h"
#include "data/session.h"
#include "outputwindows/timesheet_window.h"
#include "reports/period_reports.h"
#include "reports/spreadsheet.h"
#include "shiftlog/shift_log_window.h"
#include "shiftlog/shift_statements.h"
#include "support/report_pdf.h"
#include "timesheet/hours_statements.h"
#include "widgets/data_grid.h"

namespace {

using tabel::reports::PeriodReport;

tabel::data::Session* g_session = nullptr;

// The statement a window's list runs, as the window prepares it.
QString listStatement(const std::function<void(tabel::data::Dataset&)>& prepare) {
    tabel::data::Dataset list(&g_session->connection, QStringLiteral("list"));
    prepare(list);
    return list.statement();
}
// The generated data end today: the previous month is whole in both sets.
const QDate g_month = QDate::currentDate().addMonths(-1);

// Every iteration's time by benchmark, in ms; the median is the figure kept between runs.
std::map<std::string, std::vector<double>> g_samples;
// Peak resident MB of the PDF report, by period length in days.
tabel::bench::PeakByDays g_peak;

// Times the rest of the iteration's scope into g_samples[name].
class Sample {
public:
    explicit Sample(std::string name) : name_(std::move(name)) { timer_.start(); }
    ~Sample() { g_samples[name_].push_back(double(timer_.nsecsElapsed()) / 1e6); }

private:
    std::string name_;
    QElapsedTimer timer_;
};

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

using tabel::bench::lastDays;
using tabel::bench::sqlDate;

QString withPeriod(const QStringList& sql, int days) {
    const auto period = lastDays(days);
    return tabel::bench::withLiterals(sql.join(QLatin1Char('\n')),
                                      {{QStringLiteral(":data1"), sqlDate(period.from)},
                                       {QStringLiteral(":data2"), sqlDate(period.to)}});
}

void psql(benchmark::State& state, const QString& statement) {
    for (auto _ : state) {
        const QString error = tabel::bench::runPsql(
            {QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-o"),
             QStringLiteral("/dev/null"), QStringLiteral("-c"), statement});
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
            break;
        }
    }
}

// Floor of the PDF report: psql runs its statement and reads every row.
void report_psql_fetch(benchmark::State& state) {
    auto layout =
        tabel::reports::makePeriodLayout(PeriodReport::WorkersDetail, g_session->connection);
    psql(state, withPeriod(layout->query().sql(), int(state.range(0))));
}
BENCHMARK(report_psql_fetch)->Arg(30)->Arg(365)->Unit(benchmark::kMillisecond)->UseRealTime();

// What `tabel --report workers-detail --pdf` does: rows streamed, pages painted and dropped.
void report_as_pdf(benchmark::State& state) {
    tabel::bench::measureDetailedReportPdf(state, g_session->connection, g_peak);
}
// Before anything else has grown the process, so both peaks start from the same ground.
BENCHMARK(report_as_pdf)->Arg(30)->Arg(365)->Unit(benchmark::kMillisecond)->UseRealTime();

void summary_psql_fetch(benchmark::State& state) {
    psql(state, withPeriod(tabel::reports::productSummarySql(), 365));
}
BENCHMARK(summary_psql_fetch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The year's product summary as a workbook file, as `tabel --report summary --xlsx` writes it.
void year_summary_xlsx(benchmark::State& state) {
    QTemporaryDir dir;
    for (auto _ : state) {
        try {
            tabel::reports::saveProductSummary(g_session->connection, lastDays(365),
                                               dir.filePath("summary.xlsx"));
        } catch (const tabel::reports::SpreadsheetError& error) {
            state.SkipWithError(error.what());
            break;
        }
    }
}
BENCHMARK(year_summary_xlsx)->Unit(benchmark::kMillisecond)->UseRealTime();

// Daily action: login with the typed credentials, today's four shift lists loaded and the shift
// log painted once.
void todays_list_after_login(benchmark::State& state) {
    tabel::data::Session& session = *g_session;
    tabel::shiftlog::ShiftLogWindow window(session);
    window.findChild<QTimer*>(QStringLiteral("versionTimer"))->stop();
    const QString server = tabel::bench::benchServer();
    tabel::app::LoginWindow login(session, window, {server, QStringLiteral("tabel"), {}, {}},
                                  server, QStringLiteral("tabel"));
    login.findChild<QLineEdit*>(QStringLiteral("loginEdit"))->setText(QStringLiteral("master"));
    login.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("master"));
    for (auto _ : state) {
        {
            Sample sample("todays_list_after_login");
            if (!login.logIn()) {
                state.SkipWithError("login failed");
                break;
            }
            window.show();
            QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
            window.render(&image);
        }
        state.PauseTiming();
        window.hide();
        state.ResumeTiming();
    }
    double rows = 0;
    for (int shift = 1; shift <= 4; ++shift) {
        rows +=
            window
                .findChild<tabel::widgets::DataSource*>(QStringLiteral("shift%1Source").arg(shift))
                ->dataset()
                ->recordCount();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(todays_list_after_login)->Unit(benchmark::kMillisecond)->UseRealTime();

// Its floor: psql as a whole process connects, runs the four statements, writes the rows away.
void login_psql_process(benchmark::State& state) {
    const QList<std::pair<QString, QString>> today{
        {QStringLiteral(":data"), QStringLiteral("current_date")},
        {QStringLiteral(":ok"), QStringLiteral("'ta'")}};
    QTemporaryFile script;
    script.open();
    for (int shift = 1; shift <= 4; ++shift) {
        script.write(tabel::bench::withLiterals(listStatement([shift](tabel::data::Dataset& list) {
                                                    tabel::shiftlog::prepareShiftList(list, shift);
                                                }),
                                                today)
                         .toUtf8() +
                     ";\n");
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
BENCHMARK(login_psql_process)->Unit(benchmark::kMillisecond)->UseRealTime();

// Daily action: the previous month's hours rebuilt from its entries on the server.
void month_rebuild(benchmark::State& state) {
    for (auto _ : state) {
        Sample sample("month_rebuild");
        state.counters["rows"] =
            tabel::data::rebuildHoursMonth(g_session->connection, g_month.month(), g_month.year());
    }
}
BENCHMARK(month_rebuild)->Unit(benchmark::kMillisecond)->UseRealTime();

// Floor of the timesheet: its three pages' statements fetched row by row, nothing kept.
void timesheet_plain_fetch(benchmark::State& state) {
    const QList<std::pair<QString, QString>> month{
        {QStringLiteral(":mnth"), QString::number(g_month.month())},
        {QStringLiteral(":yea"), QString::number(g_month.year())}};
    QStringList statements;
    for (int shift = 1; shift <= 3; ++shift) {
        statements.append(
            tabel::bench::withLiterals(listStatement([shift](tabel::data::Dataset& page) {
                                           tabel::timesheet::prepareHoursPage(page, shift);
                                       }),
                                       month));
    }
    for (auto _ : state) {
        for (const QString& statement : statements) {
            benchmark::DoNotOptimize(tabel::bench::fetchOnce(g_session->connection, statement));
        }
    }
}
BENCHMARK(timesheet_plain_fetch)->Unit(benchmark::kMillisecond)->UseRealTime();

// Daily action: the timesheet window shows the previous month's three pages.
void timesheet_of_a_month(benchmark::State& state) {
    tabel::outputwindows::TimesheetWindow form(*g_session);
    for (auto _ : state) {
        Sample sample("timesheet_of_a_month");
        form.selectMonth(g_month);
    }
}
BENCHMARK(timesheet_of_a_month)->Unit(benchmark::kMillisecond)->UseRealTime();

struct DailyAction {
    const char* key;
    const char* caption;
};
const DailyAction kDailyActions[] = {
    {"todays_list_after_login", "today's list after login"},
    {"month_rebuild", "month rebuild"},
    {"timesheet_of_a_month", "timesheet of a month"},
};

// The two-month figures as `name=ms` lines.
void saveFigures(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return;
    }
    QTextStream out(&file);
    for (const DailyAction& action : kDailyActions) {
        out << action.key << '=' << median(g_samples[action.key]) << '\n';
    }
}

std::map<std::string, double> loadFigures(const QString& path) {
    std::map<std::string, double> figures;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return figures;
    }
    while (!file.atEnd()) {
        const QStringList parts = QString::fromUtf8(file.readLine()).trimmed().split('=');
        if (parts.size() == 2) {
            figures[parts[0].toStdString()] = parts[1].toDouble();
        }
    }
    return figures;
}

void printDailyActions(const std::map<std::string, double>& twoMonths) {
    std::printf(
        "\nDaily actions on this set against the two-month set (median ms, goal <= 1.2x):\n");
    for (const DailyAction& action : kDailyActions) {
        const double now = median(g_samples[action.key]);
        const auto before = twoMonths.find(action.key);
        if (now <= 0 || before == twoMonths.end() || before->second <= 0) {
            std::printf("  %-28s %8.1f ms   two months: not measured\n", action.caption, now);
            continue;
        }
        const double ratio = now / before->second;
        std::printf("  %-28s %8.1f ms   two months %8.1f ms   %5.2fx   goal <= 1.2x: %s\n",
                    action.caption, now, before->second, ratio, ratio <= 1.2 ? "met" : "MISSED");
    }
}

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    g_session = &session;
    run({{"report_as_pdf/30/real_time", "report_psql_fetch/30/real_time", "", 3.0},
         {"report_as_pdf/365/real_time", "report_psql_fetch/365/real_time", "", 3.0},
         {"year_summary_xlsx/real_time", "summary_psql_fetch/real_time", "", 0},
         {"todays_list_after_login/real_time", "login_psql_process/real_time", "", 2.0},
         {"timesheet_of_a_month/real_time", "timesheet_plain_fetch/real_time", "", 0}});
    tabel::bench::printReportMemory(g_peak);
    if (const QString save = qEnvironmentVariable("TABEL_BENCH_SAVE"); !save.isEmpty()) {
        saveFigures(save);
    }
    if (const QString baseline = qEnvironmentVariable("TABEL_BENCH_BASELINE");
        !baseline.isEmpty()) {
        printDailyActions(loadFigures(baseline));
    }
}
