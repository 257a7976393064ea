// The drill of many live workstations: N workstations logged in on a generated plant (four in
// five foremen and clerks on today's shift lists, one in five economists with the month's hours
// timesheet open over them), and a writer that commits entries, changes, deletions and hours
// edits at a steady rate, spread over shifts and days. Each workstation traces the changes it
// applied (TABEL_TRACE_CHANGES); the drill prints the delay from commit to screen, the server's
// CPU and the workstations' statements per change, whether every workstation's lists equal the
// database at the end, and its memory at the end against the start.
//
//   TABEL_BENCH_SERVER=<socket folder> tabel_bench_drill [N] [changes a second] [seconds]
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "data/connection.h"
#include "data/connection_string.h"

namespace {

using Clock = std::chrono::steady_clock;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// One change the writer committed.
struct Change {
    char kind = 'E';  // E: an entry, H: an hours row
    char action = 'I';
    int key = 0;  // the entry's id, the hours row's worker
    QDate date;   // E: where it is now (an insert, an update) or was (a deletion)
    int shift = 0;
    QDate oldDate;  // E: where an update moved it from
    int oldShift = 0;
    int year = 0;  // H
    int month = 0;
    qint64 sentNs = 0;
    qint64 committedNs = 0;
};

// One line of a workstation's trace.
struct Applied {
    qint64 batch = 0;
    qint64 atNs = 0;
    char kind = 'E';
    int key = 0;
    QDate date;
    int shift = 0;
    QDate oldDate;
    int oldShift = 0;
    int year = 0;
    int month = 0;
    qint64 statements = 0;
};

struct Workstation {
    std::unique_ptr<QProcess> process;
    QString role;  // shift:N or timesheet
    QString trace;
    QDate day;  // today, as its shift log shows it
    bool ready = false;
    QString result;  // the comparison with the database
    double rssStartKb = 0;
    double rssEndKb = 0;
    std::vector<Applied> applied;

    bool economist() const { return role == QLatin1String("timesheet"); }
    // The change is on one of this workstation's screens.
    bool shows(const Change& c) const {
        if (c.kind == 'H') {
            return economist() && c.year == day.year() && c.month == day.month();
        }
        return c.date == day || c.oldDate == day;
    }
    // The lists of this workstation the change is or was in.
    int listsTouched(const Change& c) const {
        if (c.kind == 'H') {
            return shows(c) ? 1 : 0;
        }
        return (c.date == day ? 1 : 0) +
               (c.oldDate == day && (c.oldDate != c.date || c.oldShift != c.shift) ? 1 : 0);
    }
    bool shows(const Applied& a) const {
        if (a.kind == 'H') {
            return economist() && a.year == day.year() && a.month == day.month();
        }
        return a.kind == 'W' || a.date == day || a.oldDate == day;
    }
};

double residentKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble();
        }
    }
    return 0;
}

// CPU seconds of the cluster's server processes: the postmaster named in postmaster.pid and
// every process it started.
double serverCpuSeconds(const QString& server) {
    QFile pidFile(server + QStringLiteral("/pgdata/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const qint64 postmaster = pidFile.readLine().trimmed().toLongLong();
    const double tick = double(sysconf(_SC_CLK_TCK));
    double seconds = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        // The fields after the command's closing parenthesis: state, ppid, ..., utime (12th),
        // stime (13th).
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13) {
            continue;
        }
        if (pid == postmaster || fields[1].toLongLong() == postmaster) {
            seconds += (fields[11].toDouble() + fields[12].toDouble()) / tick;
        }
    }
    return seconds;
}

// CPU seconds `pid` has used.
double cpuSecondsOf(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() < 13
               ? 0
               : (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

std::vector<Applied> readTrace(const QString& path) {
    std::vector<Applied> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return lines;
    }
    while (!file.atEnd()) {
        const QList<QByteArray> f = file.readLine().trimmed().split(' ');
        if (f.size() < 5) {
            continue;
        }
        Applied a;
        a.batch = f[0].toLongLong();
        a.atNs = f[1].toLongLong();
        a.kind = f[3].at(0);
        if (a.kind == 'W') {
            a.statements = f[4].toLongLong();
        } else if (a.kind == 'E' && f.size() >= 12) {
            a.key = f[4].toInt();
            a.date = QDate::fromString(QString::fromLatin1(f[6]), Qt::ISODate);
            a.shift = f[7].toInt();
            a.oldDate = QDate::fromString(QString::fromLatin1(f[8]), Qt::ISODate);
            a.oldShift = f[9].toInt();
            a.statements = f[10].toLongLong();
        } else if (a.kind == 'H' && f.size() >= 10) {
            a.key = f[4].toInt();
            a.year = f[5].toInt();
            a.month = f[6].toInt();
            a.shift = f[7].toInt();
            a.statements = f[8].toLongLong();
        } else {
            continue;
        }
        lines.push_back(a);
    }
    return lines;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// Runs the event loop until `done` or `ms` passed; false on the timeout.
template <typename Done>
bool waitFor(Done done, int ms) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// The writer: one change every 1/rate s for `seconds`, over today and the two days before, the
// four shifts and this month's hours rows.
class Writer {
public:
    Writer(tabel::data::Connection& connection, const QDate& today)
        : connection_(connection), today_(today) {
        const auto sample = connection_.run(QStringLiteral(
            "select i_id, o_id, cena from accounts_dep.smena where data = current_date limit 1"));
        productId_ = sample.rows.first()[0].toInt();
        operationId_ = sample.rows.first()[1].toInt();
        price_ = sample.rows.first()[2].toDouble();
        for (const auto& row :
             connection_
                 .run(QStringLiteral("select id, w_id, smena from accounts_dep.h_tabel where "
                                     "year = ? and month = ? order by id limit 500"),
                      {today.year(), today.month()})
                 .rows) {
            hours_.push_back({row[0].toInt(), row[1].toInt(), row[2].toInt()});
        }
    }

    // The changes of one step: 4 in 10 new entries, 3 changes (one in three moves the entry
    // to another shift), 2 deletions, 1 hours edit.
    Change step(int n) {
        Change c;
        const int slot = n % 10;
        c.sentNs = nowNs();
        if (slot == 9 && !hours_.empty()) {
            const Hours& h = hours_[random_() % hours_.size()];
            const int day = 1 + int(random_() % unsigned(today_.daysInMonth()));
            connection_.run(QStringLiteral("update accounts_dep.h_tabel set d%1 = (d%1 + 1) % 12 "
                                           "where id = ?")
                                .arg(day),
                            {h.id});
            c.kind = 'H';
            c.action = 'U';
            c.key = h.worker;
            c.shift = h.shift;
            c.year = today_.year();
            c.month = today_.month();
        } else if ((slot >= 4 && slot <= 6) && !own_.empty()) {
            Own& e = own_[random_() % own_.size()];
            c.action = 'U';
            c.key = e.id;
            c.oldDate = e.date;
            c.oldShift = e.shift;
            if (slot == 6) {
                e.shift = e.shift % 4 + 1;
            }
            connection_.run(QStringLiteral("update accounts_dep.smena set kol_vo = kol_vo + 1, "
                                           "smena = ? where id = ?"),
                            {e.shift, e.id});
            c.date = e.date;
            c.shift = e.shift;
            if (c.oldShift == c.shift) {
                c.oldDate = {};
                c.oldShift = 0;
            }
        } else if ((slot == 7 || slot == 8) && !own_.empty()) {
            const size_t at = random_() % own_.size();
            const Own e = own_[at];
            own_.erase(own_.begin() + qsizetype(at));
            connection_.run(QStringLiteral("delete from accounts_dep.smena where id = ?"), {e.id});
            c.action = 'D';
            c.key = e.id;
            c.date = e.date;
            c.shift = e.shift;
        } else {
            Own e;
            e.date = today_.addDays(-int(random_() % 3));
            e.shift = 1 + int(random_() % 4);
            e.id = connection_
                       .run(QStringLiteral(
                                "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, "
                                "cena, kol_vo, time, ok) values (?, ?, ?, ?, ?, ?, 1, 0, 'no') "
                                "returning id"),
                            {e.date, e.shift, 1001 + int(random_() % 300), productId_, operationId_,
                             price_})
                       .rows.first()
                       .first()
                       .toInt();
            own_.push_back(e);
            c.action = 'I';
            c.key = e.id;
            c.date = e.date;
            c.shift = e.shift;
        }
        c.committedNs = nowNs();
        return c;
    }

private:
    struct Own {
        int id = 0;
        QDate date;
        int shift = 0;
    };
    struct Hours {
        int id = 0;
        int worker = 0;
        int shift = 0;
    };
    tabel::data::Connection& connection_;
    QDate today_;
    int productId_ = 0;
    int operationId_ = 0;
    double price_ = 0;
    std::vector<Own> own_;
    std::vector<Hours> hours_;
    std::mt19937 random_{17};
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString server = qEnvironmentVariable("TABEL_BENCH_SERVER");
    if (server.isEmpty()) {
        std::fprintf(stderr, "TABEL_BENCH_SERVER must name the socket folder of a cluster\n");
        return 2;
    }
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    const int rate = argc > 2 ? std::max(1, atoi(argv[2])) : 10;
    const int seconds = argc > 3 ? std::max(1, atoi(argv[3])) : 60;
    const int economists = count / 5;

    QTemporaryDir work;
    // TABEL_DRILL_KEEP=1 keeps the traces and the workstations' stderr.
    if (qEnvironmentVariableIntValue("TABEL_DRILL_KEEP") == 1) {
        work.setAutoRemove(false);
        std::printf("traces in %s\n", qPrintable(work.path()));
    }
    QDir(work.path()).mkpath(QStringLiteral("config"));
    const QStringList logins = {QStringLiteral("master"), QStringLiteral("clerk_a"),
                                QStringLiteral("clerk_b"), QStringLiteral("clerk_c")};
    std::vector<Workstation> stations(static_cast<size_t>(count));
    QElapsedTimer started;
    started.start();
    for (int i = 0; i < count; ++i) {
        Workstation& w = stations[size_t(i)];
        const bool economist = i >= count - economists;
        w.role =
            economist ? QStringLiteral("timesheet") : QStringLiteral("shift:%1").arg(1 + i % 4);
        // The timesheet is a right of the writing roles: the economists' workstations log in as
        // the foreman (the economists' own login, a reader, sees only the reports).
        const QString login = economist ? QStringLiteral("master") : logins[i % 4];
        w.trace = work.filePath(QStringLiteral("trace%1").arg(i));
        w.process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TABEL_TRACE_CHANGES"), w.trace);
        // The windows' remembered sizes go to a folder of the drill, not the user's settings.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
        w.process->setProcessEnvironment(env);
        w.process->setStandardErrorFile(work.filePath(QStringLiteral("stderr%1").arg(i)));
        QProcess* process = w.process.get();
        QObject::connect(process, &QProcess::readyReadStandardOutput, process, [&w] {
            while (w.process->canReadLine()) {
                const QString line = QString::fromUtf8(w.process->readLine()).trimmed();
                if (line.startsWith(QLatin1String("ready "))) {
                    w.day = QDate::fromString(line.section(QLatin1Char(' '), 1, 1), Qt::ISODate);
                    w.ready = true;
                } else if (line.startsWith(QLatin1String("lists "))) {
                    w.result = line;
                }
            }
        });
        process->start(QStringLiteral(TABEL_WORKSTATION), {server, login, login, w.role});
    }
    const auto allReady = [&] {
        return std::all_of(stations.begin(), stations.end(),
                           [](const Workstation& w) { return w.ready; });
    };
    if (!waitFor(allReady, 600000)) {
        std::fprintf(stderr, "not every workstation got ready; see their stderr in %s\n",
                     qPrintable(work.path()));
        work.setAutoRemove(false);
        return 1;
    }
    const double startupSeconds = double(started.elapsed()) / 1000.0;
    // Settled: the first showing's reads are over.
    waitFor([] { return false; }, 3000);
    for (Workstation& w : stations) {
        w.rssStartKb = residentKb(w.process->processId());
    }

    tabel::data::Connection connection(QStringLiteral("drill_writer"));
    connection.setConnectionString(tabel::data::composeConnectionString(
        {server, QStringLiteral("tabel"), QStringLiteral("master"), QStringLiteral("master")}));
    connection.open();
    const QDate today = stations.front().day;
    Writer writer(connection, today);

    const double cpuBefore = serverCpuSeconds(server);
    double stationsCpuBefore = 0;
    for (const Workstation& w : stations) {
        stationsCpuBefore += cpuSecondsOf(w.process->processId());
    }
    const int total = rate * seconds;
    std::vector<Change> changes;
    changes.reserve(size_t(total));
    const qint64 periodNs = 1000000000LL / rate;
    const qint64 beginNs = nowNs();
    int late = 0;
    for (int n = 0; n < total; ++n) {
        const qint64 due = beginNs + n * periodNs;
        while (nowNs() < due) {
            QCoreApplication::processEvents(QEventLoop::AllEvents,
                                            int(std::max<qint64>(1, (due - nowNs()) / 1000000)));
            const qint64 left = due - nowNs();
            if (left > 0) {
                QThread::usleep(std::min<qint64>(left / 1000, 2000));
            }
        }
        late += nowNs() - due > periodNs ? 1 : 0;
        changes.push_back(writer.step(n));
    }
    const double writeSeconds = double(nowNs() - beginNs) / 1e9;
    // The last batches arrive.
    waitFor([] { return false; }, 5000);
    const double cpuSeconds = serverCpuSeconds(server) - cpuBefore;
    double stationsCpu = -stationsCpuBefore;
    for (const Workstation& w : stations) {
        stationsCpu += cpuSecondsOf(w.process->processId());
    }
    for (Workstation& w : stations) {
        w.rssEndKb = residentKb(w.process->processId());
    }
    for (Workstation& w : stations) {
        w.process->write("dump\n");
    }
    waitFor(
        [&] {
            return std::all_of(stations.begin(), stations.end(),
                               [](const Workstation& w) { return !w.result.isEmpty(); });
        },
        600000);
    for (Workstation& w : stations) {
        w.process->write("quit\n");
    }
    for (Workstation& w : stations) {
        w.process->waitForFinished(30000);
    }

    // Delays: each change each workstation shows, from its commit to the first batch after it
    // was sent that names it.
    std::vector<double> delays;
    qint64 shownPairs = 0;
    qint64 listsTouched = 0;
    qint64 unseen = 0;
    qint64 statementsShown = 0;
    qint64 statementsNotShown = 0;
    qint64 batchesShown = 0;
    qint64 batchesNotShown = 0;
    qint64 wholeBatches = 0;
    int equal = 0;
    for (Workstation& w : stations) {
        w.applied = readTrace(w.trace);
        std::map<std::pair<char, int>, std::vector<const Applied*>> byKey;
        std::map<qint64, std::pair<qint64, bool>> batches;  // statements, shows a change
        for (const Applied& a : w.applied) {
            byKey[{a.kind, a.key}].push_back(&a);
            auto& batch = batches[a.batch];
            batch.first = a.statements;
            batch.second = batch.second || w.shows(a);
            wholeBatches += a.kind == 'W' ? 1 : 0;
        }
        for (const auto& [id, batch] : batches) {
            (batch.second ? statementsShown : statementsNotShown) += batch.first;
            (batch.second ? batchesShown : batchesNotShown) += 1;
        }
        for (const Change& c : changes) {
            if (!w.shows(c)) {
                continue;
            }
            ++shownPairs;
            listsTouched += w.listsTouched(c);
            const auto& lines = byKey[{c.kind, c.key}];
            const auto found = std::find_if(lines.begin(), lines.end(), [&](const Applied* a) {
                return a->atNs >= c.sentNs &&
                       (c.kind == 'E' ||
                        (a->shift == c.shift && a->year == c.year && a->month == c.month));
            });
            if (found == lines.end()) {
                ++unseen;
                continue;
            }
            delays.push_back(double(std::max<qint64>(0, (*found)->atNs - c.committedNs)) / 1e6);
        }
        equal += w.result.contains(QLatin1String(" missing 0 extra 0")) ? 1 : 0;
    }

    std::vector<double> growth;
    double rssStart = 0;
    double rssEnd = 0;
    for (const Workstation& w : stations) {
        growth.push_back(w.rssStartKb > 0 ? (w.rssEndKb - w.rssStartKb) / w.rssStartKb * 100 : 0);
        rssStart += w.rssStartKb;
        rssEnd += w.rssEndKb;
    }
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    const double worst = delays.empty() ? 0 : *std::max_element(delays.begin(), delays.end());
    std::printf(
        "\nDrill: %d workstations (%d on today's shift lists, %d with the timesheet), "
        "ready in %.0f s; load average %.2f %.2f %.2f at the end\n",
        count, count - economists, economists, startupSeconds, load[0], load[1], load[2]);
    std::printf("  writer: %zu changes in %.1f s (%d a second asked, %d late by a period)\n",
                changes.size(), writeSeconds, rate, late);
    std::printf(
        "  commit -> screen: %lld changes shown on screens, %lld never seen; median "
        "%.0f ms, p99 %.0f ms, worst %.0f ms   goal p99 <= 1000 ms: %s\n",
        static_cast<long long>(shownPairs), static_cast<long long>(unseen), percentile(delays, 0.5),
        percentile(delays, 0.99), worst,
        unseen == 0 && percentile(delays, 0.99) <= 1000 ? "met" : "MISSED");
    std::printf(
        "  server CPU: %.2f s for %zu changes, %.1f ms a change (%.2f ms a change and "
        "workstation)\n",
        cpuSeconds, changes.size(), cpuSeconds * 1000 / double(changes.size()),
        cpuSeconds * 1000 / double(changes.size()) / count);
    std::printf(
        "  workstations' CPU: %.2f s, %.2f ms a change and workstation; the machine's "
        "%d cores had %.0f s\n",
        stationsCpu, stationsCpu * 1000 / double(changes.size()) / count,
        int(sysconf(_SC_NPROCESSORS_ONLN)),
        writeSeconds * double(sysconf(_SC_NPROCESSORS_ONLN)) +
            5 * double(sysconf(_SC_NPROCESSORS_ONLN)));
    std::printf(
        "  statements of the workstations while applying: %.2f per shown change, %.2f per "
        "list it is or was in (%lld in %lld batches that showed one), %lld in %lld batches "
        "that showed none; %lld whole batches   goal <= 1 and 0: %s\n",
        shownPairs > 0 ? double(statementsShown) / double(shownPairs) : 0.0,
        listsTouched > 0 ? double(statementsShown) / double(listsTouched) : 0.0,
        static_cast<long long>(statementsShown), static_cast<long long>(batchesShown),
        static_cast<long long>(statementsNotShown), static_cast<long long>(batchesNotShown),
        static_cast<long long>(wholeBatches),
        shownPairs > 0 && statementsShown <= listsTouched && statementsNotShown == 0 ? "met"
                                                                                     : "MISSED");
    std::printf("  lists equal to the database at the end: %d of %d workstations%s\n", equal, count,
                equal == count ? "" : "   MISSED");
    for (size_t i = 0; i < stations.size() && equal != count; ++i) {
        std::printf("    %zu %s: %s\n", i, qPrintable(stations[i].role),
                    qPrintable(stations[i].result));
    }
    std::printf(
        "  memory: %.0f MB at the start, %.0f MB at the end (all workstations); growth "
        "median %.1f %%, worst %.1f %%   goal within 10 %%: %s\n",
        rssStart / 1024, rssEnd / 1024, percentile(growth, 0.5), percentile(growth, 1.0),
        percentile(growth, 1.0) <= 10 ? "met" : "MISSED");
    return 0;
}
