#include "refdata/operation_price_editor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "core/input_texts.h"
#include "core/messages.h"
#include "core/product_kind.h"
#include "data/errors.h"
#include "data/session.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/products_window.h"
#include "widgets/form_field.h"
#include "widgets/input_filters.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::refdata {

namespace {

const QString kDuplicate = QStringLiteral("Операция с такими параметрами уже заведена!");

QLineEdit* readOnlyField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);  // Tab skips it
    field->setMinimumWidth(260);
    return field;
}

}  // namespace

OperationCheck checkOperation(const OperationFields& fields, bool adding) {
    OperationCheck check;
    if (fields.marka.trimmed().isEmpty() || fields.vid.trimmed().isEmpty()) {
        check.fieldsError = core::kFillAllFields;
    }
    if (!adding) {
        return check;
    }
    const QString typed = fields.price.trimmed();
    const std::optional<core::Decimal> price = core::Decimal::fromText(typed);
    if (typed.isEmpty()) {
        check.priceError = QStringLiteral("Не указана min Цена!");
    } else if (!price || price->isNegative()) {
        check.priceError = QStringLiteral("Неверное значение цены: %1").arg(typed);
    } else {
        check.price = *price;
    }
    return check;
}

OperationPriceEditor::OperationPriceEditor(data::Session& session, ProductsWindow& products,
                                           OperationKindsWindow& kinds, QWidget* parent)
    : EditorDialog(QStringLiteral("OperationPriceEditor"), QStringLiteral("Цена операции"), parent),
      connection_(session.connection),
      products_(products),
      kinds_(kinds) {
    QGroupBox* group = fieldsGroup();
    productEdit_ = readOnlyField(group, "productEdit");
    chooseProductButton_ =
        widgets::makeButton(group, QStringLiteral("chooseProductButton"), QStringLiteral("..."));
    kindEdit_ = readOnlyField(group, "kindEdit");
    chooseKindButton_ =
        widgets::makeButton(group, QStringLiteral("chooseKindButton"), QStringLiteral("..."));
    stageCombo_ = new QComboBox(group);
    stageCombo_->setObjectName(QStringLiteral("stageCombo"));
    stageCombo_->addItems(core::productKindTexts());
    stageCombo_->setCurrentIndex(0);
    priceEdit_ = new QLineEdit(group);
    priceEdit_->setObjectName(QStringLiteral("priceEdit"));
    widgets::acceptDecimalInput(priceEdit_);
    for (QPushButton* dots : {chooseProductButton_, chooseKindButton_}) {
        dots->setFixedWidth(dots->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);
    }

    auto* grid = new QGridLayout(group);
    widgets::addField(grid, 0, QStringLiteral("&Марка изделия"), productEdit_,
                      QStringLiteral("productLabel"));
    grid->addWidget(chooseProductButton_, 0, 2);
    widgets::addField(grid, 1, QStringLiteral("&Операция"), kindEdit_, QStringLiteral("kindLabel"));
    grid->addWidget(chooseKindButton_, 1, 2);
    widgets::addField(grid, 2, QStringLiteral("&Вид"), stageCombo_, QStringLiteral("stageLabel"));
    widgets::addField(grid, 3, QStringLiteral("min &Цена"), priceEdit_,
                      QStringLiteral("priceLabel"));

    widgets::connectAction(chooseProductButton_, &QPushButton::clicked, this,
                           [this] { chooseProduct(); });
    widgets::connectAction(chooseKindButton_, &QPushButton::clicked, this,
                           [this] { chooseKind(); });
}

QWidget* OperationPriceEditor::firstFocus() const {
    return chooseProductButton_;
}

void OperationPriceEditor::load(const OperationFields& operation) {
    productEdit_->setText(operation.marka.trimmed());
    kindEdit_->setText(operation.vid.trimmed());
    // Any stage but 0 is a blank.
    stageCombo_->setCurrentIndex(operation.naimen == 0 ? 0 : 1);
    priceEdit_->setText(operation.price);
    productId_ = operation.productId;
    kindId_ = operation.kindId;
}

OperationFields OperationPriceEditor::fields() const {
    return {.marka = productEdit_->text(),
            .vid = kindEdit_->text(),
            .naimen = stageCombo_->currentIndex(),
            .productId = productId_,
            .kindId = kindId_,
            .price = priceEdit_->text(),
            .id = opened_.id,
            .version = opened_.version};
}

std::optional<data::Operation> OperationPriceEditor::openForAdd() {
    // The product and kind picked last time stay until picked anew.
    OperationFields operation;
    operation.productId = productId_;
    operation.kindId = kindId_;
    priceEdit_->setEnabled(true);
    setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    setMode(Mode::Add);
    return edit(operation);
}

std::optional<data::Operation> OperationPriceEditor::openForChange(
    const OperationFields& operation) {
    setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    setMode(Mode::Change);
    priceEdit_->setEnabled(false);  // prices are the norms
    return edit(operation);
}

std::optional<data::Operation> OperationPriceEditor::edit(const OperationFields& operation) {
    opened_ = operation;
    load(operation);
    saved_.reset();
    exec();
    return saved_;
}

void OperationPriceEditor::chooseProduct() {
    if (const std::optional<ProductChoice> choice = products_.pickProduct()) {
        productEdit_->setText(choice->marka);
        productId_ = choice->id;
    }
}

void OperationPriceEditor::chooseKind() {
    if (const std::optional<KindChoice> choice = kinds_.pickKind()) {
        kindEdit_->setText(choice->vid);
        kindId_ = choice->id;
    }
}

void OperationPriceEditor::save() {
    const bool adding = mode() == Mode::Add;
    const OperationFields typed = fields();
    const OperationCheck check = checkOperation(typed, adding);
    if (!check.fieldsError.isEmpty()) {
        core::MessageBoxes::error(check.fieldsError);
        return;
    }
    const data::Operation operation{.id = typed.id,
                                    .kindId = typed.kindId,
                                    .stage = typed.naimen,
                                    .productId = typed.productId,
                                    .version = typed.version};
    if (data::countSameOperations(connection_, operation) > 0) {
        core::MessageBoxes::error(kDuplicate);
        return;
    }
    if (adding && !check.priceError.isEmpty()) {
        core::MessageBoxes::error(check.priceError);
        return;
    }
    // A refusal leaves the dialog open with what was typed.
    try {
        saved_ = adding ? data::addOperation(connection_, operation, check.price)
                        : data::changeOperation(connection_, operation);
    } catch (const data::DbError& error) {
        if (error.kind() == data::DbErrorKind::UniqueViolation) {
            // Another workstation wrote the same operation since the check.
            core::MessageBoxes::error(kDuplicate);
            return;
        }
        if (error.kind() == data::DbErrorKind::RowChanged) {
            // The user is told: the next "Записать" stores what is typed over it.
            opened_.version = data::operationVersion(connection_, operation.id);
        }
        throw;
    }
    accept();
}

}  // namespace tabel::refdata
