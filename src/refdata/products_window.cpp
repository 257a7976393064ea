#include "refdata/products_window.h"

#include <QPushButton>

#include "data/data_module.h"

namespace tabel::refdata {

TForm3::TForm3(data::TDataModule6& dm, QWidget* parent)
    : ListWindow(QStringLiteral("TForm3"), QStringLiteral("Изделия"),
                 widgets::SearchBox::Keys::OnlyArrows, parent),
      dm_(dm) {
    bindList(
        &dm_.Izdel,
        {{.field = QStringLiteral("MARKA"), .title = QStringLiteral("Марка изделия"), .name = true},
         {.field = QStringLiteral("massa"),
          .title = QStringLiteral("Коробки"),
          .alignment = Qt::AlignLeft}},
        QStringLiteral("marka"));
    Button4 = addButton(QStringLiteral("Button4"), QStringLiteral("Выход"));
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    connect(DBGrid1, &widgets::DataGrid::rowDoubleClicked, this, &TForm3::Button2Click);
}

void TForm3::FormActivate() {
    Edit1->setFocus();
}

std::optional<ProductChoice> TForm3::pickProduct() {
    dm_.Izdel.open();
    clearSearch();
    choice_.reset();
    exec();
    dm_.Izdel.close();
    return choice_;
}

void TForm3::Button2Click() {
    data::Dataset& products = dm_.Izdel;
    if (products.isEmpty()) {
        return;
    }
    choice_ = ProductChoice{products.field(QStringLiteral("marka")).asString().trimmed(),
                            products.field(QStringLiteral("id")).asInteger()};
    accept();
}

}  // namespace tabel::refdata
