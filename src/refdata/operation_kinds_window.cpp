#include "refdata/operation_kinds_window.h"

#include <QPushButton>

#include "data/session.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/reference_statements.h"
#include "widgets/live_rows.h"

namespace tabel::refdata {

OperationKindsWindow::OperationKindsWindow(data::Session& session, OperationKindEditor& editor,
                                           QWidget* parent)
    : ListWindow(QStringLiteral("OperationKindsWindow"), QStringLiteral("Виды операций"),
                 widgets::SearchBox::Keys::ConsumeAll, parent),
      kinds_(&session.connection, QStringLiteral("Vid_oper")),
      editor_(editor) {
    prepareOperationKinds(kinds_);
    bindList(&kinds_,
             {{.field = QStringLiteral("VID"), .title = QStringLiteral("Операции"), .name = true}},
             QStringLiteral("vid"));
    showSearch(false);
    addButton = appendButton(QStringLiteral("addButton"), QStringLiteral("&Добавить"));
    addButton->setDefault(true);
    changeButton = appendButton(QStringLiteral("changeButton"), QStringLiteral("&Изменить"));
    deleteButton = appendButton(QStringLiteral("deleteButton"), QStringLiteral("&Удалить"));
    exitButton = appendButton(QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    setModeButtons(addButton, changeButton, deleteButton);
    connect(addButton, &QPushButton::clicked, this, &OperationKindsWindow::addKind);
    connect(changeButton, &QPushButton::clicked, this, &OperationKindsWindow::chooseOrRenameKind);
    connect(deleteButton, &QPushButton::clicked, this, &OperationKindsWindow::deleteKind);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(listGrid, &widgets::DataGrid::rowDoubleClicked, this,
            &OperationKindsWindow::chooseOrRenameKind);
    // Kinds another workstation adds, renames or deletes appear while the list is open.
    connect(&session.changes, &data::ChangeFeed::changed, this,
            [this](const data::ChangeBatch& batch) {
                widgets::followChanges(kinds_, listGrid, QStringLiteral("id"), batch.whole,
                                       widgets::keysOf(batch.operationKinds));
            });
}

void OperationKindsWindow::onShown() {
    if (searchBox->isVisible()) {
        searchBox->setFocus();
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

void OperationKindsWindow::chooseOrRenameKind() {
    data::Dataset& kinds = kinds_;
    if (mode == Mode::Choose) {
        if (!kinds.isEmpty()) {
            choice_ = KindChoice{kinds.field(QStringLiteral("vid")).asString().trimmed(),
                                 kinds.field(QStringLiteral("id")).asInteger()};
        }
        accept();
        return;
    }
    if (kinds.isEmpty()) {
        return;  // nothing to rename
    }
    editor_.openForRename(kinds_, kinds.field(QStringLiteral("vid")).asString().trimmed());
}

void OperationKindsWindow::addKind() {
    editor_.openForAdd(kinds_);
}

void OperationKindsWindow::deleteKind() {
    deleteCurrent(QStringLiteral("Удалить вид операции?"),
                  QStringLiteral("Вид операции используется в операциях и не может быть удалён."),
                  [this] { kinds_.deleteRow(); });
}

}  // namespace tabel::refdata
