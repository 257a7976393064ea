#include "refdata/operation_kind_editor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "core/input_texts.h"
#include "core/messages.h"
#include "data/column_lengths.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/session.h"
#include "widgets/form_field.h"

namespace tabel::refdata {

OperationKindEditor::OperationKindEditor(data::Session& session, QWidget* parent)
    : EditorDialog(QStringLiteral("OperationKindEditor"), QStringLiteral("Вид операции"), parent),
      connection_(session.connection) {
    nameEdit = new QLineEdit(fieldsGroup);
    nameEdit->setObjectName(QStringLiteral("nameEdit"));
    nameEdit->setMinimumWidth(320);
    widgets::limitToColumn(nameEdit, data::kKindNameLength);
    auto* row = new QGridLayout(fieldsGroup);
    nameLabel = widgets::addField(row, 0, QStringLiteral("&Операция"), nameEdit,
                                  QStringLiteral("nameLabel"));
    row->setColumnStretch(1, 1);
}

QWidget* OperationKindEditor::firstFocus() const {
    return nameEdit;
}

void OperationKindEditor::openForAdd(data::Dataset& kinds) {
    nameEdit->clear();
    setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    mode = Mode::Add;
    kinds_ = &kinds;
    exec();
    kinds_ = nullptr;
}

void OperationKindEditor::openForRename(data::Dataset& kinds, const QString& currentName) {
    setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    mode = Mode::Change;
    nameEdit->setText(currentName);
    kinds_ = &kinds;
    exec();
    kinds_ = nullptr;
}

bool OperationKindEditor::isDuplicate(const QString& name) {
    const QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=:vid");
    data::Bindings bindings{{QStringLiteral("vid"), name.toUpper()}};
    if (mode == Mode::Change) {
        bindings.append({QStringLiteral("id"), kinds_->field(QStringLiteral("id")).asInteger()});
    }
    if (connection_
            .scalar(mode == Mode::Add ? count : count + QStringLiteral(" and id<>:id"), bindings)
            .toInt() == 0) {
        return false;
    }
    core::MessageBoxes::error(QStringLiteral("Такая операция уже заведена!"));
    return true;
}

void OperationKindEditor::save() {
    const QString name = nameEdit->text().trimmed();
    if (name.isEmpty()) {
        core::MessageBoxes::error(core::kFillAllFields);
        return;
    }
    if (isDuplicate(name)) {
        return;
    }
    data::Dataset& kinds = *kinds_;
    mode == Mode::Add ? kinds.append() : kinds.edit();
    try {
        kinds.field(QStringLiteral("vid")).setValue(name);
        kinds.post();
    } catch (const data::DbError& error) {
        kinds.cancel();
        // A kind deleted meanwhile has nothing left to change; a changed one keeps the typed
        // name in the editor to be stored again over the re-read list.
        if (error.kind() == data::DbErrorKind::RowGone) {
            reject();
        }
        throw;
    } catch (...) {
        kinds.cancel();
        throw;
    }
    kinds.refresh();
    accept();
}

}  // namespace tabel::refdata
