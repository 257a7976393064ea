#pragma once
// The entry dialog: one shift entry added, changed or viewed, with its materials and brigade
// in the lower part.

#include <QDialog>

#include "data/dataset.h"
#include "shiftlog/entry.h"

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

// What the shift log window tells the dialog about where it is opened.
struct EntryContext {
    int shift = 1;
    bool dayOff = false;
    QDate date;                  // the shift log window's date (add mode)
    int currentOperationId = 0;  // o_id of the shift list's current row
};

// One row of a shift list, as edit and view mode read it.
struct EntryRow {
    int id = 0;
    QDate date;
    QString fio;
    QString marka;
    QString vid;
    int naimen = 0;
    double kolVo = 0;
    int brak = 0;
    int time = 0;
    double cena = 0;
    int workerId = 0;
    int productId = 0;
    int operationId = 0;
    QVariant docId;   // null when the entry has none
    QVariant itemId;  // null when the entry has none
    QString version;  // the entry's version (xmin) the list read
};

class EntryDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Edit, View };

    EntryDialog(data::Session& session, refdata::WorkersWindow& workers,
                refdata::OperationsWindow& operations, MaterialConsumptionDialog& consumption,
                QWidget* parent = nullptr);
    ~EntryDialog() override;

    // Set by each opening; until the first one nothing counts as adding.
    Mode mode = Mode::View;
    // The entry being worked on; its id is 0 until a new entry is saved.
    const Entry& entry() const { return entry_; }

    void openForAdd(const EntryContext& context);
    void openForEdit(const EntryContext& context, const EntryRow& row);
    void openForView(const EntryContext& context, const EntryRow& row);
    // What edit mode sets before the dialog is shown.
    void loadForEdit(const EntryContext& context, const EntryRow& row);

    // "Закрыто мастером": the entry's own fields.
    QGroupBox* entryGroup;
    widgets::LookupCombo* requisitionCombo;
    widgets::LookupCombo* requisitionItemCombo;
    QLineEdit* workerEdit;
    QPushButton* pickWorkerButton;
    QLineEdit* operationEdit;
    QPushButton* pickOperationButton;
    QLineEdit* quantityEdit;
    QLineEdit* hoursEdit;
    QDateEdit* dateEdit;
    QLineEdit* defectsEdit;
    QLineEdit* basePriceEdit;
    QLineEdit* finalPriceEdit;
    QLineEdit* sumEdit;
    QLabel* entryIdLabel;
    QPushButton* saveButton;
    QPushButton* exitButton;
    EntryMaterialsPanel* materialsPanel;

    data::Dataset requisitions;
    data::Dataset requisitionItems;

    void chooseRequisition();
    void chooseRequisitionItem();
    // `typed`: what the user typed on the field, handed on to the list's search.
    void pickWorker(const QString& typed = {});
    void pickOperation(const QString& typed = {});
    // Leaving the quantity box: defaults for empty boxes, the prices and the sum shown again.
    void refreshPrices();
    void saveEntry();

    // The entry as the controls show it.
    Entry fields() const;

    void done(int result) override;

signals:
    // The entry `id` was written: the list that shows it follows.
    void entrySaved(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void layoutControls();
    void wireHandlers();
    void clearChoices();
    void useStandardStatements();
    void useViewStatements(int entryId);
    void fillFromRow(const EntryRow& row);
    void prepareRequisitions(const EntryRow& row);
    void afterSave(int id, bool inserted);
    void updatePaintState();
    QString stageDescription(const EntryRow& row) const;

    data::Connection& connection_;
    refdata::WorkersWindow& workers_;
    refdata::OperationsWindow& operations_;
    EntryContext context_;
    Entry entry_;
    bool selectQuantityOnFocus_ = false;  // an operation was just chosen by typing
};

}  // namespace tabel::shiftlog
