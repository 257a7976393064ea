#pragma once
// TForm3: the products list, from which the operation price editor picks a product.

#include <optional>

#include "widgets/list_window.h"

namespace tabel::data {
class TDataModule6;
}

namespace tabel::refdata {

struct ProductChoice {
    QString marka;  // trimmed
    int id;
};

class TForm3 : public widgets::ListWindow {
    Q_OBJECT
public:
    explicit TForm3(data::TDataModule6& dm, QWidget* parent = nullptr);

    QPushButton* Button4;

    // Opens Izdel, clears the search, shows the list and closes Izdel again.
    std::optional<ProductChoice> pickProduct();
    void Button2Click();

protected:
    void FormActivate() override;

private:
    data::TDataModule6& dm_;
    std::optional<ProductChoice> choice_;
};

}  // namespace tabel::refdata
