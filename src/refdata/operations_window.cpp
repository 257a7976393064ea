#include "refdata/operations_window.h"

#include <QCheckBox>
#include <QPushButton>

#include "core/expression.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/data_module.h"
#include "refdata/norms_window.h"
#include "refdata/operation_price_editor.h"
#include "reports/operations_export.h"
#include "widgets/style.h"

namespace tabel::refdata {

ChoicePrice choicePrice(double cena, bool dayOff, int shift) {
    const double base = core::roundHalfEven(cena, 4);
    double final = base;
    if (dayOff) {
        final *= 2;
    }
    if (shift == 3) {
        final *= 1.2;
    } else if (shift == 4) {
        final *= 1.5;
    }
    return {base, final};
}

std::optional<QString> operationsFilter(const QString& typed,
                                        const RequisitionContext& requisition) {
    const bool searching = !typed.trimmed().isEmpty();
    if (requisition.docText.trimmed().isEmpty() && requisition.itemText.isEmpty()) {
        if (!searching) {
            return std::nullopt;
        }
        return core::prefixFilter(QStringLiteral("marka"), typed);
    }
    // The goods code is text in the plant's catalogue; only a whole number can name a product.
    bool isNumber = false;
    const qint64 code = requisition.itemGdsMc.trimmed().toLongLong(&isNumber);
    if (!isNumber) {
        return QStringLiteral("1=0");
    }
    const QString g = QString::number(code);
    if (searching) {
        return QStringLiteral("i_id=") + g + QStringLiteral(" and ") +
               core::prefixFilter(QStringLiteral("marka"), typed);
    }
    return QStringLiteral("i_id=") + g + QStringLiteral(" or i_id_old=") + g;
}

TForm4::TForm4(data::TDataModule6& dm, TForm10& editor, TForm22& norms, QWidget* parent)
    : ListWindow(QStringLiteral("TForm4"), QStringLiteral("Операции"),
                 widgets::SearchBox::Keys::ConsumeAll, parent),
      XLS_Rep(&dm.ADO_DB, QStringLiteral("XLS_Rep")),
      dm_(dm),
      editor_(editor),
      norms_(norms) {
    bindList(&dm_.Oper,
             {{.field = QStringLiteral("MARKA"),
               .title = QStringLiteral("Марка"),
               .alignment = Qt::AlignLeft,
               .width = 16,
               .name = true},
              {.field = QStringLiteral("VID"),
               .title = QStringLiteral("Опреция"),
               .alignment = Qt::AlignLeft,
               .width = 20,
               .name = true},
              {.field = QStringLiteral("cena"),
               .title = QStringLiteral("Цена (min)"),
               .alignment = Qt::AlignRight,
               .width = 10},
              {.field = QStringLiteral("nmn"),
               .title = QStringLiteral("Вид"),
               .alignment = Qt::AlignLeft,
               .width = 18},
              {.field = QStringLiteral("id"),
               .title = QStringLiteral("id"),
               .alignment = Qt::AlignRight,
               .visible = false},
              {.field = QStringLiteral("i_id"),
               .title = QStringLiteral("i_id"),
               .alignment = Qt::AlignRight,
               .visible = false},
              {.field = QStringLiteral("oper_vid"),
               .title = QStringLiteral("oper_vid"),
               .alignment = Qt::AlignRight,
               .visible = false},
              {.field = QStringLiteral("norma"),
               .title = QStringLiteral("Нормы (шт.)"),
               .alignment = Qt::AlignRight,
               .width = 10}},
             QStringLiteral("marka"));
    Edit1->setSearch([this](const QString&) { Edit1Change(); });

    reports::setUpOperationsExport(XLS_Rep);

    CheckBox1 = new QCheckBox(QStringLiteral("Цены"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    addControl(CheckBox1);
    Button1 = addButton(QStringLiteral("Button1"), QStringLiteral("Добавить"));
    Button1->setDefault(true);
    Button2 = addButton(QStringLiteral("Button2"), QStringLiteral("Изменить"));
    Button3 = addButton(QStringLiteral("Button3"), QStringLiteral("Удалить"));
    Button5 = addButton(QStringLiteral("Button5"), QStringLiteral("Excel"));
    Button4 = addButton(QStringLiteral("Button4"), QStringLiteral("Выход"));
    setModeButtons(Button1, Button2, Button3);
    connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm4::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button5, &QPushButton::clicked, this, &TForm4::Button5Click);
    connect(DBGrid1, &widgets::DataGrid::rowDoubleClicked, this, &TForm4::DBGrid1DblClick);
    widgets::fixWindowSize(this, QSize(720, 480));
}

void TForm4::setRequisitionContext(const RequisitionContext& requisition) {
    requisition_ = requisition;
}

void TForm4::FormActivate() {
    Edit1->setFocus();
    if (!Edit1->text().trimmed().isEmpty()) {
        Edit1Change();
    }
}

void TForm4::Edit1Change() {
    data::Dataset& operations = dm_.Oper;
    const std::optional<QString> filter = operationsFilter(Edit1->text(), requisition_);
    if (!filter) {
        operations.setFiltered(false);
        return;
    }
    operations.setFilter(*filter);
    operations.setFiltered(true);
}

void TForm4::openForBrowse() {
    setChoiceMode(false);
    dm_.Oper.open();
    exec();
    dm_.Oper.close();
}

std::optional<OperationChoice> TForm4::pickOperation(const OperationChoiceContext& context) {
    context_ = context;
    requisition_ = context.requisition;
    setChoiceMode(true);
    data::Dataset& operations = dm_.Oper;
    operations.open();
    // The requisition narrows the list from the start, not only once something is typed.
    if (Edit1->text().isEmpty()) {
        Edit1Change();
    } else {
        clearSearch();
    }
    // Positioned after filtering, which returns to the first row.
    if (context.adding || !operations.locate(QStringLiteral("id"), context.currentOperationId)) {
        operations.first();
    }
    choice_.reset();
    exec();
    endChoice();
    operations.setFiltered(false);
    operations.close();
    return choice_;
}

QString TForm4::productMark(int productId) {
    data::Dataset& control = dm_.Control;
    control.close();
    control.clearSql();
    control.addSql(QStringLiteral("select marka from accounts_dep.izdel where id=:id"));
    control.setParam(QStringLiteral("id"), productId);
    control.open();
    const QString mark = control.field(QStringLiteral("marka")).asString().trimmed();
    control.close();
    return mark;
}

OperationChoice TForm4::choiceFromCurrentRow() {
    data::Dataset& operations = dm_.Oper;
    const int productId = operations.field(QStringLiteral("i_id")).asInteger();
    const ChoicePrice price = choicePrice(operations.field(QStringLiteral("cena")).asFloat(),
                                          context_.dayOff, context_.shift);
    QString description = productMark(productId) + QStringLiteral("; ");
    description +=
        operations.field(QStringLiteral("vid")).asString().trimmed() + QStringLiteral("; ");
    description += core::productKindText(operations.field(QStringLiteral("naimen")).asInteger());
    return {productId, operations.field(QStringLiteral("id")).asInteger(), price.base, price.final,
            description};
}

void TForm4::Button2Click() {
    data::Dataset& operations = dm_.Oper;
    if (Tag != 0) {
        if (!operations.isEmpty()) {
            choice_ = choiceFromCurrentRow();
        }
        accept();
        return;
    }
    if (operations.isEmpty()) {
        return;  // nothing to change
    }
    editor_.openForChange({operations.field(QStringLiteral("marka")).asString(),
                           operations.field(QStringLiteral("vid")).asString(),
                           operations.field(QStringLiteral("naimen")).asInteger(),
                           operations.field(QStringLiteral("i_id")).asInteger(),
                           operations.field(QStringLiteral("oper_vid")).asInteger(), QString()});
}

void TForm4::Button1Click() {
    editor_.openForAdd();
}

void TForm4::DBGrid1DblClick() {
    if (Tag != 0 || !CheckBox1->isChecked()) {
        Button2Click();
        return;
    }
    if (dm_.Oper.isEmpty()) {
        return;
    }
    norms_.openForOperation(dm_.Oper.field(QStringLiteral("id")).asInteger());
}

void TForm4::Button3Click() {
    deleteCurrent(QStringLiteral("Удалить операцию?"),
                  QStringLiteral("Операция используется в записях смен и не может быть удалена."),
                  [this] {
                      dm_.Oper_del.setParam(QStringLiteral("id"),
                                            dm_.Oper.field(QStringLiteral("id")).asInteger());
                      dm_.Oper_del.executeOnRow();  // its norms go with it (on delete cascade)
                  });
}

void TForm4::Button5Click() {
    widgets::BusyCursor busy;
    XLS_Rep.close();
    XLS_Rep.open();
    if (excel_.OpenExcel(QString()) != 1) {
        XLS_Rep.close();
        return;
    }
    reports::writeOperations(XLS_Rep, excel_);
    excel_.SetExcelVisible(true);
    XLS_Rep.close();
}

}  // namespace tabel::refdata
