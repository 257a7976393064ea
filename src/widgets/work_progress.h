#pragma once
// The progress of a long piece of work done on the window's thread (a report laid out, a PDF
// written): a window-modal dialog that appears once the work has run for half a second, with a
// count and "Отмена". Each update lets the window repaint and the cancel button be pressed.

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace tabel::widgets {

class WorkProgress {
public:
    WorkProgress(QWidget* parent, const QString& title);
    ~WorkProgress();
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

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace tabel::widgets
