#pragma once
// TForm4: the operations list with their base prices, to maintain them or to pick one for an
// entry.

#include <optional>

#include "data/dataset.h"
#include "reports/spreadsheet.h"
#include "widgets/list_window.h"

class QCheckBox;

namespace tabel::data {
class TDataModule6;
}

namespace tabel::refdata {

class TForm10;
class TForm22;

// What the entry dialog's requisition selectors show: the requisition's and the item's texts,
// and the goods code (s_gds_mc) of the selected item.
struct RequisitionContext {
    QString docText;
    QString itemText;
    QString itemGdsMc;
};

// What the entry dialog and the shift log window tell the list when an operation is picked.
struct OperationChoiceContext {
    bool adding = true;          // a new entry: the list starts on its first row
    int currentOperationId = 0;  // o_id of the entry being edited
    bool dayOff = false;         // "Выходной"
    int shift = 1;               // 1..4
    RequisitionContext requisition;
};

struct OperationChoice {
    int productId;
    int operationId;
    double basePrice;   // cena rounded to 4 places, halves to even
    double finalPrice;  // with the day-off and shift surcharges, not rounded again
    QString description;
};

struct ChoicePrice {
    double base;
    double final;
};

// The base price rounded half to even to 4 places; doubled on a day off, then ×1.2 for shift 3
// and ×1.5 for overtime (shift 4).
ChoicePrice choicePrice(double cena, bool dayOff, int shift);

// The filter the search puts on Oper, or nothing when it switches the filter off.
// A goods code that is no whole number matches no operation.
std::optional<QString> operationsFilter(const QString& typed,
                                        const RequisitionContext& requisition);

class TForm4 : public widgets::ListWindow {
    Q_OBJECT
public:
    TForm4(data::TDataModule6& dm, TForm10& editor, TForm22& norms, QWidget* parent = nullptr);

    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QCheckBox* CheckBox1;

    // The list's own query of the spreadsheet export.
    data::Dataset XLS_Rep;

    // Menu "Цены": maintain the operations.
    void openForBrowse();
    // The entry dialog's operation "...": the chosen operation and its prices, or nothing.
    std::optional<OperationChoice> pickOperation(const OperationChoiceContext& context);

    // The entry dialog's selectors as the search sees them; kept until changed.
    void setRequisitionContext(const RequisitionContext& requisition);
    const RequisitionContext& requisitionContext() const { return requisition_; }

    void Edit1Change();
    void DBGrid1DblClick();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button5Click();

protected:
    void FormActivate() override;

private:
    OperationChoice choiceFromCurrentRow();
    QString productMark(int productId);

    data::TDataModule6& dm_;
    TForm10& editor_;
    TForm22& norms_;
    reports::Spreadsheet excel_;
    RequisitionContext requisition_;
    OperationChoiceContext context_;
    std::optional<OperationChoice> choice_;
};

}  // namespace tabel::refdata
