#pragma once
// The progress of a long piece of work done on the window's thread (a report laid out, a PDF
// written): a window-modal dialog that appears once the work has run for half a second, with a
// count and "Отмена". Each update lets the window repaint and the cancel button be pressed.
// While it exists it is also the wait for the work's statements: a statement the server is
// still running shows "Выполняется запрос…" in the same dialog, and "Отмена" stops it there.

#include <QString>

#include <functional>
#include <memory>

#include "data/wait_presenter.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace tabel::widgets {

class WorkProgress : public data::WaitPresenter {
public:
    WorkProgress(QWidget* parent, const QString& title);
    ~WorkProgress() override;
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // `done` of `total` (total 0: unknown) with `text` above the bar. False once "Отмена" has
    // been pressed: the caller stops and leaves nothing half made.
    bool update(int done, int total, const QString& text);
    bool cancelled() const;

    // The dialog (tests press its button); hidden until the work has taken the delay.
    QProgressDialog* dialog() const { return dialog_.get(); }

    // How long work runs before the dialog appears; tests show it at once with 0.
    static void setShowDelay(int milliseconds);

    // The wait for a statement of the work, in this dialog.
    void showWait(std::function<void()> cancel) override;
    void hideWait() override;
    bool ownsInput(const QObject* target) const override;

private:
    void showNow();

    std::unique_ptr<QProgressDialog> dialog_;
    std::unique_ptr<QTimer> showTimer_;
    data::WaitPresenter* previous_;
    std::function<void()> cancelStatement_;  // while a statement is waited for
    bool counted_ = false;                   // an update has told what is done
};

}  // namespace tabel::widgets
