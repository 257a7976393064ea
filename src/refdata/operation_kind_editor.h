#pragma once
// The editor of one operation kind's name: a kind in, the saved kind out.

#include <optional>

#include "data/operation_kind_writes.h"
#include "widgets/editor_dialog.h"

class QLineEdit;

namespace tabel::data {
class Connection;
struct Session;
}  // namespace tabel::data

namespace tabel::refdata {

class OperationKindEditor : public widgets::EditorDialog {
    Q_OBJECT
public:
    explicit OperationKindEditor(data::Session& session, QWidget* parent = nullptr);

    // The kind saved, or nothing when the editor was left without saving.
    std::optional<data::OperationKind> openForAdd();
    std::optional<data::OperationKind> openForRename(const data::OperationKind& kind);

protected:
    void save() override;
    QWidget* firstFocus() const override;

private:
    std::optional<data::OperationKind> edit(const data::OperationKind& kind);

    data::Connection& connection_;
    QLineEdit* nameEdit_;
    // The kind of the opening in progress, with the version the next save is made as of.
    data::OperationKind opened_;
    std::optional<data::OperationKind> saved_;
};

}  // namespace tabel::refdata
