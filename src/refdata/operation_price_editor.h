#pragma once
// The editor of one operation's product, kind and stage, and of a new operation's starting
// price.

#include <optional>

#include "widgets/editor_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
class Connection;
struct Session;
}  // namespace tabel::data

namespace tabel::refdata {

class ProductsWindow;
class OperationKindsWindow;

// The operation the dialog edits: what the list hands over for a change, and what the
// controls hold.
struct OperationFields {
    QString marka;
    QString vid;
    int naimen = 0;
    int productId = 0;
    int kindId = 0;
    QString price;    // "min Цена" as typed; a new operation's only
    int id = 0;       // the operation changed; 0 for a new one
    QString version;  // its version (xmin) as the list read it
};

// The verdict on the dialog's values before the database is asked.
struct OperationCheck {
    QString fieldsError;  // product or kind missing
    QString priceError;   // adding only: the price missing or no valid number
    double price = 0;
};

OperationCheck checkOperation(const OperationFields& fields, bool adding);

class OperationPriceEditor : public widgets::EditorDialog {
    Q_OBJECT
public:
    OperationPriceEditor(data::Session& session, ProductsWindow& products,
                         OperationKindsWindow& kinds, QWidget* parent = nullptr);

    QLabel* productLabel;
    QLineEdit* productEdit;
    QPushButton* chooseProductButton;
    QLabel* kindLabel;
    QLineEdit* kindEdit;
    QPushButton* chooseKindButton;
    QLabel* stageLabel;
    QComboBox* stageCombo;
    QLabel* priceLabel;
    QLineEdit* priceEdit;
    // Written by the products and kinds lists; kept from the last use.
    int productId = 0;
    int kindId = 0;

    // The id of the operation saved, or nothing when the dialog was left without saving.
    std::optional<int> openForAdd();
    std::optional<int> openForChange(const OperationFields& operation);

    // The controls from the value and back.
    void load(const OperationFields& operation);
    OperationFields fields() const;

    void save() override;
    void chooseProduct();
    void chooseKind();

protected:
    QWidget* firstFocus() const override;

private:
    bool isDuplicate(const OperationFields& operation);
    bool write(const OperationFields& operation, double price);

    data::Connection& connection_;
    // The operation of the opening in progress.
    OperationFields opened_;
    std::optional<int> saved_;
    ProductsWindow& products_;
    OperationKindsWindow& kinds_;
};

}  // namespace tabel::refdata
