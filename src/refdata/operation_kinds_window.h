#pragma once
// The operation kinds list, to browse and edit the kinds or to pick one.

#include <optional>

#include "data/dataset.h"
#include "widgets/list_window.h"

namespace tabel::data {
struct Session;
}

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

    QPushButton* addButton;
    // "Изменить" renames; in Choose mode it reads "Выбрать".
    QPushButton* changeButton;
    QPushButton* deleteButton;
    QPushButton* exitButton;

    // Menu "Операции": add, rename and delete kinds.
    void openForBrowse();
    // The price editor's "...": the chosen kind, or nothing after "Выход".
    std::optional<KindChoice> pickKind();

    void addKind();
    // The change button and the grid's double-click.
    void chooseOrRenameKind();
    void deleteKind();

protected:
    void onShown() override;

private:
    data::Dataset kinds_;
    OperationKindEditor& editor_;
    std::optional<KindChoice> choice_;
};

}  // namespace tabel::refdata
