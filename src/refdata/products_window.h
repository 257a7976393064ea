#pragma once
// The products list, from which the operation price editor picks a product.

#include <optional>

#include "widgets/list_window.h"

namespace tabel::data {
class DataModule;
}

namespace tabel::refdata {

struct ProductChoice {
    QString marka;  // trimmed
    int id;
};

class ProductsWindow : public widgets::ListWindow {
    Q_OBJECT
public:
    explicit ProductsWindow(data::DataModule& dm, QWidget* parent = nullptr);

    QPushButton* exitButton;

    // Opens the products, clears the search, shows the list and closes the products again.
    std::optional<ProductChoice> pickProduct();
    // The grid's double-click: there is no choice button.
    void chooseProduct();

protected:
    void onShown() override;
    // Enter chooses, as a double-click does: the list has no choice button to be the default.
    void keyPressEvent(QKeyEvent* event) override;

private:
    data::DataModule& dm_;
    std::optional<ProductChoice> choice_;
};

}  // namespace tabel::refdata
