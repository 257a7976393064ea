#pragma once
// TForm23: the login window, the application's main window for the whole run.

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
class TDataModule6;
}
namespace tabel::shiftlog {
class TForm1;
}

namespace tabel::app {

using Deployment = data::Deployment;

class TForm23 : public QDialog {
    Q_OBJECT
public:
    TForm23(data::TDataModule6& dm, shiftlog::TForm1& shiftLog, Deployment deployment,
            QString server, QString database, QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* Button1;
    QPushButton* Button2;
    QTimer* Timer1;

    void FormActivate();
    void Button1Click();
    // The version check of the activation and of the shift log window's timer.
    void CheckVersion();

    // Steps of "Вход" up to showing the shift log window; false when the program must end.
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

    data::TDataModule6& dm_;
    shiftlog::TForm1& shiftLog_;
    Deployment deployment_;
    QString server_;
    QString database_;
};

}  // namespace tabel::app
