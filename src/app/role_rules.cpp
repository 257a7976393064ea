#include "app/role_rules.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QPushButton>
#include <QRadioButton>

#include "shiftlog/shift_log_window.h"
#include "widgets/data_grid.h"

namespace tabel::app {

bool isClerk(const QString& login) {
    return login == QLatin1String("clerk_a") || login == QLatin1String("clerk_b") ||
           login == QLatin1String("clerk_c");
}

RoleRules rulesFor(const QString& login) {
    RoleRules rules;
    const bool clerk = isClerk(login);
    rules.entryButtons = !clerk;
    rules.accept = clerk || login == QLatin1String("sys");
    rules.references = !clerk;
    rules.timesheet = !clerk;
    rules.reports = !clerk;
    if (login == QLatin1String("econom")) {
        rules.entryButtons = false;
        rules.accept = false;
        rules.references = false;
        rules.timesheet = false;
        rules.reports = true;
        rules.browsing = false;
    }
    return rules;
}

void applyRoleRules(shiftlog::ShiftLogWindow& window, const QString& login) {
    const RoleRules rules = rulesFor(login);
    for (QPushButton* button : {window.addButton, window.editButton, window.deleteButton}) {
        button->setEnabled(rules.entryButtons);
    }
    window.acceptButton->setEnabled(rules.accept);
    window.setDoubleClickAccepts(isClerk(login));
    window.referencesMenu->setEnabled(rules.references);
    window.timesheetAction->setEnabled(rules.timesheet);
    window.reportsMenu->setEnabled(rules.reports);
    for (QWidget* control : std::initializer_list<QWidget*>{
             window.shift1Radio, window.shift2Radio, window.shift3Radio, window.overtimeRadio,
             window.dayOffCheck, window.refreshButton, window.entriesGrid, window.dateEdit}) {
        control->setEnabled(rules.browsing);
    }
}

}  // namespace tabel::app
