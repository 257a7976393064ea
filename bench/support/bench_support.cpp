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

QString runProgram(const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1)) {
        return program + QStringLiteral(" did not run: ") + process.errorString();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return error.isEmpty() ? program + QStringLiteral(" failed") : error;
    }
    return {};
}

QString runPsql(const QStringList& arguments) {
    static const QProcessEnvironment environment = [] {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("master"));
        return e;
    }();
    return runProgram(
        QStringLiteral("psql"),
        QStringList{QStringLiteral("-X"), QStringLiteral("-h"), benchServer(), QStringLiteral("-U"),
                    QStringLiteral("master"), QStringLiteral("-d"), QStringLiteral("tabel")} +
            arguments,
        environment);
}

}  // namespace tabel::bench
