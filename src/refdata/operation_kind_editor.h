#pragma once
// The editor of one operation kind's name.

#include "widgets/editor_dialog.h"

class QLabel;
class QLineEdit;

namespace tabel::data {
class DataModule;
}

namespace tabel::refdata {

class OperationKindEditor : public widgets::EditorDialog {
    Q_OBJECT
public:
    explicit OperationKindEditor(data::DataModule& dm, QWidget* parent = nullptr);

    QLabel* nameLabel;
    QLineEdit* nameEdit;

    void openForAdd();
    // Renames the current row of the operation kinds.
    void openForRename(const QString& currentName);
    void save() override;

protected:
    QWidget* firstFocus() const override;

private:
    bool isDuplicate(const QString& name);

    data::DataModule& dm_;
};

}  // namespace tabel::refdata
