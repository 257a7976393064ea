#pragma once
// Which controls of the shift log window a login may use, from the group roles the database
// grants it: a new login in a group works as that group does.

#include "data/group_roles.h"

namespace tabel::shiftlog {

struct ShiftLogRights {
    bool entryButtons = false;  // "Добавить", "Изменить", "Удалить"
    bool accept = false;        // "Принять"
    bool references = false;    // "Справочники"
    bool timesheet = false;     // "Табель по времени"
    bool reports = false;       // "Отчеты"
    bool monthClose = false;    // "Закрытие месяца…"
    bool browsing = false;  // shifts, "Выходной", "Обновить", the grid, the date
    // A clerk's double-click (and Enter) accepts the entry instead of showing it.
    bool doubleClickAccepts = false;
    // The caption names the server, the database and the login.
    bool namedCaption = false;

    friend bool operator==(const ShiftLogRights&, const ShiftLogRights&) = default;
};

ShiftLogRights rightsFor(const data::GroupRoles& roles);

}  // namespace tabel::shiftlog
