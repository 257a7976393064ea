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

void applyRoleRules(shiftlog::TForm1& window, const QString& login) {
    const RoleRules rules = rulesFor(login);
    for (QPushButton* button : {window.Button1, window.Button2, window.Button3}) {
        button->setEnabled(rules.entryButtons);
    }
    window.Button5->setEnabled(rules.accept);
    window.setDoubleClickAccepts(isClerk(login));
    window.N2->setEnabled(rules.references);
    window.N11->setEnabled(rules.timesheet);
    window.N7->setEnabled(rules.reports);
    for (QWidget* control : std::initializer_list<QWidget*>{
             window.RadioButton1, window.RadioButton2, window.RadioButton3, window.RadioButton4,
             window.CBox1, window.Button8, window.DBGrid2, window.DateT}) {
        control->setEnabled(rules.browsing);
    }
}

}  // namespace tabel::app
