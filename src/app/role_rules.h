#pragma once
// Which controls of the shift log window a login may use.

#include <QString>

namespace tabel::shiftlog {
class ShiftLogWindow;
}

namespace tabel::app {

struct RoleRules {
    bool entryButtons = true;  // "Добавить", "Изменить", "Удалить"
    bool accept = false;       // "Принять"
    bool references = true;    // "Справочники"
    bool timesheet = true;     // "Табель по времени"
    bool reports = true;       // "Отчеты"
    bool browsing = true;      // shifts, "Выходной", "Обновить", the grid, the date
};

// Logins are compared exactly, case included.
bool isClerk(const QString& login);
RoleRules rulesFor(const QString& login);
void applyRoleRules(shiftlog::ShiftLogWindow& window, const QString& login);

}  // namespace tabel::app
