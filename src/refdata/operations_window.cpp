#include "refdata/operations_window.h"

#include <QCheckBox>
#include <QDateTime>
#include <QPushButton>

#include "core/expression.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/dataset.h"
#include "data/operation_writes.h"
#include "data/session.h"
#include "refdata/norms_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/reference_statements.h"
#include "reports/operations_export.h"
#include "widgets/live_rows.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

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

OperationsWindow::OperationsWindow(data::Session& session, OperationPriceEditor& editor,
                                   NormsWindow& norms, QWidget* parent)
    : ListWindow(QStringLiteral("OperationsWindow"), QStringLiteral("Операции"),
                 widgets::SearchBox::Keys::ConsumeAll, parent),
      session_(session),
      operations_(&session.connection, QStringLiteral("Oper")),
      // A child, so that what it holds can be looked at from outside.
      exportedOperations_(&session.connection, QStringLiteral("exportedOperations"), this),
      editor_(editor),
      norms_(norms) {
    prepareOperations(operations_);
    bindList(&operations_,
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
    searchBox()->setSearch([this](const QString&) { applySearch(); });

    reports::setUpOperationsExport(exportedOperations_);

    pricesCheck_ = new QCheckBox(QStringLiteral("&Цены"), this);
    pricesCheck_->setObjectName(QStringLiteral("pricesCheck"));
    addControl(pricesCheck_);
    appendModeButtons([this] { addOperation(); }, [this] { chooseOrChangeOperation(); },
                      [this] { deleteOperation(); });
    appendButton(QStringLiteral("exportButton"), QStringLiteral("&Excel"),
                 [this] { exportToSpreadsheet(); });
    appendButton(QStringLiteral("exitButton"), QStringLiteral("В&ыход"), [this] { reject(); });
    widgets::connectAction(listGrid(), &widgets::DataGrid::rowDoubleClicked, this,
                           [this] { openCurrentOperation(); });
    connect(&session_.changes, &data::ChangeFeed::changed, this, &OperationsWindow::applyChanges);
    widgets::fixWindowSize(this, QSize(720, 480));
}

void OperationsWindow::applyChanges(const data::ChangeBatch& batch) {
    // A row shows its operation, its norms' count and lowest price, its kind's and its
    // product's names: each is re-read by the key that names it.
    data::Dataset& operations = operations_;
    if (batch.whole) {
        widgets::followChanges(operations, listGrid(), QStringLiteral("id"), true, {});
        return;
    }
    widgets::refreshShownRows(operations, listGrid(), QStringLiteral("id"),
                              widgets::keysOf(batch.operations));
    widgets::refreshShownRows(operations, listGrid(), QStringLiteral("oper_vid"),
                              widgets::keysOf(batch.operationKinds));
    widgets::refreshShownRows(operations, listGrid(), QStringLiteral("i_id"),
                              widgets::keysOf(batch.products));
}

void OperationsWindow::onShown() {
    searchBox()->setFocus();
    if (!searchBox()->text().trimmed().isEmpty()) {
        applySearch();
    }
}

void OperationsWindow::applySearch() {
    data::Dataset& operations = operations_;
    const std::optional<QString> filter = operationsFilter(searchBox()->text(), requisition_);
    if (!filter) {
        operations.setFiltered(false);
        return;
    }
    operations.setFilter(*filter);
    operations.setFiltered(true);
}

void OperationsWindow::openForBrowse() {
    setMode(Mode::Browse);
    // A choice's requisition never narrows the maintained list.
    requisition_ = {};
    operations_.open();
    exec();
    operations_.close();
}

std::optional<OperationChoice> OperationsWindow::pickOperation(
    const OperationChoiceContext& context) {
    context_ = context;
    requisition_ = context.requisition;
    setMode(Mode::Choose);
    data::Dataset& operations = operations_;
    operations.open();
    // The requisition narrows the list from the start, not only once something is typed.
    if (searchBox()->text().isEmpty()) {
        applySearch();
    } else {
        clearSearch();
    }
    if (!context.typed.isEmpty()) {
        searchBox()->startWith(context.typed);
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
    // The choice's context ends with it.
    requisition_ = {};
    context_ = {};
    return choice_;
}

QString OperationsWindow::productMark(int productId) {
    return session_.connection
        .scalar(QStringLiteral("select marka from accounts_dep.izdel where id=:id"),
                {{QStringLiteral("id"), productId}})
        .toString()
        .trimmed();
}

OperationChoice OperationsWindow::choiceFromCurrentRow() {
    data::Dataset& operations = operations_;
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

void OperationsWindow::chooseOrChangeOperation() {
    data::Dataset& operations = operations_;
    if (mode() == Mode::Choose) {
        if (!operations.isEmpty()) {
            choice_ = choiceFromCurrentRow();
        }
        accept();
        return;
    }
    if (operations.isEmpty()) {
        return;  // nothing to change
    }
    OperationFields current;
    current.marka = operations.field(QStringLiteral("marka")).asString();
    current.vid = operations.field(QStringLiteral("vid")).asString();
    current.naimen = operations.field(QStringLiteral("naimen")).asInteger();
    current.productId = operations.field(QStringLiteral("i_id")).asInteger();
    current.kindId = operations.field(QStringLiteral("oper_vid")).asInteger();
    current.id = operations.field(QStringLiteral("id")).asInteger();
    current.version = operations.field(QStringLiteral("row_version")).asString();
    if (const std::optional<data::Operation> saved = editor_.openForChange(current)) {
        showSaved(saved->id);
    }
}

void OperationsWindow::addOperation() {
    const std::optional<data::Operation> saved = editor_.openForAdd();
    if (!saved) {
        return;
    }
    // A new operation takes its place in the list's order: read whole, as the list cannot yet
    // place one re-read row by its order.
    operations_.refresh();
    operations_.locate(QStringLiteral("id"), saved->id);
}

void OperationsWindow::showSaved(int id) {
    operations_.refreshRow(QStringLiteral("id"), id);
    operations_.locate(QStringLiteral("id"), id);
}

void OperationsWindow::openCurrentOperation() {
    if (mode() == Mode::Choose || !pricesCheck_->isChecked()) {
        chooseOrChangeOperation();
        return;
    }
    if (operations_.isEmpty()) {
        return;
    }
    const int id = operations_.field(QStringLiteral("id")).asInteger();
    // Saved norms change this operation's row alone: its base price and norm count.
    if (norms_.openForOperation(id)) {
        showSaved(id);
    }
}

void OperationsWindow::deleteOperation() {
    deleteCurrent(QStringLiteral("Удалить операцию?"),
                  QStringLiteral("Операция используется в записях смен и не может быть удалена."),
                  [this] {
                      data::deleteOperation(session_.connection,
                                            operations_.field(QStringLiteral("id")).asInteger());
                  });
}

void OperationsWindow::exportToSpreadsheet() {
    widgets::BusyCursor busy;
    // Closed again on every path: the rows are needed only while the sheet is written.
    struct CloseAfterwards {
        data::Dataset& rows;
        ~CloseAfterwards() { rows.close(); }
    } closeAfterwards{exportedOperations_};
    exportedOperations_.close();
    exportedOperations_.open();
    spreadsheet_.OpenExcel(QString());
    reports::writeOperations(exportedOperations_, spreadsheet_);
    spreadsheet_.setFileTitle(
        QStringLiteral("Операции ") +
        QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH-mm")));
    spreadsheet_.SetExcelVisible(true);
}

}  // namespace tabel::refdata
