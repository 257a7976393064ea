#pragma once
// The choice-list pattern: a grid over one dataset with a search box under it and a row of
// buttons; Up/Down in the search box move the list.

#include <QDialog>

#include "widgets/data_grid.h"
#include "widgets/search_box.h"

#include <functional>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace tabel::widgets {

class ListWindow : public QDialog {
    Q_OBJECT
public:
    // Browse maintains the rows; Choose hands one back to the opener.
    enum class Mode { Browse, Choose };

    DataGrid* listGrid;
    SearchBox* searchBox;

    Mode mode = Mode::Browse;

    // Clears the search box, which also lifts the filter of a previous search.
    void clearSearch();

protected:
    ListWindow(const QString& name, const QString& caption, SearchBox::Keys keys,
               QWidget* parent = nullptr);

    // Shows `dataset` in the grid and searches it by prefix of `searchField`.
    void bindList(data::Dataset* dataset, QList<GridColumn> columns, const QString& searchField);
    QPushButton* appendButton(const QString& name, const QString& text);
    // Puts `control` at the left end of the button row.
    void addControl(QWidget* control);
    data::Dataset* list() const { return listGrid->dataset(); }

    // The buttons the mode acts on: in Choose mode `change` reads "Выбрать" and is the default,
    // `add` and `remove` are hidden.
    void setModeButtons(QPushButton* add, QPushButton* change, QPushButton* remove);
    void setMode(Mode newMode);
    // After a choice: the choice button stops being the default.
    void endChoice();

    // The search box and its label shown or hidden together.
    void showSearch(bool shown);

    // Deletes the current row through `remove` after "Удаление" is answered Yes, then refreshes
    // the list; a refusal because the row is still referenced shows `inUse` instead.
    void deleteCurrent(const QString& question, const QString& inUse,
                       const std::function<void()>& remove);

    void showEvent(QShowEvent* event) override;
    // Runs each time the program shows the window.
    virtual void onShown() {}

private:
    QHBoxLayout* buttonRow_;
    QLabel* searchLabel_;
    QPushButton* addButton_ = nullptr;
    QPushButton* changeButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
};

}  // namespace tabel::widgets
