#include "shiftlog/entry_dialog.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "core/messages.h"
#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/errors.h"
#include "data/session.h"
#include "refdata/operations_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry_materials_panel.h"
#include "widgets/date_edit.h"
#include "widgets/form_field.h"
#include "widgets/input_filters.h"
#include "widgets/lookup_combo.h"
#include "widgets/style.h"

namespace tabel::shiftlog {

namespace {

QStringList requisitionSql() {
    return {QStringLiteral(
        "select id, s_caption from accounts_dep.v_mnf_requisition order by s_caption")};
}

QStringList requisitionItemSql() {
    return {
        QStringLiteral("select id, id_doc, s_caption, id_gds, f_qty, s_gds_mc from "
                       "accounts_dep.v_mnf_requisition_item where f_qty>0")};
}

QLineEdit* lineEdit(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLineEdit* pickerBox(QWidget* parent, const char* name) {
    QLineEdit* box = lineEdit(parent, name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);  // not a tab stop; a click acts like its "..." button
    return box;
}

QPushButton* dotsButton(QWidget* parent, const char* name) {
    QPushButton* button =
        widgets::makeButton(parent, QString::fromLatin1(name), QStringLiteral("..."));
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);
    return button;
}

// The caption at (row, column), its field right of it over `span` columns.
void placeField(QGridLayout* grid, int row, int column, const QString& caption, QWidget* field,
                int span = 1) {
    grid->addWidget(widgets::makeFieldLabel(field->parentWidget(), caption, field), row, column);
    grid->addWidget(field, row, column + 1, 1, span);
}

}  // namespace

EntryDialog::EntryDialog(data::Session& session, refdata::WorkersWindow& workers,
                         refdata::OperationsWindow& operations,
                         MaterialConsumptionDialog& consumption, QWidget* parent)
    : QDialog(parent),
      requisitions(&session.connection, QStringLiteral("requisitions"), this),
      requisitionItems(&session.connection, QStringLiteral("requisitionItems"), this),
      connection_(session.connection),
      workers_(workers),
      operations_(operations) {
    setObjectName(QStringLiteral("EntryDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    using T = data::FieldType;
    useStandardStatements();
    const QList<data::FieldDef> requisitionFields{{QStringLiteral("id"), T::Numeric15, true},
                                                  {QStringLiteral("id_doc"), T::Numeric15, true},
                                                  {QStringLiteral("id_gds"), T::Numeric15, true},
                                                  {QStringLiteral("f_qty"), T::Float, true}};
    requisitions.setFieldDefs(requisitionFields);
    requisitionItems.setFieldDefs(requisitionFields);
    requisitionItems.setFilter(QStringLiteral("id_doc=0"));
    requisitionItems.setFiltered(true);

    buildControls();
    materialsPanel = new EntryMaterialsPanel(session, workers, consumption, entry_, quantityEdit,
                                             workerEdit, this);
    layoutControls();
    wireHandlers();
}

EntryDialog::~EntryDialog() = default;

void EntryDialog::buildControls() {
    entryGroup = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    entryGroup->setObjectName(QStringLiteral("entryGroup"));
    requisitionCombo = new widgets::LookupCombo(entryGroup);
    requisitionCombo->setObjectName(QStringLiteral("requisitionCombo"));
    requisitionCombo->bind(&requisitions, QStringLiteral("id"), QStringLiteral("s_caption"));
    requisitionItemCombo = new widgets::LookupCombo(entryGroup);
    requisitionItemCombo->setObjectName(QStringLiteral("requisitionItemCombo"));
    requisitionItemCombo->bind(&requisitionItems, QStringLiteral("id"),
                               QStringLiteral("s_caption"));
    workerEdit = pickerBox(entryGroup, "workerEdit");
    pickWorkerButton = dotsButton(entryGroup, "pickWorkerButton");
    operationEdit = pickerBox(entryGroup, "operationEdit");
    pickOperationButton = dotsButton(entryGroup, "pickOperationButton");
    quantityEdit = lineEdit(entryGroup, "quantityEdit");
    hoursEdit = lineEdit(entryGroup, "hoursEdit");
    hoursEdit->setText(QStringLiteral("0"));
    dateEdit = new widgets::DateEdit(entryGroup);
    dateEdit->setObjectName(QStringLiteral("dateEdit"));
    dateEdit->setCalendarPopup(true);
    dateEdit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    defectsEdit = lineEdit(entryGroup, "defectsEdit");
    defectsEdit->setText(QStringLiteral("0"));
    basePriceEdit = lineEdit(entryGroup, "basePriceEdit");
    finalPriceEdit = lineEdit(entryGroup, "finalPriceEdit");
    sumEdit = lineEdit(entryGroup, "sumEdit");
    for (QLineEdit* box : {quantityEdit, sumEdit, basePriceEdit, finalPriceEdit}) {
        widgets::acceptDecimalInput(box);
    }
    widgets::acceptDigitInput(hoursEdit);
    widgets::acceptDigitInput(defectsEdit);
    basePriceEdit->setEnabled(false);
    finalPriceEdit->setEnabled(false);
    sumEdit->setEnabled(false);

    entryIdLabel = new QLabel(this);
    entryIdLabel->setObjectName(QStringLiteral("entryIdLabel"));
    QFont bold = entryIdLabel->font();
    bold.setBold(true);
    entryIdLabel->setFont(bold);
    saveButton = widgets::makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Запись"));
    saveButton->setDefault(true);
    exitButton = widgets::makeButton(this, QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
}

void EntryDialog::layoutControls() {
    auto* grid = new QGridLayout(entryGroup);
    placeField(grid, 0, 0, QStringLiteral("Заявка"), requisitionCombo, 4);
    placeField(grid, 1, 0, QStringLiteral("Строка"), requisitionItemCombo, 4);
    placeField(grid, 2, 0, QStringLiteral("ФИО"), workerEdit, 3);
    grid->addWidget(pickWorkerButton, 2, 4);
    placeField(grid, 3, 0, QStringLiteral("Операция"), operationEdit, 3);
    grid->addWidget(pickOperationButton, 3, 4);
    placeField(grid, 4, 0, QStringLiteral("Кол-во"), quantityEdit);
    placeField(grid, 4, 2, QStringLiteral("Время"), hoursEdit);
    placeField(grid, 5, 0, QStringLiteral("Дата"), dateEdit);
    placeField(grid, 5, 2, QStringLiteral("Брак"), defectsEdit);
    placeField(grid, 6, 0, QStringLiteral("Цена база"), basePriceEdit);
    placeField(grid, 6, 2, QStringLiteral("Цена итог"), finalPriceEdit);
    placeField(grid, 7, 0, QStringLiteral("Сумма"), sumEdit);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(entryIdLabel);
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(materialsPanel->divideButton);
    buttons->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(entryGroup);
    layout->addLayout(buttons);
    layout->addWidget(materialsPanel, 1);
    setTabOrder(requisitionCombo, requisitionItemCombo);
    setTabOrder(requisitionItemCombo, pickWorkerButton);
    setTabOrder(pickWorkerButton, pickOperationButton);
    setTabOrder(pickOperationButton, quantityEdit);
    setTabOrder(quantityEdit, hoursEdit);
    setTabOrder(hoursEdit, dateEdit);
    setTabOrder(dateEdit, defectsEdit);
    resize(761, 528);
}

void EntryDialog::wireHandlers() {
    connect(requisitionCombo, &widgets::LookupCombo::closedUp, this,
            &EntryDialog::chooseRequisition);
    connect(requisitionItemCombo, &widgets::LookupCombo::closedUp, this,
            &EntryDialog::chooseRequisitionItem);
    connect(pickWorkerButton, &QPushButton::clicked, this, [this] { pickWorker(); });
    connect(pickOperationButton, &QPushButton::clicked, this, [this] { pickOperation(); });
    connect(saveButton, &QPushButton::clicked, this, &EntryDialog::saveEntry);
    connect(exitButton, &QPushButton::clicked, this, [this] {
        materialsPanel->closeMaterials();
        reject();
    });
    connect(materialsPanel, &EntryMaterialsPanel::divided, this, &QDialog::accept);
    // The wheel anywhere over the dialog steps the focused requisition or item list.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->window() == this) {
            child->installEventFilter(this);
        }
    }
    for (QWidget* box : std::initializer_list<QWidget*>{workerEdit, operationEdit, quantityEdit,
                                                        defectsEdit, hoursEdit}) {
        box->installEventFilter(this);
    }
    pickWorkerButton->installEventFilter(this);
    pickOperationButton->installEventFilter(this);
    // The sum follows the typed quantity at once, not only when the box is left: Enter saves
    // straight from the box.
    connect(quantityEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (entry_.operationId == 0) {
            return;
        }
        if (const std::optional<double> quantity = core::parseNumber(text)) {
            sumEdit->setText(core::formatNumber(*quantity * entry_.finalPrice, 4));
        }
    });
}

bool EntryDialog::eventFilter(QObject* watched, QEvent* event) {
    // Typing on the worker or operation field (its "..." button holds the focus) opens the
    // choice list with the typed text already searched for.
    if (event->type() == QEvent::KeyPress &&
        (watched == pickWorkerButton || watched == pickOperationButton)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool typing = !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
                            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        auto* button = static_cast<QPushButton*>(watched);
        if (typing && button->isEnabled()) {
            watched == pickWorkerButton ? pickWorker(text) : pickOperation(text);
            return true;
        }
    }
    if (event->type() == QEvent::Wheel) {
        QWidget* focused = focusWidget();
        auto* combo = focused == requisitionCombo || focused == requisitionItemCombo
                          ? static_cast<widgets::LookupCombo*>(focused)
                          : nullptr;
        if (combo != nullptr && combo->isEnabled() && !combo->view()->isVisible()) {
            const int steps = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
            for (int i = 0; i < std::abs(steps); ++i) {
                QKeyEvent press(QEvent::KeyPress, steps < 0 ? Qt::Key_Down : Qt::Key_Up,
                                Qt::NoModifier);
                QCoreApplication::sendEvent(combo, &press);
            }
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == workerEdit && workerEdit->isEnabled() && pickWorkerButton->isEnabled()) {
            pickWorker();
        } else if (watched == operationEdit && operationEdit->isEnabled() &&
                   pickOperationButton->isEnabled()) {
            pickOperation();
        }
    } else if (event->type() == QEvent::FocusIn && watched == quantityEdit &&
               selectQuantityOnFocus_) {
        selectQuantityOnFocus_ = false;
        quantityEdit->selectAll();
    } else if (event->type() == QEvent::FocusOut) {
        if (watched == quantityEdit) {
            refreshPrices();
        } else if (auto* box = qobject_cast<QLineEdit*>(watched);
                   (watched == defectsEdit || watched == hoursEdit) && box->text().isEmpty()) {
            box->setText(QStringLiteral("0"));
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EntryDialog::useStandardStatements() {
    requisitions.close();
    requisitionItems.close();
    requisitions.setSql(requisitionSql());
    requisitionItems.setSql(requisitionItemSql());
}

// The requisition and the item of one entry only, for viewing it.
void EntryDialog::useViewStatements(int entryId) {
    requisitions.close();
    requisitionItems.close();
    requisitions.setSql(
        {QStringLiteral("select format('Заявка № %s от %s', doc.s_number, to_char(doc.d_date, "
                        "'dd.mm.yyyy')) as s_caption, doc.id as id from accounts_dep.smena smena "
                        "inner join mnf_doc.doc doc on doc.id = smena.id_doc where smena.id = "
                        ":id")});
    requisitions.setParam(QStringLiteral("id"), entryId);
    requisitionItems.setSql(
        {QStringLiteral("select id::t_id, s_caption, 0::t_id as id_doc, 0::t_id as id_gds, "
                        "0::t_float as f_qty, 0::t_code as s_gds_mc from "
                        "accounts_dep.get_doc_item_caption_by_smena(:id)")});
    requisitionItems.setParam(QStringLiteral("id"), entryId);
}

void EntryDialog::openForAdd(const EntryContext& context) {
    context_ = context;
    dateEdit->setDate(context.date);
    for (QLineEdit* box :
         {workerEdit, operationEdit, quantityEdit, sumEdit, basePriceEdit, finalPriceEdit}) {
        box->clear();
    }
    defectsEdit->setText(QStringLiteral("0"));
    hoursEdit->setText(QStringLiteral("0"));
    setWindowTitle(QStringLiteral("Заведение новой позиции"));
    mode = Mode::Add;
    useStandardStatements();
    requisitions.open();
    requisitionItems.setFilter(QStringLiteral("id_doc=0"));
    requisitionItems.setFiltered(true);
    requisitionItems.open();
    materialsPanel->bindMaterials(0, -1);
    requisitionCombo->setKeyValue(0);
    requisitionItemCombo->setKeyValue(0);
    entryIdLabel->clear();
    materialsPanel->setMaterialsEnabled(false);
    materialsPanel->setBrigadeEnabled(false);
    materialsPanel->divideButton->setEnabled(false);
    entry_.id = 0;
    entry_.version.clear();
    exec();
}

QString EntryDialog::stageDescription(const EntryRow& row) const {
    return row.marka + QStringLiteral("; ") + row.vid + QStringLiteral("; ") +
           core::productKindText(row.naimen);
}

void EntryDialog::fillFromRow(const EntryRow& row) {
    entry_.finalPrice = row.cena;
    entry_.id = row.id;
    entry_.version = row.version;
    finalPriceEdit->setText(core::formatNumber(row.cena, 4));
    // The entry's own operation's base price (as the operations list gives it), not the one
    // the previous opening left.
    const QVariant base = connection_.scalar(
        QStringLiteral("select min(price)::numeric from accounts_dep.norm where o_id=:id"),
        {{QStringLiteral("id"), row.operationId}});
    entry_.basePrice = base.isNull() ? 0.0 : core::roundHalfEven(base.toDouble(), 4);
    basePriceEdit->setText(base.isNull() ? QString() : core::formatGeneral(entry_.basePrice));
    dateEdit->setDate(row.date);
    workerEdit->setText(row.fio.trimmed());
    operationEdit->setText(stageDescription(row));
    quantityEdit->setText(core::formatGeneral(row.kolVo));
    defectsEdit->setText(QString::number(row.brak));
    entry_.workerId = row.workerId;
    entry_.productId = row.productId;
    entry_.operationId = row.operationId;
    hoursEdit->setText(QString::number(row.time));
}

void EntryDialog::prepareRequisitions(const EntryRow& row) {
    useStandardStatements();
    if (row.docId.isNull()) {
        requisitionItems.setFilter(QStringLiteral("id_doc=0"));
    } else {
        requisitionItems.setFilter(QStringLiteral("id_doc=") +
                                   QString::number(row.docId.toLongLong()));
    }
    requisitionItems.setFiltered(true);
    requisitionItems.open();
    requisitions.open();
    requisitionCombo->setKeyValue(row.docId.isNull() ? QVariant()
                                                     : QVariant(row.docId.toLongLong()));
    requisitionItemCombo->setKeyValue(row.itemId.isNull() ? QVariant()
                                                          : QVariant(row.itemId.toLongLong()));
}

void EntryDialog::openForEdit(const EntryContext& context, const EntryRow& row) {
    loadForEdit(context, row);
    exec();
}

void EntryDialog::loadForEdit(const EntryContext& context, const EntryRow& row) {
    context_ = context;
    setWindowTitle(QStringLiteral("Изменение данных о позиции"));
    mode = Mode::Edit;
    fillFromRow(row);
    prepareRequisitions(row);
    materialsPanel->bindMaterials(entry_.id, entry_.id);
    for (QPushButton* button : {pickWorkerButton, saveButton, pickOperationButton}) {
        button->setEnabled(true);
    }
    materialsPanel->setMaterialsEnabled(true);
    materialsPanel->setBrigadeEnabled(false);
    materialsPanel->divideButton->setEnabled(false);
    for (QWidget* control : std::initializer_list<QWidget*>{entryGroup, workerEdit, operationEdit,
                                                            quantityEdit, defectsEdit, hoursEdit}) {
        control->setEnabled(true);
    }
    sumEdit->setText(core::formatNumber(row.kolVo * row.cena, 4));
    for (QWidget* control :
         std::initializer_list<QWidget*>{requisitionCombo, requisitionItemCombo}) {
        control->setEnabled(true);
    }
    entryIdLabel->setText(QString::number(entry_.id));
    materialsPanel->closeBrigade();
}

void EntryDialog::openForView(const EntryContext& context, const EntryRow& row) {
    context_ = context;
    setWindowTitle(QStringLiteral("Просмотр данных о позиции"));
    mode = Mode::View;
    entryGroup->setEnabled(false);
    saveButton->setEnabled(false);
    materialsPanel->lockForView();
    fillFromRow(row);
    useViewStatements(row.id);
    requisitions.open();
    requisitionItems.setFilter(QStringLiteral("id_doc=0"));
    requisitionItems.setFiltered(true);
    requisitionItems.open();
    requisitions.first();
    requisitionCombo->setKeyValue(requisitions.isEmpty() ? QVariant() : requisitions.valueAt(0, 1));
    requisitionItemCombo->setKeyValue(requisitionItems.isEmpty() ? QVariant()
                                                                 : requisitionItems.valueAt(0, 0));
    materialsPanel->bindMaterials(entry_.id, entry_.id);
    sumEdit->setText(core::formatNumber(row.kolVo * row.cena, 4));
    entryIdLabel->setText(QString::number(entry_.id));
    materialsPanel->closeBrigade();
    exec();
    entryGroup->setEnabled(true);
    saveButton->setEnabled(true);
    materialsPanel->setMaterialsEnabled(true);
}

Entry EntryDialog::fields() const {
    Entry e = entry_;
    e.workerName = workerEdit->text();
    e.operationText = operationEdit->text();
    e.quantity = quantityEdit->text();
    e.defects = defectsEdit->text();
    e.hours = hoursEdit->text();
    e.date = dateEdit->date();
    e.shift = context_.shift;
    e.docShown = requisitionCombo->showsText();
    e.itemShown = requisitionItemCombo->showsText();
    e.docId = e.docShown ? requisitionCombo->keyValue().toLongLong() : 0;
    e.itemId = e.itemShown ? requisitionItemCombo->keyValue().toLongLong() : 0;
    const data::Dataset& items = requisitionItems;
    e.itemQty = e.itemShown && items.isOpen()
                    ? items.valueAt(items.currentRow(), items.fieldIndex(QStringLiteral("f_qty")))
                          .toDouble()
                    : 0;
    return e;
}

void EntryDialog::saveEntry() {
    const Validation validation = validate(fields());
    if (!validation.ok()) {
        core::MessageBoxes::error(validation.error);
        return;
    }
    data::EntryRecord record = validation.record;
    const bool inserting = mode == Mode::Add && entry_.id == 0;
    if (inserting) {
        record.id = 0;
    }
    int id = 0;
    QString version;
    try {
        id = data::saveEntry(connection_, record, &version);
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::userMessageOf(error));
        // What was typed stays; the list behind follows the other change by itself.
        return;
    }
    entry_.version = version;
    afterSave(id, inserting);
}

void EntryDialog::afterSave(int id, bool inserted) {
    entry_.id = id;
    if (inserted) {
        entryIdLabel->setText(QString::number(id));
    }
    materialsPanel->entrySaved(id, inserted);
    if (inserted) {
        // The entry is made: from now on only materials, brigade and division.
        entryGroup->setEnabled(false);
        saveButton->setEnabled(false);
        // The fields just typed in are closed: the keyboard goes on to the entry's materials.
        materialsPanel->addMaterialButton->setFocus(Qt::OtherFocusReason);
    }
    emit entrySaved(id);
}

void EntryDialog::done(int result) {
    requisitions.close();
    requisitionItems.setFilter(QStringLiteral("id_doc=0"));
    requisitionItems.setFiltered(true);
    requisitionItems.close();
    entryGroup->setEnabled(true);
    saveButton->setEnabled(true);
    materialsPanel->resetBrigade();
    QDialog::done(result);
}

}  // namespace tabel::shiftlog
