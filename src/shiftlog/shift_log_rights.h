#pragma once
// Which controls of the shift log window a login may use, from the group roles the database
// grants it: a new login in a group works as that group does. On a hot standby nobody writes.

#include "data/group_roles.h"

namespace tabel::shiftlog {

struct ShiftLogRights {
    bool entryButtons = false;  // "Добавить", "Изменить", "Удалить"
    bool accept = false;        // "Принять"
    bool references = false;    // "Справочники"
    bool timesheet = false;     // "Табель по времени"
    bool rebuildHours = false;  // its "Перестроить"
    bool reports = false;       // "Отчеты"
    bool monthClose = false;    // "Закрытие месяца…"
    bool browsing = false;  // shifts, "Выходной", "Обновить", the grid, the date
    // A clerk's double-click (and Enter) accepts the entry instead of showing it.
    bool doubleClickAccepts = false;
    // The caption names the server, the database and the login.
    bool namedCaption = false;
    // The server is a hot standby: every write control is off, and the status line says so.
    bool readOnly = false;

    friend bool operator==(const ShiftLogRights&, const ShiftLogRights&) = default;
};

// `readOnlyServer`: the login's server is a standby (pg_is_in_recovery()).
ShiftLogRights rightsFor(const data::GroupRoles& roles, bool readOnlyServer = false);

}  // namespace tabel::shiftlog
