// One workstation of the drill: the program's own windows, as main() wires them, logged in
// through the login window with the login and password it is given, then left open on today's
// shift lists (a foreman or clerk), or with the hours timesheet of the month opened over them (an
// economist).
//
//   tabel_drill_workstation SERVER LOGIN PASSWORD shift:N|timesheet
//
// Prints "ready <date> <what>" once its lists are read and the live feed listens. Reads commands
// on stdin: "dump" compares every open list with a fresh read of its own statement and prints
// "lists <n> rows <r> missing <m> extra <e>"; "quit" ends it.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "app/window_set.h"
#include "data/connection.h"
#include "data/dataset.h"

namespace {

using tabel::data::Dataset;

// Every row of `list` as one line of text, its columns in order.
std::multiset<QString> rowsOf(const Dataset& list) {
    std::multiset<QString> rows;
    for (int row = 0; row < list.recordCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list.fieldCount(); ++column) {
            cells.append(list.valueAt(row, column).toString());
        }
        rows.insert(cells.join(QLatin1Char('\t')));
    }
    return rows;
}

// The lists the windows hold open, each read again whole: what the screen shows against what
// the database holds now.
QString compareWithDatabase(const QList<const QWidget*>& windows) {
    int lists = 0;
    qsizetype rows = 0;
    qsizetype missing = 0;
    qsizetype extra = 0;
    QList<Dataset*> all;
    for (const QWidget* window : windows) {
        all += window->findChildren<Dataset*>();
    }
    for (Dataset* list : all) {
        if (!list->isOpen()) {
            continue;
        }
        const std::multiset<QString> shown = rowsOf(*list);
        list->refresh();
        const std::multiset<QString> fresh = rowsOf(*list);
        ++lists;
        rows += qsizetype(fresh.size());
        for (const QString& row : fresh) {
            missing += shown.count(row) < fresh.count(row) ? 1 : 0;
        }
        for (const QString& row : shown) {
            extra += fresh.count(row) < shown.count(row) ? 1 : 0;
        }
    }
    return QStringLiteral("lists %1 rows %2 missing %3 extra %4")
        .arg(lists)
        .arg(rows)
        .arg(missing)
        .arg(extra);
}

void say(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

bool allOpen(const QWidget& window, int atLeast) {
    int open = 0;
    for (const Dataset* list : window.findChildren<Dataset*>()) {
        open += list->isOpen() ? 1 : 0;
    }
    return open >= atLeast;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("tabel"));
    QCoreApplication::setApplicationName(QStringLiteral("tabel"));
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fputs("usage: tabel_drill_workstation SERVER LOGIN PASSWORD shift:N|timesheet\n",
                   stderr);
        return 2;
    }
    const bool economist = args[4] == QLatin1String("timesheet");
    const int shift = economist ? 0 : args[4].section(QLatin1Char(':'), 1).toInt();

    tabel::app::WindowSet windows(tabel::app::compiledDeployment(), args[1],
                                  QStringLiteral("tabel"));
    windows.login->show();
    windows.login->findChild<QLineEdit*>(QStringLiteral("loginEdit"))->setText(args[2]);
    windows.login->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(args[3]);
    // "Вход" runs the shift log window's own loop until the end.
    QTimer::singleShot(0, windows.login.get(), [&windows] {
        windows.login->findChild<QPushButton*>(QStringLiteral("logInButton"))->click();
    });

    tabel::shiftlog::ShiftLogWindow& shiftLog = *windows.shiftLog;
    tabel::outputwindows::TimesheetWindow& timesheet = *windows.timesheetWindow;
    bool shiftChosen = false;
    bool timesheetAsked = false;
    bool ready = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        // Nothing is clicked while a statement is awaited: a user's click then waits behind the
        // wait dialog, while a window opened from inside the wait's loop would hold it open.
        if (!shiftLog.isVisible() || !windows.session.changes.isLive() || !allOpen(shiftLog, 4) ||
            tabel::data::Connection::anyBusy()) {
            return;
        }
        if (!economist && !shiftChosen) {
            shiftChosen = true;
            const QString radio = shift == 4 ? QStringLiteral("overtimeRadio")
                                             : QStringLiteral("shift%1Radio").arg(shift);
            shiftLog.findChild<QRadioButton*>(radio)->click();
        }
        if (economist && !timesheetAsked) {
            timesheetAsked = true;
            // The timesheet runs a loop of its own inside the shift log's.
            QTimer::singleShot(0, &shiftLog, [&shiftLog, &timesheetAsked] {
                if (tabel::data::Connection::anyBusy()) {
                    timesheetAsked = false;
                    return;
                }
                shiftLog.findChild<QAction*>(QStringLiteral("timesheetAction"))->trigger();
            });
            return;
        }
        if (economist && (!timesheet.isVisible() || !allOpen(timesheet, 3))) {
            return;
        }
        if (!ready) {
            ready = true;
            say(QStringLiteral("ready %1 %2")
                    .arg(shiftLog.workingDate().toString(Qt::ISODate), args[4]));
        }
    });
    watch.start(100);

    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char line[64];
        const ssize_t length = read(STDIN_FILENO, line, sizeof line - 1);
        const QByteArray command = QByteArray(line, int(std::max<ssize_t>(length, 0))).trimmed();
        if (command == "dump") {
            say(economist ? compareWithDatabase({&shiftLog, &timesheet})
                          : compareWithDatabase({&shiftLog}));
        } else if (length <= 0 || command == "quit") {
            // The windows' loops are nested in one another: the process ends here.
            std::fflush(stdout);
            _exit(0);
        }
    });
    return app.exec();
}
