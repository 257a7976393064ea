// The main of every benchmark program: the program's own part is its setUpAndRun.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <map>
#include <set>

#include "data/connection_string.h"
#include "data/session.h"
#include "support/bench_support.h"

namespace tabel::bench {
namespace {

// Connects the data module as a foreman; false (with a hint on stderr) without a server.
bool connectToBenchServer(data::Session& session) {
    if (benchServer().isEmpty()) {
        std::fprintf(stderr,
                     "TABEL_BENCH_SERVER must name the socket folder of a generated cluster\n");
        return false;
    }
    session.connection.setConnectionString(
        data::composeConnectionString({benchServer(), QStringLiteral("tabel"),
                                       QStringLiteral("master"), QStringLiteral("master")}));
    session.connection.open();
    return true;
}

// Keeps each benchmark's real time per iteration (the median when repeated, as bench/run does on
// a shared machine) and prints the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            if (run.run_type == Run::RT_Iteration && !medians_.count(run.run_name.str())) {
                times_[run.run_name.str()] = run.GetAdjustedRealTime();
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times_[run.run_name.str()] = run.GetAdjustedRealTime();
                medians_.insert(run.run_name.str());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios(const std::vector<Ratio>& ratios) const {
        bool headed = false;
        for (const Ratio& r : ratios) {
            const double subject = time(r.subject);
            const double floor = time(r.floor);
            if (subject <= 0 || floor <= 0) {
                continue;
            }
            if (!headed) {
                std::printf("\nRatios measured in this run (time / floor):\n");
                headed = true;
            }
            std::printf("  %-36s %6.2fx %-28s", r.subject.c_str(), subject / floor,
                        r.floor.c_str());
            if (!r.wire.empty() && time(r.wire) > 0) {
                std::printf(" %6.2fx libpq", subject / time(r.wire));
            }
            if (r.goal > 0) {
                std::printf("   goal <= %.1fx: %s", r.goal,
                            subject / floor <= r.goal ? "met" : "MISSED");
            }
            std::printf("\n");
        }
    }

private:
    // Time per iteration, in the benchmark's unit; 0 when it did not run.
    double time(const std::string& name) const {
        const auto found = times_.find(name);
        return found == times_.end() ? 0 : found->second;
    }

    std::map<std::string, double> times_;
    std::set<std::string> medians_;
};

}  // namespace
}  // namespace tabel::bench

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tabel::data::Session session;
    if (!tabel::bench::connectToBenchServer(session)) {
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    tabel::bench::setUpAndRun(session, [](const std::vector<tabel::bench::Ratio>& ratios) {
        tabel::bench::RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.printRatios(ratios);
    });
    benchmark::Shutdown();
    return 0;
}
