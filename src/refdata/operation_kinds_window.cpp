#include "refdata/operation_kinds_window.h"

#include <QPushButton>

#include "data/data_module.h"
#include "refdata/operation_kind_editor.h"

namespace tabel::refdata {

TForm8::TForm8(data::TDataModule6& dm, TForm9& editor, QWidget* parent)
    : ListWindow(QStringLiteral("TForm8"), QStringLiteral("Виды операций"),
                 widgets::SearchBox::Keys::ConsumeAll, parent),
      dm_(dm),
      editor_(editor) {
    bindList(&dm_.Vid_oper,
             {{.field = QStringLiteral("VID"), .title = QStringLiteral("Операции"), .name = true}},
             QStringLiteral("vid"));
    showSearch(false);
    Button1 = addButton(QStringLiteral("Button1"), QStringLiteral("Добавить"));
    Button1->setDefault(true);
    Button2 = addButton(QStringLiteral("Button2"), QStringLiteral("Изменить"));
    Button3 = addButton(QStringLiteral("Button3"), QStringLiteral("Удалить"));
    Button4 = addButton(QStringLiteral("Button4"), QStringLiteral("Выход"));
    setModeButtons(Button1, Button2, Button3);
    connect(Button1, &QPushButton::clicked, this, &TForm8::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm8::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm8::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    connect(DBGrid1, &widgets::DataGrid::rowDoubleClicked, this, &TForm8::Button2Click);
}

void TForm8::FormActivate() {
    if (Edit1->isVisible()) {
        Edit1->setFocus();
    }
}

void TForm8::openForBrowse() {
    setChoiceMode(false);
    dm_.Vid_oper.open();
    exec();
    dm_.Vid_oper.close();
}

std::optional<KindChoice> TForm8::pickKind() {
    setChoiceMode(true);
    dm_.Vid_oper.open();
    showSearch(true);
    clearSearch();
    choice_.reset();
    exec();
    endChoice();
    // The search of the choice must not narrow the list of the next opening.
    clearSearch();
    dm_.Vid_oper.setFiltered(false);
    showSearch(false);
    dm_.Vid_oper.close();
    return choice_;
}

void TForm8::Button2Click() {
    data::Dataset& kinds = dm_.Vid_oper;
    if (Tag != 0) {
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
    editor_.openForRename(kinds.field(QStringLiteral("vid")).asString().trimmed());
}

void TForm8::Button1Click() {
    editor_.openForAdd();
}

void TForm8::Button3Click() {
    deleteCurrent(QStringLiteral("Удалить вид операции?"),
                  QStringLiteral("Вид операции используется в операциях и не может быть удалён."),
                  [this] { dm_.Vid_oper.deleteRow(); });
}

}  // namespace tabel::refdata
