#pragma once
// Table model over a dataset: one grid column per definition, values formatted for display.

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>
#include <functional>
#include <optional>

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
    // Editable grids only: the field value of a typed text (null for a blank cell), or nothing
    // when the text is no value of the field. Columns without it are not edited.
    std::function<std::optional<QVariant>(const QString& text)> input = {};
    // Sort texts a title click alternates between; empty: the title sorts nothing.
    QString sortFirst = {};
    QString sortSecond = {};
    // A name column: when the columns do not fit the window, it takes the room the others leave.
    bool name = false;
};

// The position of the column showing `field` (any case); -1 when none does.
int columnOf(const QList<GridColumn>& columns, const QString& field);

// Readers for GridColumn::input.
std::optional<QVariant> readWholeNumber(const QString& text);  // "12" → 12; "1,5", "x" refused
// "5,50" or "5.5" → "5,5": the typed decimal exactly, as text with the decimal comma, so that
// no binary approximation stands between the typing and the statement.
std::optional<QVariant> readExactNumber(const QString& text);

// How one cell deviates from the standard drawing.
struct CellStyle {
    bool bold = false;
    QColor color;       // invalid: standard colour
    QColor background;  // invalid: standard background
};

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DatasetModel(data::Dataset* dataset, QList<GridColumn> columns, QObject* parent = nullptr);

    data::Dataset* dataset() const { return dataset_; }
    const QList<GridColumn>& columns() const { return columns_; }
    // The style of a column's cells from their own value; answers must be cheap.
    void setCellStyle(int column, std::function<CellStyle(const QVariant& value)> style);
    // Colour of a column's title; invalid restores the standard one.
    void setTitleColor(int column, const QColor& color);

    // Editable mode: cells of columns with an input reader edit the dataset's edit buffer
    // (append or edit is started on the first change), the row being edited shows the buffer,
    // and a blank row after the last record appends a new one.
    void setEditable(bool on);
    bool isEditable() const { return editable_; }
    // Whether an editable model shows the blank new row (it does unless told otherwise).
    void setAppends(bool on) { appends_ = on; }
    // Row of the blank new row; -1 when not editable or not appending.
    int newRow() const;
    // The edit buffer changed or was dropped outside the model.
    void refreshPendingRow();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Refuses text the column's reader does not take with a message; nothing is stored then.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    static QString displayText(const QVariant& value);

private:
    void resolveFields();
    QVariant cellValue(const QModelIndex& index) const;
    // Row of the grid whose cells show the edit buffer, -1 when none.
    int pendingRow() const;

    data::Dataset* dataset_;
    QList<GridColumn> columns_;
    QList<int> fieldIndex_;  // dataset column of each grid column, -1 when absent
    QList<std::function<CellStyle(const QVariant&)>> styles_;
    QList<QColor> titleColors_;
    QFont boldFont_;
    bool editable_ = false;
    bool appends_ = true;
};

}  // namespace tabel::widgets
