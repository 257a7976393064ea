#include "shiftlog/material_consumption_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/numbers.h"
#include "data/data_module.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "widgets/form_field.h"
#include "widgets/input_filters.h"
#include "widgets/lookup_combo.h"
#include "widgets/style.h"

namespace tabel::shiftlog {

namespace {

const QString kStockQuestion =
    QStringLiteral("Расход ТМЦ не может быть больше партии! Расходовать весь остаток по партии?");

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

TForm24::TForm24(data::TDataModule6& dm, QWidget* parent)
    : QDialog(parent),
      v_cmn_gds_in(&dm.ADO_DB, QStringLiteral("v_cmn_gds_in"), this),
      v_id_cons_use(&dm.ADO_DB, QStringLiteral("v_id_cons_use"), this),
      v_id_cons_use1(&dm.ADO_DB, QStringLiteral("v_id_cons_use1"), this),
      operation(&dm.ADO_DB, QStringLiteral("operation"), this),
      dm_(dm) {
    setObjectName(QStringLiteral("TForm24"));
    setWindowTitle(QStringLiteral("Материал"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    using T = data::FieldType;
    v_cmn_gds_in.setSql(
        {QStringLiteral("select * from accounts_dep.get_gds_from_by_smena(:id_smena)")});
    v_cmn_gds_in.setFieldDefs({{QStringLiteral("id"), T::Numeric15, true}});
    v_id_cons_use.setSql(remainderSql(
        QStringLiteral("Свободный остаток на складе"),
        {QStringLiteral("inner join stk_remainder.remainder rem on rem.id_stock = "
                        "mnf_doc.id_stock_from"),
         QStringLiteral("                                      and rem.id_reserved_doc is null"),
         QStringLiteral(
             "                                      and rem.id_reserved_doc_item is null")}));
    v_id_cons_use1.setSql(remainderSql(
        QStringLiteral("Остаток по резерву на складе"),
        {QStringLiteral("inner join stk_remainder.remainder rem on rem.id_reserved_doc = "
                        "cmn_doc.id"),
         QStringLiteral("                                      and rem.id_reserved_doc_item = "
                        "smena.id_doc_item"),
         QStringLiteral("                                      and rem.id_stock = "
                        "mnf_doc.id_stock_from")}));
    for (data::Dataset* remainder : {&v_id_cons_use, &v_id_cons_use1}) {
        remainder->setFieldDefs({{QStringLiteral("f_qty_free"), T::Float, true}});
    }
    operation.setSql(
        {QStringLiteral("select * from mnf_operation.operation where id_gds_from = "
                        ":id_gds_from and id_gds_to = :id_gds_to")});
    operation.setFieldDefs({{QStringLiteral("f_qty_from"), T::Float, true}});

    LCB_id_gds_use = new widgets::LookupCombo(this);
    LCB_id_gds_use->setObjectName(QStringLiteral("LCB_id_gds_use"));
    LCB_id_gds_use->bind(&v_cmn_gds_in, QStringLiteral("id"), QStringLiteral("s_caption"));
    Edit7 = new QLineEdit(QStringLiteral("0"), this);
    Edit7->setObjectName(QStringLiteral("Edit7"));
    widgets::acceptDecimalKeys(Edit7);
    DBText1 = boldText(this, "DBText1");
    DBText2 = boldText(this, "DBText2");
    Button1 = widgets::makeButton(this, QStringLiteral("Button1"), QStringLiteral("Запись"));
    Button1->setDefault(true);
    Button2 = widgets::makeButton(this, QStringLiteral("Button2"), QStringLiteral("Отмена"));

    auto* grid = new QGridLayout;
    widgets::addField(grid, 0, QStringLiteral("ТМЦ"), LCB_id_gds_use);
    widgets::addField(grid, 1, QStringLiteral("Расход"), Edit7);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(DBText1);
    layout->addWidget(DBText2);
    layout->addLayout(buttons);

    connect(LCB_id_gds_use, &widgets::LookupCombo::closedUp, this, &TForm24::LCB_id_gds_useCloseUp);
    connect(Button1, &QPushButton::clicked, this, &TForm24::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(&v_id_cons_use, &data::Dataset::rowsReset, this, &TForm24::showRemainders);
    connect(&v_id_cons_use1, &data::Dataset::rowsReset, this, &TForm24::showRemainders);
}

void TForm24::showRemainders() {
    auto caption = [](data::Dataset& remainder) {
        return remainder.isOpen() && !remainder.isEmpty() ? remainder.valueAt(0, 0).toString()
                                                          : QString();
    };
    DBText1->setText(caption(v_id_cons_use));
    DBText2->setText(caption(v_id_cons_use1));
}

void TForm24::openRemainders(const QVariant& goods) {
    for (data::Dataset* remainder : {&v_id_cons_use, &v_id_cons_use1}) {
        remainder->close();
        remainder->setParam(QStringLiteral("id_smena"), context_.entryId);
        remainder->setParam(QStringLiteral("id_gds"),
                            goods.isNull() ? QVariant(qint64(0)) : QVariant(goods.toLongLong()));
        remainder->open();
    }
}

void TForm24::openFor(const ConsumptionContext& context) {
    context_ = context;
    v_cmn_gds_in.close();
    v_cmn_gds_in.setParam(QStringLiteral("id_smena"), context.entryId);
    v_cmn_gds_in.open();
    openRemainders(LCB_id_gds_use->keyValue());
    exec();
    LCB_id_gds_use->setKeyValue(0);
    Edit7->setText(QStringLiteral("0"));
}

void TForm24::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
    }
}

void TForm24::FormActivate() {
    for (data::Dataset* remainder : {&v_id_cons_use, &v_id_cons_use1}) {
        remainder->close();
        remainder->setParam(QStringLiteral("id_smena"), -1);
        remainder->open();
    }
}

void TForm24::LCB_id_gds_useCloseUp() {
    const QVariant goods = LCB_id_gds_use->keyValue();
    if (goods.isNull()) {
        return;
    }
    operation.close();
    const double total = core::parseNumber(context_.totalText).value_or(0);
    operation.setParam(QStringLiteral("id_gds_from"), goods.toLongLong());
    operation.setParam(QStringLiteral("id_gds_to"), qint64(context_.productId));
    operation.open();
    openRemainders(goods);
    norm_ = operation.isEmpty() ? 0.0f
                                : float(core::roundHalfEven(
                                      operation.field(QStringLiteral("f_qty_from")).asFloat(), 4));
    const std::optional<double> quantity = core::parseNumber(context_.quantityText);
    if (!quantity) {
        core::MessageBoxes::error(QStringLiteral("Количество \"%1\" не является числом!")
                                      .arg(context_.quantityText.trimmed()));
        return;
    }
    Edit7->setText(core::formatGeneral(core::roundHalfEven(*quantity * norm_ - total, 3)));
}

std::optional<double> TForm24::checkedQuantity(double quantity, double available) {
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

void TForm24::Button1Click() {
    const double available = v_id_cons_use.field(QStringLiteral("f_qty_free")).asFloat() +
                             v_id_cons_use1.field(QStringLiteral("f_qty_free")).asFloat();
    if (!LCB_id_gds_use->showsText()) {
        core::MessageBoxes::error(QStringLiteral("Все поля должны быть заполнены!"));
        return;
    }
    const QString text = Edit7->text().isEmpty() ? QStringLiteral("0") : Edit7->text();
    const std::optional<double> typed = core::parseNumber(text);
    if (!typed) {
        core::MessageBoxes::error(
            QStringLiteral("Расход \"%1\" не является числом!").arg(text.trimmed()));
        return;
    }
    std::optional<double> quantity = checkedQuantity(*typed, available);
    if (!quantity) {
        return;
    }
    if (*quantity != *typed) {
        Edit7->setText(core::formatGeneral(*quantity));
    }
    if (*quantity <= 0) {
        core::MessageBoxes::error(QStringLiteral("Расход ТМЦ не может быть 0!"));
        return;
    }
    if (save(LCB_id_gds_use->keyValue().toLongLong(), *quantity)) {
        accept();
    }
}

// The stock is read again where the row is written: another workstation may have used it
// since the goods were chosen, and then the question is asked again with what is left.
bool TForm24::save(qint64 goods, double quantity) {
    try {
        data::MaterialResult result =
            data::addMaterial(dm_.ADO_DB, context_.entryId, goods, quantity);
        while (!result.saved) {
            openRemainders(goods);
            const std::optional<double> rest = checkedQuantity(quantity, result.available);
            if (!rest || *rest <= 0) {
                return false;
            }
            quantity = *rest;
            Edit7->setText(core::formatGeneral(quantity));
            result = data::addMaterial(dm_.ADO_DB, context_.entryId, goods, quantity);
        }
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::refusalText(error));
        return false;
    }
    return true;
}

void TForm24::done(int result) {
    v_cmn_gds_in.close();
    v_id_cons_use.close();
    v_id_cons_use1.close();
    QDialog::done(result);
}

}  // namespace tabel::shiftlog
