#pragma once
// The workers list, from which the entry dialog picks a worker.

#include <optional>

#include "data/dataset.h"
#include "widgets/list_window.h"

namespace tabel::data {
struct Session;
}

namespace tabel::refdata {

struct WorkerChoice {
    QString fio;      // trimmed
    int workerId;     // the worker code stored in entries
    qint64 personId;  // the plant's 15-digit person id
};

// What the list hands back: whether the user chose at all, and the row chosen, none when the
// list had no row to choose.
struct WorkerPick {
    bool chosen = false;
    std::optional<WorkerChoice> worker;
};

class WorkersWindow : public widgets::ListWindow {
    Q_OBJECT
public:
    explicit WorkersWindow(data::Session& session, QWidget* parent = nullptr);

    // Opens the workers, puts `typed` into the search (a user who typed into the worker field
    // goes on typing there) and shows the list.
    WorkerPick pickWorker(const QString& typed = {});

protected:
    void onShown() override;

private:
    void chooseWorker();

    data::Dataset workers_;
    WorkerPick pick_;
};

}  // namespace tabel::refdata
