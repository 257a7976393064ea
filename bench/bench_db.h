#pragma once
// What the database benchmarks share: the generated cluster named by TABEL_BENCH_SERVER, the two
// floors every figure is measured against in the same run (the driver's own block fetch through
// the same ODBC connection, and libpq on the wire), and the report of those ratios.

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/connection_string.h"
#include "data/data_module.h"

namespace tabel::bench {

inline QString benchServer() {
    return qEnvironmentVariable("TABEL_BENCH_SERVER");
}

// Connects the data module as a foreman; false (with a hint on stderr) without a server.
inline bool connectToBenchServer(data::TDataModule6& dm) {
    if (benchServer().isEmpty()) {
        std::fprintf(stderr,
                     "TABEL_BENCH_SERVER must name the socket folder of a generated cluster\n");
        return false;
    }
    dm.ADO_DB.setConnectionString(
        data::composeConnectionString({benchServer(), QStringLiteral("tabel"),
                                       QStringLiteral("master"), QStringLiteral("master")}));
    dm.ADO_DB.open();
    return true;
}

// A statement with its parameters written as literals, for the floors.
inline QString withLiterals(QString statement, const QList<std::pair<QString, QString>>& values) {
    for (const auto& [name, literal] : values) {
        statement.replace(name, literal);
    }
    return statement;
}

// A row of text cells for a floor that uses the values: pointers and lengths, NULL as nullptr.
using TextRowSink = std::function<void(const std::vector<const char*>& cells)>;

// `statement` fetched row by row through the Qt driver without keeping anything; the rows.
inline int64_t fetchOnce(data::Connection& connection, const QString& statement) {
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    query.exec(statement);
    const int columns = query.record().count();
    int64_t rows = 0;
    while (query.next()) {
        for (int c = 0; c < columns; ++c) {
            benchmark::DoNotOptimize(query.value(c));
        }
        ++rows;
    }
    return rows;
}

// Floor through ODBC: the statement on its own handle of the same connection, columns bound
// (numbers as numbers, the rest as UTF-8 text; everything as text for a sink) and fetched 512
// rows a block; nothing kept. Returns the rows read.
inline int64_t odbcBlockFetch(data::Connection& connection, const QString& statement,
                              const TextRowSink& sink = {}) {
    const QVariant handle = connection.database().driver()->handle();
    SQLHDBC dbc = *static_cast<const SQLHDBC*>(handle.constData());
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    constexpr SQLULEN kBlock = 512;
    SQLULEN fetched = 0;
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, SQLPOINTER(SQL_BIND_BY_COLUMN), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlock), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    const QByteArray text = statement.toUtf8();
    if (!SQL_SUCCEEDED(
            SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.constData())),
                          SQLINTEGER(text.size())))) {
        std::fprintf(stderr, "odbcBlockFetch: the statement failed\n");
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return 0;
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    struct Bound {
        SQLLEN width;
        std::unique_ptr<char[]> data;
        std::vector<SQLLEN> indicators;
    };
    std::vector<Bound> bound(static_cast<std::size_t>(columns));
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c) {
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT scale = 0;
        SQLSMALLINT nullable = 0;
        SQLSMALLINT nameLength = 0;
        SQLCHAR name[128];
        SQLDescribeCol(stmt, c, name, sizeof name, &nameLength, &type, &size, &scale, &nullable);
        Bound& b = bound[c - 1];
        SQLSMALLINT cType = SQL_C_CHAR;
        if (sink) {
            b.width = SQLLEN(std::min<SQLULEN>(size == 0 ? 255 : size, 255) * 4 + 1);
        } else if (type == SQL_INTEGER || type == SQL_SMALLINT) {
            cType = SQL_C_SLONG;
            b.width = sizeof(SQLINTEGER);
        } else if (type == SQL_BIGINT) {
            cType = SQL_C_SBIGINT;
            b.width = sizeof(SQLBIGINT);
        } else {
            b.width = SQLLEN(std::min<SQLULEN>(size == 0 ? 255 : size, 255) * 4 + 1);
        }
        b.data.reset(new char[std::size_t(b.width) * kBlock]);
        b.indicators.resize(kBlock);
        SQLBindCol(stmt, c, cType, b.data.get(), b.width, b.indicators.data());
    }
    int64_t rows = 0;
    std::vector<const char*> cells(bound.size());
    while (SQL_SUCCEEDED(SQLFetchScroll(stmt, SQL_FETCH_NEXT, 0))) {
        for (const Bound& b : bound) {
            benchmark::DoNotOptimize(b.indicators[0]);
        }
        for (SQLULEN r = 0; sink && r < fetched; ++r) {
            for (std::size_t c = 0; c < bound.size(); ++c) {
                const Bound& b = bound[c];
                cells[c] =
                    b.indicators[r] == SQL_NULL_DATA ? nullptr : b.data.get() + b.width * SQLLEN(r);
            }
            sink(cells);
        }
        rows += int64_t(fetched);
    }
    SQLFreeStmt(stmt, SQL_CLOSE);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows;
}

// Floor of the wire: the same statement through libpq, every cell looked at once.
class Libpq {
public:
    Libpq() {
        const QByteArray info = QStringLiteral(
                                    "host=%1 port=5432 dbname=tabel user=master "
                                    "password=master")
                                    .arg(benchServer())
                                    .toUtf8();
        conn_ = PQconnectdb(info.constData());
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::fprintf(stderr, "libpq: %s\n", PQerrorMessage(conn_));
        }
    }
    ~Libpq() { PQfinish(conn_); }
    Libpq(const Libpq&) = delete;
    Libpq& operator=(const Libpq&) = delete;

    int64_t fetch(const QString& statement) {
        const QByteArray text = statement.toUtf8();
        PGresult* result =
            PQexecParams(conn_, text.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        const int rows = PQntuples(result);
        const int columns = PQnfields(result);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                benchmark::DoNotOptimize(PQgetvalue(result, r, c));
                benchmark::DoNotOptimize(PQgetlength(result, r, c));
            }
        }
        PQclear(result);
        return rows;
    }

private:
    PGconn* conn_ = nullptr;
};

// Registers the two floors of `statement` under `prefix`_odbc_block_fetch and `prefix`_libpq.
inline void registerFloors(const std::string& prefix, data::Connection& connection,
                           const std::function<QString()>& statement) {
    benchmark::RegisterBenchmark((prefix + "_odbc_block_fetch").c_str(),
                                 [&connection, statement](benchmark::State& state) {
                                     const QString text = statement();
                                     for (auto _ : state) {
                                         state.counters["rows"] =
                                             double(odbcBlockFetch(connection, text));
                                     }
                                 })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "_libpq").c_str(), [statement](benchmark::State& state) {
        Libpq libpq;
        const QString text = statement();
        for (auto _ : state) {
            state.counters["rows"] = double(libpq.fetch(text));
        }
    })->Unit(benchmark::kMillisecond);
}

// A figure of the run as a multiple of its floors, with the goal it is held to.
struct Ratio {
    std::string subject;
    std::string floor;  // the driver's block fetch (or another baseline of the same run)
    std::string wire;   // libpq; empty when not applicable
    double goal;        // at most this many floors; 0 when no goal
};

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

    // Time per iteration, in the benchmark's unit; 0 when it did not run.
    double time(const std::string& name) const {
        const auto found = times_.find(name);
        return found == times_.end() ? 0 : found->second;
    }

    void printRatios(const std::vector<Ratio>& ratios) const {
        std::printf("\nRatios measured in this run (time / floor):\n");
        for (const Ratio& r : ratios) {
            const double subject = time(r.subject);
            const double floor = time(r.floor);
            if (subject <= 0 || floor <= 0) {
                continue;
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
    std::map<std::string, double> times_;
    std::set<std::string> medians_;
};

inline void runBenchmarks(int argc, char** argv, const std::vector<Ratio>& ratios) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(ratios);
    benchmark::Shutdown();
}

// Without ratios to print.
inline int runBenchmarks(int argc, char** argv) {
    runBenchmarks(argc, argv, {});
    return 0;
}

// Resident memory of this process, in MB.
inline double residentMegabytes() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return 0;
    }
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmRSS: %lf kB", &kb) == 1) {
            break;
        }
    }
    std::fclose(status);
    return kb / 1024.0;
}

}  // namespace tabel::bench
