#include "app/login_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "app/program_end.h"
#include "app/role_rules.h"
#include "app/version_check.h"
#include "core/messages.h"
#include "data/data_module.h"
#include "data/errors.h"
#include "shiftlog/shift_log_window.h"
#include "widgets/form_field.h"
#include "widgets/style.h"

namespace tabel::app {

TForm23::TForm23(data::TDataModule6& dm, shiftlog::TForm1& shiftLog, Deployment deployment,
                 QString server, QString database, QWidget* parent)
    : QDialog(parent),
      terminate([] { endProgram(1); }),
      build(currentBuildStamp()),
      dm_(dm),
      shiftLog_(shiftLog),
      deployment_(std::move(deployment)),
      server_(std::move(server)),
      database_(std::move(database)) {
    setObjectName(QStringLiteral("TForm23"));
    setWindowTitle(QStringLiteral("Авторизация"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setEchoMode(QLineEdit::Password);
    // Typed characters show as "*", whatever the style would draw.
    Edit2->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    Button1 = widgets::makeButton(this, QStringLiteral("Button1"), QStringLiteral("Вход"));
    Button1->setDefault(true);
    Button2 = widgets::makeButton(this, QStringLiteral("Button2"), QStringLiteral("Отмена"));
    connect(Button1, &QPushButton::clicked, this, &TForm23::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(5500);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { terminate(); });

    auto* layout = new QGridLayout(this);
    Label1 = widgets::addField(layout, 0, QStringLiteral("Логин"), Edit1, QStringLiteral("Label1"));
    Label2 =
        widgets::addField(layout, 1, QStringLiteral("Пароль"), Edit2, QStringLiteral("Label2"));
    layout->addWidget(Label3, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Edit1->setMinimumWidth(220);

    connect(shiftLog_.Timer1, &QTimer::timeout, this, &TForm23::CheckVersion);
}

void TForm23::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
    }
}

void TForm23::FormActivate() {
    CheckVersion();
    Label3->setText(QStringLiteral("Сервер: ") + server_ + QStringLiteral(", БД: ") + database_);
    setWindowTitle(QStringLiteral("Авторизация (build: %1.%2)").arg(build.date).arg(build.time));
}

void TForm23::CheckVersion() {
    shiftLog_.loginState.buildDate = build.date;
    shiftLog_.loginState.buildTime = build.time;
    VersionVerdict verdict = VersionVerdict::Current;
    try {
        verdict = checkVersion(*shiftLog_.ver, build);
    } catch (const data::DbError& error) {
        // An unreachable server (before login, or lost since) is reported by the user's next
        // action, not every 30 seconds; the next check reconnects.
        if (!error.connectionLost()) {
            throw;
        }
        return;
    }
    if (verdict == VersionVerdict::Older) {
        Timer1->start();
        core::MessageBoxes::error(QStringLiteral(
            "Версия программы не соответсвует БД! Запустите программу через 5 мин."));
        terminate();
    }
}

void TForm23::connectionFailed() {
    core::MessageBoxes::error(QStringLiteral("Подключение к БД отсутсвует (сервер: ") + server_ +
                              QStringLiteral(", БД: ") + database_ + QStringLiteral(")"));
    terminate();
}

bool TForm23::logIn() {
    shiftLog_.setSmena(1);
    shiftlog::LoginState& state = shiftLog_.loginState;
    const data::LoginCredentials credentials =
        data::loginCredentials(deployment_, server_, database_, Edit1->text(), Edit2->text());
    state.login = credentials.login;
    state.password = credentials.password;
    dm_.ADO_DB.close();
    if (!credentials.composable) {
        connectionFailed();
        return false;
    }
    dm_.ADO_DB.setConnectionString(credentials.connectionString);
    try {
        dm_.ADO_DB.open();
    } catch (const data::DbError&) {
        connectionFailed();
        return false;
    }
    applyRoleRules(shiftLog_, state.login);
    for (int shift = 1; shift <= 4; ++shift) {
        dm_.smenaList(shift).setParam(QStringLiteral("OK"), QStringLiteral("ta"));
    }
    return true;
}

void TForm23::runShiftLog() {
    const QString& login = shiftLog_.loginState.login;
    hide();
    if (login != QLatin1String("econom")) {
        shiftLog_.setWindowTitle(QStringLiteral("Табель (Сервер: ") + server_ +
                                 QStringLiteral(", БД: ") + database_ +
                                 QStringLiteral(", пользователь: ") + login + QStringLiteral(")"));
    }
    shiftLog_.exec();
    close();
}

void TForm23::Button1Click() {
    if (logIn()) {
        runShiftLog();
    }
}

}  // namespace tabel::app
