#include "refdata/operation_kind_editor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>

#include "core/input_texts.h"
#include "core/messages.h"
#include "data/column_lengths.h"
#include "data/errors.h"
#include "data/session.h"
#include "widgets/form_field.h"

namespace tabel::refdata {

namespace {

const QString kDuplicate = QStringLiteral("Такая операция уже заведена!");

}  // namespace

OperationKindEditor::OperationKindEditor(data::Session& session, QWidget* parent)
    : EditorDialog(QStringLiteral("OperationKindEditor"), QStringLiteral("Вид операции"), parent),
      connection_(session.connection) {
    nameEdit_ = new QLineEdit(fieldsGroup());
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameEdit_->setMinimumWidth(320);
    widgets::limitToColumn(nameEdit_, data::kKindNameLength);
    auto* row = new QGridLayout(fieldsGroup());
    widgets::addField(row, 0, QStringLiteral("&Операция"), nameEdit_, QStringLiteral("nameLabel"));
    row->setColumnStretch(1, 1);
}

QWidget* OperationKindEditor::firstFocus() const {
    return nameEdit_;
}

std::optional<data::OperationKind> OperationKindEditor::openForAdd() {
    setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    setMode(Mode::Add);
    return edit({});
}

std::optional<data::OperationKind> OperationKindEditor::openForRename(
    const data::OperationKind& kind) {
    setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    setMode(Mode::Change);
    return edit(kind);
}

std::optional<data::OperationKind> OperationKindEditor::edit(const data::OperationKind& kind) {
    opened_ = kind;
    nameEdit_->setText(kind.name.trimmed());
    saved_.reset();
    exec();
    return saved_;
}

void OperationKindEditor::save() {
    data::OperationKind kind = opened_;
    kind.name = nameEdit_->text().trimmed();
    if (kind.name.isEmpty()) {
        core::MessageBoxes::error(core::kFillAllFields);
        return;
    }
    if (data::countSameKinds(connection_, kind) > 0) {
        core::MessageBoxes::error(kDuplicate);
        return;
    }
    try {
        saved_ = mode() == Mode::Add ? data::addKind(connection_, kind)
                                     : data::renameKind(connection_, kind);
    } catch (const data::DbError& error) {
        switch (error.kind()) {
            case data::DbErrorKind::UniqueViolation:
                // Another workstation stored the same name since the check.
                core::MessageBoxes::error(kDuplicate);
                return;
            case data::DbErrorKind::RowGone:
                reject();  // nothing is left to rename
                break;
            case data::DbErrorKind::RowChanged:
                // The typed name stays: the next "Записать" stores it over the other change.
                opened_.version = data::kindVersion(connection_, kind.id);
                break;
            default:
                break;
        }
        throw;
    }
    accept();
}

}  // namespace tabel::refdata
