#pragma once
// The editor of one operation kind's name.

#include "widgets/editor_dialog.h"

class QLabel;
class QLineEdit;

namespace tabel::data {
class Connection;
class Dataset;
struct Session;
}  // namespace tabel::data

namespace tabel::refdata {

class OperationKindEditor : public widgets::EditorDialog {
    Q_OBJECT
public:
    explicit OperationKindEditor(data::Session& session, QWidget* parent = nullptr);

    QLabel* nameLabel;
    QLineEdit* nameEdit;

    // Adds a kind to `kinds`, the opener's list, which shows it afterwards.
    void openForAdd(data::Dataset& kinds);
    // Renames the current row of `kinds`.
    void openForRename(data::Dataset& kinds, const QString& currentName);
    void save() override;

protected:
    QWidget* firstFocus() const override;

private:
    bool isDuplicate(const QString& name);

    data::Connection& connection_;
    // The kinds list of the opening that is in progress; none between openings.
    data::Dataset* kinds_ = nullptr;
};

}  // namespace tabel::refdata
