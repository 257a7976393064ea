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

class WorkersWindow : public widgets::ListWindow {
    Q_OBJECT
public:
    explicit WorkersWindow(data::Session& session, QWidget* parent = nullptr);

    QPushButton* chooseButton;
    QPushButton* exitButton;

    // 1 once the user chose (even from an empty list), 0 otherwise.
    int chosen = 0;
    // The chosen row; empty when the list had no row to choose.
    const std::optional<WorkerChoice>& choice() const { return choice_; }

    // Opens the workers, puts `typed` into the search (a user who typed into the worker field
    // goes on typing there) and shows the list; true when the user chose.
    bool pickWorker(const QString& typed = {});
    void chooseWorker();

protected:
    void onShown() override;

private:
    data::Dataset workers_;
    std::optional<WorkerChoice> choice_;
};

}  // namespace tabel::refdata
