#pragma once
// TForm10: the editor of one operation's product, kind and stage, and of a new operation's
// starting price.

#include "widgets/editor_dialog.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
class TDataModule6;
}

namespace tabel::refdata {

class TForm3;
class TForm8;

// The operation the dialog edits: what the list hands over for a change, and what the
// controls hold.
struct OperationFields {
    QString marka;
    QString vid;
    int naimen = 0;
    int productId = 0;
    int kindId = 0;
    QString price;  // "min Цена" as typed; a new operation's only
};

// The verdict on the dialog's values before the database is asked.
struct OperationCheck {
    QString fieldsError;  // product or kind missing
    QString priceError;   // adding only: the price missing or no valid number
    double price = 0;
};

OperationCheck checkOperation(const OperationFields& fields, bool adding);

class TForm10 : public widgets::EditorDialog {
    Q_OBJECT
public:
    TForm10(data::TDataModule6& dm, TForm3& products, TForm8& kinds, QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button3;
    QLabel* Label2;
    QLineEdit* Edit2;
    QPushButton* Button4;
    QLabel* Label4;
    QComboBox* ComboBox1;
    QLabel* Label3;
    QLineEdit* Edit3;
    // Written by the products and kinds lists; kept from the last use.
    int productId = 0;
    int kindId = 0;

    void openForAdd();
    // Changes the current row of Oper.
    void openForChange(const OperationFields& operation);

    // The controls from the value and back.
    void load(const OperationFields& operation);
    OperationFields fields() const;

    void Button1Click() override;
    void Button3Click();
    void Button4Click();
    // Digits and Backspace pass, "." and "," enter a comma, any other character is dropped;
    // true when the key was handled here.
    bool Edit3KeyPress(QKeyEvent* event);

protected:
    QWidget* firstFocus() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isDuplicate(const OperationFields& operation);
    bool write(const OperationFields& operation, double price);
    void keepPriceCharacters();

    data::TDataModule6& dm_;
    TForm3& products_;
    TForm8& kinds_;
};

}  // namespace tabel::refdata
