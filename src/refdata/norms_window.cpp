#include "refdata/norms_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/input_texts.h"
#include "core/numbers.h"
#include "data/errors.h"
#include "data/session.h"
#include "data/value_conversion.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/live_rows.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::refdata {

namespace {

const QString kSort = QStringLiteral("norma ASC");
const QString kNorma = QStringLiteral("norma");
const QString kPrice = QStringLiteral("price");
const QString kPrize = QStringLiteral("prize");

std::optional<int> wholeOf(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<int>(data::toInt32(value));
}

// A typed price is held as its exact text ("1,2345") until stored, a stored one as the double
// its column holds.
std::optional<core::Decimal> priceOf(const QVariant& value) {
    if (value.isNull()) {
        return std::nullopt;
    }
    const std::optional<core::Decimal> price = value.typeId() == QMetaType::QString
                                                   ? core::Decimal::fromText(value.toString())
                                                   : core::Decimal::fromDouble(value.toDouble());
    if (!price) {
        throw data::ConversionError(core::notANumber(QStringLiteral("Цена"), value.toString()));
    }
    return price;
}

double shownPrice(const QVariant& value) {
    return value.typeId() == QMetaType::QString ? core::parseNumber(value.toString()).value_or(0)
                                                : value.toDouble();
}

}  // namespace

NormsWindow::NormsWindow(data::Session& session, QWidget* parent)
    : QDialog(parent),
      connection_(session.connection),
      operationNorms_(&session.connection, QStringLiteral("operationNorms")) {
    setObjectName(QStringLiteral("NormsWindow"));
    setWindowTitle(QStringLiteral("Норматив"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    using T = data::FieldType;
    // Only the norms of the operation shown are read, each with the version it is stored as of.
    operationNorms_.setSql({QStringLiteral(
        "select *, xmin::text as row_version from accounts_dep.norm where o_id=:o_id")});
    operationNorms_.setTableName(QStringLiteral("accounts_dep.norm"));
    operationNorms_.setFieldDefs({{QStringLiteral("id"), T::Integer, true},
                                  {QStringLiteral("o_id"), T::Integer, false},
                                  {kNorma, T::Integer, false},
                                  {kPrice, T::Float, false},
                                  {kPrize, T::Integer, false},
                                  {QStringLiteral("row_version"), T::String, true}});

    normsGrid_ = new widgets::DataGrid(this);
    normsGrid_->setObjectName(QStringLiteral("normsGrid"));
    normsGrid_->setBoldTitles(true);
    const auto price = [](const QVariant& value) {
        return core::formatMask(shownPrice(value), QStringLiteral("#0.00#"));
    };
    const QList<widgets::GridColumn> columns{{.field = kNorma,
                                              .title = QStringLiteral("Норматив"),
                                              .alignment = Qt::AlignRight,
                                              .width = 12,
                                              .input = widgets::readWholeNumber},
                                             {.field = kPrice,
                                              .title = QStringLiteral("Цена"),
                                              .alignment = Qt::AlignRight,
                                              .width = 12,
                                              .format = price,
                                              .input = widgets::readExactNumber},
                                             {.field = kPrize,
                                              .title = QStringLiteral("Премия, %"),
                                              .alignment = Qt::AlignRight,
                                              .width = 12,
                                              .input = widgets::readWholeNumber}};
    normsGrid_->setSource(new widgets::DataSource(&operationNorms_, columns, this));
    normsGrid_->setEditable(true);
    normsGrid_->setRowStore([this] { storeEditedRow(); });
    widgets::connectAction(normsGrid_, &widgets::DataGrid::columnExited, this,
                           [this] { storeChangedRow(); });

    saveButton_ =
        widgets::makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Сохранить"));
    saveButton_->setDefault(true);
    auto* deleteButton =
        widgets::makeButton(this, QStringLiteral("deleteButton"), QStringLiteral("&Удалить"));
    widgets::connectAction(saveButton_, &QPushButton::clicked, this, [this] { saveAndClose(); });
    widgets::connectAction(deleteButton, &QPushButton::clicked, this, [this] { deleteNorm(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton_);
    buttons->addWidget(deleteButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(normsGrid_, 1);
    layout->addLayout(buttons);
    widgets::fixWindowSize(this, QSize(420, 320));
    // Norms another workstation changes appear while the ladder is open; a new norm of
    // another operation is not read, since the statement reads this operation's only.
    connect(&session.changes, &data::ChangeFeed::changed, this,
            [this](const data::ChangeBatch& batch) {
                widgets::followChanges(operationNorms_, normsGrid_, QStringLiteral("id"),
                                       batch.whole, widgets::keysOf(batch.norms));
            });
}

void NormsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        widgets::focusFirstField(this);  // whatever had the focus when it last closed
    }
}

bool NormsWindow::openForOperation(int operationId) {
    operationId_ = operationId;
    operationNorms_.close();
    operationNorms_.setParam(QStringLiteral("o_id"), operationId);
    operationNorms_.setFilter(QStringLiteral("o_id=%1").arg(operationId));
    operationNorms_.setFiltered(true);
    operationNorms_.setSort(kSort);
    operationNorms_.open();
    return exec() == QDialog::Accepted;
}

void NormsWindow::reread() {
    operationNorms_.close();
    operationNorms_.setSort(kSort);  // closing drops the sort
    operationNorms_.open();
}

data::Norm NormsWindow::storedNorm() {
    data::Dataset& norms = operationNorms_;
    const auto read = [&](const QString& field) {
        return norms.valueAt(norms.currentRow(), norms.fieldIndex(field));
    };
    return {.id = data::toInt32(read(QStringLiteral("id"))),
            .operationId = operationId_,
            .norma = wholeOf(read(kNorma)),
            .price = priceOf(read(kPrice)),
            .prize = wholeOf(read(kPrize)),
            .version = read(QStringLiteral("row_version")).toString()};
}

data::Norm NormsWindow::editedNorm() {
    data::Dataset& norms = operationNorms_;
    return {.id = norms.field(QStringLiteral("id")).asInteger(),
            .operationId = operationId_,
            .norma = wholeOf(norms.field(kNorma).value()),
            .price = priceOf(norms.field(kPrice).value()),
            .prize = wholeOf(norms.field(kPrize).value()),
            .version = norms.field(QStringLiteral("row_version")).asString()};
}

void NormsWindow::storeEditedRow() {
    data::Dataset& norms = operationNorms_;
    if (norms.state() == data::Dataset::State::Browse) {
        return;
    }
    const bool adding = norms.state() == data::Dataset::State::Insert;
    const data::Norm typed = editedNorm();
    const data::Norm read = adding ? data::Norm{} : storedNorm();
    if (!adding && typed.sameFigures(read)) {
        // A cell left with the figure it had ("3" over 3,00): nothing to store.
        norms.cancel();
        normsGrid_->source()->model()->refreshPendingRow();
        return;
    }
    data::Norm saved;
    try {
        saved = adding ? data::addNorm(connection_, typed) : data::changeNorm(connection_, typed);
    } catch (const data::DbError& error) {
        if (error.kind() == data::DbErrorKind::RowChanged) {
            keepTypedOver(read, typed);
        } else if (error.kind() == data::DbErrorKind::RowGone) {
            norms.cancel();
            reread();
        }
        throw;
    }
    norms.cancel();
    // The stored row takes its place by norma, and editing goes on there.
    norms.refreshRow(QStringLiteral("id"), saved.id);
}

void NormsWindow::keepTypedOver(const data::Norm& read, const data::Norm& typed) {
    data::Dataset& norms = operationNorms_;
    QList<std::pair<QString, QVariant>> typedCells;
    if (typed.norma != read.norma) {
        typedCells.append({kNorma, norms.field(kNorma).value()});
    }
    if (typed.price != read.price) {
        typedCells.append({kPrice, norms.field(kPrice).value()});
    }
    if (typed.prize != read.prize) {
        typedCells.append({kPrize, norms.field(kPrize).value()});
    }
    norms.cancel();
    norms.refreshRow(QStringLiteral("id"), typed.id);
    if (!norms.locate(QStringLiteral("id"), typed.id)) {
        return;  // deleted by now after all
    }
    norms.edit();
    for (const auto& [field, value] : typedCells) {
        norms.field(field).setValue(value);
    }
    normsGrid_->source()->model()->refreshPendingRow();
}

void NormsWindow::storeChangedRow() {
    if (operationNorms_.isModified()) {
        storeEditedRow();
    }
}

void NormsWindow::saveAndClose() {
    normsGrid_->commitEditor();
    normsGrid_->storePending();
    accept();
}

void NormsWindow::deleteNorm() {
    data::Dataset& norms = operationNorms_;
    const bool typingNewRow = norms.state() == data::Dataset::State::Insert;
    if (norms.state() != data::Dataset::State::Browse) {
        norms.cancel();
    }
    // A new row being typed is dropped rather than a stored one deleted.
    if (!typingNewRow && !normsGrid_->onNewRow() && norms.recordCount() > 1) {
        try {
            data::deleteNorm(connection_, storedNorm());
        } catch (const data::DbError&) {
            reread();  // the user sees the ladder as it is now
            throw;
        }
    }
    reread();
}

void NormsWindow::keyPressEvent(QKeyEvent* event) {
    // "Сохранить" is the cancel button too; the title bar's close alone skips saving.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        saveButton_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void NormsWindow::reject() {
    if (operationNorms_.state() != data::Dataset::State::Browse) {
        operationNorms_.cancel();
    }
    QDialog::reject();
}

}  // namespace tabel::refdata
