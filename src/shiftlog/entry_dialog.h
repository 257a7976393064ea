#pragma once
// The entry dialog: one shift entry added, changed or viewed, with its materials and brigade
// in the lower part.

#include <QDialog>
#include <optional>

#include "core/decimal.h"
#include "data/dataset.h"
#include "data/entry.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
class Connection;
struct Session;
}  // namespace tabel::data
namespace tabel::refdata {
class OperationsWindow;
class WorkersWindow;
}  // namespace tabel::refdata
namespace tabel::widgets {
class LookupCombo;
}  // namespace tabel::widgets

namespace tabel::shiftlog {

class EntryMaterialsPanel;
class MaterialConsumptionDialog;
struct EntryInput;

// What the shift log window tells the dialog about where it is opened.
struct EntryContext {
    int shift = 1;
    bool dayOff = false;
    QDate date;                  // the shift log window's date (add mode)
    int currentOperationId = 0;  // o_id of the shift list's current row
};

class EntryDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Edit, View };

    EntryDialog(data::Session& session, refdata::WorkersWindow& workers,
                refdata::OperationsWindow& operations, MaterialConsumptionDialog& consumption,
                QWidget* parent = nullptr);
    ~EntryDialog() override;

    // Each opening is modal and returns the entry as it was last saved while the dialog was
    // open; nothing when it saved none.
    std::optional<data::Entry> openForAdd(const EntryContext& context);
    std::optional<data::Entry> openForEdit(const EntryContext& context, const data::Entry& entry);
    void openForView(const EntryContext& context, const data::Entry& entry);

    // Set by each opening; until the first one nothing counts as adding.
    Mode mode() const { return mode_; }
    // The entry as the dialog holds it: the choices made, the price, the version; id 0 until
    // a new entry is saved.
    const data::Entry& entry() const { return entry_; }

    void done(int result) override;

signals:
    // The entry `id` was written: the list that shows it follows.
    void entrySaved(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every opening starts on "Заявка" (the first field that takes the keyboard).
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void layoutControls();
    void wireHandlers();
    void useStandardStatements();
    void useViewStatements(int entryId);
    void showEntry(const data::Entry& entry);
    void prepareRequisitions(const data::Entry& entry);
    void loadForEdit(const EntryContext& context, const data::Entry& entry);
    std::optional<data::Entry> run();
    // The worker's and operation's "..." are Tab stops when adding. An edit has them chosen:
    // Tab goes past them to the figures, so a number typed after a Tab too few lands in no
    // list (a click still opens it).
    void choosePickersByTab(bool on);

    // The choices, in entry_dialog_choices.cpp.
    void clearChoices();
    void chooseRequisition();
    void chooseRequisitionItem();
    // `typed`: what the user typed on the field, handed on to the list's search.
    void pickWorker(const QString& typed = {});
    void pickOperation(const QString& typed = {});
    void updatePaintState();
    // Leaving the quantity box: defaults for empty boxes, the prices and the sum shown again.
    void refreshPrices();
    void showSum(const QString& quantity);

    // "Запись".
    void saveEntry();
    EntryInput input() const;
    // After "Запись изменена другим пользователем": the other workstation's values shown, or
    // what was typed kept to go over them at the next "Запись"; an entry a clerk accepted
    // meanwhile is told final instead, with what was typed left in view.
    void settleChangeMadeElsewhere();
    void afterSave(const data::Entry& saved, bool inserted);

    data::Connection& connection_;
    refdata::WorkersWindow& workers_;
    refdata::OperationsWindow& operations_;
    EntryContext context_;
    Mode mode_ = Mode::View;
    data::Entry entry_;
    core::Decimal basePrice_;  // shown only: the operation's price before the surcharges
    std::optional<data::Entry> saved_;
    bool selectQuantityOnFocus_ = false;  // an operation was just chosen by typing

    data::Dataset requisitions_;
    data::Dataset requisitionItems_;

    // "Закрыто мастером": the entry's own fields.
    QGroupBox* entryGroup_;
    widgets::LookupCombo* requisitionCombo_;
    widgets::LookupCombo* requisitionItemCombo_;
    QLineEdit* workerEdit_;
    QPushButton* pickWorkerButton_;
    QLineEdit* operationEdit_;
    QPushButton* pickOperationButton_;
    QLineEdit* quantityEdit_;
    QLineEdit* hoursEdit_;
    QDateEdit* dateEdit_;
    QLineEdit* defectsEdit_;
    QLineEdit* basePriceEdit_;
    QLineEdit* finalPriceEdit_;
    QLineEdit* sumEdit_;
    QLabel* entryIdLabel_;
    QPushButton* saveButton_;
    QPushButton* exitButton_;
    EntryMaterialsPanel* materialsPanel_;
};

}  // namespace tabel::shiftlog
