#include "shiftlog/shift_log_rights.h"

namespace tabel::shiftlog {

ShiftLogRights rightsFor(const data::GroupRoles& roles) {
    ShiftLogRights rights;
    rights.monthClose = roles.close || roles.service;
    if (roles.service || roles.write) {
        rights.entryButtons = true;
        rights.accept = roles.service || roles.accept;
        rights.references = true;
        rights.timesheet = true;
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
    return rights;
}

}  // namespace tabel::shiftlog
