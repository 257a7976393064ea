#include "widgets/data_grid.h"

#include <QHeaderView>

#include "data/dataset.h"

namespace tabel::widgets {

DataSource::DataSource(data::Dataset* dataset, QList<GridColumn> columns, QObject* parent)
    : QObject(parent), model_(dataset, std::move(columns), this) {}

DataGrid::DataGrid(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(false);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::titleClicked);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { emit rowDoubleClicked(); });
}

void DataGrid::setBoldTitles(bool bold) {
    QFont font = horizontalHeader()->font();
    font.setBold(bold);
    horizontalHeader()->setFont(font);
}

void DataGrid::setSource(DataSource* source) {
    for (const auto& link : links_) {
        disconnect(link);
    }
    links_.clear();
    source_ = source;
    setModel(source != nullptr ? source->model() : nullptr);
    if (source == nullptr) {
        return;
    }
    applyColumns();
    links_.append(connect(source->dataset(), &data::Dataset::currentRowChanged, this,
                          &DataGrid::followDataset));
    links_.append(connect(source->model(), &QAbstractItemModel::modelReset, this,
                          [this] { followDataset(dataset()->currentRow()); }));
    links_.append(connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                          [this](const QModelIndex& current) { followGrid(current); }));
    followDataset(source->dataset()->currentRow());
}

void DataGrid::applyColumns() {
    const auto& columns = source_->model()->columns();
    for (int c = 0; c < columns.size(); ++c) {
        setColumnHidden(c, !columns[c].visible);
        if (columns[c].width > 0) {
            setColumnWidth(c, fontMetrics().averageCharWidth() * columns[c].width + 12);
        }
    }
}

void DataGrid::followDataset(int row) {
    if (syncing_ || selectionModel() == nullptr) {
        return;
    }
    syncing_ = true;
    if (row < 0) {
        selectionModel()->clear();
    } else {
        const int column = qMax(0, currentIndex().column());
        const QModelIndex index = model()->index(row, column);
        selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    syncing_ = false;
}

void DataGrid::followGrid(const QModelIndex& current) {
    if (syncing_ || !current.isValid()) {
        return;
    }
    syncing_ = true;
    dataset()->setCurrentRow(current.row());
    syncing_ = false;
}

}  // namespace tabel::widgets
