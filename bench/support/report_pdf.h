#pragma once
// The detailed workers report written as PDF the way the command line writes it, measured the
// same way by every benchmark that times it: time, pages and peak memory by period length.

#include <benchmark/benchmark.h>

#include <QDate>
#include <QString>

#include <map>

#include "reports/period_reports.h"

namespace tabel::data {
class Connection;
}

namespace tabel::bench {

// The `days` ending today, all product kinds.
reports::Period lastDays(int days);

// A date as an SQL literal, for statements handed to psql.
QString sqlDate(const QDate& date);

// Peak resident MB of the last PDF run, by period length in days.
using PeakByDays = std::map<int, double>;

// One PDF of the last state.range(0) days per iteration; records the pages and the peak
// memory in the state's counters and in `peaks`.
void measureDetailedReportPdf(benchmark::State& state, data::Connection& connection,
                              PeakByDays& peaks);

// The year's peak against 120 MB and against the month's (30 and 365 days).
void printReportMemory(const PeakByDays& peaks);

}  // namespace tabel::bench
