#include "shiftlog/entry_materials_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/messages.h"
#include "core/numbers.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "data/session.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry.h"
#include "shiftlog/material_consumption_dialog.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/style.h"

namespace tabel::shiftlog {

namespace {

const QString kCannotSave = QStringLiteral("Невозможно сохранить данные в БД!");
const QString kAlreadyInBrigade = QStringLiteral("Этот человек уже есть в бригаде!");

QStringList materialsSql() {
    return {
        QStringLiteral("select sgu.id as id"),
        QStringLiteral("      ,vcgi.s_caption"),
        QStringLiteral("      ,cons_use.stock_s_caption"),
        QStringLiteral("      ,cons_use.s_caption as s_cons_use_hl"),
        QStringLiteral("      ,sgu.f_qty_use"),
        QStringLiteral("from accounts_dep.smena_gds_use sgu"),
        QStringLiteral("inner join accounts_dep.v_cmn_gds_in vcgi on vcgi.id = sgu.id_gds_use"),
        QStringLiteral("left join accounts_dep.show_consignment(sgu.id_gds_use) cons_use on "
                       "cons_use.id = sgu.id_cons_use"),
        QStringLiteral("where sgu.id_smena = :id_smena"),
    };
}

QStringList brigadeSql() {
    return {
        QStringLiteral("select person_temp.id"),
        QStringLiteral("      ,person.s_caption as s_caption"),
        QStringLiteral("from accounts_dep.person_temp person_temp"),
        QStringLiteral("inner join cmn_contractor.person person on person.id = "
                       "person_temp.id_person"),
        QStringLiteral("where person_temp.id_smena = :s_id"),
    };
}

QString numberText(const QVariant& value) {
    return value.isNull() ? QString() : core::formatGeneral(value.toDouble());
}

}  // namespace

EntryMaterialsPanel::EntryMaterialsPanel(data::Session& session, refdata::WorkersWindow& workers,
                                         MaterialConsumptionDialog& consumption, const Entry& entry,
                                         QLineEdit* quantityEdit, QLineEdit* workerEdit,
                                         QWidget* parent)
    : QWidget(parent),
      materials(&session.connection, QStringLiteral("materials"), this),
      materialsTotal(&session.connection, QStringLiteral("materialsTotal"), this),
      brigade(&session.connection, QStringLiteral("brigade"), this),
      connection_(session.connection),
      workers_(workers),
      consumption_(consumption),
      entry_(entry),
      quantityEdit_(quantityEdit),
      workerEdit_(workerEdit) {
    setObjectName(QStringLiteral("materialsPanel"));
    using T = data::FieldType;
    materials.setSql(materialsSql());
    materials.setFieldDefs(
        {{QStringLiteral("id"), T::Integer, true}, {QStringLiteral("f_qty_use"), T::Float, true}});
    materialsTotal.setSql(
        {QStringLiteral("select sum(f_qty_use) as sum_qty_use from accounts_dep.smena_gds_use "
                        "sgu where sgu.id_smena =:id_smena")});
    materialsTotal.setFieldDefs({{QStringLiteral("sum_qty_use"), T::Float, true}});
    brigade.setSql(brigadeSql());
    brigade.setFieldDefs({{QStringLiteral("id"), T::Numeric15, true}});
    brigade.setParam(QStringLiteral("s_id"), -1);

    // First, so that it keeps its place in the tab order right after the dialog's "Выход".
    divideButton =
        widgets::makeButton(this, QStringLiteral("divideButton"), QStringLiteral("&Сохранить"));

    materialsGrid = new widgets::DataGrid(this);
    materialsGrid->setObjectName(QStringLiteral("materialsGrid"));
    materialsGrid->setBoldTitles(true);
    const QList<widgets::GridColumn> materialsColumns{{.field = QStringLiteral("s_caption"),
                                                       .title = QStringLiteral("ТМЦ"),
                                                       .alignment = Qt::AlignLeft,
                                                       .width = 30},
                                                      {.field = QStringLiteral("f_qty_use"),
                                                       .title = QStringLiteral("Расход"),
                                                       .alignment = Qt::AlignRight,
                                                       .width = 10}};
    materialsGrid->setSource(new widgets::DataSource(&materials, materialsColumns, this));
    materialsGrid->setAccessibleName(QStringLiteral("Расход ТМЦ"));
    addMaterialButton =
        widgets::makeButton(this, QStringLiteral("addMaterialButton"), QStringLiteral("&Добавить"));
    deleteMaterialButton = widgets::makeButton(this, QStringLiteral("deleteMaterialButton"),
                                               QStringLiteral("&Удалить"));
    materialsTotalEdit = new QLineEdit(this);
    materialsTotalEdit->setObjectName(QStringLiteral("materialsTotalEdit"));
    materialsTotalEdit->setEnabled(false);

    brigadeGrid = new widgets::DataGrid(this);
    brigadeGrid->setObjectName(QStringLiteral("brigadeGrid"));
    const QList<widgets::GridColumn> brigadeColumns{
        {.field = QStringLiteral("s_caption"),
         .title = QStringLiteral("Фамилия Имя Отчество"),
         .alignment = Qt::AlignLeft,
         .width = 36}};
    brigadeGrid->setSource(new widgets::DataSource(&brigade, brigadeColumns, this));
    brigadeLabel = widgets::makeFieldLabel(this, QStringLiteral("Бригада"), brigadeGrid,
                                           QStringLiteral("brigadeLabel"));
    addMemberButton =
        widgets::makeButton(this, QStringLiteral("addMemberButton"), QStringLiteral("Доб&авить"));
    removeMemberButton =
        widgets::makeButton(this, QStringLiteral("removeMemberButton"), QStringLiteral("Уда&лить"));

    auto* materialsLayout = new QGridLayout;
    materialsLayout->addWidget(materialsGrid, 0, 0, 1, 4);
    materialsLayout->addWidget(addMaterialButton, 1, 0);
    materialsLayout->addWidget(deleteMaterialButton, 1, 1);
    materialsLayout->addWidget(
        widgets::makeFieldLabel(this, QStringLiteral("Итого:"), materialsTotalEdit), 1, 2);
    materialsLayout->addWidget(materialsTotalEdit, 1, 3);
    auto* brigadeLayout = new QGridLayout;
    brigadeLayout->addWidget(brigadeLabel, 0, 0, 1, 2);
    brigadeLayout->addWidget(brigadeGrid, 1, 0, 1, 2);
    brigadeLayout->addWidget(addMemberButton, 2, 0);
    brigadeLayout->addWidget(removeMemberButton, 2, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(materialsLayout, 3);
    layout->addLayout(brigadeLayout, 2);

    connect(addMaterialButton, &QPushButton::clicked, this, &EntryMaterialsPanel::addMaterial);
    connect(deleteMaterialButton, &QPushButton::clicked, this,
            &EntryMaterialsPanel::deleteMaterial);
    connect(addMemberButton, &QPushButton::clicked, this, &EntryMaterialsPanel::addBrigadeMember);
    connect(removeMemberButton, &QPushButton::clicked, this,
            &EntryMaterialsPanel::removeBrigadeMember);
    connect(divideButton, &QPushButton::clicked, this, &EntryMaterialsPanel::divideEntry);
    connect(&materialsTotal, &data::Dataset::rowsReset, this, [this] {
        materialsTotalEdit->setText(materialsTotal.isOpen() && !materialsTotal.isEmpty()
                                        ? numberText(materialsTotal.valueAt(0, 0))
                                        : QString());
    });
}

void EntryMaterialsPanel::bindMaterials(int entryId, int totalId) {
    materials.close();
    materials.setParam(QStringLiteral("id_smena"), entryId);
    materials.open();
    materialsTotal.close();
    materialsTotal.setParam(QStringLiteral("id_smena"), totalId);
    materialsTotal.open();
}

void EntryMaterialsPanel::closeMaterials() {
    materials.close();
    materialsTotal.close();
}

void EntryMaterialsPanel::refreshMaterials() {
    materials.refresh();
    materialsTotal.refresh();
}

void EntryMaterialsPanel::openBrigade(int entryId) {
    brigade.close();
    brigade.setParam(QStringLiteral("s_id"), entryId);
    brigade.open();
}

void EntryMaterialsPanel::closeBrigade() {
    brigade.close();
}

void EntryMaterialsPanel::resetBrigade() {
    brigade.close();
    brigade.setParam(QStringLiteral("s_id"), -1);
}

void EntryMaterialsPanel::setMaterialsEnabled(bool on) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{materialsGrid, addMaterialButton, deleteMaterialButton}) {
        control->setEnabled(on);
    }
}

void EntryMaterialsPanel::setBrigadeEnabled(bool on) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{brigadeGrid, addMemberButton, removeMemberButton}) {
        control->setEnabled(on);
    }
}

void EntryMaterialsPanel::lockForView() {
    setMaterialsEnabled(false);
    for (QPushButton* button : {addMemberButton, removeMemberButton, divideButton}) {
        button->setEnabled(false);
    }
}

void EntryMaterialsPanel::entrySaved(int entryId, bool inserted) {
    if (inserted) {
        bindMaterials(entryId, entryId);
    }
    addMaterialButton->setEnabled(true);
    deleteMaterialButton->setEnabled(true);
    if (!inserted) {
        return;
    }
    openBrigade(entryId);
    divideButton->setEnabled(true);
    setMaterialsEnabled(true);
    setBrigadeEnabled(true);
}

void EntryMaterialsPanel::addMaterial() {
    consumption_.openFor(
        {entry_.id, entry_.productId, quantityEdit_->text(), materialsTotalEdit->text()});
    refreshMaterials();
    if (brigade.isOpen()) {
        brigade.refresh();
    }
    if (quantityEdit_->text().isEmpty()) {
        quantityEdit_->setText(QStringLiteral("0"));
    }
    if (materialsTotalEdit->text().isEmpty()) {
        materialsTotalEdit->setText(QStringLiteral("0"));
    }
}

void EntryMaterialsPanel::deleteMaterial() {
    if (!materials.isOpen() || materials.isEmpty()) {
        return;
    }
    try {
        data::deleteMaterial(connection_, materials.field(QStringLiteral("id")).asInteger());
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::userMessageOf(error));
        return;
    }
    const int recNo = materials.recNo();
    refreshMaterials();
    if (recNo >= 1 && recNo <= materials.recordCount()) {
        materials.setRecNo(recNo);
    }
}

void EntryMaterialsPanel::addBrigadeMember() {
    const refdata::WorkerPick pick = workers_.pickWorker();
    workerEdit_->clear();
    if (!pick.worker) {
        return;
    }
    brigade.close();
    try {
        if (!data::addBrigadeMember(connection_, entry_.id, pick.worker->personId)) {
            core::MessageBoxes::error(kAlreadyInBrigade);
        }
    } catch (const data::DbError&) {
        core::MessageBoxes::error(kCannotSave);
    }
    brigade.open();
}

void EntryMaterialsPanel::removeBrigadeMember() {
    if (!brigade.isOpen() || brigade.isEmpty()) {
        return;
    }
    const qint64 member = brigade.field(QStringLiteral("id")).asInt64();
    try {
        data::removeBrigadeMember(connection_, member);
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::userMessageOf(error));
        return;
    }
    brigade.refresh();
}

void EntryMaterialsPanel::divideEntry() {
    try {
        data::divideEntry(connection_, entry_.id);
    } catch (const data::DbError&) {
        core::MessageBoxes::error(kCannotSave);
    }
    emit divided();
}

}  // namespace tabel::shiftlog
