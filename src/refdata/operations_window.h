#pragma once
// The operations list with their base prices, to maintain them or to pick one for an entry.

#include <optional>

#include "data/dataset.h"
#include "reports/spreadsheet.h"
#include "widgets/list_window.h"

class QCheckBox;

namespace tabel::data {
struct Session;
struct ChangeBatch;
}  // namespace tabel::data

namespace tabel::refdata {

class OperationPriceEditor;
class NormsWindow;

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
    QString typed;  // typed into the entry's operation field: the search starts with it
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

// The filter the search puts on the operations, or nothing when it switches the filter off.
// A goods code that is no whole number matches no operation.
std::optional<QString> operationsFilter(const QString& typed,
                                        const RequisitionContext& requisition);

class OperationsWindow : public widgets::ListWindow {
    Q_OBJECT
public:
    OperationsWindow(data::Session& session, OperationPriceEditor& editor, NormsWindow& norms,
                     QWidget* parent = nullptr);

    // Menu "Цены": maintain the operations.
    void openForBrowse();
    // The entry dialog's operation "...": the chosen operation and its prices, or nothing.
    std::optional<OperationChoice> pickOperation(const OperationChoiceContext& context);

protected:
    void onShown() override;

private:
    void applySearch();
    // The grid's double-click: with "Цены" checked in Browse mode, the operation's norms.
    void openCurrentOperation();
    void addOperation();
    // "Изменить" (in Choose mode "Выбрать").
    void chooseOrChangeOperation();
    void deleteOperation();
    void exportToSpreadsheet();
    // What other sessions changed: only the operations it touches are re-read.
    void applyChanges(const data::ChangeBatch& batch);
    OperationChoice choiceFromCurrentRow();
    QString productMark(int productId);
    // Re-reads one operation's row after this workstation wrote it.
    void showSaved(int id);

    data::Session& session_;
    data::Dataset operations_;
    // Every operation with its product, kind, stage and own price, for the spreadsheet export;
    // open only while it is written.
    data::Dataset exportedOperations_;
    OperationPriceEditor& editor_;
    NormsWindow& norms_;
    QCheckBox* pricesCheck_;
    reports::Spreadsheet spreadsheet_;
    // The requisition of the choice in progress; empty in Browse mode.
    RequisitionContext requisition_;
    OperationChoiceContext context_;
    std::optional<OperationChoice> choice_;
};

}  // namespace tabel::refdata
