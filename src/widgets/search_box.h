#pragma once
// The search box under a list: a prefix filter on one field of the loaded rows, with Up/Down
// moving the list's current row.

#include <QLineEdit>
#include <functional>

namespace tabel::data {
class Dataset;
}

namespace tabel::widgets {

class SearchBox : public QLineEdit {
    Q_OBJECT
public:
    enum class Keys {
        OnlyArrows,  // Up/Down move the list; every other key edits as usual
        ConsumeAll,  // besides, navigation and Delete do nothing; typing and Backspace still edit
    };

    SearchBox(Keys keys, QWidget* parent = nullptr);

    // The list and field the box filters; the filter acts on `dataset` as it is at each change.
    void bind(data::Dataset* dataset, const QString& field);
    // Runs instead of the prefix filter on every change (a window with its own search rule).
    void setSearch(std::function<void(const QString& text)> search) { search_ = std::move(search); }

    // The search starts with what the user typed on the field that opened the list: his next
    // keys go on after it, so the box's next focus neither selects it nor moves the cursor.
    void startWith(const QString& typed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void applyFilter(const QString& text);

    Keys keys_;
    data::Dataset* dataset_ = nullptr;
    QString field_;
    std::function<void(const QString&)> search_;
    bool goingOn_ = false;  // typed text set by startWith, not yet typed after
};

}  // namespace tabel::widgets
