#pragma once
// The application's error display: a failure that leaves an event handler is shown to the user
// and ends that action; the program goes on.

#include <QApplication>
#include <exception>

namespace tabel::widgets {

// Shows the failure's message ("" for a failure that carries none) in a stop box; a refused
// statement as data::userMessageOf words it.
void showError(const std::exception_ptr& failure);

class GuardedApplication : public QApplication {
    Q_OBJECT
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tabel::widgets
