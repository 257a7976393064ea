#include "refdata/workers_window.h"

#include <QPushButton>

#include "data/session.h"
#include "refdata/reference_statements.h"

namespace tabel::refdata {

WorkersWindow::WorkersWindow(data::Session& session, QWidget* parent)
    : ListWindow(QStringLiteral("WorkersWindow"), QStringLiteral("Список рабочих"),
                 widgets::SearchBox::Keys::ConsumeAll, parent),
      workers_(&session.connection, QStringLiteral("Workers")) {
    prepareWorkers(workers_);
    bindList(&workers_,
             {{.field = QStringLiteral("fio"), .title = QStringLiteral("ФИО"), .name = true},
              {.field = QStringLiteral("s_staffpos_hl"), .title = QStringLiteral("Должность")}},
             QStringLiteral("fio"));
    chooseButton = appendButton(QStringLiteral("chooseButton"), QStringLiteral("&Выбрать"));
    chooseButton->setDefault(true);
    exitButton = appendButton(QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    connect(chooseButton, &QPushButton::clicked, this, &WorkersWindow::chooseWorker);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(listGrid, &widgets::DataGrid::rowDoubleClicked, this, &WorkersWindow::chooseWorker);
}

void WorkersWindow::onShown() {
    chosen = 0;
    searchBox->setFocus();
}

bool WorkersWindow::pickWorker(const QString& typed) {
    workers_.open();
    clearSearch();
    searchBox->setText(typed);
    choice_.reset();
    exec();
    // Read afresh at the next choice: people join and leave.
    workers_.close();
    return chosen == 1;
}

void WorkersWindow::chooseWorker() {
    data::Dataset& workers = workers_;
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
