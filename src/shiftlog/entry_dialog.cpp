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
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "core/messages.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "data/session.h"
#include "refdata/operations_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry_input.h"
#include "shiftlog/entry_materials_panel.h"
#include "widgets/date_edit.h"
#include "widgets/form_field.h"
#include "widgets/input_filters.h"
#include "widgets/lookup_combo.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::shiftlog {

namespace {

const QString kChangedElsewhere = QStringLiteral(
    "Запись изменена другим пользователем. Загрузить его значения? (Нет — оставить "
    "введенное и записать поверх)");
const QString kAcceptedMeanwhile = QStringLiteral("Позиция принята, изменить ее нельзя");
const QString kDateAfterToday = QStringLiteral("Дата позиции позже сегодняшней. Сохранить?");

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

void enable(std::initializer_list<QWidget*> controls, bool on) {
    for (QWidget* control : controls) {
        control->setEnabled(on);
    }
}

}  // namespace

EntryDialog::EntryDialog(data::Session& session, refdata::WorkersWindow& workers,
                         refdata::OperationsWindow& operations,
                         MaterialConsumptionDialog& consumption, QWidget* parent)
    : QDialog(parent),
      connection_(session.connection),
      workers_(workers),
      operations_(operations),
      requisitions_(&session.connection, QStringLiteral("requisitions"), this),
      requisitionItems_(&session.connection, QStringLiteral("requisitionItems"), this) {
    setObjectName(QStringLiteral("EntryDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    using T = data::FieldType;
    useStandardStatements();
    const QList<data::FieldDef> requisitionFields{{QStringLiteral("id"), T::Numeric15, true},
                                                  {QStringLiteral("id_doc"), T::Numeric15, true},
                                                  {QStringLiteral("id_gds"), T::Numeric15, true},
                                                  {QStringLiteral("f_qty"), T::Float, true}};
    requisitions_.setFieldDefs(requisitionFields);
    requisitionItems_.setFieldDefs(requisitionFields);
    requisitionItems_.setFilter(QStringLiteral("id_doc=0"));
    requisitionItems_.setFiltered(true);

    buildControls();
    materialsPanel_ =
        new EntryMaterialsPanel(session, workers, consumption, entry_, quantityEdit_, this);
    layoutControls();
    wireHandlers();
}

EntryDialog::~EntryDialog() = default;

void EntryDialog::buildControls() {
    entryGroup_ = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    entryGroup_->setObjectName(QStringLiteral("entryGroup"));
    requisitionCombo_ = new widgets::LookupCombo(entryGroup_);
    requisitionCombo_->setObjectName(QStringLiteral("requisitionCombo"));
    requisitionCombo_->bind(&requisitions_, QStringLiteral("id"), QStringLiteral("s_caption"));
    requisitionItemCombo_ = new widgets::LookupCombo(entryGroup_);
    requisitionItemCombo_->setObjectName(QStringLiteral("requisitionItemCombo"));
    requisitionItemCombo_->bind(&requisitionItems_, QStringLiteral("id"),
                                QStringLiteral("s_caption"));
    workerEdit_ = pickerBox(entryGroup_, "workerEdit");
    pickWorkerButton_ = dotsButton(entryGroup_, "pickWorkerButton");
    operationEdit_ = pickerBox(entryGroup_, "operationEdit");
    pickOperationButton_ = dotsButton(entryGroup_, "pickOperationButton");
    quantityEdit_ = lineEdit(entryGroup_, "quantityEdit");
    hoursEdit_ = lineEdit(entryGroup_, "hoursEdit");
    hoursEdit_->setText(QStringLiteral("0"));
    dateEdit_ = new widgets::DateEdit(entryGroup_);
    dateEdit_->setObjectName(QStringLiteral("dateEdit"));
    dateEdit_->setCalendarPopup(true);
    dateEdit_->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    defectsEdit_ = lineEdit(entryGroup_, "defectsEdit");
    defectsEdit_->setText(QStringLiteral("0"));
    basePriceEdit_ = lineEdit(entryGroup_, "basePriceEdit");
    finalPriceEdit_ = lineEdit(entryGroup_, "finalPriceEdit");
    sumEdit_ = lineEdit(entryGroup_, "sumEdit");
    for (QLineEdit* box : {quantityEdit_, sumEdit_, basePriceEdit_, finalPriceEdit_}) {
        widgets::acceptDecimalInput(box);
    }
    widgets::acceptDigitInput(hoursEdit_);
    widgets::acceptDigitInput(defectsEdit_);
    enable({basePriceEdit_, finalPriceEdit_, sumEdit_}, false);

    entryIdLabel_ = new QLabel(this);
    entryIdLabel_->setObjectName(QStringLiteral("entryIdLabel"));
    QFont bold = entryIdLabel_->font();
    bold.setBold(true);
    entryIdLabel_->setFont(bold);
    saveButton_ =
        widgets::makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Запись"));
    saveButton_->setDefault(true);
    exitButton_ = widgets::makeButton(this, QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
}

void EntryDialog::layoutControls() {
    auto* grid = new QGridLayout(entryGroup_);
    placeField(grid, 0, 0, QStringLiteral("Заявка"), requisitionCombo_, 4);
    placeField(grid, 1, 0, QStringLiteral("Строка"), requisitionItemCombo_, 4);
    placeField(grid, 2, 0, QStringLiteral("ФИО"), workerEdit_, 3);
    grid->addWidget(pickWorkerButton_, 2, 4);
    placeField(grid, 3, 0, QStringLiteral("Операция"), operationEdit_, 3);
    grid->addWidget(pickOperationButton_, 3, 4);
    placeField(grid, 4, 0, QStringLiteral("Кол-во"), quantityEdit_);
    placeField(grid, 4, 2, QStringLiteral("Время"), hoursEdit_);
    placeField(grid, 5, 0, QStringLiteral("Дата"), dateEdit_);
    placeField(grid, 5, 2, QStringLiteral("Брак"), defectsEdit_);
    placeField(grid, 6, 0, QStringLiteral("Цена база"), basePriceEdit_);
    placeField(grid, 6, 2, QStringLiteral("Цена итог"), finalPriceEdit_);
    placeField(grid, 7, 0, QStringLiteral("Сумма"), sumEdit_);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(entryIdLabel_);
    buttons->addStretch();
    buttons->addWidget(saveButton_);
    buttons->addWidget(materialsPanel_->divideButton());
    buttons->addWidget(exitButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(entryGroup_);
    layout->addLayout(buttons);
    layout->addWidget(materialsPanel_, 1);
    setTabOrder(requisitionCombo_, requisitionItemCombo_);
    setTabOrder(requisitionItemCombo_, pickWorkerButton_);
    setTabOrder(pickWorkerButton_, pickOperationButton_);
    setTabOrder(pickOperationButton_, quantityEdit_);
    setTabOrder(quantityEdit_, hoursEdit_);
    setTabOrder(hoursEdit_, dateEdit_);
    setTabOrder(dateEdit_, defectsEdit_);
    resize(900, 640);  // room for the brigade with its preview
}

void EntryDialog::wireHandlers() {
    widgets::connectAction(requisitionCombo_, &widgets::LookupCombo::closedUp, this,
                           [this] { chooseRequisition(); });
    widgets::connectAction(requisitionItemCombo_, &widgets::LookupCombo::closedUp, this,
                           [this] { chooseRequisitionItem(); });
    widgets::connectAction(pickWorkerButton_, &QPushButton::clicked, this,
                           [this] { pickWorker(); });
    widgets::connectAction(pickOperationButton_, &QPushButton::clicked, this,
                           [this] { pickOperation(); });
    widgets::connectAction(saveButton_, &QPushButton::clicked, this, [this] { saveEntry(); });
    widgets::connectAction(exitButton_, &QPushButton::clicked, this, [this] {
        materialsPanel_->closeMaterials();
        reject();
    });
    connect(materialsPanel_, &EntryMaterialsPanel::divided, this, &QDialog::accept);
    // The wheel anywhere over the dialog steps the focused requisition or item list.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->window() == this) {
            child->installEventFilter(this);
        }
    }
    // The sum follows the typed quantity at once, not only when the box is left: Enter saves
    // straight from the box.
    widgets::connectAction(quantityEdit_, &QLineEdit::textEdited, this,
                           [this] { showSum(quantityEdit_->text()); });
}

bool EntryDialog::eventFilter(QObject* watched, QEvent* event) {
    // Typing on the worker or operation field (its "..." button holds the focus) opens the
    // choice list with the typed text already searched for.
    if (event->type() == QEvent::KeyPress &&
        (watched == pickWorkerButton_ || watched == pickOperationButton_)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool typing = !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
                            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        auto* button = static_cast<QPushButton*>(watched);
        if (typing && button->isEnabled()) {
            widgets::runAction([this, watched, text] {
                watched == pickWorkerButton_ ? pickWorker(text) : pickOperation(text);
            });
            return true;
        }
    }
    if (event->type() == QEvent::Wheel) {
        QWidget* focused = focusWidget();
        auto* combo = focused == requisitionCombo_ || focused == requisitionItemCombo_
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
        if (watched == workerEdit_ && workerEdit_->isEnabled() && pickWorkerButton_->isEnabled()) {
            widgets::runAction([this] { pickWorker(); });
        } else if (watched == operationEdit_ && operationEdit_->isEnabled() &&
                   pickOperationButton_->isEnabled()) {
            widgets::runAction([this] { pickOperation(); });
        }
    } else if (event->type() == QEvent::FocusIn && watched == quantityEdit_ &&
               selectQuantityOnFocus_) {
        selectQuantityOnFocus_ = false;
        quantityEdit_->selectAll();
    } else if (event->type() == QEvent::FocusOut) {
        // Left by the user, not by the window losing the keyboard: a closed dialog (or a box
        // over it) recomputes nothing.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool left =
            isVisible() && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        if (watched == quantityEdit_ && left) {
            widgets::runAction([this] { refreshPrices(); });
        } else if ((watched == defectsEdit_ || watched == hoursEdit_) &&
                   static_cast<QLineEdit*>(watched)->text().isEmpty()) {
            static_cast<QLineEdit*>(watched)->setText(QStringLiteral("0"));
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EntryDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        widgets::focusFirstField(this);
    }
}

void EntryDialog::useStandardStatements() {
    requisitions_.close();
    requisitionItems_.close();
    requisitions_.setSql(requisitionSql());
    requisitionItems_.setSql(requisitionItemSql());
}

// The requisition and the item of one entry only, for viewing it.
void EntryDialog::useViewStatements(int entryId) {
    requisitions_.close();
    requisitionItems_.close();
    requisitions_.setSql(
        {QStringLiteral("select format('Заявка № %s от %s', doc.s_number, to_char(doc.d_date, "
                        "'dd.mm.yyyy')) as s_caption, doc.id as id from accounts_dep.smena smena "
                        "inner join mnf_doc.doc doc on doc.id = smena.id_doc where smena.id = "
                        ":id")});
    requisitions_.setParam(QStringLiteral("id"), entryId);
    requisitionItems_.setSql({QStringLiteral(
        "select id::public.t_id, s_caption, 0::public.t_id as id_doc, 0::public.t_id as id_gds, "
        "0::public.t_float as f_qty, 0::public.t_code as s_gds_mc from "
        "accounts_dep.get_doc_item_caption_by_smena(:id)")});
    requisitionItems_.setParam(QStringLiteral("id"), entryId);
}

std::optional<data::Entry> EntryDialog::run() {
    saved_.reset();
    exec();
    return saved_;
}

std::optional<data::Entry> EntryDialog::openForAdd(const EntryContext& context) {
    context_ = context;
    dateEdit_->setDate(context.date);
    for (QLineEdit* box :
         {workerEdit_, operationEdit_, quantityEdit_, sumEdit_, basePriceEdit_, finalPriceEdit_}) {
        box->clear();
    }
    defectsEdit_->setText(QStringLiteral("0"));
    hoursEdit_->setText(QStringLiteral("0"));
    setWindowTitle(QStringLiteral("Заведение новой позиции"));
    mode_ = Mode::Add;
    choosePickersByTab(true);
    entry_ = {};
    basePrice_ = {};
    useStandardStatements();
    requisitions_.open();
    requisitionItems_.setFilter(QStringLiteral("id_doc=0"));
    requisitionItems_.setFiltered(true);
    requisitionItems_.open();
    materialsPanel_->bindMaterials(0, -1);
    requisitionCombo_->setKeyValue(0);
    requisitionItemCombo_->setKeyValue(0);
    entryIdLabel_->clear();
    materialsPanel_->setMaterialsEnabled(false);
    materialsPanel_->setBrigadeEnabled(false);
    materialsPanel_->setDivideEnabled(false);
    return run();
}

// The entry's own fields, prices and sum as the controls show them.
void EntryDialog::showEntry(const data::Entry& entry) {
    entry_ = entry;
    finalPriceEdit_->setText(entry.price.toDisplayText(4));
    // The entry's own operation's base price (as the operations list gives it), not the one
    // the previous opening left.
    const QVariant base = connection_.scalar(
        QStringLiteral("select min(price)::numeric from accounts_dep.norm where o_id=:id"),
        {{QStringLiteral("id"), entry.operationId}});
    basePrice_ =
        base.isNull() ? core::Decimal() : core::Decimal::fromStored(base.toDouble()).rounded(4);
    basePriceEdit_->setText(base.isNull() ? QString() : basePrice_.toDisplayText());
    dateEdit_->setDate(entry.date);
    workerEdit_->setText(entry.workerName.trimmed());
    operationEdit_->setText(entry.operationText);
    quantityEdit_->setText(entry.quantity.toDisplayText());
    defectsEdit_->setText(QString::number(entry.defects));
    hoursEdit_->setText(QString::number(entry.hours));
    showSum(quantityEdit_->text());
    entryIdLabel_->setText(QString::number(entry.id));
}

void EntryDialog::prepareRequisitions(const data::Entry& entry) {
    useStandardStatements();
    requisitionItems_.setFilter(QStringLiteral("id_doc=") + QString::number(entry.docId));
    requisitionItems_.setFiltered(true);
    requisitionItems_.open();
    requisitions_.open();
    requisitionCombo_->setKeyValue(entry.docId);
    requisitionItemCombo_->setKeyValue(entry.itemId);
}

std::optional<data::Entry> EntryDialog::openForEdit(const EntryContext& context,
                                                    const data::Entry& entry) {
    loadForEdit(context, entry);
    return run();
}

void EntryDialog::choosePickersByTab(bool on) {
    for (QPushButton* dots : {pickWorkerButton_, pickOperationButton_}) {
        dots->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void EntryDialog::loadForEdit(const EntryContext& context, const data::Entry& entry) {
    context_ = context;
    setWindowTitle(QStringLiteral("Изменение данных о позиции"));
    mode_ = Mode::Edit;
    choosePickersByTab(false);
    showEntry(entry);
    prepareRequisitions(entry);
    materialsPanel_->bindMaterials(entry_.id, entry_.id);
    enable({pickWorkerButton_, saveButton_, pickOperationButton_}, true);
    materialsPanel_->setMaterialsEnabled(true);
    materialsPanel_->setBrigadeEnabled(false);
    materialsPanel_->setDivideEnabled(false);
    enable({entryGroup_, workerEdit_, operationEdit_, quantityEdit_, defectsEdit_, hoursEdit_,
            requisitionCombo_, requisitionItemCombo_},
           true);
    materialsPanel_->closeBrigade();
}

void EntryDialog::openForView(const EntryContext& context, const data::Entry& entry) {
    context_ = context;
    setWindowTitle(QStringLiteral("Просмотр данных о позиции"));
    mode_ = Mode::View;
    entryGroup_->setEnabled(false);
    saveButton_->setEnabled(false);
    showEntry(entry);
    useViewStatements(entry.id);
    requisitions_.open();
    requisitionItems_.setFilter(QStringLiteral("id_doc=0"));
    requisitionItems_.setFiltered(true);
    requisitionItems_.open();
    requisitions_.first();
    requisitionCombo_->setKeyValue(requisitions_.isEmpty() ? QVariant()
                                                           : requisitions_.valueAt(0, 1));
    requisitionItemCombo_->setKeyValue(
        requisitionItems_.isEmpty() ? QVariant() : requisitionItems_.valueAt(0, 0));
    materialsPanel_->showForView(entry_.id);
    run();
    entryGroup_->setEnabled(true);
    saveButton_->setEnabled(true);
    materialsPanel_->setMaterialsEnabled(true);
}

EntryInput EntryDialog::input() const {
    EntryInput in;
    in.entry = entry_;
    in.entry.workerName = workerEdit_->text();
    in.entry.operationText = operationEdit_->text();
    in.entry.date = dateEdit_->date();
    in.entry.shift = context_.shift;
    in.quantity = quantityEdit_->text();
    in.defects = defectsEdit_->text();
    in.hours = hoursEdit_->text();
    in.docShown = requisitionCombo_->showsText();
    in.itemShown = requisitionItemCombo_->showsText();
    in.entry.docId = in.docShown ? requisitionCombo_->keyValue().toLongLong() : 0;
    in.entry.itemId = in.itemShown ? requisitionItemCombo_->keyValue().toLongLong() : 0;
    const data::Dataset& items = requisitionItems_;
    if (in.itemShown && items.isOpen()) {
        const QVariant required =
            items.valueAt(items.currentRow(), items.fieldIndex(QStringLiteral("f_qty")));
        in.required = core::Decimal::fromStored(required.toDouble());
    }
    return in;
}

void EntryDialog::saveEntry() {
    const Validation validation = validate(input());
    if (!validation.ok()) {
        core::MessageBoxes::error(validation.error);
        return;
    }
    if (validation.entry.date > QDate::currentDate() && !core::MessageBoxes::ask(kDateAfterToday)) {
        return;
    }
    const bool inserting = validation.entry.id == 0;
    data::Entry saved;
    try {
        saved = data::saveEntry(connection_, validation.entry);
    } catch (const data::DbError& error) {
        if (error.kind() != data::DbErrorKind::RowChanged) {
            throw;  // shown; what was typed stays, the list behind follows any other change
        }
        settleChangeMadeElsewhere();
        return;
    }
    afterSave(saved, inserting);
}

void EntryDialog::settleChangeMadeElsewhere() {
    const data::Entry theirs = data::readEntry(connection_, entry_.id);
    // Accepted meanwhile: no reload or retry can save it; what was typed stays to be seen.
    if (theirs.accepted) {
        core::MessageBoxes::error(kAcceptedMeanwhile);
        return;
    }
    if (core::MessageBoxes::ask(kChangedElsewhere)) {
        showEntry(theirs);
        prepareRequisitions(theirs);
    } else {
        entry_.version = theirs.version;
    }
}

void EntryDialog::afterSave(const data::Entry& saved, bool inserted) {
    entry_ = saved;
    saved_ = saved;
    if (inserted) {
        entryIdLabel_->setText(QString::number(saved.id));
    }
    materialsPanel_->entrySaved(saved.id, inserted);
    if (inserted) {
        // The entry is made: from now on only materials, brigade and division.
        entryGroup_->setEnabled(false);
        saveButton_->setEnabled(false);
        // The fields just typed in are closed: the keyboard goes on to the entry's materials.
        materialsPanel_->focusMaterials();
    }
    emit entrySaved(saved.id);
}

void EntryDialog::done(int result) {
    requisitions_.close();
    requisitionItems_.setFilter(QStringLiteral("id_doc=0"));
    requisitionItems_.setFiltered(true);
    requisitionItems_.close();
    entryGroup_->setEnabled(true);
    saveButton_->setEnabled(true);
    materialsPanel_->resetBrigade();
    QDialog::done(result);
}

}  // namespace tabel::shiftlog
