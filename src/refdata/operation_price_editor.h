#pragma once
// The editor of one operation's product, kind and stage, and of a new operation's starting
// price: the operation in, the saved operation out.

#include <optional>

#include "core/decimal.h"
#include "data/operation_writes.h"
#include "widgets/editor_dialog.h"

class QComboBox;
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
    core::Decimal price;  // exactly as typed
};

OperationCheck checkOperation(const OperationFields& fields, bool adding);

class OperationPriceEditor : public widgets::EditorDialog {
    Q_OBJECT
public:
    OperationPriceEditor(data::Session& session, ProductsWindow& products,
                         OperationKindsWindow& kinds, QWidget* parent = nullptr);

    // The operation saved, or nothing when the dialog was left without saving.
    std::optional<data::Operation> openForAdd();
    std::optional<data::Operation> openForChange(const OperationFields& operation);

protected:
    void save() override;
    QWidget* firstFocus() const override;

private:
    // The controls from the value and back.
    void load(const OperationFields& operation);
    OperationFields fields() const;
    std::optional<data::Operation> edit(const OperationFields& operation);
    void chooseProduct();
    void chooseKind();

    data::Connection& connection_;
    ProductsWindow& products_;
    OperationKindsWindow& kinds_;
    QLineEdit* productEdit_;
    QPushButton* chooseProductButton_;
    QLineEdit* kindEdit_;
    QPushButton* chooseKindButton_;
    QComboBox* stageCombo_;
    QLineEdit* priceEdit_;
    // Written by the products and kinds lists; kept from the last use.
    int productId_ = 0;
    int kindId_ = 0;
    // The operation of the opening in progress, with the version the next save is made as of.
    OperationFields opened_;
    std::optional<data::Operation> saved_;
};

}  // namespace tabel::refdata
