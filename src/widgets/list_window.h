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

    Mode mode() const { return mode_; }

protected:
    ListWindow(const QString& name, const QString& caption, SearchBox::Keys keys,
               QWidget* parent = nullptr);

    DataGrid* listGrid() const { return listGrid_; }
    SearchBox* searchBox() const { return searchBox_; }

    // Shows `dataset` in the grid and searches it by prefix of `searchField`.
    void bindList(data::Dataset* dataset, QList<GridColumn> columns, const QString& searchField);
    // A button of the row; its clicks run `action` through runAction.
    QPushButton* appendButton(const QString& name, const QString& text,
                              std::function<void()> action);
    // Puts `control` at the left end of the button row.
    void addControl(QWidget* control);
    data::Dataset* list() const { return listGrid_->dataset(); }

    // The buttons the mode acts on, each running its action: "Добавить", "Изменить" and
    // "Удалить". In Choose mode "Изменить" reads "Выбрать" and is the default, the others are
    // hidden.
    void appendModeButtons(std::function<void()> add, std::function<void()> changeOrChoose,
                           std::function<void()> remove);
    void setMode(Mode newMode);
    // After a choice: the choice button stops being the default.
    void endChoice();

    // Clears the search box, which also lifts the filter of a previous search.
    void clearSearch();
    // The search box and its label shown or hidden together.
    void showSearch(bool shown);

    // Deletes the current row through `remove` after "Удаление" is answered Yes, then refreshes
    // the list; a refusal because the row is still referenced shows `inUse` instead. Any other
    // refusal is thrown on, after a row deleted or changed meanwhile was read again.
    void deleteCurrent(const QString& question, const QString& inUse,
                       const std::function<void()>& remove);

    void showEvent(QShowEvent* event) override;
    // Runs each time the program shows the window.
    virtual void onShown() {}

private:
    DataGrid* listGrid_;
    SearchBox* searchBox_;
    Mode mode_ = Mode::Browse;
    QHBoxLayout* buttonRow_;
    QLabel* searchLabel_;
    QPushButton* addButton_ = nullptr;
    QPushButton* changeButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
};

}  // namespace tabel::widgets
