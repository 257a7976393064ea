#include "shiftlog/entry_dialog.h"

#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/data_module.h"
#include "data/errors.h"
#include "refdata/operations_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/material_consumption_dialog.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/input_filters.h"
#include "widgets/lookup_combo.h"
#include "widgets/style.h"

namespace tabel::shiftlog {

namespace {

const QString kCannotSave = QStringLiteral("Невозможно сохранить данные в БД!");
const QString kAlreadyInBrigade = QStringLiteral("Этот человек уже есть в бригаде!");

QStringList requisitionSql() {
    return {QStringLiteral(
        "select id, s_caption from accounts_dep.v_mnf_requisition order by s_caption")};
}

QStringList requisitionItemSql() {
    return {
        QStringLiteral("select id, id_doc, s_caption, id_gds, f_qty, s_gds_mc from "
                       "accounts_dep.v_mnf_requisition_item where f_qty>0")};
}

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

QString numberText(const QVariant& value) {
    return value.isNull() ? QString() : core::formatGeneral(value.toDouble());
}

}  // namespace

TForm11::TForm11(data::TDataModule6& dm, refdata::TForm5& workers, refdata::TForm4& operations,
                 TForm24& consumption, QWidget* parent)
    : QDialog(parent),
      v_mnf_requisition(&dm.ADO_DB, QStringLiteral("v_mnf_requisition"), this),
      v_mnf_requisition_item(&dm.ADO_DB, QStringLiteral("v_mnf_requisition_item"), this),
      smena_gds_use(&dm.ADO_DB, QStringLiteral("smena_gds_use"), this),
      sum_smena_gds_use(&dm.ADO_DB, QStringLiteral("sum_smena_gds_use"), this),
      fio_smena_gds(&dm.ADO_DB, QStringLiteral("fio_smena_gds"), this),
      dm_(dm),
      workers_(workers),
      operations_(operations),
      consumption_(consumption) {
    setObjectName(QStringLiteral("TForm11"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    using T = data::FieldType;
    useStandardStatements();
    const QList<data::FieldDef> requisitionFields{{QStringLiteral("id"), T::Numeric15, true},
                                                  {QStringLiteral("id_doc"), T::Numeric15, true},
                                                  {QStringLiteral("id_gds"), T::Numeric15, true},
                                                  {QStringLiteral("f_qty"), T::Float, true}};
    v_mnf_requisition.setFieldDefs(requisitionFields);
    v_mnf_requisition_item.setFieldDefs(requisitionFields);
    v_mnf_requisition_item.setFilter(QStringLiteral("id_doc=0"));
    v_mnf_requisition_item.setFiltered(true);
    smena_gds_use.setSql(materialsSql());
    smena_gds_use.setFieldDefs(
        {{QStringLiteral("id"), T::Integer, true}, {QStringLiteral("f_qty_use"), T::Float, true}});
    sum_smena_gds_use.setSql(
        {QStringLiteral("select sum(f_qty_use) as sum_qty_use from accounts_dep.smena_gds_use "
                        "sgu where sgu.id_smena =:id_smena")});
    sum_smena_gds_use.setFieldDefs({{QStringLiteral("sum_qty_use"), T::Float, true}});
    fio_smena_gds.setSql(brigadeSql());
    fio_smena_gds.setFieldDefs({{QStringLiteral("id"), T::Numeric15, true}});
    fio_smena_gds.setParam(QStringLiteral("s_id"), -1);

    buildControls();
    layoutControls(buildLowerPart());
    wireHandlers();
}

TForm11::~TForm11() = default;

void TForm11::buildControls() {
    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    LCB_id_doc = new widgets::LookupCombo(GroupBox1);
    LCB_id_doc->setObjectName(QStringLiteral("LCB_id_doc"));
    LCB_id_doc->bind(&v_mnf_requisition, QStringLiteral("id"), QStringLiteral("s_caption"));
    LCB_id_doc_item = new widgets::LookupCombo(GroupBox1);
    LCB_id_doc_item->setObjectName(QStringLiteral("LCB_id_doc_item"));
    LCB_id_doc_item->bind(&v_mnf_requisition_item, QStringLiteral("id"),
                          QStringLiteral("s_caption"));
    Edit1 = pickerBox(GroupBox1, "Edit1");
    Button3 = dotsButton(GroupBox1, "Button3");
    Edit2 = pickerBox(GroupBox1, "Edit2");
    Button4 = dotsButton(GroupBox1, "Button4");
    Edit3 = lineEdit(GroupBox1, "Edit3");
    Edit6 = lineEdit(GroupBox1, "Edit6");
    Edit6->setText(QStringLiteral("0"));
    DTimeP = new QDateEdit(GroupBox1);
    DTimeP->setObjectName(QStringLiteral("DTimeP"));
    DTimeP->setCalendarPopup(true);
    DTimeP->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    Edit4 = lineEdit(GroupBox1, "Edit4");
    Edit4->setText(QStringLiteral("0"));
    Edit7 = lineEdit(GroupBox1, "Edit7");
    Edit8 = lineEdit(GroupBox1, "Edit8");
    Edit5 = lineEdit(GroupBox1, "Edit5");
    for (QLineEdit* box : {Edit3, Edit5, Edit7, Edit8}) {
        widgets::acceptDecimalKeys(box);
    }
    widgets::acceptDigitKeys(Edit6);
    widgets::acceptDigitKeys(Edit4);
    Edit7->setEnabled(false);
    Edit8->setEnabled(false);
    Edit5->setEnabled(false);

    Label10 = new QLabel(this);
    Label10->setObjectName(QStringLiteral("Label10"));
    QFont bold = Label10->font();
    bold.setBold(true);
    Label10->setFont(bold);
    Button1 = widgets::makeButton(this, QStringLiteral("Button1"), QStringLiteral("Запись"));
    Button1->setDefault(true);
    Button2 = widgets::makeButton(this, QStringLiteral("Button2"), QStringLiteral("Выход"));
    Button9 = widgets::makeButton(this, QStringLiteral("Button9"), QStringLiteral("Сохранить"));
}

QWidget* TForm11::buildLowerPart() {
    auto* lower = new QWidget(this);
    DBGrid1 = new widgets::DataGrid(lower);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setBoldTitles(true);
    const QList<widgets::GridColumn> materialsColumns{{.field = QStringLiteral("s_caption"),
                                                       .title = QStringLiteral("ТМЦ"),
                                                       .alignment = Qt::AlignLeft,
                                                       .width = 30},
                                                      {.field = QStringLiteral("f_qty_use"),
                                                       .title = QStringLiteral("Расход"),
                                                       .alignment = Qt::AlignRight,
                                                       .width = 10}};
    DBGrid1->setSource(new widgets::DataSource(&smena_gds_use, materialsColumns, this));
    DBGrid1->setAccessibleName(QStringLiteral("Расход ТМЦ"));
    Button5 = widgets::makeButton(lower, QStringLiteral("Button5"), QStringLiteral("Добавить"));
    Button6 = widgets::makeButton(lower, QStringLiteral("Button6"), QStringLiteral("Удалить"));
    DBEdit1 = lineEdit(lower, "DBEdit1");
    DBEdit1->setEnabled(false);

    DBGrid2 = new widgets::DataGrid(lower);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    const QList<widgets::GridColumn> brigadeColumns{
        {.field = QStringLiteral("s_caption"),
         .title = QStringLiteral("Фамилия Имя Отчество"),
         .alignment = Qt::AlignLeft,
         .width = 36}};
    DBGrid2->setSource(new widgets::DataSource(&fio_smena_gds, brigadeColumns, this));
    Label6 = widgets::makeFieldLabel(lower, QStringLiteral("Бригада"), DBGrid2,
                                     QStringLiteral("Label6"));
    Button7 = widgets::makeButton(lower, QStringLiteral("Button7"), QStringLiteral("Добавить"));
    Button8 = widgets::makeButton(lower, QStringLiteral("Button8"), QStringLiteral("Удалить"));

    auto* materials = new QGridLayout;
    materials->addWidget(DBGrid1, 0, 0, 1, 4);
    materials->addWidget(Button5, 1, 0);
    materials->addWidget(Button6, 1, 1);
    placeField(materials, 1, 2, QStringLiteral("Итого:"), DBEdit1);
    auto* brigade = new QGridLayout;
    brigade->addWidget(Label6, 0, 0, 1, 2);
    brigade->addWidget(DBGrid2, 1, 0, 1, 2);
    brigade->addWidget(Button7, 2, 0);
    brigade->addWidget(Button8, 2, 1);
    auto* layout = new QHBoxLayout(lower);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(materials, 3);
    layout->addLayout(brigade, 2);
    return lower;
}

void TForm11::layoutControls(QWidget* lower) {
    auto* grid = new QGridLayout(GroupBox1);
    placeField(grid, 0, 0, QStringLiteral("Заявка"), LCB_id_doc, 4);
    placeField(grid, 1, 0, QStringLiteral("Строка"), LCB_id_doc_item, 4);
    placeField(grid, 2, 0, QStringLiteral("ФИО"), Edit1, 3);
    grid->addWidget(Button3, 2, 4);
    placeField(grid, 3, 0, QStringLiteral("Операция"), Edit2, 3);
    grid->addWidget(Button4, 3, 4);
    placeField(grid, 4, 0, QStringLiteral("Кол-во"), Edit3);
    placeField(grid, 4, 2, QStringLiteral("Время"), Edit6);
    placeField(grid, 5, 0, QStringLiteral("Дата"), DTimeP);
    placeField(grid, 5, 2, QStringLiteral("Брак"), Edit4);
    placeField(grid, 6, 0, QStringLiteral("Цена база"), Edit7);
    placeField(grid, 6, 2, QStringLiteral("Цена итог"), Edit8);
    placeField(grid, 7, 0, QStringLiteral("Сумма"), Edit5);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Label10);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button9);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    layout->addWidget(lower, 1);
    setTabOrder(LCB_id_doc, LCB_id_doc_item);
    setTabOrder(LCB_id_doc_item, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Edit3);
    setTabOrder(Edit3, Edit6);
    setTabOrder(Edit6, DTimeP);
    setTabOrder(DTimeP, Edit4);
    resize(761, 528);
}

void TForm11::wireHandlers() {
    connect(LCB_id_doc, &widgets::LookupCombo::closedUp, this, &TForm11::LCB_id_docCloseUp);
    connect(LCB_id_doc_item, &widgets::LookupCombo::closedUp, this,
            &TForm11::LCB_id_doc_itemCloseUp);
    connect(Button3, &QPushButton::clicked, this, &TForm11::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm11::Button4Click);
    connect(Button1, &QPushButton::clicked, this, &TForm11::Button1Click);
    connect(Button2, &QPushButton::clicked, this, [this] {
        smena_gds_use.close();
        sum_smena_gds_use.close();
        reject();
    });
    connect(Button5, &QPushButton::clicked, this, &TForm11::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TForm11::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TForm11::Button7Click);
    connect(Button8, &QPushButton::clicked, this, &TForm11::Button8Click);
    connect(Button9, &QPushButton::clicked, this, &TForm11::Button9Click);
    connect(&sum_smena_gds_use, &data::Dataset::rowsReset, this, [this] {
        DBEdit1->setText(sum_smena_gds_use.isOpen() && !sum_smena_gds_use.isEmpty()
                             ? numberText(sum_smena_gds_use.valueAt(0, 0))
                             : QString());
    });
    for (QWidget* box :
         {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3),
          static_cast<QWidget*>(Edit4), static_cast<QWidget*>(Edit6)}) {
        box->installEventFilter(this);
    }
}

bool TForm11::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Edit1 && Edit1->isEnabled() && Button3->isEnabled()) {
            Button3Click();
        } else if (watched == Edit2 && Edit2->isEnabled() && Button4->isEnabled()) {
            Button4Click();
        }
    } else if (event->type() == QEvent::FocusOut) {
        if (watched == Edit3) {
            Edit3Exit();
        } else if (auto* box = qobject_cast<QLineEdit*>(watched);
                   (watched == Edit4 || watched == Edit6) && box->text().isEmpty()) {
            box->setText(QStringLiteral("0"));
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm11::useStandardStatements() {
    v_mnf_requisition.close();
    v_mnf_requisition_item.close();
    v_mnf_requisition.setSql(requisitionSql());
    v_mnf_requisition_item.setSql(requisitionItemSql());
}

// The requisition and the item of one entry only, for viewing it.
void TForm11::useViewStatements(int entryId) {
    v_mnf_requisition.close();
    v_mnf_requisition_item.close();
    v_mnf_requisition.setSql(
        {QStringLiteral("select format('Заявка № %s от %s', doc.s_number, to_char(doc.d_date, "
                        "'dd.mm.yyyy')) as s_caption, doc.id as id from accounts_dep.smena smena "
                        "inner join mnf_doc.doc doc on doc.id = smena.id_doc where smena.id = "
                        ":id")});
    v_mnf_requisition.setParam(QStringLiteral("id"), entryId);
    v_mnf_requisition_item.setSql(
        {QStringLiteral("select id::t_id, s_caption, 0::t_id as id_doc, 0::t_id as id_gds, "
                        "0::t_float as f_qty, 0::t_code as s_gds_mc from "
                        "accounts_dep.get_doc_item_caption_by_smena(:id)")});
    v_mnf_requisition_item.setParam(QStringLiteral("id"), entryId);
}

void TForm11::bindMaterials(int entryId, int totalId) {
    smena_gds_use.close();
    smena_gds_use.setParam(QStringLiteral("id_smena"), entryId);
    smena_gds_use.open();
    sum_smena_gds_use.close();
    sum_smena_gds_use.setParam(QStringLiteral("id_smena"), totalId);
    sum_smena_gds_use.open();
}

void TForm11::openForAdd(const EntryContext& context) {
    context_ = context;
    DTimeP->setDate(context.date);
    for (QLineEdit* box : {Edit1, Edit2, Edit3, Edit5, Edit7, Edit8}) {
        box->clear();
    }
    Edit4->setText(QStringLiteral("0"));
    Edit6->setText(QStringLiteral("0"));
    setWindowTitle(QStringLiteral("Заведение новой позиции"));
    Tag = 1;
    useStandardStatements();
    v_mnf_requisition.open();
    v_mnf_requisition_item.setFilter(QStringLiteral("id_doc=0"));
    v_mnf_requisition_item.setFiltered(true);
    v_mnf_requisition_item.open();
    bindMaterials(0, -1);
    LCB_id_doc->setKeyValue(0);
    LCB_id_doc_item->setKeyValue(0);
    DBGrid1->setEnabled(false);
    DBGrid2->setEnabled(false);
    Label10->clear();
    for (QPushButton* button : {Button5, Button6, Button7, Button8, Button9}) {
        button->setEnabled(false);
    }
    entry_.id = 0;
    exec();
}

QString TForm11::stageDescription(const EntryRow& row) const {
    return row.marka + QStringLiteral("; ") + row.vid + QStringLiteral("; ") +
           core::productKindText(row.naimen);
}

void TForm11::fillFromRow(const EntryRow& row) {
    entry_.finalPrice = row.cena;
    entry_.id = row.id;
    Edit8->setText(core::formatNumber(row.cena, 4));
    DTimeP->setDate(row.date);
    Edit1->setText(row.fio.trimmed());
    Edit2->setText(stageDescription(row));
    Edit3->setText(core::formatGeneral(row.kolVo));
    Edit4->setText(QString::number(row.brak));
    entry_.workerId = row.workerId;
    entry_.productId = row.productId;
    entry_.operationId = row.operationId;
    Edit6->setText(QString::number(row.time));
}

void TForm11::prepareRequisitions(const EntryRow& row) {
    useStandardStatements();
    if (row.docId.isNull()) {
        v_mnf_requisition_item.setFilter(QStringLiteral("id_doc=0"));
    } else {
        v_mnf_requisition_item.setFilter(QStringLiteral("id_doc=") +
                                         QString::number(row.docId.toLongLong()));
    }
    v_mnf_requisition_item.setFiltered(true);
    v_mnf_requisition_item.open();
    v_mnf_requisition.open();
    LCB_id_doc->setKeyValue(row.docId.isNull() ? QVariant() : QVariant(row.docId.toLongLong()));
    LCB_id_doc_item->setKeyValue(row.itemId.isNull() ? QVariant()
                                                     : QVariant(row.itemId.toLongLong()));
}

void TForm11::openForEdit(const EntryContext& context, const EntryRow& row) {
    loadForEdit(context, row);
    exec();
}

void TForm11::loadForEdit(const EntryContext& context, const EntryRow& row) {
    context_ = context;
    setWindowTitle(QStringLiteral("Изменение данных о позиции"));
    Tag = 2;
    fillFromRow(row);
    prepareRequisitions(row);
    bindMaterials(entry_.id, entry_.id);
    for (QPushButton* button : {Button3, Button1, Button4, Button5, Button6}) {
        button->setEnabled(true);
    }
    for (QPushButton* button : {Button7, Button8, Button9}) {
        button->setEnabled(false);
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{GroupBox1, Edit1, Edit2, Edit3, Edit4, Edit6}) {
        control->setEnabled(true);
    }
    Edit5->setText(core::formatNumber(row.kolVo * row.cena, 4));
    for (QWidget* control : std::initializer_list<QWidget*>{DBGrid1, LCB_id_doc, LCB_id_doc_item}) {
        control->setEnabled(true);
    }
    DBGrid2->setEnabled(false);
    Label10->setText(QString::number(entry_.id));
    fio_smena_gds.close();
}

void TForm11::openForView(const EntryContext& context, const EntryRow& row) {
    context_ = context;
    setWindowTitle(QStringLiteral("Просмотр данных о позиции"));
    Tag = 3;
    for (QWidget* control : std::initializer_list<QWidget*>{GroupBox1, Button1, DBGrid1, Button5,
                                                            Button6, Button7, Button8, Button9}) {
        control->setEnabled(false);
    }
    fillFromRow(row);
    useViewStatements(row.id);
    v_mnf_requisition.open();
    v_mnf_requisition_item.setFilter(QStringLiteral("id_doc=0"));
    v_mnf_requisition_item.setFiltered(true);
    v_mnf_requisition_item.open();
    v_mnf_requisition.first();
    LCB_id_doc->setKeyValue(v_mnf_requisition.isEmpty() ? QVariant()
                                                        : v_mnf_requisition.valueAt(0, 1));
    LCB_id_doc_item->setKeyValue(
        v_mnf_requisition_item.isEmpty() ? QVariant() : v_mnf_requisition_item.valueAt(0, 0));
    bindMaterials(entry_.id, entry_.id);
    Edit5->setText(core::formatNumber(row.kolVo * row.cena, 4));
    Label10->setText(QString::number(entry_.id));
    fio_smena_gds.close();
    exec();
    for (QWidget* control :
         std::initializer_list<QWidget*>{GroupBox1, Button1, DBGrid1, Button5, Button6}) {
        control->setEnabled(true);
    }
}

void TForm11::clearChoices() {
    Edit2->clear();
    Edit1->clear();
    entry_.operationId = 0;
    entry_.personId = 0;
    entry_.workerId = 0;
}

void TForm11::LCB_id_docCloseUp() {
    v_mnf_requisition_item.setFiltered(false);
    const QVariant doc = LCB_id_doc->keyValue();
    v_mnf_requisition_item.setFilter(doc.isNull() ? QStringLiteral("id_doc=0")
                                                  : QStringLiteral("id_doc=") +
                                                        QString::number(doc.toLongLong()));
    v_mnf_requisition_item.setFiltered(true);
    if (LCB_id_doc->showsText()) {
        LCB_id_doc_item->setEnabled(true);
    }
    LCB_id_doc_item->setKeyValue(0);
    clearChoices();
}

void TForm11::LCB_id_doc_itemCloseUp() {
    if (LCB_id_doc_item->showsText()) {
        Edit1->setEnabled(true);
        Button3->setEnabled(true);
        Edit3->setText(numberText(v_mnf_requisition_item.field(QStringLiteral("f_qty")).value()));
    }
    clearChoices();
}

void TForm11::Button3Click() {
    const bool chosen = workers_.pickWorker();
    if (!chosen) {
        return;
    }
    if (const auto& choice = workers_.choice()) {
        Edit1->setText(choice->fio);
        entry_.workerId = choice->workerId;
        entry_.personId = choice->personId;
    }
    Edit2->clear();
    entry_.operationId = 0;
    dm_.Workers.close();
    if (!Edit1->text().isEmpty()) {
        Edit2->setEnabled(true);
        Button4->setEnabled(true);
    }
}

void TForm11::Button4Click() {
    refdata::OperationChoiceContext context;
    context.adding = Tag == 1;
    context.currentOperationId = context_.currentOperationId;
    context.dayOff = context_.dayOff;
    context.shift = context_.shift;
    context.requisition.docText = LCB_id_doc->currentText();
    context.requisition.itemText = LCB_id_doc_item->currentText();
    if (LCB_id_doc_item->showsText()) {
        context.requisition.itemGdsMc =
            v_mnf_requisition_item.field(QStringLiteral("s_gds_mc")).asString();
    }
    const std::optional<refdata::OperationChoice> choice = operations_.pickOperation(context);
    if (!choice) {
        return;
    }
    entry_.productId = choice->productId;
    entry_.operationId = choice->operationId;
    entry_.basePrice = choice->basePrice;
    entry_.finalPrice = choice->finalPrice;
    Edit2->setText(choice->description);
    updatePaintState();
    Edit3Exit();
}

void TForm11::updatePaintState() {
    const bool paint = Edit2->text().toUpper().contains(QStringLiteral("КРАСКА"));
    if (!paint) {
        Edit5->clear();
    }
    Edit5->setEnabled(paint);
    Label6->setEnabled(paint);
}

void TForm11::Edit3Exit() {
    if (Edit6->text().isEmpty()) {
        Edit6->setText(QStringLiteral("0"));
    }
    if (Edit3->text().isEmpty()) {
        Edit3->setText(QStringLiteral("0"));
    }
    const std::optional<double> quantity = core::parseNumber(Edit3->text());
    if (!quantity) {
        core::MessageBoxes::error(
            QStringLiteral("Количество \"%1\" не является числом!").arg(Edit3->text().trimmed()));
        return;
    }
    Edit8->setText(core::formatGeneral(entry_.finalPrice));
    Edit7->setText(core::formatGeneral(entry_.basePrice));
    Edit5->setText(core::formatNumber(*quantity * entry_.finalPrice, 4));
}

Entry TForm11::fields() const {
    Entry e = entry_;
    e.workerName = Edit1->text();
    e.operationText = Edit2->text();
    e.quantity = Edit3->text();
    e.defects = Edit4->text();
    e.hours = Edit6->text();
    e.date = DTimeP->date();
    e.shift = context_.shift;
    e.docShown = LCB_id_doc->showsText();
    e.itemShown = LCB_id_doc_item->showsText();
    e.docId = e.docShown ? LCB_id_doc->keyValue().toLongLong() : 0;
    e.itemId = e.itemShown ? LCB_id_doc_item->keyValue().toLongLong() : 0;
    const data::Dataset& items = v_mnf_requisition_item;
    e.itemQty = e.itemShown && items.isOpen()
                    ? items.valueAt(items.currentRow(), items.fieldIndex(QStringLiteral("f_qty")))
                          .toDouble()
                    : 0;
    return e;
}

void TForm11::Button1Click() {
    const Validation validation = validate(fields());
    if (!validation.ok()) {
        core::MessageBoxes::error(validation.error);
        return;
    }
    data::EntryRecord record = validation.record;
    const bool inserting = Tag == 1 && entry_.id == 0;
    if (inserting) {
        record.id = 0;
    }
    int id = 0;
    try {
        id = data::saveEntry(dm_.ADO_DB, record);
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::refusalText(error));
        return;
    }
    afterSave(id, inserting);
}

void TForm11::reopenShiftList(int id, bool inserted) {
    data::Dataset& list = dm_.smenaList(context_.shift);
    const int recNo = list.recNo();
    list.close();
    list.open();
    if (inserted) {
        list.locate(QStringLiteral("id"), id);
    } else if (recNo >= 1 && recNo <= list.recordCount()) {
        list.setRecNo(recNo);
    }
}

void TForm11::afterSave(int id, bool inserted) {
    entry_.id = id;
    for (data::Dataset* hours : {&dm_.H_Tabel_1, &dm_.H_Tabel_2, &dm_.H_Tabel_3}) {
        hours->close();
    }
    if (inserted) {
        Label10->setText(QString::number(id));
        bindMaterials(id, id);
    }
    Button5->setEnabled(true);
    Button6->setEnabled(true);
    if (inserted) {
        fio_smena_gds.close();
        fio_smena_gds.setParam(QStringLiteral("s_id"), id);
        fio_smena_gds.open();
        Button9->setEnabled(true);
        GroupBox1->setEnabled(false);
        Button1->setEnabled(false);
        for (QWidget* control :
             std::initializer_list<QWidget*>{DBGrid1, DBGrid2, Button7, Button8}) {
            control->setEnabled(true);
        }
    }
    // The entry is saved: a list that fails to reload is the error display's to show.
    reopenShiftList(id, inserted);
}

void TForm11::refreshMaterials() {
    smena_gds_use.refresh();
    sum_smena_gds_use.refresh();
}

void TForm11::Button5Click() {
    consumption_.openFor({entry_.id, entry_.productId, Edit3->text(), DBEdit1->text()});
    refreshMaterials();
    if (fio_smena_gds.isOpen()) {
        fio_smena_gds.refresh();
    }
    if (Edit3->text().isEmpty()) {
        Edit3->setText(QStringLiteral("0"));
    }
    if (DBEdit1->text().isEmpty()) {
        DBEdit1->setText(QStringLiteral("0"));
    }
}

void TForm11::Button6Click() {
    if (!smena_gds_use.isOpen() || smena_gds_use.isEmpty()) {
        return;
    }
    try {
        data::deleteMaterial(dm_.ADO_DB, smena_gds_use.field(QStringLiteral("id")).asInteger());
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::refusalText(error));
        return;
    }
    const int recNo = smena_gds_use.recNo();
    refreshMaterials();
    if (recNo >= 1 && recNo <= smena_gds_use.recordCount()) {
        smena_gds_use.setRecNo(recNo);
    }
}

void TForm11::Button7Click() {
    const bool chosen = workers_.pickWorker();
    Edit1->clear();
    dm_.Workers.close();
    if (!chosen || !workers_.choice()) {
        return;
    }
    fio_smena_gds.close();
    try {
        if (!data::addBrigadeMember(dm_.ADO_DB, entry_.id, workers_.choice()->personId)) {
            core::MessageBoxes::error(kAlreadyInBrigade);
        }
    } catch (const data::DbError&) {
        core::MessageBoxes::error(kCannotSave);
    }
    fio_smena_gds.open();
}

void TForm11::Button8Click() {
    if (!fio_smena_gds.isOpen() || fio_smena_gds.isEmpty()) {
        return;
    }
    const qint64 member = fio_smena_gds.field(QStringLiteral("id")).asInt64();
    try {
        data::removeBrigadeMember(dm_.ADO_DB, member);
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::refusalText(error));
        return;
    }
    fio_smena_gds.refresh();
}

void TForm11::Button9Click() {
    try {
        data::divideEntry(dm_.ADO_DB, entry_.id);
    } catch (const data::DbError&) {
        core::MessageBoxes::error(kCannotSave);
    }
    accept();
}

void TForm11::done(int result) {
    v_mnf_requisition.close();
    v_mnf_requisition_item.setFilter(QStringLiteral("id_doc=0"));
    v_mnf_requisition_item.setFiltered(true);
    v_mnf_requisition_item.close();
    GroupBox1->setEnabled(true);
    Button1->setEnabled(true);
    fio_smena_gds.close();
    fio_smena_gds.setParam(QStringLiteral("s_id"), -1);
    QDialog::done(result);
}

}  // namespace tabel::shiftlog
