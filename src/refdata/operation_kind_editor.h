#pragma once
// TForm9: the editor of one operation kind's name.

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
class TDataModule6;
}

namespace tabel::refdata {

class TForm9 : public QDialog {
    Q_OBJECT
public:
    explicit TForm9(data::TDataModule6& dm, QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;

    // 1 add, 2 rename.
    int Tag = 0;

    void openForAdd();
    // Renames the current row of Vid_oper.
    void openForRename(const QString& currentName);
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool isDuplicate(const QString& name);

    data::TDataModule6& dm_;
};

}  // namespace tabel::refdata
