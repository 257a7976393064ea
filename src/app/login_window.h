#pragma once
// The login window "Авторизация", the application's main window for the whole run.

#include <QDialog>
#include <QString>
#include <functional>

#include "app/build_stamp.h"
#include "data/credentials.h"

class QLabel;
class QLineEdit;
class QTimer;

namespace tabel::data {
struct Session;
}
namespace tabel::shiftlog {
class ShiftLogWindow;
}

namespace tabel::app {

using Deployment = data::Deployment;

class LoginWindow : public QDialog {
    Q_OBJECT
public:
    LoginWindow(data::Session& session, shiftlog::ShiftLogWindow& shiftLog, Deployment deployment,
                QString server, QString database, QWidget* parent = nullptr);

    // The steps of "Вход" with the login and password typed, up to showing the shift log
    // window; false when it must not be shown (a refused login stays in this window for
    // another try, anything else ends). Throws DbError for a failure the steps do not expect.
    bool logIn();
    // The version check right after the login connected and on the shift log window's timer;
    // an outdated program is told so and ends (false). Nothing is checked before a login has
    // connected: only a typed login opens a connection.
    bool enforceVersion();
    // On the same timer: a server that became a standby since (a failover reached on
    // reconnect) makes the windows read-only, and one promoted since writable again.
    void followServerRole();

    // Ends the program; tests replace it.
    std::function<void()> terminate;
    // The build this program reports; tests replace it.
    BuildStamp build;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // On every showing: the server and database, the build in the caption.
    void prepareForLogin();
    // "Вход": logs in and runs the shift log window until it closes.
    void logInAndRunShiftLog();
    void runShiftLog();
    void connectionFailed();
    void loginRefused();

    data::Session& session_;
    shiftlog::ShiftLogWindow& shiftLog_;
    Deployment deployment_;
    // Where the login connects: as named at start-up, or the deployment's own without both.
    QString server_;
    QString database_;
    bool connected_ = false;  // a typed login has opened the connection

    QLabel* connectionLabel_ = nullptr;  // "Сервер: …, БД: …"
    QLineEdit* loginEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    // Ends the program 5.5 s after an outdated version was found, acknowledged or not.
    QTimer* terminationTimer_ = nullptr;
};

}  // namespace tabel::app
