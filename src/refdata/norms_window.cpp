#include "refdata/norms_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/numbers.h"
#include "data/session.h"
#include "widgets/data_grid.h"
#include "widgets/live_rows.h"
#include "widgets/style.h"

namespace tabel::refdata {

namespace {

const QString kSort = QStringLiteral("norma ASC");

}  // namespace

NormsWindow::NormsWindow(data::Session& session, QWidget* parent)
    : QDialog(parent), operationNorms(&session.connection, QStringLiteral("operationNorms")) {
    setObjectName(QStringLiteral("NormsWindow"));
    setWindowTitle(QStringLiteral("Норматив"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    using T = data::FieldType;
    // Only the norms of the operation shown are read.
    operationNorms.setSql({QStringLiteral("select * from accounts_dep.norm where o_id=:o_id")});
    operationNorms.setTableName(QStringLiteral("accounts_dep.norm"));
    operationNorms.setFieldDefs({{QStringLiteral("id"), T::Integer, true},
                                 {QStringLiteral("o_id"), T::Integer, false},
                                 {QStringLiteral("norma"), T::Integer, false},
                                 {QStringLiteral("price"), T::Float, false},
                                 {QStringLiteral("prize"), T::Integer, false}});
    // Whatever path stores a new row, it belongs to the operation shown.
    connect(&operationNorms, &data::Dataset::beforePost, this, [this] {
        if (operationNorms.state() == data::Dataset::State::Insert) {
            operationNorms.field(QStringLiteral("o_id")).setValue(operationId_);
        }
    });

    normsGrid = new widgets::DataGrid(this);
    normsGrid->setObjectName(QStringLiteral("normsGrid"));
    normsGrid->setBoldTitles(true);
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
    normsGrid->setSource(new widgets::DataSource(&operationNorms, columns, this));
    normsGrid->setEditable(true);
    connect(normsGrid, &widgets::DataGrid::columnEntered, this, &NormsWindow::noteNewRow);
    connect(normsGrid, &widgets::DataGrid::columnExited, this, &NormsWindow::storeChangedRow);

    saveButton =
        widgets::makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Сохранить"));
    saveButton->setDefault(true);
    deleteButton =
        widgets::makeButton(this, QStringLiteral("deleteButton"), QStringLiteral("&Удалить"));
    connect(saveButton, &QPushButton::clicked, this, &NormsWindow::saveAndClose);
    connect(deleteButton, &QPushButton::clicked, this, &NormsWindow::deleteNorm);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(deleteButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(normsGrid, 1);
    layout->addLayout(buttons);
    widgets::fixWindowSize(this, QSize(420, 320));
    // Norms another workstation changes appear while the ladder is open; a new norm of
    // another operation is not read, since the statement reads this operation's only.
    connect(&session.changes, &data::ChangeFeed::changed, this,
            [this](const data::ChangeBatch& batch) {
                widgets::followChanges(operationNorms, normsGrid, QStringLiteral("id"), batch.whole,
                                       widgets::keysOf(batch.norms));
            });
}

bool NormsWindow::openForOperation(int operationId) {
    operationId_ = operationId;
    operationNorms.close();
    operationNorms.setParam(QStringLiteral("o_id"), operationId);
    operationNorms.setFilter(QStringLiteral("o_id=%1").arg(operationId));
    operationNorms.setFiltered(true);
    operationNorms.setSort(kSort);
    operationNorms.open();
    return exec() == QDialog::Accepted;
}

void NormsWindow::reread() {
    operationNorms.close();
    operationNorms.setSort(kSort);  // closing drops the sort
    operationNorms.open();
}

void NormsWindow::storeAndReread() {
    // The post reads the stored row back; only the order by norma is applied again.
    operationNorms.post();
    const QVariant id = operationNorms.field(QStringLiteral("id")).value();
    operationNorms.setSort(kSort);
    if (!id.isNull()) {
        operationNorms.locate(QStringLiteral("id"), id);
    }
}

void NormsWindow::noteNewRow() {
    // Editing itself starts with the first changed cell.
    editingNewRow = operationNorms.isEmpty() || normsGrid->onNewRow();
}

void NormsWindow::storeChangedRow() {
    if (!operationNorms.isModified()) {
        return;
    }
    if (editingNewRow && operationNorms.state() == data::Dataset::State::Insert) {
        operationNorms.field(QStringLiteral("o_id")).setValue(operationId_);
    }
    storeAndReread();
}

void NormsWindow::saveAndClose() {
    normsGrid->commitEditor();
    normsGrid->storePending();
    accept();
}

void NormsWindow::deleteNorm() {
    const bool typingNewRow = operationNorms.state() == data::Dataset::State::Insert;
    if (operationNorms.state() != data::Dataset::State::Browse) {
        operationNorms.cancel();
    }
    // A new row being typed is dropped rather than a stored one deleted.
    if (!typingNewRow && !normsGrid->onNewRow() && operationNorms.recordCount() > 1) {
        operationNorms.deleteRow();
    }
    reread();
}

void NormsWindow::keyPressEvent(QKeyEvent* event) {
    // "Сохранить" is the cancel button too; the title bar's close alone skips saving.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        saveButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void NormsWindow::reject() {
    if (operationNorms.state() != data::Dataset::State::Browse) {
        operationNorms.cancel();
    }
    QDialog::reject();
}

}  // namespace tabel::refdata
