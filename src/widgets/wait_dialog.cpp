#include "widgets/wait_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace tabel::widgets {

WaitDialog::WaitDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("WaitDialog"));
    setWindowTitle(QStringLiteral("Табель"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::ApplicationModal);
    messageLabel = new QLabel(QStringLiteral("Ожидание ответа сервера…"), this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAccessibleName(cancelButton->text());
    // Enter pressed at a window that seemed stuck must not cancel what it waits for.
    cancelButton->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, &WaitDialog::cancelWait);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    data::WaitPresenter::install(this);
}

WaitDialog::~WaitDialog() {
    if (data::WaitPresenter::installed() == this) {
        data::WaitPresenter::install(nullptr);
    }
}

void WaitDialog::showWait(std::function<void()> cancel) {
    cancel_ = std::move(cancel);
    cancelButton->setEnabled(true);
    if (isVisible()) {
        return;
    }
    // Over the window that waits, kept above it by the window manager.
    QWidget* over = QApplication::activeWindow();
    if (over != nullptr && over != this) {
        winId();
        windowHandle()->setTransientParent(over->window()->windowHandle());
        adjustSize();
        move(over->frameGeometry().center() - rect().center());
    }
    QDialog::show();
    raise();
    activateWindow();
    cancelButton->setFocus();
}

void WaitDialog::hideWait() {
    cancel_ = nullptr;
    QDialog::hide();
}

bool WaitDialog::ownsInput(const QObject* target) const {
    if (target == this || target == windowHandle()) {
        return true;
    }
    const auto* widget = qobject_cast<const QWidget*>(target);
    return widget != nullptr && isAncestorOf(widget);
}

void WaitDialog::reject() {
    cancelWait();
}

void WaitDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    cancelWait();
}

void WaitDialog::cancelWait() {
    if (!cancel_) {
        return;
    }
    // Once asked, the server gets its few seconds; a second press changes nothing.
    cancelButton->setEnabled(false);
    const std::function<void()> cancel = std::move(cancel_);
    cancel_ = nullptr;
    cancel();
}

}  // namespace tabel::widgets
