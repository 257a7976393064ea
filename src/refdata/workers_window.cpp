#include "refdata/workers_window.h"

#include <QPushButton>

#include "data/session.h"
#include "refdata/reference_statements.h"
#include "widgets/user_action.h"

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
    appendButton(QStringLiteral("chooseButton"), QStringLiteral("&Выбрать"), [this] {
        chooseWorker();
    })->setDefault(true);
    appendButton(QStringLiteral("exitButton"), QStringLiteral("В&ыход"), [this] { reject(); });
    widgets::connectAction(listGrid(), &widgets::DataGrid::rowDoubleClicked, this,
                           [this] { chooseWorker(); });
}

void WorkersWindow::onShown() {
    searchBox()->setFocus();
}

WorkerPick WorkersWindow::pickWorker(const QString& typed) {
    workers_.open();
    clearSearch();
    searchBox()->startWith(typed);
    pick_ = {};
    exec();
    // Read afresh at the next choice: people join and leave.
    workers_.close();
    return pick_;
}

void WorkersWindow::chooseWorker() {
    data::Dataset& workers = workers_;
    WorkerPick pick;
    pick.chosen = true;
    if (workers.recordCount() > 0) {
        // Read all three first: a register code that is not a number leaves the opener untouched.
        pick.worker = WorkerChoice{workers.field(QStringLiteral("fio")).asString().trimmed(),
                                   workers.field(QStringLiteral("id")).asInteger(),
                                   workers.field(QStringLiteral("p_id")).asInt64()};
    }
    pick_ = pick;
    accept();
}

}  // namespace tabel::refdata
