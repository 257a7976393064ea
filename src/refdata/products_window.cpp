#include "refdata/products_window.h"

#include <QKeyEvent>
#include <QPushButton>

#include "data/data_module.h"

namespace tabel::refdata {

ProductsWindow::ProductsWindow(data::DataModule& dm, QWidget* parent)
    : ListWindow(QStringLiteral("ProductsWindow"), QStringLiteral("Изделия"),
                 widgets::SearchBox::Keys::OnlyArrows, parent),
      dm_(dm) {
    bindList(
        &dm_.products,
        {{.field = QStringLiteral("MARKA"), .title = QStringLiteral("Марка изделия"), .name = true},
         {.field = QStringLiteral("massa"),
          .title = QStringLiteral("Коробки"),
          .alignment = Qt::AlignLeft}},
        QStringLiteral("marka"));
    exitButton = appendButton(QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(listGrid, &widgets::DataGrid::rowDoubleClicked, this, &ProductsWindow::chooseProduct);
}

void ProductsWindow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        chooseProduct();
        return;
    }
    ListWindow::keyPressEvent(event);
}

void ProductsWindow::onShown() {
    searchBox->setFocus();
}

std::optional<ProductChoice> ProductsWindow::pickProduct() {
    dm_.products.open();
    clearSearch();
    choice_.reset();
    exec();
    dm_.products.close();
    return choice_;
}

void ProductsWindow::chooseProduct() {
    data::Dataset& products = dm_.products;
    if (products.isEmpty()) {
        return;
    }
    choice_ = ProductChoice{products.field(QStringLiteral("marka")).asString().trimmed(),
                            products.field(QStringLiteral("id")).asInteger()};
    accept();
}

}  // namespace tabel::refdata
