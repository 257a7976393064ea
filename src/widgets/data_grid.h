#pragma once
// The program's data grid: a table over a dataset whose current row follows the dataset's, and
// the other way round. Read-only unless made editable.

#include <QTableView>

#include "widgets/dataset_model.h"

#include <QStyledItemDelegate>
#include <functional>

namespace tabel::widgets {

// Draws cells the standard way, except that a cell's own colour stays on a selected row, and
// that the row the keyboard is on is framed while its grid has the keyboard.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The frame's thickness in pixels.
    static constexpr int kFrameWidth = 2;
};

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

    // The grid column showing `field`; -1 when none does.
    int columnOf(const QString& field) const;

    // Makes the titles bold (the choice lists show them so).
    void setBoldTitles(bool bold);

    // Cells of columns with an input reader become editable, a blank row after the last one
    // appends (unless `appends` is false), and a row indicator shows. Leaving a changed row
    // stores it (post) first.
    void setEditable(bool on, bool appends = true);
    bool isEditable() const;
    // The current cell is on the blank new row.
    bool onNewRow() const;
    // An open cell editor hands its text to the dataset's edit buffer and closes.
    void commitEditor();
    // Stores the row being edited when it has changes, otherwise drops the editing.
    void storePending();
    // How a changed row is stored: `store` instead of the dataset's own post. Either throws its
    // refusal and leaves the row in editing.
    void setRowStore(std::function<void()> store) { rowStore_ = std::move(store); }
    // Sizes the visible columns to their titles and texts (sampled over the rows); when they do
    // not fit the grid, the name columns take the room the others leave. No column stretches.
    void fitColumns();

    // The first `count` columns stay in place while the others scroll sideways under them (the
    // timesheet's names beside its days): a second view over the same model and selection.
    void setFrozenColumns(int count);
    QTableView* frozenView() const { return frozen_; }

signals:
    void titleClicked(int column);
    void rowDoubleClicked();
    // The current column changed by the user; editable grids only, delivered after the move.
    void columnExited(int column);
    void columnEntered(int column);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void showEvent(QShowEvent* event) override;
    // The current row's frame comes and goes with the keyboard.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

private:
    void applyColumns();
    void followDataset(int row);
    void followGrid(const QModelIndex& current);
    void settle(int exited, int entered);
    // After a refused store: the current cell goes back to the row still being edited.
    void returnToPendingRow();
    void attachFrozen();
    void placeFrozen();
    int frozenWidth() const;

    DataSource* source_ = nullptr;
    std::function<void()> rowStore_;
    QList<QMetaObject::Connection> links_;
    bool syncing_ = false;
    int lastColumn_ = 0;  // the current column, kept through resets
    bool resetting_ = false;
    // A reset removes the cell editor; typing goes on in the same place afterwards.
    bool refocus_ = false;
    bool reedit_ = false;
    QTableView* frozen_ = nullptr;
    int frozenCount_ = 0;
};

}  // namespace tabel::widgets
