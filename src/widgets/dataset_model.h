#pragma once
// Table model over a dataset: one grid column per definition, values formatted for display.

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>
#include <functional>

namespace tabel::data {
class Dataset;
}

namespace tabel::widgets {

struct GridColumn {
    QString field;
    QString title;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool visible = true;
    int width = 0;  // in average characters; 0 leaves the default
    // Optional display text; the default shows numbers with the decimal comma.
    std::function<QString(const QVariant&)> format = {};
};

// How one cell deviates from the standard drawing.
struct CellStyle {
    bool bold = false;
    QColor color;  // invalid: standard colour
};

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DatasetModel(data::Dataset* dataset, QList<GridColumn> columns, QObject* parent = nullptr);

    data::Dataset* dataset() const { return dataset_; }
    const QList<GridColumn>& columns() const { return columns_; }
    // The style of a column's cells from their own value; answers must be cheap.
    void setCellStyle(int column, std::function<CellStyle(const QVariant& value)> style);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QString displayText(const QVariant& value);

private:
    void resolveFields();
    const QVariant& cellValue(const QModelIndex& index) const;

    data::Dataset* dataset_;
    QList<GridColumn> columns_;
    QList<int> fieldIndex_;  // dataset column of each grid column, -1 when absent
    QList<std::function<CellStyle(const QVariant&)>> styles_;
    QFont boldFont_;
};

}  // namespace tabel::widgets
