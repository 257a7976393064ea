#include "refdata/operation_kinds_window.h"

#include <QPushButton>

#include "data/operation_kind_writes.h"
#include "data/session.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/reference_statements.h"
#include "widgets/live_rows.h"
#include "widgets/user_action.h"

namespace tabel::refdata {

OperationKindsWindow::OperationKindsWindow(data::Session& session, OperationKindEditor& editor,
                                           QWidget* parent)
    : ListWindow(QStringLiteral("OperationKindsWindow"), QStringLiteral("Виды операций"),
                 widgets::SearchBox::Keys::ConsumeAll, parent),
      session_(session),
      kinds_(&session.connection, QStringLiteral("Vid_oper")),
      editor_(editor) {
    prepareOperationKinds(kinds_);
    bindList(&kinds_,
             {{.field = QStringLiteral("VID"), .title = QStringLiteral("Операции"), .name = true}},
             QStringLiteral("vid"));
    showSearch(false);
    appendModeButtons([this] { addKind(); }, [this] { chooseOrRenameKind(); },
                      [this] { deleteKind(); });
    appendButton(QStringLiteral("exitButton"), QStringLiteral("В&ыход"), [this] { reject(); });
    widgets::connectAction(listGrid(), &widgets::DataGrid::rowDoubleClicked, this,
                           [this] { chooseOrRenameKind(); });
    // Kinds another workstation adds, renames or deletes appear while the list is open.
    connect(&session.changes, &data::ChangeFeed::changed, this,
            [this](const data::ChangeBatch& batch) {
                widgets::followChanges(kinds_, listGrid(), QStringLiteral("id"), batch.whole,
                                       widgets::keysOf(batch.operationKinds));
            });
}

void OperationKindsWindow::onShown() {
    // The search when choosing; the list itself when only browsing.
    if (searchBox()->isVisible()) {
        searchBox()->setFocus();
    } else {
        listGrid()->setFocus();
    }
}

void OperationKindsWindow::openForBrowse() {
    setMode(Mode::Browse);
    kinds_.open();
    exec();
    kinds_.close();
}

std::optional<KindChoice> OperationKindsWindow::pickKind() {
    setMode(Mode::Choose);
    kinds_.open();
    showSearch(true);
    clearSearch();
    choice_.reset();
    exec();
    endChoice();
    // The search of the choice must not narrow the list of the next opening.
    clearSearch();
    kinds_.setFiltered(false);
    showSearch(false);
    kinds_.close();
    return choice_;
}

data::OperationKind OperationKindsWindow::currentKind() {
    return {kinds_.field(QStringLiteral("id")).asInteger(),
            kinds_.field(QStringLiteral("vid")).asString().trimmed(),
            kinds_.field(QStringLiteral("row_version")).asString()};
}

void OperationKindsWindow::chooseOrRenameKind() {
    if (mode() == Mode::Choose) {
        if (!kinds_.isEmpty()) {
            const data::OperationKind kind = currentKind();
            choice_ = KindChoice{kind.name, kind.id};
        }
        accept();
        return;
    }
    if (kinds_.isEmpty()) {
        return;  // nothing to rename
    }
    const data::OperationKind kind = currentKind();
    showEdited(editor_.openForRename(kind), kind.id);
}

void OperationKindsWindow::addKind() {
    showEdited(editor_.openForAdd(), 0);
}

void OperationKindsWindow::showEdited(const std::optional<data::OperationKind>& saved,
                                      int currentId) {
    if (!saved) {
        // Left without saving: the kind may have been changed or deleted meanwhile.
        if (currentId != 0) {
            kinds_.refreshRow(QStringLiteral("id"), currentId);
        }
        return;
    }
    // A name takes its place in the list's order: read whole, as the list cannot yet place one
    // re-read row by its order.
    kinds_.refresh();
    kinds_.locate(QStringLiteral("id"), saved->id);
}

void OperationKindsWindow::deleteKind() {
    deleteCurrent(QStringLiteral("Удалить вид операции?"),
                  QStringLiteral("Вид операции используется в операциях и не может быть удалён."),
                  [this] { data::deleteKind(session_.connection, currentKind()); });
}

}  // namespace tabel::refdata
