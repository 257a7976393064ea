#include "widgets/dataset_model.h"

#include <QDate>
#include <QDateTime>

#include "core/decimal.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "data/dataset.h"
#include "widgets/user_action.h"

namespace tabel::widgets {

DatasetModel::DatasetModel(data::Dataset* dataset, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), dataset_(dataset), columns_(std::move(columns)) {
    styles_.resize(columns_.size());
    titleColors_.resize(columns_.size());
    boldFont_.setBold(true);
    resolveFields();
    connect(dataset_, &data::Dataset::rowsReset, this, [this] {
        beginResetModel();
        resolveFields();
        endResetModel();
    });
    // A refresh of changed rows tells each row, so that a grid keeps its place and selection.
    connect(dataset_, &data::Dataset::rowsAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(dataset_, &data::Dataset::rowsInserted, this, [this] { endInsertRows(); });
    connect(dataset_, &data::Dataset::rowsAboutToBeRemoved, this,
            [this](int first, int last) { beginRemoveRows({}, first, last); });
    connect(dataset_, &data::Dataset::rowsRemoved, this, [this] { endRemoveRows(); });
    connect(dataset_, &data::Dataset::rowsChanged, this, [this](int first, int last) {
        if (!columns_.isEmpty()) {
            emit dataChanged(index(first, 0), index(last, int(columns_.size()) - 1));
        }
    });
    connect(dataset_, &data::Dataset::currentRowChanged, this, [this] {
        if (editable_ && rowCount() > 0) {
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
        }
    });
}

std::optional<QVariant> readWholeNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return QVariant();
    }
    bool ok = false;
    const int value = trimmed.toInt(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return QVariant(value);
}

std::optional<QVariant> readExactNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return QVariant();
    }
    const std::optional<core::Decimal> value = core::Decimal::fromText(trimmed);
    if (!value) {
        return std::nullopt;
    }
    return QVariant(value->toString().replace(u'.', u','));
}

void DatasetModel::setEditable(bool on) {
    beginResetModel();
    editable_ = on;
    endResetModel();
}

int DatasetModel::newRow() const {
    return editable_ && appends_ && dataset_->isOpen() ? dataset_->recordCount() : -1;
}

int DatasetModel::pendingRow() const {
    if (!editable_) {
        return -1;
    }
    switch (dataset_->state()) {
        case data::Dataset::State::Insert:
            return dataset_->recordCount();
        case data::Dataset::State::Edit:
            return dataset_->currentRow();
        case data::Dataset::State::Browse:
            break;
    }
    return -1;
}

void DatasetModel::refreshPendingRow() {
    const int rows = rowCount();
    if (rows > 0 && !columns_.isEmpty()) {
        emit dataChanged(index(0, 0), index(rows - 1, int(columns_.size()) - 1));
        emit headerDataChanged(Qt::Vertical, 0, rows - 1);
    }
}

void DatasetModel::setCellStyle(int column, std::function<CellStyle(const QVariant& value)> style) {
    styles_[column] = std::move(style);
}

void DatasetModel::setTitleColor(int column, const QColor& color) {
    if (titleColors_[column] == color) {
        return;
    }
    titleColors_[column] = color;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void DatasetModel::resolveFields() {
    fieldIndex_.clear();
    for (const GridColumn& column : columns_) {
        fieldIndex_.append(dataset_->fieldIndex(column.field));
    }
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return dataset_->recordCount() + (newRow() >= 0 ? 1 : 0);
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant DatasetModel::cellValue(const QModelIndex& index) const {
    const int field = fieldIndex_[index.column()];
    if (field >= 0 && index.row() == pendingRow()) {
        return dataset_->fieldAt(field).value();
    }
    return dataset_->valueAt(index.row(), field);
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
            const QVariant value = cellValue(index);
            if (value.isNull()) {
                return QString();
            }
            const GridColumn& def = columns_[column];
            return def.format ? def.format(value) : displayText(value);
        }
        case Qt::EditRole: {
            // Full precision, whatever the display format rounds away.
            const QVariant value = cellValue(index);
            return value.isNull() ? QString() : displayText(value);
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
        case Qt::BackgroundRole:
            if (styles_[column]) {
                const QColor background = styles_[column](cellValue(index)).background;
                if (background.isValid()) {
                    return background;
                }
            }
            return {};
        default:
            return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // The row indicator of an editable grid: new row, row in editing, current row.
        if (!editable_ || role != Qt::DisplayRole) {
            return {};
        }
        if (section == newRow()) {
            return QStringLiteral("*");
        }
        if (section == pendingRow()) {
            return QStringLiteral("I");
        }
        return section == dataset_->currentRow() ? QStringLiteral("►") : QString();
    }
    if (section < 0 || section >= columns_.size()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return columns_[section].title;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        case Qt::ForegroundRole:
            return titleColors_[section].isValid() ? QVariant(titleColors_[section]) : QVariant();
        default:
            return {};
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (!editable_ || !index.isValid()) {
        return result;
    }
    const int field = fieldIndex_[index.column()];
    if (columns_[index.column()].input && field >= 0 && !dataset_->fieldReadOnly(field)) {
        result |= Qt::ItemIsEditable;
    }
    return result;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    const GridColumn& def = columns_[index.column()];
    const QString text = value.toString();
    const std::optional<QVariant> typed = def.input(text);
    if (!typed) {
        core::MessageBoxes::error(
            QStringLiteral("Неверное значение \"%1\" в столбце \"%2\"").arg(text, def.title));
        return false;
    }
    // An editor closed without a change starts no editing: the cell's own text, read the same
    // way, is what the typed text is compared with ("3" over 3,00 is no change).
    const QVariant held = cellValue(index);
    if (*typed == held || def.input(held.isNull() ? QString() : displayText(held)) == *typed) {
        return true;
    }
    const int row = index.row();
    const int pending = pendingRow();
    if (pending >= 0 && pending != row) {
        return false;  // the row being edited is stored or dropped before another one is edited
    }
    // A closing cell editor stores here, from the view's own event handling.
    return runAction([&] {
        if (pending < 0) {
            if (row == newRow()) {
                dataset_->append();
            } else {
                dataset_->setCurrentRow(row);
                dataset_->edit();
            }
        }
        dataset_->fieldAt(fieldIndex_[index.column()]).setValue(*typed);
        emit dataChanged(this->index(row, 0), this->index(row, int(columns_.size()) - 1));
        emit headerDataChanged(Qt::Vertical, row, row);
    });
}

int columnOf(const QList<GridColumn>& columns, const QString& field) {
    for (int column = 0; column < columns.size(); ++column) {
        if (columns[column].field.compare(field, Qt::CaseInsensitive) == 0) {
            return column;
        }
    }
    return -1;
}

}  // namespace tabel::widgets
