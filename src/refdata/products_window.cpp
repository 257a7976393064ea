#include "refdata/products_window.h"

#include <QKeyEvent>
#include <QPushButton>

#include "data/session.h"
#include "refdata/reference_statements.h"
#include "widgets/user_action.h"

namespace tabel::refdata {

ProductsWindow::ProductsWindow(data::Session& session, QWidget* parent)
    : ListWindow(QStringLiteral("ProductsWindow"), QStringLiteral("Изделия"),
                 widgets::SearchBox::Keys::OnlyArrows, parent),
      products_(&session.connection, QStringLiteral("Izdel")) {
    prepareProducts(products_);
    bindList(
        &products_,
        {{.field = QStringLiteral("MARKA"), .title = QStringLiteral("Марка изделия"), .name = true},
         {.field = QStringLiteral("massa"),
          .title = QStringLiteral("Коробки"),
          .alignment = Qt::AlignLeft}},
        QStringLiteral("marka"));
    appendButton(QStringLiteral("exitButton"), QStringLiteral("В&ыход"), [this] { reject(); });
    // There is no choice button: the grid's double-click chooses.
    widgets::connectAction(listGrid(), &widgets::DataGrid::rowDoubleClicked, this,
                           [this] { chooseProduct(); });
}

void ProductsWindow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        widgets::runAction([this] { chooseProduct(); });
        return;
    }
    ListWindow::keyPressEvent(event);
}

void ProductsWindow::onShown() {
    searchBox()->setFocus();
}

std::optional<ProductChoice> ProductsWindow::pickProduct() {
    products_.open();
    clearSearch();
    choice_.reset();
    exec();
    products_.close();
    return choice_;
}

void ProductsWindow::chooseProduct() {
    data::Dataset& products = products_;
    if (products.isEmpty()) {
        return;
    }
    choice_ = ProductChoice{products.field(QStringLiteral("marka")).asString().trimmed(),
                            products.field(QStringLiteral("id")).asInteger()};
    accept();
}

}  // namespace tabel::refdata
