#include "app/login_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

namespace tabel::app {

LoginWindow::LoginWindow(data::Session& session, shiftlog::ShiftLogWindow& shiftLog,
                         Deployment deployment, QString server, QString database, QWidget* parent)
    : QDialog(parent),
      terminate([] { endProgram(1); }),
      build(currentBuildStamp()),
      session_(session),
      shiftLog_(shiftLog),
      deployment_(std::move(deployment)),
      server_(std::move(server)),
      database_(std::move(database)) {
    setObjectName(QStringLiteral("LoginWindow"));
    setWindowTitle(QStringLiteral("Авторизация"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);

    connectionLabel = new QLabel(this);
    connectionLabel->setObjectName(QStringLiteral("connectionLabel"));
    loginEdit = new QLineEdit(this);
    loginEdit->setObjectName(QStringLiteral("loginEdit"));
    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    // Typed characters show as "*", whatever the style would draw.
    passwordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    logInButton = widgets::makeButton(this, QStringLiteral("logInButton"), QStringLiteral("&Вход"));
    logInButton->setDefault(true);
    cancelButton =
        widgets::makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("О&тмена"));
    connect(logInButton, &QPushButton::clicked, this, &LoginWindow::logInAndRunShiftLog);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    terminationTimer = new QTimer(this);
    terminationTimer->setObjectName(QStringLiteral("terminationTimer"));
    terminationTimer->setInterval(5500);
    terminationTimer->setSingleShot(true);
    connect(terminationTimer, &QTimer::timeout, this, [this] { terminate(); });

    auto* layout = new QGridLayout(this);
    loginLabel = widgets::addField(layout, 0, QStringLiteral("&Логин"), loginEdit,
                                   QStringLiteral("loginLabel"));
    passwordLabel = widgets::addField(layout, 1, QStringLiteral("&Пароль"), passwordEdit,
                                      QStringLiteral("passwordLabel"));
    layout->addWidget(connectionLabel, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(logInButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    loginEdit->setMinimumWidth(220);

    connect(&shiftLog_, &shiftlog::ShiftLogWindow::versionCheckDue, this,
            &LoginWindow::enforceVersion);
}

void LoginWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        prepareForLogin();
    }
}

void LoginWindow::prepareForLogin() {
    connectionLabel->setText(QStringLiteral("Сервер: ") + server_ + QStringLiteral(", БД: ") +
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
        terminationTimer->start();
        core::MessageBoxes::error(QStringLiteral(
            "Версия программы не соответсвует БД! Запустите программу через 5 мин."));
        terminate();
        return false;
    }
    return true;
}

void LoginWindow::connectionFailed() {
    core::MessageBoxes::error(QStringLiteral("Подключение к БД отсутсвует (сервер: ") + server_ +
                              QStringLiteral(", БД: ") + database_ + QStringLiteral(")"));
    terminate();
}

void LoginWindow::loginRefused() {
    core::MessageBoxes::error(QStringLiteral("Неверный логин или пароль"));
    passwordEdit->clear();
    passwordEdit->setFocus();
}

bool LoginWindow::logIn() {
    shiftLog_.setShift(1);
    shiftlog::LoginState& state = shiftLog_.loginState;
    const data::LoginCredentials credentials = data::loginCredentials(
        deployment_, server_, database_, loginEdit->text(), passwordEdit->text());
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
    } catch (const data::DbError&) {
        connectionFailed();
        return false;
    }
    shiftLog_.applyRights(shiftlog::rightsFor(session_.roles));
    return true;
}

void LoginWindow::runShiftLog() {
    const QString& login = shiftLog_.loginState.login;
    hide();
    if (shiftlog::rightsFor(session_.roles).namedCaption) {
        shiftLog_.setWindowTitle(QStringLiteral("Табель (Сервер: ") + server_ +
                                 QStringLiteral(", БД: ") + database_ +
                                 QStringLiteral(", пользователь: ") + login + QStringLiteral(")"));
    }
    shiftLog_.exec();
    close();
}

void LoginWindow::logInAndRunShiftLog() {
    if (logIn()) {
        runShiftLog();
    }
}

}  // namespace tabel::app
