#pragma once
// TForm22: the ladder of price norms of one operation, edited in place.

#include <QDialog>

#include "data/dataset.h"

class QPushButton;

namespace tabel::data {
class TDataModule6;
}

namespace tabel::widgets {
class DataGrid;
}

namespace tabel::refdata {

class TForm22 : public QDialog {
    Q_OBJECT
public:
    explicit TForm22(data::TDataModule6& dm, QWidget* parent = nullptr);

    // Table cursor on accounts_dep.norm, filtered to one operation and sorted by norma.
    data::Dataset norm;

    widgets::DataGrid* DBGrid1;
    QPushButton* Button1;
    QPushButton* Button2;

    // 1 while the row being edited was started as a new row.
    int NewRow = 0;

    // The operations list's double-click: the norms of operation `operationId`, modally.
    void openForOperation(int operationId);

    void DBGrid1ColEnter();
    void DBGrid1ColExit();
    void Button1Click();
    void Button2Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    // Stores the row being edited, if changed, and re-reads the norms, staying on that row.
    void storeAndReread();
    void reread();

    data::TDataModule6& dm_;
    int operationId_ = 0;
};

}  // namespace tabel::refdata
