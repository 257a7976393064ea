#pragma once
// A month's figures as the four charts draw them, read from their open statements (a few dozen
// grouped rows each), exact; and their texts as the reports print them.

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

#include "core/decimal.h"

namespace tabel::data {
class Dataset;
}

namespace tabel::charts {

struct DayOutput {
    QDate day;
    core::Decimal pieces;  // good pieces
    core::Decimal pay;
    // The pay of the same day of the previous month; none when that month has no such day.
    std::optional<core::Decimal> previousPay;
};

struct WorkerPay {
    QString name;     // "Остальные (N)" for the rest
    int workers = 1;  // how many share the bar
    core::Decimal pay;
    bool rest = false;
};

struct KindOutput {
    QDate day;
    QString kind;  // "Заготовки" or "Готовая продукция"
    core::Decimal pieces;
};

struct ShiftHours {
    QDate day;
    int shift = 0;
    qint64 hours = 0;
};

// Each reads the open dataset of its chart (chart_statements.h) in the statement's order.
QList<DayOutput> readDailyOutput(const data::Dataset& dataset);
QList<WorkerPay> readWorkerPay(const data::Dataset& dataset);
QList<KindOutput> readKindOutput(const data::Dataset& dataset);
QList<ShiftHours> readShiftHours(const data::Dataset& dataset);

// A decimal as the dataset holds it: exact text, a whole number or (never for the charts' sums)
// a double; null reads as zero.
core::Decimal decimalOf(const QVariant& value);

// As the reports print them: pay with two decimals ("1234,50"), pieces as they are ("12,5").
QString payText(const core::Decimal& pay);
QString piecesText(const core::Decimal& pieces);
// "05.11.2026".
QString dayText(const QDate& day);
// "Смена №1".
QString shiftTitle(int shift);

}  // namespace tabel::charts
