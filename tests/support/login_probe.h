#pragma once
// Logging in through the login window as a user does, and looking at the shift log from inside
// its own loop. The login's statements turn the event loop first, so the look waits until no
// statement is waited for; a look that never ran (the shift log was never shown) is dropped
// when this returns.

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "data/connection.h"
#include "find_widget.h"

namespace tabel::test {

inline void logInAndLook(QWidget& login, QObject& shiftLog, const QString& user,
                         const QString& password, const std::function<void()>& look) {
    login.show();
    fieldLabelled<QLineEdit>(login, "Логин")->setText(user);
    fieldLabelled<QLineEdit>(login, "Пароль")->setText(password);
    QTimer probe;
    probe.setSingleShot(true);
    QObject::connect(&probe, &QTimer::timeout, &shiftLog, [&] {
        if (data::Connection::anyBusy()) {
            probe.start(0);
            return;
        }
        look();
    });
    probe.start(0);
    buttonCaptioned<QPushButton>(login, "Вход")->click();
}

}  // namespace tabel::test
