#pragma once
// The application's error display: a failure that leaves an event handler is shown to the user
// and ends that action; the program goes on.

#include <QApplication>
#include <exception>

namespace tabel::data {
class DbError;
}

namespace tabel::widgets {

// Shows the failure's message ("" for a failure that carries none) in a stop box.
void showError(const std::exception_ptr& failure);

// What the user reads for a refused statement: a Russian message for what a user can cause,
// then the server's own text on a line of its own; our own server refusals as they are.
QString userMessageOf(const data::DbError& error);
// The message of a server error text, without its severity and the driver's additions.
QString serverMessageOf(const QString& serverText);

class GuardedApplication : public QApplication {
    Q_OBJECT
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tabel::widgets
