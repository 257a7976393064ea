#include "refdata/norms_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/numbers.h"
#include "data/data_module.h"
#include "widgets/data_grid.h"
#include "widgets/style.h"

namespace tabel::refdata {

namespace {

const QString kSort = QStringLiteral("norma ASC");

}  // namespace

TForm22::TForm22(data::TDataModule6& dm, QWidget* parent)
    : QDialog(parent), norm(&dm.ADO_DB, QStringLiteral("norm")), dm_(dm) {
    setObjectName(QStringLiteral("TForm22"));
    setWindowTitle(QStringLiteral("Норматив"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    using T = data::FieldType;
    // Only the norms of the operation shown are read.
    norm.setSql({QStringLiteral("select * from accounts_dep.norm where o_id=:o_id")});
    norm.setTableName(QStringLiteral("accounts_dep.norm"));
    norm.setFieldDefs({{QStringLiteral("id"), T::Integer, true},
                       {QStringLiteral("o_id"), T::Integer, false},
                       {QStringLiteral("norma"), T::Integer, false},
                       {QStringLiteral("price"), T::Float, false},
                       {QStringLiteral("prize"), T::Integer, false}});
    // Whatever path stores a new row, it belongs to the operation shown.
    connect(&norm, &data::Dataset::beforePost, this, [this] {
        if (norm.state() == data::Dataset::State::Insert) {
            norm.field(QStringLiteral("o_id")).setValue(operationId_);
        }
    });

    DBGrid1 = new widgets::DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setBoldTitles(true);
    const auto price = [](const QVariant& value) {
        return core::formatMask(value.toDouble(), QStringLiteral("#0.00#"));
    };
    const QList<widgets::GridColumn> columns{{.field = QStringLiteral("norma"),
                                              .title = QStringLiteral("Норматив"),
                                              .alignment = Qt::AlignRight,
                                              .width = 12,
                                              .input = widgets::readWholeNumber},
                                             {.field = QStringLiteral("price"),
                                              .title = QStringLiteral("Цена"),
                                              .alignment = Qt::AlignRight,
                                              .width = 12,
                                              .format = price,
                                              .input = widgets::readNumber},
                                             {.field = QStringLiteral("prize"),
                                              .title = QStringLiteral("Премия, %"),
                                              .alignment = Qt::AlignRight,
                                              .width = 12,
                                              .input = widgets::readWholeNumber}};
    DBGrid1->setSource(new widgets::DataSource(&norm, columns, this));
    DBGrid1->setEditable(true);
    connect(DBGrid1, &widgets::DataGrid::columnEntered, this, &TForm22::DBGrid1ColEnter);
    connect(DBGrid1, &widgets::DataGrid::columnExited, this, &TForm22::DBGrid1ColExit);

    Button1 = widgets::makeButton(this, QStringLiteral("Button1"), QStringLiteral("Сохранить"));
    Button1->setDefault(true);
    Button2 = widgets::makeButton(this, QStringLiteral("Button2"), QStringLiteral("Удалить"));
    connect(Button1, &QPushButton::clicked, this, &TForm22::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm22::Button2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons);
    widgets::fixWindowSize(this, QSize(420, 320));
}

void TForm22::openForOperation(int operationId) {
    operationId_ = operationId;
    norm.close();
    norm.setParam(QStringLiteral("o_id"), operationId);
    norm.setFilter(QStringLiteral("o_id=%1").arg(operationId));
    norm.setFiltered(true);
    norm.setSort(kSort);
    norm.open();
    exec();
}

void TForm22::reread() {
    norm.close();
    norm.setSort(kSort);  // closing drops the sort
    norm.open();
}

void TForm22::storeAndReread() {
    // The post reads the stored row back; only the order by norma is applied again.
    norm.post();
    const QVariant id = norm.field(QStringLiteral("id")).value();
    norm.setSort(kSort);
    if (!id.isNull()) {
        norm.locate(QStringLiteral("id"), id);
    }
}

void TForm22::DBGrid1ColEnter() {
    // Editing itself starts with the first changed cell.
    NewRow = norm.isEmpty() || DBGrid1->onNewRow() ? 1 : 0;
}

void TForm22::DBGrid1ColExit() {
    if (!norm.isModified()) {
        return;
    }
    if (NewRow == 1 && norm.state() == data::Dataset::State::Insert) {
        norm.field(QStringLiteral("o_id")).setValue(operationId_);
    }
    storeAndReread();
}

void TForm22::Button1Click() {
    DBGrid1->commitEditor();
    DBGrid1->storePending();
    // Only this operation's row of the list follows: its base price and norm count.
    dm_.Oper.refreshRow(QStringLiteral("id"), operationId_);
    accept();
}

void TForm22::Button2Click() {
    const bool typingNewRow = norm.state() == data::Dataset::State::Insert;
    if (norm.state() != data::Dataset::State::Browse) {
        norm.cancel();
    }
    // A new row being typed is dropped rather than a stored one deleted.
    if (!typingNewRow && !DBGrid1->onNewRow() && norm.recordCount() > 1) {
        norm.deleteRow();
    }
    reread();
}

void TForm22::keyPressEvent(QKeyEvent* event) {
    // "Сохранить" is the cancel button too; the title bar's close alone skips saving.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Button1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm22::reject() {
    if (norm.state() != data::Dataset::State::Browse) {
        norm.cancel();
    }
    QDialog::reject();
}

}  // namespace tabel::refdata
