#pragma once
// The ladder of price norms of one operation, edited in place; each row is stored through the
// norms service as it is left.

#include <QDialog>

#include "data/dataset.h"
#include "data/norm_writes.h"

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

    // The operations list's double-click: the norms of operation `operationId`, modally.
    // True when the user saved ("Сохранить"), so the opener re-reads the operation.
    bool openForOperation(int operationId);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    // Leaving a grid column: stores the row if a cell changed.
    void storeChangedRow();
    // Stores the row being edited through the norms service, or drops an editing that changed
    // no figure; the ladder shows the stored row in its place by norma. Throws the refusal: a
    // row changed meanwhile is shown as stored now with what was typed over it, still edited.
    void storeEditedRow();
    void saveAndClose();
    // Deletes the current norm unless it is the operation's last.
    void deleteNorm();
    void reread();
    // The norm of the current row as read, and as the edited row holds it.
    data::Norm storedNorm();
    data::Norm editedNorm();
    // Puts the row `typed.id` as stored now back into editing with the figures of `typed`
    // that differ from `read`.
    void keepTypedOver(const data::Norm& read, const data::Norm& typed);

    data::Connection& connection_;
    // The norms of the operation shown, sorted by norma. A table cursor for its edit buffer;
    // the norms service stores the rows.
    data::Dataset operationNorms_;
    widgets::DataGrid* normsGrid_;
    // Both the default and the cancel button.
    QPushButton* saveButton_;
    int operationId_ = 0;
};

}  // namespace tabel::refdata
