#include "refdata/operation_kind_editor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "core/messages.h"
#include "data/column_lengths.h"
#include "data/data_module.h"
#include "data/errors.h"
#include "widgets/form_field.h"

namespace tabel::refdata {

TForm9::TForm9(data::TDataModule6& dm, QWidget* parent)
    : EditorDialog(QStringLiteral("TForm9"), QStringLiteral("Вид операции"), parent), dm_(dm) {
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(320);
    widgets::limitToColumn(Edit1, data::kKindNameLength);
    auto* row = new QGridLayout(GroupBox1);
    Label2 = widgets::addField(row, 0, QStringLiteral("Операция"), Edit1, QStringLiteral("Label2"));
    row->setColumnStretch(1, 1);
}

QWidget* TForm9::firstFocus() const {
    return Edit1;
}

void TForm9::openForAdd() {
    Edit1->clear();
    setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    Tag = 1;
    exec();
}

void TForm9::openForRename(const QString& currentName) {
    setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    Tag = 2;
    Edit1->setText(currentName);
    exec();
}

bool TForm9::isDuplicate(const QString& name) {
    const QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=:vid");
    data::Bindings bindings{{QStringLiteral("vid"), name.toUpper()}};
    if (Tag != 1) {
        bindings.append(
            {QStringLiteral("id"), dm_.Vid_oper.field(QStringLiteral("id")).asInteger()});
    }
    if (dm_.CheckDuplicate(Tag == 1 ? count : count + QStringLiteral(" and id<>:id"), bindings) ==
        0) {
        return false;
    }
    core::MessageBoxes::error(QStringLiteral("Такая операция уже заведена!"));
    return true;
}

void TForm9::Button1Click() {
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        core::MessageBoxes::error(QStringLiteral("Все поля должны быть заполнены!"));
        return;
    }
    if (isDuplicate(name)) {
        return;
    }
    data::Dataset& kinds = dm_.Vid_oper;
    Tag == 1 ? kinds.append() : kinds.edit();
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
