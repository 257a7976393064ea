#pragma once
// The choice-list pattern: a grid over one dataset with a search box under it and a row of
// buttons; Up/Down in the search box move the list.

#include <QDialog>

#include "widgets/data_grid.h"
#include "widgets/search_box.h"

class QHBoxLayout;
class QPushButton;

namespace tabel::widgets {

class ListWindow : public QDialog {
    Q_OBJECT
public:
    DataGrid* DBGrid1;
    SearchBox* Edit1;

    // Clears the search box, which also lifts the filter of a previous search.
    void clearSearch();

protected:
    ListWindow(const QString& name, const QString& caption, SearchBox::Keys keys,
               QWidget* parent = nullptr);

    // Shows `dataset` in the grid and searches it by prefix of `searchField`.
    void bindList(data::Dataset* dataset, QList<GridColumn> columns, const QString& searchField);
    QPushButton* addButton(const QString& name, const QString& text);
    // Puts `control` at the left end of the button row.
    void addControl(QWidget* control);
    data::Dataset* list() const { return DBGrid1->dataset(); }

    void showEvent(QShowEvent* event) override;
    virtual void FormActivate() {}

private:
    QHBoxLayout* buttons_;
};

}  // namespace tabel::widgets
