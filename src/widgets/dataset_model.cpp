#include "widgets/dataset_model.h"

#include <QDate>
#include <QDateTime>

#include "core/numbers.h"
#include "data/dataset.h"

namespace tabel::widgets {

DatasetModel::DatasetModel(data::Dataset* dataset, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), dataset_(dataset), columns_(std::move(columns)) {
    styles_.resize(columns_.size());
    boldFont_.setBold(true);
    resolveFields();
    connect(dataset_, &data::Dataset::rowsReset, this, [this] {
        beginResetModel();
        resolveFields();
        endResetModel();
    });
}

void DatasetModel::setCellStyle(int column, std::function<CellStyle(const QVariant& value)> style) {
    styles_[column] = std::move(style);
}

void DatasetModel::resolveFields() {
    fieldIndex_.clear();
    for (const GridColumn& column : columns_) {
        fieldIndex_.append(dataset_->fieldIndex(column.field));
    }
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : dataset_->recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

const QVariant& DatasetModel::cellValue(const QModelIndex& index) const {
    return dataset_->valueAt(index.row(), fieldIndex_[index.column()]);
}

QString DatasetModel::displayText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Double:
            return core::formatGeneral(value.toDouble());
        case QMetaType::QDate:
            return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
        case QMetaType::QDateTime: {
            const QDateTime moment = value.toDateTime();
            return moment.time() == QTime(0, 0)
                       ? moment.date().toString(QStringLiteral("dd.MM.yyyy"))
                       : moment.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
        }
        default:
            return value.toString();
    }
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole: {
            const QVariant& value = cellValue(index);
            if (value.isNull()) {
                return QString();
            }
            const GridColumn& def = columns_[column];
            return def.format ? def.format(value) : displayText(value);
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(columns_[column].alignment | Qt::AlignVCenter);
        case Qt::FontRole:
            if (styles_[column] && styles_[column](cellValue(index)).bold) {
                return boldFont_;
            }
            return {};
        case Qt::ForegroundRole:
            if (styles_[column]) {
                const QColor color = styles_[column](cellValue(index)).color;
                if (color.isValid()) {
                    return color;
                }
            }
            return {};
        default:
            return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return columns_[section].title;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        default:
            return {};
    }
}

}  // namespace tabel::widgets
