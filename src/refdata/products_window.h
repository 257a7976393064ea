#pragma once
// The products list, from which the operation price editor picks a product.

#include <optional>

#include "data/dataset.h"
#include "widgets/list_window.h"

namespace tabel::data {
struct Session;
}

namespace tabel::refdata {

struct ProductChoice {
    QString marka;  // trimmed
    int id;
};

class ProductsWindow : public widgets::ListWindow {
    Q_OBJECT
public:
    explicit ProductsWindow(data::Session& session, QWidget* parent = nullptr);

    // Opens the products, clears the search, shows the list and closes the products again.
    std::optional<ProductChoice> pickProduct();

protected:
    void onShown() override;
    // Enter chooses, as a double-click does: the list has no choice button to be the default.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void chooseProduct();

    data::Dataset products_;
    std::optional<ProductChoice> choice_;
};

}  // namespace tabel::refdata
