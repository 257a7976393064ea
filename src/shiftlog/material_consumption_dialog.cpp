#include "shiftlog/material_consumption_dialog.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/input_texts.h"
#include "core/messages.h"
#include "data/entry_writes.h"
#include "data/session.h"
#include "shiftlog/entry_input.h"
#include "widgets/form_field.h"
#include "widgets/input_filters.h"
#include "widgets/lookup_combo.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::shiftlog {

namespace {

const QString kStockQuestion =
    QStringLiteral("Расход ТМЦ не может быть больше партии! Расходовать весь остаток по партии?");

const QString kNothingLeft = QStringLiteral("На складе не осталось этого ТМЦ: расходовать нечего.");

const QString kFreeStock = QStringLiteral("Свободный остаток на складе");
const QString kReservedStock = QStringLiteral("Остаток по резерву на складе");

QStringList remainderSql(const QStringList& join) {
    QStringList lines{
        QStringLiteral("select coalesce(sum(rem.f_qty), 0) as f_qty_free"),
        QStringLiteral("from accounts_dep.smena smena"),
        QStringLiteral("inner join mnf_doc.doc mnf_doc on mnf_doc.id = smena.id_doc"),
        QStringLiteral("inner join cmn_doc.doc cmn_doc on cmn_doc.id_reference = mnf_doc.id"),
        QStringLiteral("                              and cmn_doc.id_type = mnf_doc.id_type"),
    };
    lines += join;
    lines.append(QStringLiteral("where smena.id = :id_smena  and rem.id_gds = :id_gds"));
    return lines;
}

// A numeric column read as the server's text.
core::Decimal decimalOf(const data::Field& field) {
    return core::Decimal::fromText(field.asString()).value_or(core::Decimal());
}

QLabel* boldText(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

}  // namespace

core::Decimal proposedConsumption(const core::Decimal& quantity, const core::Decimal& norm,
                                  const core::Decimal& total) {
    core::Decimal proposal = quantity;
    if (!proposal.multiply(norm) || !proposal.add(total.negated())) {
        return {};  // beyond any stock: nothing is proposed
    }
    return proposal.rounded(3);
}

MaterialConsumptionDialog::MaterialConsumptionDialog(data::Session& session, QWidget* parent)
    : QDialog(parent),
      connection_(session.connection),
      goodsList_(&session.connection, QStringLiteral("goodsList"), this),
      freeStock_(&session.connection, QStringLiteral("freeStock"), this),
      reservedStock_(&session.connection, QStringLiteral("reservedStock"), this),
      normOperation_(&session.connection, QStringLiteral("normOperation"), this) {
    setObjectName(QStringLiteral("MaterialConsumptionDialog"));
    setWindowTitle(QStringLiteral("Материал"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    using T = data::FieldType;
    goodsList_.setSql(
        {QStringLiteral("select * from accounts_dep.get_gds_from_by_smena(:id_smena)")});
    goodsList_.setFieldDefs({{QStringLiteral("id"), T::Numeric15, true}});
    freeStock_.setSql(remainderSql(
        {QStringLiteral("inner join stk_remainder.remainder rem on rem.id_stock = "
                        "mnf_doc.id_stock_from"),
         QStringLiteral("                                      and rem.id_reserved_doc is null"),
         QStringLiteral(
             "                                      and rem.id_reserved_doc_item is null")}));
    reservedStock_.setSql(remainderSql(
        {QStringLiteral("inner join stk_remainder.remainder rem on rem.id_reserved_doc = "
                        "cmn_doc.id"),
         QStringLiteral("                                      and rem.id_reserved_doc_item = "
                        "smena.id_doc_item"),
         QStringLiteral("                                      and rem.id_stock = "
                        "mnf_doc.id_stock_from")}));
    for (data::Dataset* remainder : {&freeStock_, &reservedStock_}) {
        // numeric, kept as the server's text: read as the exact decimal
        remainder->setFieldDefs({{QStringLiteral("f_qty_free"), T::String, true}});
    }
    normOperation_.setSql(
        {QStringLiteral("select * from mnf_operation.operation where id_gds_from = "
                        ":id_gds_from and id_gds_to = :id_gds_to")});
    normOperation_.setFieldDefs({{QStringLiteral("f_qty_from"), T::String, true}});

    goodsCombo_ = new widgets::LookupCombo(this);
    goodsCombo_->setObjectName(QStringLiteral("goodsCombo"));
    goodsCombo_->bind(&goodsList_, QStringLiteral("id"), QStringLiteral("s_caption"));
    quantityEdit_ = new QLineEdit(QStringLiteral("0"), this);
    quantityEdit_->setObjectName(QStringLiteral("quantityEdit"));
    widgets::acceptDecimalInput(quantityEdit_);
    freeStockLabel_ = boldText(this, "freeStockLabel");
    reservedStockLabel_ = boldText(this, "reservedStockLabel");
    saveButton_ =
        widgets::makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Запись"));
    saveButton_->setDefault(true);
    cancelButton_ =
        widgets::makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("&Отмена"));

    auto* grid = new QGridLayout;
    widgets::addField(grid, 0, QStringLiteral("ТМЦ"), goodsCombo_);
    widgets::addField(grid, 1, QStringLiteral("Расход"), quantityEdit_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(freeStockLabel_);
    layout->addWidget(reservedStockLabel_);
    layout->addLayout(buttons);

    widgets::connectAction(goodsCombo_, &widgets::LookupCombo::closedUp, this,
                           [this] { chooseGoods(); });
    goodsCombo_->installEventFilter(this);
    widgets::connectAction(saveButton_, &QPushButton::clicked, this, [this] { saveConsumption(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(&freeStock_, &data::Dataset::rowsReset, this,
            &MaterialConsumptionDialog::showRemainders);
    connect(&reservedStock_, &data::Dataset::rowsReset, this,
            &MaterialConsumptionDialog::showRemainders);
}

void MaterialConsumptionDialog::showRemainders() {
    // The server's figure written as every number in the windows: with the decimal comma.
    auto caption = [](const QString& what, data::Dataset& remainder) {
        if (!remainder.isOpen() || remainder.isEmpty()) {
            return QString();
        }
        const QVariant free =
            remainder.valueAt(0, remainder.fieldIndex(QStringLiteral("f_qty_free")));
        return what + QStringLiteral(": ") +
               core::Decimal::fromText(free.toString()).value_or(core::Decimal()).toDisplayText();
    };
    freeStockLabel_->setText(caption(kFreeStock, freeStock_));
    reservedStockLabel_->setText(caption(kReservedStock, reservedStock_));
}

void MaterialConsumptionDialog::openRemainders(const QVariant& goods) {
    for (data::Dataset* remainder : {&freeStock_, &reservedStock_}) {
        remainder->close();
        remainder->setParam(QStringLiteral("id_smena"), context_.entryId);
        remainder->setParam(QStringLiteral("id_gds"),
                            goods.isNull() ? QVariant(qint64(0)) : QVariant(goods.toLongLong()));
        remainder->open();
    }
}

void MaterialConsumptionDialog::openFor(const ConsumptionContext& context) {
    context_ = context;
    goodsList_.close();
    goodsList_.setParam(QStringLiteral("id_smena"), context.entryId);
    goodsList_.open();
    openRemainders(goodsCombo_->keyValue());
    exec();
    goodsCombo_->setKeyValue(0);
    quantityEdit_->setText(QStringLiteral("0"));
}

void MaterialConsumptionDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        widgets::runAction([this] { resetStock(); });
        // The goods list first, whatever had the focus when the dialog last closed: Down picks
        // the next material at once.
        goodsCombo_->setFocus(Qt::TabFocusReason);
    }
}

bool MaterialConsumptionDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == goodsCombo_ && event->type() == QEvent::FocusOut &&
        !goodsCombo_->view()->isVisible()) {
        widgets::runAction([this] { chooseGoods(); });
    }
    return QDialog::eventFilter(watched, event);
}

void MaterialConsumptionDialog::resetStock() {
    for (data::Dataset* remainder : {&freeStock_, &reservedStock_}) {
        remainder->close();
        remainder->setParam(QStringLiteral("id_smena"), -1);
        remainder->open();
    }
}

void MaterialConsumptionDialog::chooseGoods() {
    const QVariant goods = goodsCombo_->keyValue();
    if (goods.isNull()) {
        return;
    }
    normOperation_.close();
    const core::Decimal total = readFigure(context_.totalText).value_or(core::Decimal());
    normOperation_.setParam(QStringLiteral("id_gds_from"), goods.toLongLong());
    normOperation_.setParam(QStringLiteral("id_gds_to"), qint64(context_.productId));
    normOperation_.open();
    openRemainders(goods);
    const core::Decimal norm = normOperation_.isEmpty()
                                   ? core::Decimal()
                                   : decimalOf(normOperation_.field(QStringLiteral("f_qty_from")));
    const std::optional<core::Decimal> quantity = readFigure(context_.quantityText);
    if (!quantity) {
        core::MessageBoxes::error(core::quantityNotANumber(context_.quantityText));
        return;
    }
    quantityEdit_->setText(proposedConsumption(*quantity, norm, total).toDisplayText());
}

core::Decimal MaterialConsumptionDialog::shownStock() {
    core::Decimal available = decimalOf(freeStock_.field(QStringLiteral("f_qty_free")));
    available.add(decimalOf(reservedStock_.field(QStringLiteral("f_qty_free"))));
    return available;
}

std::optional<core::Decimal> MaterialConsumptionDialog::checkedQuantity(
    const core::Decimal& quantity, const core::Decimal& available) {
    const core::Decimal stock = available.rounded(3);
    if (quantity.rounded(3) <= stock) {
        return quantity;
    }
    if (quantity.rounded(3) > core::Decimal() && core::MessageBoxes::ask(kStockQuestion)) {
        return stock;
    }
    return std::nullopt;
}

void MaterialConsumptionDialog::saveConsumption() {
    const core::Decimal available = shownStock();
    if (!goodsCombo_->showsText()) {
        core::MessageBoxes::error(core::kFillAllFields);
        return;
    }
    const QString text =
        quantityEdit_->text().isEmpty() ? QStringLiteral("0") : quantityEdit_->text();
    const std::optional<core::Decimal> typed = readFigure(text);
    if (!typed) {
        core::MessageBoxes::error(core::notANumber(QStringLiteral("Расход"), text));
        return;
    }
    const std::optional<core::Decimal> quantity = checkedQuantity(*typed, available);
    if (!quantity) {
        return;
    }
    if (*quantity != *typed) {
        quantityEdit_->setText(quantity->toDisplayText());
    }
    if (*quantity <= core::Decimal()) {
        core::MessageBoxes::error(QStringLiteral("Расход ТМЦ не может быть 0!"));
        return;
    }
    if (save(goodsCombo_->keyValue().toLongLong(), *quantity)) {
        accept();
    }
}

// The stock is read again where the row is written: another workstation may have used it
// since the goods were chosen, and then the question is asked again with what is left.
bool MaterialConsumptionDialog::save(qint64 goods, core::Decimal quantity) {
    data::MaterialResult result = data::addMaterial(connection_, context_.entryId, goods, quantity);
    while (!result.saved) {
        openRemainders(goods);
        const std::optional<core::Decimal> rest = checkedQuantity(quantity, result.available);
        if (!rest) {
            return false;
        }
        if (*rest <= core::Decimal()) {
            // "Да" to the whole rest, and the rest is gone: say so instead of nothing.
            core::MessageBoxes::inform(kNothingLeft);
            return false;
        }
        quantity = *rest;
        quantityEdit_->setText(quantity.toDisplayText());
        result = data::addMaterial(connection_, context_.entryId, goods, quantity);
    }
    return true;
}

void MaterialConsumptionDialog::done(int result) {
    goodsList_.close();
    freeStock_.close();
    reservedStock_.close();
    QDialog::done(result);
}

}  // namespace tabel::shiftlog
