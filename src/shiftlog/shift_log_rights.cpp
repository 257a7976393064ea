#include "shiftlog/shift_log_rights.h"

namespace tabel::shiftlog {

ShiftLogRights rightsFor(const data::GroupRoles& roles, bool readOnlyServer) {
    ShiftLogRights rights;
    rights.monthClose = roles.close || roles.service;
    if (roles.service || roles.write) {
        rights.entryButtons = true;
        rights.accept = roles.service || roles.accept;
        rights.references = true;
        rights.timesheet = true;
        rights.rebuildHours = true;
        rights.reports = true;
        rights.browsing = true;
        rights.namedCaption = true;
    } else if (roles.accept) {
        rights.accept = true;
        rights.browsing = true;
        rights.doubleClickAccepts = true;
        rights.namedCaption = true;
    } else {
        // Readers, and a login the program's roles do not know: only the reports.
        rights.reports = true;
    }
    if (readOnlyServer) {
        // Whatever the role: a standby takes no write. The lists, the timesheet and the reports
        // stay to read; the reference lists are editors and stay shut.
        rights.readOnly = true;
        rights.entryButtons = false;
        rights.accept = false;
        rights.doubleClickAccepts = false;
        rights.references = false;
        rights.rebuildHours = false;
        rights.monthClose = false;
    }
    return rights;
}

}  // namespace tabel::shiftlog
