#pragma once
// What the database benchmarks share: the floors every figure is measured against in the same run
// (a plain fetch through the Qt driver, the driver's own block fetch through the same ODBC
// connection, and libpq on the wire).

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
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/connection.h"
#include "support/bench_support.h"

namespace tabel::bench {

// A statement with its parameters written as literals, for the floors.
inline QString withLiterals(QString statement, const QList<std::pair<QString, QString>>& values) {
    for (const auto& [name, literal] : values) {
        statement.replace(name, literal);
    }
    return statement;
}

// A row of text cells for a floor that uses the values: pointers and lengths, NULL as nullptr.
using TextRowSink = std::function<void(const std::vector<const char*>& cells)>;

// `statement` fetched row by row through the Qt driver, one SQLGetData a cell, without keeping
// anything; the rows. Without `precision`, numbers come as the driver's default makes them.
inline int64_t fetchOnce(data::Connection& connection, const QString& statement,
                         std::optional<QSql::NumericalPrecisionPolicy> precision = {}) {
    int64_t rows = 0;
    connection.withDatabase([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (precision) {
            query.setNumericalPrecisionPolicy(*precision);
        }
        query.exec(statement);
        const int columns = query.record().count();
        while (query.next()) {
            for (int c = 0; c < columns; ++c) {
                benchmark::DoNotOptimize(query.value(c));
            }
            ++rows;
        }
    });
    return rows;
}

// Floor through ODBC: the statement on its own handle of the same connection, columns bound
// (numbers as numbers, the rest as UTF-8 text; everything as text for a sink) and fetched 512
// rows a block; nothing kept. Returns the rows read. Runs where the connection lives, its own
// thread (`sink` too), as one call: the floor pays the hand-off once, not per statement.
inline int64_t odbcBlockFetchOn(QSqlDatabase& db, const QString& statement,
                                const TextRowSink& sink);

inline int64_t odbcBlockFetch(data::Connection& connection, const QString& statement,
                              const TextRowSink& sink = {}) {
    int64_t rows = 0;
    connection.withDatabase(
        [&](QSqlDatabase& db) { rows = odbcBlockFetchOn(db, statement, sink); });
    return rows;
}

inline int64_t odbcBlockFetchOn(QSqlDatabase& db, const QString& statement,
                                const TextRowSink& sink) {
    const QVariant handle = db.driver()->handle();
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

}  // namespace tabel::bench
