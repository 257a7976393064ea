#pragma once
// TForm5: the workers list, from which the entry dialog picks a worker.

#include <optional>

#include "widgets/list_window.h"

namespace tabel::data {
class TDataModule6;
}

namespace tabel::refdata {

struct WorkerChoice {
    QString fio;      // trimmed
    int workerId;     // the worker code stored in entries
    qint64 personId;  // the plant's 15-digit person id
};

class TForm5 : public widgets::ListWindow {
    Q_OBJECT
public:
    explicit TForm5(data::TDataModule6& dm, QWidget* parent = nullptr);

    QPushButton* Button2;
    QPushButton* Button4;

    // 1 once the user chose (even from an empty list), 0 otherwise.
    int chosen = 0;
    // The chosen row; empty when the list had no row to choose.
    const std::optional<WorkerChoice>& choice() const { return choice_; }

    // Opens Workers, clears the search and shows the list; true when the user chose.
    bool pickWorker();
    void Button2Click();

protected:
    void FormActivate() override;

private:
    data::TDataModule6& dm_;
    std::optional<WorkerChoice> choice_;
};

}  // namespace tabel::refdata
