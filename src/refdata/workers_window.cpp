#include "refdata/workers_window.h"

#include <QPushButton>

#include "data/data_module.h"

namespace tabel::refdata {

TForm5::TForm5(data::TDataModule6& dm, QWidget* parent)
    : ListWindow(QStringLiteral("TForm5"), QStringLiteral("Список рабочих"),
                 widgets::SearchBox::Keys::ConsumeAll, parent),
      dm_(dm) {
    bindList(&dm_.Workers,
             {{.field = QStringLiteral("fio"), .title = QStringLiteral("ФИО"), .name = true},
              {.field = QStringLiteral("s_staffpos_hl"), .title = QStringLiteral("Должность")}},
             QStringLiteral("fio"));
    Button2 = addButton(QStringLiteral("Button2"), QStringLiteral("Выбрать"));
    Button2->setDefault(true);
    Button4 = addButton(QStringLiteral("Button4"), QStringLiteral("Выход"));
    connect(Button2, &QPushButton::clicked, this, &TForm5::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    connect(DBGrid1, &widgets::DataGrid::rowDoubleClicked, this, &TForm5::Button2Click);
}

void TForm5::FormActivate() {
    chosen = 0;
    Edit1->setFocus();
}

bool TForm5::pickWorker() {
    dm_.Workers.open();
    clearSearch();
    choice_.reset();
    exec();
    return chosen == 1;
}

void TForm5::Button2Click() {
    data::Dataset& workers = dm_.Workers;
    if (workers.recordCount() > 0) {
        // Read all three first: a register code that is not a number leaves the opener untouched.
        WorkerChoice picked{workers.field(QStringLiteral("fio")).asString().trimmed(),
                            workers.field(QStringLiteral("id")).asInteger(),
                            workers.field(QStringLiteral("p_id")).asInt64()};
        choice_ = picked;
    }
    chosen = 1;
    accept();
}

}  // namespace tabel::refdata
