#pragma once
// TForm9: the editor of one operation kind's name.

#include "widgets/editor_dialog.h"

class QLabel;
class QLineEdit;

namespace tabel::data {
class TDataModule6;
}

namespace tabel::refdata {

class TForm9 : public widgets::EditorDialog {
    Q_OBJECT
public:
    explicit TForm9(data::TDataModule6& dm, QWidget* parent = nullptr);

    QLabel* Label2;
    QLineEdit* Edit1;

    void openForAdd();
    // Renames the current row of Vid_oper.
    void openForRename(const QString& currentName);
    void Button1Click() override;

protected:
    QWidget* firstFocus() const override;

private:
    bool isDuplicate(const QString& name);

    data::TDataModule6& dm_;
};

}  // namespace tabel::refdata
