#pragma once
// The login window "Авторизация", the application's main window for the whole run.

#include <QDialog>
#include <QString>
#include <functional>

#include "app/build_stamp.h"
#include "data/credentials.h"

class QLabel;
class QLineEdit;
class QPushButton;
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

    QLabel* loginLabel;
    QLabel* passwordLabel;
    QLabel* connectionLabel;  // "Сервер: …, БД: …"
    QLineEdit* loginEdit;
    QLineEdit* passwordEdit;
    QPushButton* logInButton;
    QPushButton* cancelButton;
    // Ends the program 5.5 s after an outdated version was found, acknowledged or not.
    QTimer* terminationTimer;

    // On every showing: the server and database, the build in the caption.
    void prepareForLogin();
    // "Вход": logs in and runs the shift log window until it closes.
    void logInAndRunShiftLog();
    // The version check right after the login connected and on the shift log window's timer;
    // an outdated program is told so and ends (false). Nothing is checked before a login has
    // connected: only a typed login opens a connection.
    bool enforceVersion();

    // Steps of "Вход" up to showing the shift log window; false when the shift log must not
    // be shown (a refused login stays in this window for another try, anything else ends).
    bool logIn();
    void runShiftLog();

    // Ends the program; tests replace it.
    std::function<void()> terminate;
    // The build this program reports; tests replace it.
    BuildStamp build;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void connectionFailed();
    void loginRefused();

    data::Session& session_;
    shiftlog::ShiftLogWindow& shiftLog_;
    Deployment deployment_;
    QString server_;
    QString database_;
    bool connected_ = false;  // a typed login has opened the connection
};

}  // namespace tabel::app
