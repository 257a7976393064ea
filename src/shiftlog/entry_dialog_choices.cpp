// The entry dialog's choices: the requisition and its item, the worker and the operation with
// the prices that follow from them.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/input_texts.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "data/session.h"
#include "refdata/operations_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/entry_input.h"
#include "shiftlog/entry_materials_panel.h"
#include "widgets/lookup_combo.h"

namespace tabel::shiftlog {

namespace {

QString numberText(const QVariant& value) {
    return value.isNull() ? QString() : core::formatGeneral(value.toDouble());
}

// The sum of `quantity` pieces at `price`, rounded to 4 places as shown.
QString sumText(core::Decimal quantity, const core::Decimal& price) {
    return quantity.multiply(price) ? quantity.toDisplayText(4) : QString();
}

}  // namespace

void EntryDialog::clearChoices() {
    operationEdit_->clear();
    workerEdit_->clear();
    entry_.operationId = 0;
    entry_.personId = 0;
    entry_.workerId = 0;
    // The prices were the operation's.
    for (QLineEdit* figure : {basePriceEdit_, finalPriceEdit_, sumEdit_}) {
        figure->clear();
    }
}

void EntryDialog::chooseRequisition() {
    requisitionItems_.setFiltered(false);
    const QVariant doc = requisitionCombo_->keyValue();
    requisitionItems_.setFilter(doc.isNull() ? QStringLiteral("id_doc=0")
                                             : QStringLiteral("id_doc=") +
                                                   QString::number(doc.toLongLong()));
    requisitionItems_.setFiltered(true);
    if (requisitionCombo_->showsText()) {
        requisitionItemCombo_->setEnabled(true);
    }
    requisitionItemCombo_->setKeyValue(0);
    clearChoices();
}

void EntryDialog::chooseRequisitionItem() {
    if (requisitionItemCombo_->showsText()) {
        workerEdit_->setEnabled(true);
        pickWorkerButton_->setEnabled(true);
        quantityEdit_->setText(
            numberText(requisitionItems_.field(QStringLiteral("f_qty")).value()));
    }
    clearChoices();
}

void EntryDialog::pickWorker(const QString& typed) {
    const refdata::WorkerPick pick = workers_.pickWorker(typed);
    // Left, or Enter on a list the search emptied: the entry stays as it was.
    if (!pick.worker) {
        return;
    }
    workerEdit_->setText(pick.worker->fio);
    entry_.workerId = pick.worker->workerId;
    entry_.personId = pick.worker->personId;
    operationEdit_->clear();
    entry_.operationId = 0;
    if (!workerEdit_->text().isEmpty()) {
        operationEdit_->setEnabled(true);
        pickOperationButton_->setEnabled(true);
        // Chosen at the keyboard: on to the operation.
        if (!typed.isEmpty()) {
            pickOperationButton_->setFocus(Qt::TabFocusReason);
        }
    }
}

void EntryDialog::pickOperation(const QString& typed) {
    refdata::OperationChoiceContext context;
    context.typed = typed;
    context.adding = mode_ == Mode::Add;
    context.currentOperationId = context_.currentOperationId;
    context.dayOff = context_.dayOff;
    context.shift = context_.shift;
    context.requisition.docText = requisitionCombo_->currentText();
    context.requisition.itemText = requisitionItemCombo_->currentText();
    if (requisitionItemCombo_->showsText()) {
        context.requisition.itemGdsMc =
            requisitionItems_.field(QStringLiteral("s_gds_mc")).asString();
    }
    const std::optional<refdata::OperationChoice> choice = operations_.pickOperation(context);
    if (!choice) {
        return;
    }
    entry_.productId = choice->productId;
    entry_.operationId = choice->operationId;
    basePrice_ = core::Decimal::fromStored(choice->basePrice);
    entry_.price = core::Decimal::fromStored(choice->finalPrice);
    operationEdit_->setText(choice->description);
    updatePaintState();
    refreshPrices();
    if (!typed.isEmpty()) {
        // The dialog gets the keyboard back from the closed list only later: the figure is
        // selected again then, so that typing replaces it.
        selectQuantityOnFocus_ = true;
        quantityEdit_->setFocus(Qt::TabFocusReason);
        quantityEdit_->selectAll();
    }
}

void EntryDialog::updatePaintState() {
    const bool paint = operationEdit_->text().toUpper().contains(QStringLiteral("КРАСКА"));
    if (!paint) {
        sumEdit_->clear();
    }
    sumEdit_->setEnabled(paint);
    materialsPanel_->setBrigadeLabelEnabled(paint);
}

void EntryDialog::refreshPrices() {
    if (hoursEdit_->text().isEmpty()) {
        hoursEdit_->setText(QStringLiteral("0"));
    }
    if (quantityEdit_->text().isEmpty()) {
        quantityEdit_->setText(QStringLiteral("0"));
    }
    const std::optional<core::Decimal> quantity = readFigure(quantityEdit_->text());
    if (!quantity) {
        core::MessageBoxes::error(core::quantityNotANumber(quantityEdit_->text()));
        return;
    }
    // Without an operation there is no price: nothing is shown, not a zero.
    if (entry_.operationId == 0) {
        return;
    }
    finalPriceEdit_->setText(entry_.price.toDisplayText());
    basePriceEdit_->setText(basePrice_.toDisplayText());
    sumEdit_->setText(sumText(*quantity, entry_.price));
}

void EntryDialog::showSum(const QString& quantity) {
    if (entry_.operationId == 0) {
        return;
    }
    if (const std::optional<core::Decimal> figure = readFigure(quantity)) {
        sumEdit_->setText(sumText(*figure, entry_.price));
    }
}

}  // namespace tabel::shiftlog
