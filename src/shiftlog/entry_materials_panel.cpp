#include "shiftlog/entry_materials_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/messages.h"
#include "core/numbers.h"
#include "data/entry.h"
#include "data/entry_writes.h"
#include "data/session.h"
#include "refdata/workers_window.h"
#include "shiftlog/material_consumption_dialog.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::shiftlog {

namespace {

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
                                         MaterialConsumptionDialog& consumption,
                                         const data::Entry& entry, QLineEdit* quantityEdit,
                                         QWidget* parent)
    : QWidget(parent),
      connection_(session.connection),
      workers_(workers),
      consumption_(consumption),
      entry_(entry),
      quantityEdit_(quantityEdit),
      materials_(&session.connection, QStringLiteral("materials"), this),
      materialsTotal_(&session.connection, QStringLiteral("materialsTotal"), this),
      brigade_(&session.connection, QStringLiteral("brigade"), this) {
    setObjectName(QStringLiteral("materialsPanel"));
    using T = data::FieldType;
    materials_.setSql(materialsSql());
    materials_.setFieldDefs(
        {{QStringLiteral("id"), T::Integer, true}, {QStringLiteral("f_qty_use"), T::Float, true}});
    materialsTotal_.setSql(
        {QStringLiteral("select sum(f_qty_use) as sum_qty_use from accounts_dep.smena_gds_use "
                        "sgu where sgu.id_smena =:id_smena")});
    materialsTotal_.setFieldDefs({{QStringLiteral("sum_qty_use"), T::Float, true}});
    brigade_.setSql(brigadeSql());
    brigade_.setFieldDefs({{QStringLiteral("id"), T::Numeric15, true}});
    brigade_.setParam(QStringLiteral("s_id"), -1);

    // First, so that it keeps its place in the tab order right after the dialog's "Выход".
    divideButton_ =
        widgets::makeButton(this, QStringLiteral("divideButton"), QStringLiteral("&Сохранить"));

    materialsGrid_ = new widgets::DataGrid(this);
    materialsGrid_->setObjectName(QStringLiteral("materialsGrid"));
    materialsGrid_->setBoldTitles(true);
    const QList<widgets::GridColumn> materialsColumns{{.field = QStringLiteral("s_caption"),
                                                       .title = QStringLiteral("ТМЦ"),
                                                       .alignment = Qt::AlignLeft,
                                                       .width = 30},
                                                      {.field = QStringLiteral("f_qty_use"),
                                                       .title = QStringLiteral("Расход"),
                                                       .alignment = Qt::AlignRight,
                                                       .width = 10}};
    materialsGrid_->setSource(new widgets::DataSource(&materials_, materialsColumns, this));
    materialsGrid_->setAccessibleName(QStringLiteral("Расход ТМЦ"));
    addMaterialButton_ =
        widgets::makeButton(this, QStringLiteral("addMaterialButton"), QStringLiteral("&Добавить"));
    deleteMaterialButton_ = widgets::makeButton(this, QStringLiteral("deleteMaterialButton"),
                                                QStringLiteral("&Удалить"));
    materialsTotalEdit_ = new QLineEdit(this);
    materialsTotalEdit_->setObjectName(QStringLiteral("materialsTotalEdit"));
    materialsTotalEdit_->setEnabled(false);

    brigadeGrid_ = new widgets::DataGrid(this);
    brigadeGrid_->setObjectName(QStringLiteral("brigadeGrid"));
    const QList<widgets::GridColumn> brigadeColumns{
        {.field = QStringLiteral("s_caption"),
         .title = QStringLiteral("Фамилия Имя Отчество"),
         .alignment = Qt::AlignLeft,
         .width = 36}};
    brigadeGrid_->setSource(new widgets::DataSource(&brigade_, brigadeColumns, this));
    brigadeLabel_ = widgets::makeFieldLabel(this, QStringLiteral("Бригада"), brigadeGrid_,
                                            QStringLiteral("brigadeLabel"));
    addMemberButton_ =
        widgets::makeButton(this, QStringLiteral("addMemberButton"), QStringLiteral("Доб&авить"));
    removeMemberButton_ =
        widgets::makeButton(this, QStringLiteral("removeMemberButton"), QStringLiteral("Уда&лить"));

    auto* materialsLayout = new QGridLayout;
    materialsLayout->addWidget(materialsGrid_, 0, 0, 1, 4);
    materialsLayout->addWidget(addMaterialButton_, 1, 0);
    materialsLayout->addWidget(deleteMaterialButton_, 1, 1);
    materialsLayout->addWidget(
        widgets::makeFieldLabel(this, QStringLiteral("Итого:"), materialsTotalEdit_), 1, 2);
    materialsLayout->addWidget(materialsTotalEdit_, 1, 3);
    auto* brigadeLayout = new QGridLayout;
    brigadeLayout->addWidget(brigadeLabel_, 0, 0, 1, 2);
    brigadeLayout->addWidget(brigadeGrid_, 1, 0, 1, 2);
    brigadeLayout->addWidget(addMemberButton_, 2, 0);
    brigadeLayout->addWidget(removeMemberButton_, 2, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(materialsLayout, 3);
    layout->addLayout(brigadeLayout, 2);

    widgets::connectAction(addMaterialButton_, &QPushButton::clicked, this,
                           [this] { addMaterial(); });
    widgets::connectAction(deleteMaterialButton_, &QPushButton::clicked, this,
                           [this] { deleteMaterial(); });
    widgets::connectAction(addMemberButton_, &QPushButton::clicked, this,
                           [this] { addBrigadeMember(); });
    widgets::connectAction(removeMemberButton_, &QPushButton::clicked, this,
                           [this] { removeBrigadeMember(); });
    widgets::connectAction(divideButton_, &QPushButton::clicked, this, [this] { divideEntry(); });
    connect(&materialsTotal_, &data::Dataset::rowsReset, this, [this] {
        materialsTotalEdit_->setText(materialsTotal_.isOpen() && !materialsTotal_.isEmpty()
                                         ? numberText(materialsTotal_.valueAt(0, 0))
                                         : QString());
    });
}

void EntryMaterialsPanel::bindMaterials(int entryId, int totalId) {
    materials_.close();
    materials_.setParam(QStringLiteral("id_smena"), entryId);
    materials_.open();
    materialsTotal_.close();
    materialsTotal_.setParam(QStringLiteral("id_smena"), totalId);
    materialsTotal_.open();
}

void EntryMaterialsPanel::closeMaterials() {
    materials_.close();
    materialsTotal_.close();
}

void EntryMaterialsPanel::refreshMaterials() {
    materials_.refresh();
    materialsTotal_.refresh();
}

void EntryMaterialsPanel::openBrigade(int entryId) {
    brigade_.close();
    brigade_.setParam(QStringLiteral("s_id"), entryId);
    brigade_.open();
}

void EntryMaterialsPanel::closeBrigade() {
    brigade_.close();
}

void EntryMaterialsPanel::resetBrigade() {
    brigade_.close();
    brigade_.setParam(QStringLiteral("s_id"), -1);
}

void EntryMaterialsPanel::setMaterialsEnabled(bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{materialsGrid_, addMaterialButton_,
                                                            deleteMaterialButton_}) {
        control->setEnabled(on);
    }
}

void EntryMaterialsPanel::setBrigadeEnabled(bool on) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{brigadeGrid_, addMemberButton_, removeMemberButton_}) {
        control->setEnabled(on);
    }
}

void EntryMaterialsPanel::setDivideEnabled(bool on) {
    divideButton_->setEnabled(on);
}

void EntryMaterialsPanel::setBrigadeLabelEnabled(bool on) {
    brigadeLabel_->setEnabled(on);
}

void EntryMaterialsPanel::focusMaterials() {
    addMaterialButton_->setFocus(Qt::OtherFocusReason);
}

void EntryMaterialsPanel::showForView(int entryId) {
    bindMaterials(entryId, entryId);
    openBrigade(entryId);
    for (QPushButton* button : {addMaterialButton_, deleteMaterialButton_, addMemberButton_,
                                removeMemberButton_, divideButton_}) {
        button->setEnabled(false);
    }
    materialsGrid_->setEnabled(true);
    brigadeGrid_->setEnabled(true);
}

void EntryMaterialsPanel::entrySaved(int entryId, bool inserted) {
    if (inserted) {
        bindMaterials(entryId, entryId);
    }
    addMaterialButton_->setEnabled(true);
    deleteMaterialButton_->setEnabled(true);
    if (!inserted) {
        return;
    }
    openBrigade(entryId);
    divideButton_->setEnabled(true);
    setMaterialsEnabled(true);
    setBrigadeEnabled(true);
}

void EntryMaterialsPanel::addMaterial() {
    consumption_.openFor(
        {entry_.id, entry_.productId, quantityEdit_->text(), materialsTotalEdit_->text()});
    refreshMaterials();
    if (brigade_.isOpen()) {
        brigade_.refresh();
    }
    if (quantityEdit_->text().isEmpty()) {
        quantityEdit_->setText(QStringLiteral("0"));
    }
    if (materialsTotalEdit_->text().isEmpty()) {
        materialsTotalEdit_->setText(QStringLiteral("0"));
    }
}

void EntryMaterialsPanel::deleteMaterial() {
    if (!materials_.isOpen() || materials_.isEmpty()) {
        return;
    }
    data::deleteMaterial(connection_, materials_.field(QStringLiteral("id")).asInteger());
    const int recNo = materials_.recNo();
    refreshMaterials();
    if (recNo >= 1 && recNo <= materials_.recordCount()) {
        materials_.setRecNo(recNo);
    }
}

void EntryMaterialsPanel::addBrigadeMember() {
    // The entry's own worker stays shown: a brigade member is picked beside it.
    const refdata::WorkerPick pick = workers_.pickWorker();
    if (!pick.worker) {
        return;
    }
    // Refused by the server, the brigade stays as it is shown.
    if (!data::addBrigadeMember(connection_, entry_.id, pick.worker->personId)) {
        core::MessageBoxes::error(kAlreadyInBrigade);
    }
    brigade_.refresh();
}

void EntryMaterialsPanel::removeBrigadeMember() {
    if (!brigade_.isOpen() || brigade_.isEmpty()) {
        return;
    }
    const qint64 member = brigade_.field(QStringLiteral("id")).asInt64();
    data::removeBrigadeMember(connection_, member);
    brigade_.refresh();
}

void EntryMaterialsPanel::divideEntry() {
    // Refused by the server, nothing is divided and the dialog stays open with its brigade.
    data::divideEntry(connection_, entry_.id);
    emit divided();
}

}  // namespace tabel::shiftlog
