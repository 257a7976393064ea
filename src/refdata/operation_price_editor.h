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

// The operation the list hands over for a change.
struct OperationFields {
    QString marka;
    QString vid;
    int naimen = 0;
    int productId = 0;
    int kindId = 0;
};

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
    bool isDuplicate(int stage);
    int addOperation(int stage, double price);  // the new operation's id
    void keepPriceCharacters();

    data::TDataModule6& dm_;
    TForm3& products_;
    TForm8& kinds_;
};

}  // namespace tabel::refdata
