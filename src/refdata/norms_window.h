#pragma once
// The ladder of price norms of one operation, edited in place.

#include <QDialog>

#include "data/dataset.h"

class QPushButton;

namespace tabel::data {
struct Session;
}

namespace tabel::widgets {
class DataGrid;
}

namespace tabel::refdata {

class NormsWindow : public QDialog {
    Q_OBJECT
public:
    explicit NormsWindow(data::Session& session, QWidget* parent = nullptr);

    // The norms of the operation shown, sorted by norma; edited in place.
    data::Dataset operationNorms;

    widgets::DataGrid* normsGrid;
    // Both the default and the cancel button.
    QPushButton* saveButton;
    QPushButton* deleteButton;

    // Whether the row being edited was started as a new row.
    bool editingNewRow = false;

    // The operations list's double-click: the norms of operation `operationId`, modally.
    // True when the user saved ("Сохранить"), so the opener re-reads the operation.
    bool openForOperation(int operationId);

    // Entering a grid column: notes whether the row is a new one.
    void noteNewRow();
    // Leaving a grid column: stores the row if a cell changed.
    void storeChangedRow();
    void saveAndClose();
    // Deletes the current norm unless it is the operation's last.
    void deleteNorm();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    // Stores the row being edited, if changed, and re-reads the norms, staying on that row.
    void storeAndReread();
    void reread();

    int operationId_ = 0;
};

}  // namespace tabel::refdata
