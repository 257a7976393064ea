#include "shiftlog/entry_materials_panel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "core/messages.h"
#include "core/numbers.h"
#include "data/brigade.h"
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

// A coefficient as the list shows it: two places ("1,00").
QString ktuText(const QVariant& value) {
    const std::optional<core::Decimal> ktu =
        value.isNull() ? std::nullopt : core::Decimal::fromText(value.toString());
    return ktu ? core::formatMask(ktu->toDouble(), QStringLiteral("#0.00")) : QString();
}

// A pay of the preview exactly, with two places at least ("12,50", "0,125").
QString payText(const core::Decimal& pay) {
    QString text = pay.toDisplayText();
    const qsizetype comma = text.indexOf(u',');
    if (comma < 0) {
        return text + QStringLiteral(",00");
    }
    return text.size() - comma == 2 ? text + u'0' : text;
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
    data::bindBrigade(brigade_);
    brigade_.setTableName(QStringLiteral("accounts_dep.person_temp"));  // its lines are edited
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
         .width = 28,
         .name = true},
        {.field = QStringLiteral("ktu"),
         .title = QStringLiteral("КТУ"),
         .alignment = Qt::AlignRight,
         .width = 5,
         .format = ktuText,
         .input = widgets::readExactNumber},
        {.field = QStringLiteral("hours"),
         .title = QStringLiteral("Часы"),
         .alignment = Qt::AlignRight,
         .width = 5,
         .input = widgets::readWholeNumber}};
    brigadeGrid_->setSource(new widgets::DataSource(&brigade_, brigadeColumns, this));
    brigadeGrid_->setEditable(true, false);  // members come from the workers list only
    brigadeGrid_->setRowStore([this] { storeBrigadeLine(); });
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
    splitEvenButton_ = new QRadioButton(QStringLiteral("по&ровну"), this);
    splitEvenButton_->setObjectName(QStringLiteral("splitEvenButton"));
    splitKtuButton_ = new QRadioButton(QStringLiteral("по &КТУ"), this);
    splitKtuButton_->setObjectName(QStringLiteral("splitKtuButton"));
    splitHoursButton_ = new QRadioButton(QStringLiteral("по &часам"), this);
    splitHoursButton_->setObjectName(QStringLiteral("splitHoursButton"));
    splitGroup_ = new QButtonGroup(this);
    for (QRadioButton* button : {splitEvenButton_, splitKtuButton_, splitHoursButton_}) {
        QString spoken = button->text();
        button->setAccessibleName(spoken.remove(u'&'));
        splitGroup_->addButton(button);
    }
    splitEvenButton_->setChecked(true);

    // What the division will write, member by member, with the entry's totals below.
    previewTable_ = new QTableWidget(0, 5, this);
    previewTable_->setObjectName(QStringLiteral("splitPreview"));
    previewTable_->setAccessibleName(QStringLiteral("Раздел между бригадой"));
    previewTable_->setHorizontalHeaderLabels({QStringLiteral("ФИО"), QStringLiteral("Кол-во"),
                                              QStringLiteral("Брак"), QStringLiteral("Часы"),
                                              QStringLiteral("Сумма")});
    previewTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    previewTable_->setSelectionMode(QAbstractItemView::NoSelection);
    previewTable_->setFocusPolicy(Qt::NoFocus);
    previewTable_->verticalHeader()->setVisible(false);
    previewTable_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    previewTable_->verticalHeader()->setDefaultSectionSize(previewTable_->fontMetrics().height() +
                                                           4);
    previewTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    previewTable_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    previewNote_ = new QLabel(this);
    previewNote_->setObjectName(QStringLiteral("splitPreviewNote"));
    previewNote_->setWordWrap(true);

    auto* splitLayout = new QHBoxLayout;
    splitLayout->addWidget(brigadeLabel_);
    splitLayout->addStretch();
    splitLayout->addWidget(splitEvenButton_);
    splitLayout->addWidget(splitKtuButton_);
    splitLayout->addWidget(splitHoursButton_);
    auto* brigadeLayout = new QGridLayout;
    brigadeLayout->addLayout(splitLayout, 0, 0, 1, 2);
    brigadeLayout->addWidget(brigadeGrid_, 1, 0, 1, 2);
    brigadeLayout->addWidget(addMemberButton_, 2, 0);
    brigadeLayout->addWidget(removeMemberButton_, 2, 1);
    brigadeLayout->addWidget(previewTable_, 3, 0, 1, 2);
    brigadeLayout->addWidget(previewNote_, 4, 0, 1, 2);
    brigadeLayout->setRowStretch(1, 1);
    brigadeLayout->setRowStretch(3, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(materialsLayout, 1);
    layout->addLayout(brigadeLayout, 1);

    widgets::connectAction(addMaterialButton_, &QPushButton::clicked, this,
                           [this] { addMaterial(); });
    widgets::connectAction(deleteMaterialButton_, &QPushButton::clicked, this,
                           [this] { deleteMaterial(); });
    widgets::connectAction(addMemberButton_, &QPushButton::clicked, this,
                           [this] { addBrigadeMember(); });
    widgets::connectAction(removeMemberButton_, &QPushButton::clicked, this,
                           [this] { removeBrigadeMember(); });
    widgets::connectAction(divideButton_, &QPushButton::clicked, this, [this] { divideEntry(); });
    connect(splitGroup_, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool on) {
        if (on) {
            updatePreview();
        }
    });
    for (const auto signal : {&data::Dataset::rowsReset, &data::Dataset::rowsInserted,
                              &data::Dataset::rowsRemoved, &data::Dataset::rowsRefreshed}) {
        connect(&brigade_, signal, this, [this] { updatePreview(); });
    }
    connect(&brigade_, &data::Dataset::rowsChanged, this, [this] { updatePreview(); });
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
    // Lines left from an earlier opening keep their split.
    setSplit(brigade_.isEmpty()
                 ? core::BrigadeSplit::Even
                 : data::brigadeSplitAt(brigade_, 0).value_or(core::BrigadeSplit::Even));
    updatePreview();
}

core::BrigadeSplit EntryMaterialsPanel::split() const {
    return splitKtuButton_->isChecked()     ? core::BrigadeSplit::Ktu
           : splitHoursButton_->isChecked() ? core::BrigadeSplit::Hours
                                            : core::BrigadeSplit::Even;
}

void EntryMaterialsPanel::setSplit(core::BrigadeSplit split) {
    switch (split) {
        case core::BrigadeSplit::Ktu:
            splitKtuButton_->setChecked(true);
            break;
        case core::BrigadeSplit::Hours:
            splitHoursButton_->setChecked(true);
            break;
        case core::BrigadeSplit::Even:
            splitEvenButton_->setChecked(true);
            break;
    }
}

void EntryMaterialsPanel::updatePreview() {
    previewTable_->setRowCount(0);
    previewNote_->clear();
    preview_ = {};
    if (!brigade_.isOpen() || brigade_.isEmpty()) {
        return;
    }
    QList<core::BrigadeLine> lines;
    for (int row = 0; row < brigade_.recordCount(); ++row) {
        lines.append(data::brigadeLineAt(brigade_, row));
    }
    preview_ = core::divideBrigade(data::brigadeEntryOf(entry_), lines, split());
    if (!preview_.refusal.isEmpty()) {
        previewNote_->setText(preview_.refusal);
        return;
    }
    const auto put = [this](int row, int column, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                           : Qt::AlignRight | Qt::AlignVCenter);
        previewTable_->setItem(row, column, item);
    };
    previewTable_->setRowCount(int(preview_.shares.size()) + 1);
    core::Decimal total;
    int row = 0;
    for (const core::BrigadeShare& share : preview_.shares) {
        put(row, 0,
            share.name.trimmed().isEmpty() ? QString::number(share.workerCode)
                                           : share.name.trimmed());
        put(row, 1, share.quantity.toDisplayText());
        put(row, 2, QString::number(share.defects));
        put(row, 3, QString::number(share.hours));
        put(row, 4, payText(share.pay));
        total.add(share.pay);
        ++row;
    }
    put(row, 0, QStringLiteral("Итого"));
    put(row, 1, entry_.quantity.toDisplayText());
    put(row, 2, QString::number(entry_.defects));
    put(row, 4, payText(total));
}

void EntryMaterialsPanel::storeBrigadeLine() {
    data::Dataset& lines = brigade_;
    if (lines.state() == data::Dataset::State::Browse) {
        return;
    }
    const QVariant typedKtu = lines.field(QStringLiteral("ktu")).value();
    const std::optional<core::Decimal> ktu =
        typedKtu.isNull() ? std::nullopt : core::Decimal::fromText(typedKtu.toString());
    if (!ktu || !core::ktuAllowed(*ktu)) {
        throw widgets::ActionFailure(core::kKtuNotAllowed);
    }
    const QVariant typedHours = lines.field(QStringLiteral("hours")).value();
    std::optional<int> hours;
    if (!typedHours.isNull()) {
        hours = typedHours.toInt();
        if (!core::hoursAllowed(*hours)) {
            throw widgets::ActionFailure(core::kHoursNotAllowed);
        }
    }
    const qint64 id = lines.field(QStringLiteral("id")).asInt64();
    data::changeBrigadeLine(connection_, id, *ktu, hours);
    lines.cancel();
    lines.refreshRow(QStringLiteral("id"), id);
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
         std::initializer_list<QWidget*>{brigadeGrid_, addMemberButton_, removeMemberButton_,
                                         splitEvenButton_, splitKtuButton_, splitHoursButton_}) {
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
    brigadeGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);  // read, not edited
    for (QRadioButton* button : {splitEvenButton_, splitKtuButton_, splitHoursButton_}) {
        button->setEnabled(false);
    }
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
    brigadeGrid_->setEditable(true, false);  // a view may have left it read only
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
    if (brigade_.state() != data::Dataset::State::Browse) {
        brigade_.cancel();  // the line being typed goes with its member
    }
    const qint64 member = brigade_.field(QStringLiteral("id")).asInt64();
    data::removeBrigadeMember(connection_, member);
    brigade_.refresh();
}

void EntryMaterialsPanel::divideEntry() {
    // What is typed in the list counts: stored first, or refused with the dialog left open.
    brigadeGrid_->commitEditor();
    brigadeGrid_->storePending();
    // Refused by the server, nothing is divided and the dialog stays open with its brigade.
    data::divideEntry(connection_, entry_.id, split());
    emit divided();
}

}  // namespace tabel::shiftlog
