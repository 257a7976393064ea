#pragma once
// The operation kinds list, to browse and edit the kinds or to pick one.

#include <optional>

#include "data/dataset.h"
#include "widgets/list_window.h"

namespace tabel::data {
struct Session;
struct OperationKind;
}  // namespace tabel::data

namespace tabel::refdata {

class OperationKindEditor;

struct KindChoice {
    QString vid;  // trimmed
    int id;
};

class OperationKindsWindow : public widgets::ListWindow {
    Q_OBJECT
public:
    OperationKindsWindow(data::Session& session, OperationKindEditor& editor,
                         QWidget* parent = nullptr);

    // Menu "Операции": add, rename and delete kinds.
    void openForBrowse();
    // The price editor's "...": the chosen kind, or nothing after "Выход".
    std::optional<KindChoice> pickKind();

protected:
    void onShown() override;

private:
    void addKind();
    // "Изменить" (in Choose mode "Выбрать") and the grid's double-click.
    void chooseOrRenameKind();
    void deleteKind();
    data::OperationKind currentKind();
    // Re-reads the list after the editor closed, on the kind saved, else on kind `currentId`.
    void showEdited(const std::optional<data::OperationKind>& saved, int currentId);

    data::Session& session_;
    data::Dataset kinds_;
    OperationKindEditor& editor_;
    std::optional<KindChoice> choice_;
};

}  // namespace tabel::refdata
