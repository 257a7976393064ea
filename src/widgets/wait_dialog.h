#pragma once
// The wait dialog: shown, modal, while a statement has kept the program waiting for half a second;
// "Отмена" (or Esc, or closing it) asks the server to stop the statement. Installed as the data
// layer's wait presenter for as long as it exists.

#include <QDialog>
#include <functional>

#include "data/wait_presenter.h"

class QLabel;
class QPushButton;

namespace tabel::widgets {

class WaitDialog : public QDialog, public data::WaitPresenter {
    Q_OBJECT
public:
    explicit WaitDialog(QWidget* parent = nullptr);
    ~WaitDialog() override;

    void showWait(std::function<void()> cancel) override;
    void hideWait() override;
    bool ownsInput(const QObject* target) const override;

    // Esc: the same as "Отмена"; the dialog stays until the wait ends.
    void reject() override;

    QLabel* messageLabel = nullptr;
    QPushButton* cancelButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cancelWait();

    std::function<void()> cancel_;
};

}  // namespace tabel::widgets
