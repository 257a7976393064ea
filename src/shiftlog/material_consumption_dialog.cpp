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
#include "core/numbers.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "data/session.h"
#include "widgets/form_field.h"
#include "widgets/input_filters.h"
#include "widgets/lookup_combo.h"
#include "widgets/style.h"

namespace tabel::shiftlog {

namespace {

const QString kStockQuestion =
    QStringLiteral("Расход ТМЦ не может быть больше партии! Расходовать весь остаток по партии?");

const QString kNothingLeft = QStringLiteral("На складе не осталось этого ТМЦ: расходовать нечего.");

QStringList remainderSql(const QString& caption, const QStringList& join) {
    QStringList lines{
        QStringLiteral("select format('") + caption +
            QStringLiteral(": %s'::text, coalesce(sum(rem.f_qty), 0)) AS s_full_caption, "
                           "coalesce(sum(rem.f_qty), 0) as f_qty_free"),
        QStringLiteral("from accounts_dep.smena smena"),
        QStringLiteral("inner join mnf_doc.doc mnf_doc on mnf_doc.id = smena.id_doc"),
        QStringLiteral("inner join cmn_doc.doc cmn_doc on cmn_doc.id_reference = mnf_doc.id"),
        QStringLiteral("                              and cmn_doc.id_type = mnf_doc.id_type"),
    };
    lines += join;
    lines.append(QStringLiteral("where smena.id = :id_smena  and rem.id_gds = :id_gds"));
    return lines;
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

MaterialConsumptionDialog::MaterialConsumptionDialog(data::Session& session, QWidget* parent)
    : QDialog(parent),
      goodsList(&session.connection, QStringLiteral("goodsList"), this),
      freeStock(&session.connection, QStringLiteral("freeStock"), this),
      reservedStock(&session.connection, QStringLiteral("reservedStock"), this),
      normOperation(&session.connection, QStringLiteral("normOperation"), this),
      connection_(session.connection) {
    setObjectName(QStringLiteral("MaterialConsumptionDialog"));
    setWindowTitle(QStringLiteral("Материал"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    using T = data::FieldType;
    goodsList.setSql(
        {QStringLiteral("select * from accounts_dep.get_gds_from_by_smena(:id_smena)")});
    goodsList.setFieldDefs({{QStringLiteral("id"), T::Numeric15, true}});
    freeStock.setSql(remainderSql(
        QStringLiteral("Свободный остаток на складе"),
        {QStringLiteral("inner join stk_remainder.remainder rem on rem.id_stock = "
                        "mnf_doc.id_stock_from"),
         QStringLiteral("                                      and rem.id_reserved_doc is null"),
         QStringLiteral(
             "                                      and rem.id_reserved_doc_item is null")}));
    reservedStock.setSql(remainderSql(
        QStringLiteral("Остаток по резерву на складе"),
        {QStringLiteral("inner join stk_remainder.remainder rem on rem.id_reserved_doc = "
                        "cmn_doc.id"),
         QStringLiteral("                                      and rem.id_reserved_doc_item = "
                        "smena.id_doc_item"),
         QStringLiteral("                                      and rem.id_stock = "
                        "mnf_doc.id_stock_from")}));
    for (data::Dataset* remainder : {&freeStock, &reservedStock}) {
        remainder->setFieldDefs({{QStringLiteral("f_qty_free"), T::Float, true}});
    }
    normOperation.setSql(
        {QStringLiteral("select * from mnf_operation.operation where id_gds_from = "
                        ":id_gds_from and id_gds_to = :id_gds_to")});
    normOperation.setFieldDefs({{QStringLiteral("f_qty_from"), T::Float, true}});

    goodsCombo = new widgets::LookupCombo(this);
    goodsCombo->setObjectName(QStringLiteral("goodsCombo"));
    goodsCombo->bind(&goodsList, QStringLiteral("id"), QStringLiteral("s_caption"));
    quantityEdit = new QLineEdit(QStringLiteral("0"), this);
    quantityEdit->setObjectName(QStringLiteral("quantityEdit"));
    widgets::acceptDecimalInput(quantityEdit);
    freeStockLabel = boldText(this, "freeStockLabel");
    reservedStockLabel = boldText(this, "reservedStockLabel");
    saveButton = widgets::makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Запись"));
    saveButton->setDefault(true);
    cancelButton =
        widgets::makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("&Отмена"));

    auto* grid = new QGridLayout;
    widgets::addField(grid, 0, QStringLiteral("ТМЦ"), goodsCombo);
    widgets::addField(grid, 1, QStringLiteral("Расход"), quantityEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(freeStockLabel);
    layout->addWidget(reservedStockLabel);
    layout->addLayout(buttons);

    connect(goodsCombo, &widgets::LookupCombo::closedUp, this,
            &MaterialConsumptionDialog::chooseGoods);
    goodsCombo->installEventFilter(this);
    connect(saveButton, &QPushButton::clicked, this, &MaterialConsumptionDialog::saveConsumption);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&freeStock, &data::Dataset::rowsReset, this,
            &MaterialConsumptionDialog::showRemainders);
    connect(&reservedStock, &data::Dataset::rowsReset, this,
            &MaterialConsumptionDialog::showRemainders);
}

void MaterialConsumptionDialog::showRemainders() {
    auto caption = [](data::Dataset& remainder) {
        return remainder.isOpen() && !remainder.isEmpty() ? remainder.valueAt(0, 0).toString()
                                                          : QString();
    };
    freeStockLabel->setText(caption(freeStock));
    reservedStockLabel->setText(caption(reservedStock));
}

void MaterialConsumptionDialog::openRemainders(const QVariant& goods) {
    for (data::Dataset* remainder : {&freeStock, &reservedStock}) {
        remainder->close();
        remainder->setParam(QStringLiteral("id_smena"), context_.entryId);
        remainder->setParam(QStringLiteral("id_gds"),
                            goods.isNull() ? QVariant(qint64(0)) : QVariant(goods.toLongLong()));
        remainder->open();
    }
}

void MaterialConsumptionDialog::openFor(const ConsumptionContext& context) {
    context_ = context;
    goodsList.close();
    goodsList.setParam(QStringLiteral("id_smena"), context.entryId);
    goodsList.open();
    openRemainders(goodsCombo->keyValue());
    exec();
    goodsCombo->setKeyValue(0);
    quantityEdit->setText(QStringLiteral("0"));
}

void MaterialConsumptionDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        resetStock();
    }
}

bool MaterialConsumptionDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == goodsCombo && event->type() == QEvent::FocusOut &&
        !goodsCombo->view()->isVisible()) {
        chooseGoods();
    }
    return QDialog::eventFilter(watched, event);
}

void MaterialConsumptionDialog::resetStock() {
    for (data::Dataset* remainder : {&freeStock, &reservedStock}) {
        remainder->close();
        remainder->setParam(QStringLiteral("id_smena"), -1);
        remainder->open();
    }
}

void MaterialConsumptionDialog::chooseGoods() {
    const QVariant goods = goodsCombo->keyValue();
    if (goods.isNull()) {
        return;
    }
    normOperation.close();
    const double total = core::parseNumber(context_.totalText).value_or(0);
    normOperation.setParam(QStringLiteral("id_gds_from"), goods.toLongLong());
    normOperation.setParam(QStringLiteral("id_gds_to"), qint64(context_.productId));
    normOperation.open();
    openRemainders(goods);
    norm_ = normOperation.isEmpty()
                ? 0.0f
                : float(core::roundHalfEven(
                      normOperation.field(QStringLiteral("f_qty_from")).asFloat(), 4));
    const std::optional<double> quantity = core::parseNumber(context_.quantityText);
    if (!quantity) {
        core::MessageBoxes::error(core::quantityNotANumber(context_.quantityText));
        return;
    }
    quantityEdit->setText(core::formatGeneral(core::roundHalfEven(*quantity * norm_ - total, 3)));
}

std::optional<double> MaterialConsumptionDialog::checkedQuantity(double quantity,
                                                                 double available) {
    const double rounded = core::roundHalfEven(quantity, 3);
    const double stock = core::roundHalfEven(available, 3);
    if (rounded <= stock) {
        return quantity;
    }
    if (rounded > 0 && core::MessageBoxes::ask(kStockQuestion)) {
        return stock;
    }
    return std::nullopt;
}

void MaterialConsumptionDialog::saveConsumption() {
    const double available = freeStock.field(QStringLiteral("f_qty_free")).asFloat() +
                             reservedStock.field(QStringLiteral("f_qty_free")).asFloat();
    if (!goodsCombo->showsText()) {
        core::MessageBoxes::error(core::kFillAllFields);
        return;
    }
    const QString text =
        quantityEdit->text().isEmpty() ? QStringLiteral("0") : quantityEdit->text();
    const std::optional<double> typed = core::parseNumber(text);
    if (!typed) {
        core::MessageBoxes::error(core::notANumber(QStringLiteral("Расход"), text));
        return;
    }
    std::optional<double> quantity = checkedQuantity(*typed, available);
    if (!quantity) {
        return;
    }
    if (*quantity != *typed) {
        quantityEdit->setText(core::formatGeneral(*quantity));
    }
    if (*quantity <= 0) {
        core::MessageBoxes::error(QStringLiteral("Расход ТМЦ не может быть 0!"));
        return;
    }
    if (save(goodsCombo->keyValue().toLongLong(), *quantity)) {
        accept();
    }
}

// The stock is read again where the row is written: another workstation may have used it
// since the goods were chosen, and then the question is asked again with what is left.
bool MaterialConsumptionDialog::save(qint64 goods, double quantity) {
    try {
        data::MaterialResult result =
            data::addMaterial(connection_, context_.entryId, goods, quantity);
        while (!result.saved) {
            openRemainders(goods);
            const std::optional<double> rest = checkedQuantity(quantity, result.available);
            if (!rest) {
                return false;
            }
            if (*rest <= 0) {
                // "Да" to the whole rest, and the rest is gone: say so instead of nothing.
                core::MessageBoxes::inform(kNothingLeft);
                return false;
            }
            quantity = *rest;
            quantityEdit->setText(core::formatGeneral(quantity));
            result = data::addMaterial(connection_, context_.entryId, goods, quantity);
        }
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::userMessageOf(error));
        return false;
    }
    return true;
}

void MaterialConsumptionDialog::done(int result) {
    goodsList.close();
    freeStock.close();
    reservedStock.close();
    QDialog::done(result);
}

}  // namespace tabel::shiftlog
