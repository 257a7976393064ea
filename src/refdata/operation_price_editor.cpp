#include "refdata/operation_price_editor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/messages.h"
#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/data_module.h"
#include "data/errors.h"
#include "data/operation_writes.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/products_window.h"
#include "widgets/form_field.h"
#include "widgets/style.h"

namespace tabel::refdata {

namespace {

const QString kDuplicate = QStringLiteral("Операция с такими параметрами уже заведена!");

// The characters "min Цена" keeps: digits, and a comma for either decimal mark.
QString priceCharacters(const QString& text) {
    QString kept;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            kept.append(c);
        } else if (c == u'.' || c == u',') {
            kept.append(u',');
        }
    }
    return kept;
}

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
        check.fieldsError = QStringLiteral("Все поля должны быть заполнены!");
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

TForm10::TForm10(data::TDataModule6& dm, TForm3& products, TForm8& kinds, QWidget* parent)
    : EditorDialog(QStringLiteral("TForm10"), QStringLiteral("Цена операции"), parent),
      dm_(dm),
      products_(products),
      kinds_(kinds) {
    Edit1 = readOnlyField(GroupBox1, "Edit1");
    Button3 = widgets::makeButton(GroupBox1, QStringLiteral("Button3"), QStringLiteral("..."));
    Edit2 = readOnlyField(GroupBox1, "Edit2");
    Button4 = widgets::makeButton(GroupBox1, QStringLiteral("Button4"), QStringLiteral("..."));
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(core::productKindTexts());
    ComboBox1->setCurrentIndex(0);
    Edit3 = new QLineEdit(GroupBox1);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->installEventFilter(this);
    // Pasted or dropped text bypasses the key filter.
    connect(Edit3, &QLineEdit::textEdited, this, &TForm10::keepPriceCharacters);
    for (QPushButton* dots : {Button3, Button4}) {
        dots->setFixedWidth(dots->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);
    }

    auto* grid = new QGridLayout(GroupBox1);
    Label1 = widgets::addField(grid, 0, QStringLiteral("Марка изделия"), Edit1,
                               QStringLiteral("Label1"));
    grid->addWidget(Button3, 0, 2);
    Label2 =
        widgets::addField(grid, 1, QStringLiteral("Операция"), Edit2, QStringLiteral("Label2"));
    grid->addWidget(Button4, 1, 2);
    Label4 = widgets::addField(grid, 2, QStringLiteral("Вид"), ComboBox1, QStringLiteral("Label4"));
    Label3 =
        widgets::addField(grid, 3, QStringLiteral("min Цена"), Edit3, QStringLiteral("Label3"));

    connect(Button3, &QPushButton::clicked, this, &TForm10::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm10::Button4Click);
}

QWidget* TForm10::firstFocus() const {
    return Button3;
}

bool TForm10::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit3 && event->type() == QEvent::KeyPress) {
        return Edit3KeyPress(static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

bool TForm10::Edit3KeyPress(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint()) {
        return false;  // Backspace, Enter, Esc, cursor keys and shortcuts
    }
    const QString kept = priceCharacters(text);
    if (kept == text) {
        return false;
    }
    if (!kept.isEmpty()) {
        Edit3->insert(kept);
    }
    return true;
}

void TForm10::keepPriceCharacters() {
    const QString text = Edit3->text();
    const QString kept = priceCharacters(text);
    if (kept == text) {
        return;
    }
    const int cursor = int(priceCharacters(text.left(Edit3->cursorPosition())).size());
    Edit3->setText(kept);
    Edit3->setCursorPosition(cursor);
}

void TForm10::load(const OperationFields& operation) {
    Edit1->setText(operation.marka.trimmed());
    Edit2->setText(operation.vid.trimmed());
    // Any stage but 0 is a blank.
    ComboBox1->setCurrentIndex(operation.naimen == 0 ? 0 : 1);
    Edit3->setText(operation.price);
    productId = operation.productId;
    kindId = operation.kindId;
}

OperationFields TForm10::fields() const {
    return {Edit1->text(), Edit2->text(), ComboBox1->currentIndex(),
            productId,     kindId,        Edit3->text()};
}

void TForm10::openForAdd() {
    // The product and kind picked last time stay until picked anew.
    load({QString(), QString(), 0, productId, kindId, QString()});
    Edit3->setEnabled(true);
    setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    Tag = 1;
    exec();
}

void TForm10::openForChange(const OperationFields& operation) {
    setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    Tag = 2;
    load(operation);
    Edit3->setEnabled(false);  // prices are the norms
    exec();
}

void TForm10::Button3Click() {
    if (const std::optional<ProductChoice> choice = products_.pickProduct()) {
        Edit1->setText(choice->marka);
        productId = choice->id;
    }
}

void TForm10::Button4Click() {
    if (const std::optional<KindChoice> choice = kinds_.pickKind()) {
        Edit2->setText(choice->vid);
        kindId = choice->id;
    }
}

bool TForm10::isDuplicate(const OperationFields& operation) {
    const data::OperationKey key{kindId, operation.naimen, productId};
    const std::optional<int> except =
        Tag == 1 ? std::nullopt
                 : std::optional<int>(dm_.Oper.field(QStringLiteral("id")).asInteger());
    if (data::countSameOperations(dm_, key, except) == 0) {
        return false;
    }
    core::MessageBoxes::error(kDuplicate);
    return true;
}

bool TForm10::write(const OperationFields& operation, double price) {
    const data::OperationKey key{kindId, operation.naimen, productId};
    int id = Tag == 1 ? 0 : dm_.Oper.field(QStringLiteral("id")).asInteger();
    try {
        if (Tag == 1) {
            id = data::addOperation(dm_, key, price);
        } else {
            data::changeOperation(dm_, id, key);
        }
    } catch (const data::DbError& error) {
        // Another workstation may have written the same operation since the check.
        core::MessageBoxes::error(
            error.kind() == data::DbErrorKind::UniqueViolation ? kDuplicate : error.message());
        return false;
    }
    // The list reads only the operation's own row again.
    dm_.Oper.refreshRow(QStringLiteral("id"), id);
    return true;
}

void TForm10::Button1Click() {
    const OperationFields operation = fields();
    const OperationCheck check = checkOperation(operation, Tag == 1);
    if (!check.fieldsError.isEmpty()) {
        core::MessageBoxes::error(check.fieldsError);
        return;
    }
    if (isDuplicate(operation)) {
        return;
    }
    if (Tag == 1 && !check.priceError.isEmpty()) {
        core::MessageBoxes::error(check.priceError);
        return;
    }
    if (!write(operation, check.price)) {
        return;  // the dialog stays open with what was typed
    }
    accept();
}

}  // namespace tabel::refdata
