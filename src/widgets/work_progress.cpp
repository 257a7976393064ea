#include "widgets/work_progress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace tabel::widgets {

namespace {
int g_showDelay = 500;
}  // namespace

void WorkProgress::setShowDelay(int milliseconds) {
    g_showDelay = milliseconds;
}

WorkProgress::WorkProgress(QWidget* parent, const QString& title)
    : dialog_(std::make_unique<QProgressDialog>(parent)) {
    dialog_->setObjectName(QStringLiteral("WorkProgress"));
    dialog_->setWindowTitle(title);
    dialog_->setCancelButtonText(QStringLiteral("Отмена"));
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    // Window-modal: setValue() then handles events, so the window repaints and the cancel
    // button answers while the work runs on this thread.
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(g_showDelay);
    dialog_->setRange(0, 0);
    dialog_->setValue(0);
}

WorkProgress::~WorkProgress() {
    dialog_->close();
}

bool WorkProgress::update(int done, int total, const QString& text) {
    if (dialog_->wasCanceled()) {
        return false;
    }
    if (dialog_->labelText() != text) {
        dialog_->setLabelText(text);
    }
    // A bar without a known end runs to one more than done, never to full.
    const int maximum = total > 0 ? total : done + 1;
    if (dialog_->maximum() != maximum) {
        dialog_->setRange(0, maximum);
    }
    dialog_->setValue(std::min(done, maximum));
    if (!dialog_->isVisible()) {
        // Before the dialog shows, setValue() handles no events: the window still repaints.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return !dialog_->wasCanceled();
}

bool WorkProgress::cancelled() const {
    return dialog_->wasCanceled();
}

}  // namespace tabel::widgets
