#include "support/bench_support.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>

#include <malloc.h>

namespace tabel::bench {

QString benchServer() {
    return qEnvironmentVariable("TABEL_BENCH_SERVER");
}

namespace {
double statusMegabytes(const char* format) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return 0;
    }
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, format, &kb) == 1) {
            break;
        }
    }
    std::fclose(status);
    return kb / 1024.0;
}
}  // namespace

double residentMegabytes() {
    return statusMegabytes("VmRSS: %lf kB");
}

double peakMegabytes() {
    return statusMegabytes("VmHWM: %lf kB");
}

void resetPeakMemory() {
    // Freed heap goes back to the system first, so the peak counts only what is held.
    malloc_trim(0);
    // Linux: 5 sets the peak resident size back to the current one.
    if (FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

QString runPsql(const QStringList& arguments) {
    static const QProcessEnvironment environment = [] {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("master"));
        return e;
    }();
    QProcess psql;
    psql.setProcessEnvironment(environment);
    psql.setStandardOutputFile(QProcess::nullDevice());
    psql.start(
        QStringLiteral("psql"),
        QStringList{QStringLiteral("-X"), QStringLiteral("-h"), benchServer(), QStringLiteral("-U"),
                    QStringLiteral("master"), QStringLiteral("-d"), QStringLiteral("tabel")} +
            arguments);
    if (!psql.waitForFinished(-1)) {
        return QStringLiteral("psql did not run: ") + psql.errorString();
    }
    if (psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0) {
        const QString error = QString::fromLocal8Bit(psql.readAllStandardError()).trimmed();
        return error.isEmpty() ? QStringLiteral("psql failed") : error;
    }
    return {};
}

}  // namespace tabel::bench
