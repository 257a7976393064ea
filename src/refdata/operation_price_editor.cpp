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

void TForm10::openForAdd() {
    Edit1->clear();
    Edit2->clear();
    ComboBox1->setCurrentIndex(0);
    Edit3->clear();
    Edit3->setEnabled(true);
    setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    Tag = 1;
    exec();
}

void TForm10::openForChange(const OperationFields& operation) {
    setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    Tag = 2;
    Edit1->setText(operation.marka.trimmed());
    Edit2->setText(operation.vid.trimmed());
    // Any stage but 0 is a blank.
    ComboBox1->setCurrentIndex(operation.naimen == 0 ? 0 : 1);
    Edit3->setEnabled(false);  // prices are the norms
    productId = operation.productId;
    kindId = operation.kindId;
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

bool TForm10::isDuplicate(int stage) {
    data::Bindings bindings{{QStringLiteral("vid"), kindId},
                            {QStringLiteral("naimen"), stage},
                            {QStringLiteral("i_id"), productId}};
    if (Tag == 1) {
        return dm_.CheckDuplicate(
            QStringLiteral("select count(ID) as cnt from accounts_dep.OPER where vid=:vid and "
                           "naimen=:naimen and i_id=:i_id"),
            kDuplicate, bindings);
    }
    bindings.append({QStringLiteral("id"), dm_.Oper.field(QStringLiteral("id")).asInteger()});
    return dm_.CheckDuplicate(
        QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=:vid and "
                       "naimen=:naimen and i_id=:i_id and id<>:id"),
        kDuplicate, bindings);
}

void TForm10::addOperation(int stage, double price) {
    // The first norm makes the operation show in the list, so both are written or neither.
    dm_.ADO_DB.inTransaction([&] {
        data::Dataset insert(&dm_.ADO_DB, QStringLiteral("Oper_ins"));
        insert.setSql({dm_.Oper_ins.text() + QStringLiteral(" returning id")});
        insert.setParam(QStringLiteral("oper_vid"), kindId);
        insert.setParam(QStringLiteral("naimen"), stage);
        insert.setParam(QStringLiteral("i_id"), productId);
        insert.setParam(QStringLiteral("cena_new"), price);
        insert.open();
        const int id = insert.field(QStringLiteral("id")).asInteger();
        insert.close();
        data::Command firstNorm(&dm_.ADO_DB, QStringLiteral("norm_ins"),
                                {QStringLiteral("insert into accounts_dep.norm(o_id, norma, "
                                                "prize, price) values (:o_id, 0, 0, :price)")});
        firstNorm.setParam(QStringLiteral("o_id"), id);
        firstNorm.setParam(QStringLiteral("price"), price);
        firstNorm.execute();
    });
}

void TForm10::Button1Click() {
    if (Edit1->text().trimmed().isEmpty() || Edit2->text().trimmed().isEmpty()) {
        core::MessageBoxes::error(QStringLiteral("Все поля должны быть заполнены!"));
        return;
    }
    const int stage = ComboBox1->currentIndex();
    if (isDuplicate(stage)) {
        return;
    }
    if (Tag == 1) {
        const QString typed = Edit3->text().trimmed();
        const std::optional<double> price = core::parseNumber(typed);
        if (typed.isEmpty()) {
            core::MessageBoxes::error(QStringLiteral("Не указана min Цена!"));
            return;
        }
        if (!price || *price < 0) {
            core::MessageBoxes::error(QStringLiteral("Неверное значение цены: %1").arg(typed));
            return;
        }
        addOperation(stage, *price);
    } else {
        data::Command& change = dm_.Oper_ed;
        change.setParam(QStringLiteral("oper_vid"), kindId);
        change.setParam(QStringLiteral("naimen"), stage);
        change.setParam(QStringLiteral("i_id"), productId);
        change.setParam(QStringLiteral("id"), dm_.Oper.field(QStringLiteral("id")).asInteger());
        change.executeOnRow();
    }
    dm_.Oper.refresh();
    accept();
}

}  // namespace tabel::refdata
