#include "refdata/operation_price_editor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/input_texts.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/errors.h"
#include "data/operation_writes.h"
#include "data/session.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/products_window.h"
#include "widgets/form_field.h"
#include "widgets/input_filters.h"
#include "widgets/style.h"

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
    const std::optional<double> price = core::parseNumber(typed);
    if (typed.isEmpty()) {
        check.priceError = QStringLiteral("Не указана min Цена!");
    } else if (!price || *price < 0) {
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
    productEdit = readOnlyField(fieldsGroup, "productEdit");
    chooseProductButton = widgets::makeButton(fieldsGroup, QStringLiteral("chooseProductButton"),
                                              QStringLiteral("..."));
    kindEdit = readOnlyField(fieldsGroup, "kindEdit");
    chooseKindButton =
        widgets::makeButton(fieldsGroup, QStringLiteral("chooseKindButton"), QStringLiteral("..."));
    stageCombo = new QComboBox(fieldsGroup);
    stageCombo->setObjectName(QStringLiteral("stageCombo"));
    stageCombo->addItems(core::productKindTexts());
    stageCombo->setCurrentIndex(0);
    priceEdit = new QLineEdit(fieldsGroup);
    priceEdit->setObjectName(QStringLiteral("priceEdit"));
    widgets::acceptDecimalInput(priceEdit);
    for (QPushButton* dots : {chooseProductButton, chooseKindButton}) {
        dots->setFixedWidth(dots->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);
    }

    auto* grid = new QGridLayout(fieldsGroup);
    productLabel = widgets::addField(grid, 0, QStringLiteral("&Марка изделия"), productEdit,
                                     QStringLiteral("productLabel"));
    grid->addWidget(chooseProductButton, 0, 2);
    kindLabel = widgets::addField(grid, 1, QStringLiteral("&Операция"), kindEdit,
                                  QStringLiteral("kindLabel"));
    grid->addWidget(chooseKindButton, 1, 2);
    stageLabel = widgets::addField(grid, 2, QStringLiteral("&Вид"), stageCombo,
                                   QStringLiteral("stageLabel"));
    priceLabel = widgets::addField(grid, 3, QStringLiteral("min &Цена"), priceEdit,
                                   QStringLiteral("priceLabel"));

    connect(chooseProductButton, &QPushButton::clicked, this, &OperationPriceEditor::chooseProduct);
    connect(chooseKindButton, &QPushButton::clicked, this, &OperationPriceEditor::chooseKind);
}

QWidget* OperationPriceEditor::firstFocus() const {
    return chooseProductButton;
}

void OperationPriceEditor::load(const OperationFields& operation) {
    productEdit->setText(operation.marka.trimmed());
    kindEdit->setText(operation.vid.trimmed());
    // Any stage but 0 is a blank.
    stageCombo->setCurrentIndex(operation.naimen == 0 ? 0 : 1);
    priceEdit->setText(operation.price);
    productId = operation.productId;
    kindId = operation.kindId;
}

OperationFields OperationPriceEditor::fields() const {
    return {.marka = productEdit->text(),
            .vid = kindEdit->text(),
            .naimen = stageCombo->currentIndex(),
            .productId = productId,
            .kindId = kindId,
            .price = priceEdit->text(),
            .id = opened_.id,
            .version = opened_.version};
}

std::optional<int> OperationPriceEditor::openForAdd() {
    // The product and kind picked last time stay until picked anew.
    opened_ = OperationFields();
    opened_.productId = productId;
    opened_.kindId = kindId;
    load(opened_);
    priceEdit->setEnabled(true);
    setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    mode = Mode::Add;
    saved_.reset();
    exec();
    return saved_;
}

std::optional<int> OperationPriceEditor::openForChange(const OperationFields& operation) {
    setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    mode = Mode::Change;
    opened_ = operation;
    load(operation);
    priceEdit->setEnabled(false);  // prices are the norms
    saved_.reset();
    exec();
    return saved_;
}

void OperationPriceEditor::chooseProduct() {
    if (const std::optional<ProductChoice> choice = products_.pickProduct()) {
        productEdit->setText(choice->marka);
        productId = choice->id;
    }
}

void OperationPriceEditor::chooseKind() {
    if (const std::optional<KindChoice> choice = kinds_.pickKind()) {
        kindEdit->setText(choice->vid);
        kindId = choice->id;
    }
}

bool OperationPriceEditor::isDuplicate(const OperationFields& operation) {
    const data::OperationKey key{kindId, operation.naimen, productId};
    const std::optional<int> except =
        mode == Mode::Add ? std::nullopt : std::optional<int>(opened_.id);
    if (data::countSameOperations(connection_, key, except) == 0) {
        return false;
    }
    core::MessageBoxes::error(kDuplicate);
    return true;
}

bool OperationPriceEditor::write(const OperationFields& operation, double price) {
    const data::OperationKey key{kindId, operation.naimen, productId};
    int id = mode == Mode::Add ? 0 : opened_.id;
    try {
        if (mode == Mode::Add) {
            id = data::addOperation(connection_, key, price);
        } else {
            data::changeOperation(connection_, id, key, opened_.version);
        }
    } catch (const data::DbError& error) {
        // Another workstation may have written the same operation since the check.
        core::MessageBoxes::error(error.kind() == data::DbErrorKind::UniqueViolation
                                      ? kDuplicate
                                      : data::userMessageOf(error));
        if (error.kind() == data::DbErrorKind::RowChanged) {
            // The user has been told: the next "Сохранить" stores what is typed over it.
            opened_.version = data::operationVersion(connection_, id);
        }
        return false;
    }
    saved_ = id;
    return true;
}

void OperationPriceEditor::save() {
    const OperationFields operation = fields();
    const OperationCheck check = checkOperation(operation, mode == Mode::Add);
    if (!check.fieldsError.isEmpty()) {
        core::MessageBoxes::error(check.fieldsError);
        return;
    }
    if (isDuplicate(operation)) {
        return;
    }
    if (mode == Mode::Add && !check.priceError.isEmpty()) {
        core::MessageBoxes::error(check.priceError);
        return;
    }
    if (!write(operation, check.price)) {
        return;  // the dialog stays open with what was typed
    }
    accept();
}

}  // namespace tabel::refdata
