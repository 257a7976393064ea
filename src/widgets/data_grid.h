#pragma once
// The program's data grid: a read-only table over a dataset whose current row follows the
// dataset's, and the other way round.

#include <QTableView>

#include "widgets/dataset_model.h"

namespace tabel::widgets {

// Binds one dataset to a grid (a grid may switch between several sources).
class DataSource : public QObject {
    Q_OBJECT
public:
    DataSource(data::Dataset* dataset, QList<GridColumn> columns, QObject* parent = nullptr);
    data::Dataset* dataset() const { return model_.dataset(); }
    DatasetModel* model() { return &model_; }

private:
    DatasetModel model_;
};

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    void setSource(DataSource* source);
    DataSource* source() const { return source_; }
    data::Dataset* dataset() const { return source_ != nullptr ? source_->dataset() : nullptr; }

    // Makes the titles bold (the choice lists show them so).
    void setBoldTitles(bool bold);

signals:
    void titleClicked(int column);
    void rowDoubleClicked();

private:
    void applyColumns();
    void followDataset(int row);
    void followGrid(const QModelIndex& current);

    DataSource* source_ = nullptr;
    QList<QMetaObject::Connection> links_;
    bool syncing_ = false;
};

}  // namespace tabel::widgets
