#include "app/login_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShowEvent>
#include <QTimer>

#include "app/program_end.h"
#include "app/version_check.h"
#include "core/messages.h"
#include "data/errors.h"
#include "data/session.h"
#include "shiftlog/shift_log_window.h"
#include "widgets/form_field.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

namespace tabel::app {

LoginWindow::LoginWindow(data::Session& session, shiftlog::ShiftLogWindow& shiftLog,
                         Deployment deployment, QString server, QString database, QWidget* parent)
    : QDialog(parent),
      terminate([] { endProgram(1); }),
      build(currentBuildStamp()),
      session_(session),
      shiftLog_(shiftLog),
      deployment_(std::move(deployment)),
      // The names the login connects to, built-in ones included, for the caption and label.
      server_(data::connectionTarget(deployment_, server, database).server),
      database_(data::connectionTarget(deployment_, server, database).database) {
    setObjectName(QStringLiteral("LoginWindow"));
    setWindowTitle(QStringLiteral("Авторизация"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);

    connectionLabel_ = new QLabel(this);
    connectionLabel_->setObjectName(QStringLiteral("connectionLabel"));
    loginEdit_ = new QLineEdit(this);
    loginEdit_->setObjectName(QStringLiteral("loginEdit"));
    passwordEdit_ = new QLineEdit(this);
    passwordEdit_->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit_->setEchoMode(QLineEdit::Password);
    // Typed characters show as "*", whatever the style would draw.
    passwordEdit_->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    QPushButton* logInButton =
        widgets::makeButton(this, QStringLiteral("logInButton"), QStringLiteral("&Вход"));
    logInButton->setDefault(true);
    QPushButton* cancelButton =
        widgets::makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("О&тмена"));
    widgets::connectAction(logInButton, &QPushButton::clicked, this,
                           [this] { logInAndRunShiftLog(); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    terminationTimer_ = new QTimer(this);
    terminationTimer_->setObjectName(QStringLiteral("terminationTimer"));
    terminationTimer_->setInterval(5500);
    terminationTimer_->setSingleShot(true);
    widgets::connectAction(terminationTimer_, &QTimer::timeout, this, [this] { terminate(); });

    auto* layout = new QGridLayout(this);
    widgets::addField(layout, 0, QStringLiteral("&Логин"), loginEdit_,
                      QStringLiteral("loginLabel"));
    widgets::addField(layout, 1, QStringLiteral("&Пароль"), passwordEdit_,
                      QStringLiteral("passwordLabel"));
    layout->addWidget(connectionLabel_, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(logInButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    loginEdit_->setMinimumWidth(220);

    widgets::connectAction(&shiftLog_, &shiftlog::ShiftLogWindow::versionCheckDue, this, [this] {
        if (enforceVersion()) {
            followServerRole();
        }
    });
}

void LoginWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        prepareForLogin();
    }
}

void LoginWindow::prepareForLogin() {
    connectionLabel_->setText(QStringLiteral("Сервер: ") + server_ + QStringLiteral(", БД: ") +
                              database_);
    setWindowTitle(QStringLiteral("Авторизация (build: %1.%2)").arg(build.date).arg(build.time));
}

bool LoginWindow::enforceVersion() {
    shiftLog_.loginState.buildDate = build.date;
    shiftLog_.loginState.buildTime = build.time;
    if (!connected_) {
        return true;
    }
    VersionVerdict verdict = VersionVerdict::Current;
    try {
        verdict = checkVersion(shiftLog_.versionRow(), build);
    } catch (const data::DbError& error) {
        // An unreachable server (before login, or lost since) is reported by the user's next
        // action, not every 30 seconds; the next check reconnects.
        if (!error.connectionLost()) {
            throw;
        }
        return true;
    }
    if (verdict == VersionVerdict::Older) {
        terminationTimer_->start();
        core::MessageBoxes::error(QStringLiteral(
            "Версия программы не соответсвует БД! Запустите программу через 5 мин."));
        terminate();
        return false;
    }
    return true;
}

void LoginWindow::followServerRole() {
    if (!connected_) {
        return;
    }
    bool readOnly = session_.readOnly;
    try {
        readOnly = session_.connection.readOnlyServer();
    } catch (const data::DbError& error) {
        // Unreachable now: the user's next action reports it, the next check asks again.
        if (!error.connectionLost()) {
            throw;
        }
        return;
    }
    if (readOnly != session_.readOnly) {
        session_.readOnly = readOnly;
        shiftLog_.applyRights(shiftlog::rightsFor(session_.roles, readOnly));
    }
}

void LoginWindow::connectionFailed() {
    core::MessageBoxes::error(QStringLiteral("Подключение к БД отсутсвует (сервер: ") + server_ +
                              QStringLiteral(", БД: ") + database_ + QStringLiteral(")"));
    terminate();
}

void LoginWindow::loginRefused() {
    core::MessageBoxes::error(QStringLiteral("Неверный логин или пароль"));
    passwordEdit_->clear();
    passwordEdit_->setFocus();
}

bool LoginWindow::logIn() {
    shiftLog_.setShift(1);
    shiftlog::LoginState& state = shiftLog_.loginState;
    const data::LoginCredentials credentials = data::loginCredentials(
        deployment_, server_, database_, loginEdit_->text(), passwordEdit_->text());
    state.login = credentials.login;
    state.password = credentials.password;
    session_.connection.close();
    connected_ = false;
    if (!credentials.composable) {
        connectionFailed();
        return false;
    }
    session_.connection.setConnectionString(credentials.connectionString);
    try {
        session_.connection.open();
    } catch (const data::DbError& error) {
        if (data::isLoginRefused(error.serverText()) || data::isLoginRefused(error.message())) {
            loginRefused();
        } else {
            connectionFailed();
        }
        return false;
    }
    connected_ = true;
    // The first version check runs as the typed login, before anything is shown.
    if (!enforceVersion()) {
        return false;
    }
    try {
        session_.roles = data::readGroupRoles(session_.connection);
        session_.readOnly = session_.connection.readOnlyServer();
    } catch (const data::DbError&) {
        connectionFailed();
        return false;
    }
    // The reports read the report server, when there is one, as the same login; on a standby
    // the change feed listens on the primary, when one is known, as the same login too.
    session_.reports.setStandby(credentials.reportConnectionString,
                                deployment_.reportMaxLagSeconds);
    session_.primaryConnectionString = credentials.primaryConnectionString;
    shiftLog_.applyRights(shiftlog::rightsFor(session_.roles, session_.readOnly));
    return true;
}

void LoginWindow::runShiftLog() {
    const QString& login = shiftLog_.loginState.login;
    hide();
    if (shiftlog::rightsFor(session_.roles, session_.readOnly).namedCaption) {
        shiftLog_.setWindowTitle(QStringLiteral("Табель (Сервер: ") + server_ +
                                 QStringLiteral(", БД: ") + database_ +
                                 QStringLiteral(", пользователь: ") + login + QStringLiteral(")"));
    }
    // However the shift log's loop ends, the program ends with it: a hidden login window
    // would leave it running with nothing to show.
    const auto closeLogin = qScopeGuard([this] { close(); });
    shiftLog_.exec();
}

void LoginWindow::logInAndRunShiftLog() {
    if (logIn()) {
        runShiftLog();
    }
}

}  // namespace tabel::app
