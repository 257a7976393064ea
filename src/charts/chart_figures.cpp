#include "charts/chart_figures.h"

#include "charts/chart_statements.h"
#include "core/numbers.h"
#include "data/dataset.h"

namespace tabel::charts {

namespace {

// Reads each row of `dataset` through `take`, given the columns of `names` in that order.
template <typename Row, typename Take>
QList<Row> readRows(const data::Dataset& dataset, std::initializer_list<const char*> names,
                    Take take) {
    QList<int> columns;
    for (const char* name : names) {
        columns.append(dataset.fieldIndex(QString::fromLatin1(name)));
    }
    QList<Row> rows;
    rows.reserve(dataset.recordCount());
    for (int row = 0; row < dataset.recordCount(); ++row) {
        const auto cell = [&](int i) -> QVariant {
            return columns[i] < 0 ? QVariant() : dataset.valueAt(row, columns[i]);
        };
        rows.append(take(cell));
    }
    return rows;
}

}  // namespace

core::Decimal decimalOf(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            return core::Decimal::fromInteger(value.toLongLong());
        case QMetaType::Double:
            return core::Decimal::fromStored(value.toDouble());
        default:
            return core::Decimal::fromText(value.toString()).value_or(core::Decimal());
    }
}

QList<DayOutput> readDailyOutput(const data::Dataset& dataset) {
    return readRows<DayOutput>(dataset, {"data", "kolvo", "summa", "prev_summa"}, [](auto cell) {
        DayOutput day{cell(0).toDate(), decimalOf(cell(1)), decimalOf(cell(2)), std::nullopt};
        if (!cell(3).isNull()) {
            day.previousPay = decimalOf(cell(3));
        }
        return day;
    });
}

QList<WorkerPay> readWorkerPay(const data::Dataset& dataset) {
    return readRows<WorkerPay>(dataset, {"place", "fio", "workers", "summa"}, [](auto cell) {
        return WorkerPay{cell(1).toString(), cell(2).toInt(), decimalOf(cell(3)),
                         cell(0).toInt() > kNamedWorkers};
    });
}

QList<KindOutput> readKindOutput(const data::Dataset& dataset) {
    return readRows<KindOutput>(dataset, {"data", "nmn", "kolvo"}, [](auto cell) {
        return KindOutput{cell(0).toDate(), cell(1).toString(), decimalOf(cell(2))};
    });
}

QList<ShiftHours> readShiftHours(const data::Dataset& dataset) {
    return readRows<ShiftHours>(dataset, {"data", "smena", "hours"}, [](auto cell) {
        return ShiftHours{cell(0).toDate(), cell(1).toInt(), cell(2).toLongLong()};
    });
}

QString payText(const core::Decimal& pay) {
    // The reports' mask for sums of money; the rounding is done on the decimal.
    return core::formatMask(pay.rounded(2).toDouble(), QStringLiteral("#0.00"));
}

QString piecesText(const core::Decimal& pieces) {
    return pieces.toDisplayText();
}

QString dayText(const QDate& day) {
    return day.toString(QStringLiteral("dd.MM.yyyy"));
}

QString shiftTitle(int shift) {
    return QStringLiteral("Смена №%1").arg(shift);
}

}  // namespace tabel::charts
