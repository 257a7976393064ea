#pragma once
// The statements of the charts window: one per chart, each grouped on the server, so a month of
// a plant arrives as a few dozen rows. Sums are the reports' own (reports/entry_sums.h) over the
// entries the reports count (those of a worker the people list knows, with product, operation and
// kind), and arrive as exact decimal text.

#include <QDate>
#include <QString>

namespace tabel::data {
class Dataset;
}

namespace tabel::charts {

enum class Chart {
    // Per day of the month: data, kolvo (good pieces), summa (pay), and prev_summa, the pay of
    // the same day of the previous month (null when that month has no such day).
    DailyOutput,
    // Pay by worker for the month, highest first: place (1..20, 21 for the rest), fio (the rest:
    // "Остальные (N)"), workers (1, or N), summa.
    WorkerPay,
    // Good pieces per day and product kind: data, nmn (the kind's text), kolvo.
    KindOutput,
    // Hours of the hours table per day of the month and shift: data, smena, hours.
    ShiftHours,
};

inline constexpr Chart kCharts[] = {Chart::DailyOutput, Chart::WorkerPay, Chart::KindOutput,
                                    Chart::ShiftHours};

// How many workers the pay chart names; the others share one bar.
inline constexpr int kNamedWorkers = 20;

// Makes `dataset` the statement of `chart`, its sums read as exact text.
void prepareChart(data::Dataset& dataset, Chart chart);

// Sets the month whose first day is `firstDay` on a prepared dataset.
void setChartMonth(data::Dataset& dataset, Chart chart, const QDate& firstDay);

}  // namespace tabel::charts
