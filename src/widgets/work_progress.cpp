#include "widgets/work_progress.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace tabel::widgets {

namespace {
int g_showDelay = 500;
const QString kStatementRuns = QStringLiteral("Выполняется запрос…");
}  // namespace

void WorkProgress::setShowDelay(int milliseconds) {
    g_showDelay = milliseconds;
}

WorkProgress::WorkProgress(QWidget* parent, const QString& title)
    : dialog_(std::make_unique<QProgressDialog>(parent)),
      showTimer_(std::make_unique<QTimer>()),
      previous_(data::WaitPresenter::installed()) {
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
    // Shown from the delay on whatever the work does meanwhile, a statement included: the
    // dialog's own timing waits for a count.
    showTimer_->setSingleShot(true);
    QObject::connect(showTimer_.get(), &QTimer::timeout, [this] { showNow(); });
    showTimer_->start(g_showDelay);
    QObject::connect(dialog_.get(), &QProgressDialog::canceled, [this] {
        if (const std::function<void()> cancel = std::exchange(cancelStatement_, nullptr)) {
            cancel();
        }
    });
    data::WaitPresenter::install(this);
}

WorkProgress::~WorkProgress() {
    if (data::WaitPresenter::installed() == this) {
        data::WaitPresenter::install(previous_);
    }
    showTimer_->stop();
    dialog_->close();
}

void WorkProgress::showNow() {
    if (dialog_->isVisible() || dialog_->wasCanceled()) {
        return;
    }
    if (!counted_) {
        dialog_->setLabelText(kStatementRuns);  // the work starts with its statement
    }
    dialog_->show();
}

bool WorkProgress::update(int done, int total, const QString& text) {
    if (dialog_->wasCanceled()) {
        return false;
    }
    counted_ = true;
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

void WorkProgress::showWait(std::function<void()> cancel) {
    cancelStatement_ = std::move(cancel);
    if (dialog_->wasCanceled()) {
        // Pressed before the wait was shown: the statement is stopped now.
        std::exchange(cancelStatement_, nullptr)();
        return;
    }
    dialog_->setLabelText(kStatementRuns);
    if (!dialog_->isVisible()) {
        dialog_->show();
    }
}

void WorkProgress::hideWait() {
    cancelStatement_ = nullptr;
}

bool WorkProgress::ownsInput(const QObject* target) const {
    if (target == dialog_.get() || target == dialog_->windowHandle()) {
        return true;
    }
    const auto* widget = qobject_cast<const QWidget*>(target);
    return widget != nullptr && dialog_->isAncestorOf(widget);
}

}  // namespace tabel::widgets
