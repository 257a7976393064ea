// The entry dialog's choices: the requisition and its item, the worker and the operation with
// the prices that follow from them.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/input_texts.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/session.h"
#include "refdata/operations_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/entry_materials_panel.h"
#include "widgets/lookup_combo.h"

namespace tabel::shiftlog {

namespace {

QString numberText(const QVariant& value) {
    return value.isNull() ? QString() : core::formatGeneral(value.toDouble());
}

}  // namespace

void EntryDialog::clearChoices() {
    operationEdit->clear();
    workerEdit->clear();
    entry_.operationId = 0;
    entry_.personId = 0;
    entry_.workerId = 0;
}

void EntryDialog::chooseRequisition() {
    requisitionItems.setFiltered(false);
    const QVariant doc = requisitionCombo->keyValue();
    requisitionItems.setFilter(doc.isNull()
                                   ? QStringLiteral("id_doc=0")
                                   : QStringLiteral("id_doc=") + QString::number(doc.toLongLong()));
    requisitionItems.setFiltered(true);
    if (requisitionCombo->showsText()) {
        requisitionItemCombo->setEnabled(true);
    }
    requisitionItemCombo->setKeyValue(0);
    clearChoices();
}

void EntryDialog::chooseRequisitionItem() {
    if (requisitionItemCombo->showsText()) {
        workerEdit->setEnabled(true);
        pickWorkerButton->setEnabled(true);
        quantityEdit->setText(numberText(requisitionItems.field(QStringLiteral("f_qty")).value()));
    }
    clearChoices();
}

void EntryDialog::pickWorker(const QString& typed) {
    const refdata::WorkerPick pick = workers_.pickWorker(typed);
    if (!pick.chosen) {
        return;
    }
    if (const auto& choice = pick.worker) {
        workerEdit->setText(choice->fio);
        entry_.workerId = choice->workerId;
        entry_.personId = choice->personId;
    }
    operationEdit->clear();
    entry_.operationId = 0;
    if (!workerEdit->text().isEmpty()) {
        operationEdit->setEnabled(true);
        pickOperationButton->setEnabled(true);
        // Chosen at the keyboard: on to the operation.
        if (!typed.isEmpty()) {
            pickOperationButton->setFocus(Qt::TabFocusReason);
        }
    }
}

void EntryDialog::pickOperation(const QString& typed) {
    refdata::OperationChoiceContext context;
    context.typed = typed;
    context.adding = mode == Mode::Add;
    context.currentOperationId = context_.currentOperationId;
    context.dayOff = context_.dayOff;
    context.shift = context_.shift;
    context.requisition.docText = requisitionCombo->currentText();
    context.requisition.itemText = requisitionItemCombo->currentText();
    if (requisitionItemCombo->showsText()) {
        context.requisition.itemGdsMc =
            requisitionItems.field(QStringLiteral("s_gds_mc")).asString();
    }
    const std::optional<refdata::OperationChoice> choice = operations_.pickOperation(context);
    if (!choice) {
        return;
    }
    entry_.productId = choice->productId;
    entry_.operationId = choice->operationId;
    entry_.basePrice = choice->basePrice;
    entry_.finalPrice = choice->finalPrice;
    operationEdit->setText(choice->description);
    updatePaintState();
    refreshPrices();
    if (!typed.isEmpty()) {
        // The dialog gets the keyboard back from the closed list only later: the figure is
        // selected again then, so that typing replaces it.
        selectQuantityOnFocus_ = true;
        quantityEdit->setFocus(Qt::TabFocusReason);
        quantityEdit->selectAll();
    }
}

void EntryDialog::updatePaintState() {
    const bool paint = operationEdit->text().toUpper().contains(QStringLiteral("КРАСКА"));
    if (!paint) {
        sumEdit->clear();
    }
    sumEdit->setEnabled(paint);
    materialsPanel->brigadeLabel->setEnabled(paint);
}

void EntryDialog::refreshPrices() {
    if (hoursEdit->text().isEmpty()) {
        hoursEdit->setText(QStringLiteral("0"));
    }
    if (quantityEdit->text().isEmpty()) {
        quantityEdit->setText(QStringLiteral("0"));
    }
    const std::optional<double> quantity = core::parseNumber(quantityEdit->text());
    if (!quantity) {
        core::MessageBoxes::error(core::quantityNotANumber(quantityEdit->text()));
        return;
    }
    finalPriceEdit->setText(core::formatGeneral(entry_.finalPrice));
    basePriceEdit->setText(core::formatGeneral(entry_.basePrice));
    sumEdit->setText(core::formatNumber(*quantity * entry_.finalPrice, 4));
}

}  // namespace tabel::shiftlog
