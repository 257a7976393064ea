// The shift log's controls follow the group roles the database grants a login, never its name.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>

#include "data/group_roles.h"
#include "data/session.h"
#include "find_widget.h"
#include "shiftlog/shift_log_rights.h"
#include "shiftlog/shift_log_window.h"
#include "test_db.h"

namespace tabel::app {
namespace {

using shiftlog::ShiftLogRights;

ShiftLogRights rights(bool entry, bool accept, bool refs, bool hours, bool reports, bool browse,
                      bool doubleClick, bool caption) {
    ShiftLogRights r;
    r.entryButtons = entry;
    r.accept = accept;
    r.references = refs;
    r.timesheet = hours;
    r.rebuildHours = hours;
    r.reports = reports;
    r.browsing = browse;
    r.doubleClickAccepts = doubleClick;
    r.namedCaption = caption;
    return r;
}

const ShiftLogRights kForeman = rights(true, false, true, true, true, true, false, true);
const ShiftLogRights kClerk = rights(false, true, false, false, false, true, true, true);
const ShiftLogRights kService = rights(true, true, true, true, true, true, false, true);
const ShiftLogRights kReader = rights(false, false, false, false, true, false, false, false);
// Those who close months: the service account and the economists of tabel_close.
ShiftLogRights closing(ShiftLogRights r) {
    r.monthClose = true;
    return r;
}
const ShiftLogRights kClosingService = closing(kService);
const ShiftLogRights kCloser = closing(kReader);

class RoleRulesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Logins the demo does not have, each in one group: they work as the group does.
        test::adminExec(QStringLiteral(
            "do $$ begin "
            "if not exists (select from pg_roles where rolname = 'clerk_d') then "
            "  create role clerk_d login password 'clerk_d' in role tabel_accept; end if; "
            "if not exists (select from pg_roles where rolname = 'econom2') then "
            "  create role econom2 login password 'econom2' in role tabel_read; end if; "
            "if not exists (select from pg_roles where rolname = 'foreman2') then "
            "  create role foreman2 login password 'foreman2' in role tabel_write; end if; "
            "if not exists (select from pg_roles where rolname = 'tabel_stranger') then "
            "  create role tabel_stranger login password 'tabel_stranger'; end if; "
            "end $$"));
    }
};

TEST_F(RoleRulesTest, GroupRolesOfEachLoginComeFromTheDatabase) {
    const struct {
        const char* login;
        ShiftLogRights rights;
    } cases[] = {
        {"master", kForeman}, {"foreman2", kForeman}, {"clerk_a", kClerk},
        {"clerk_c", kClerk},  {"clerk_d", kClerk},    {"sys", kClosingService},
        {"econom", kCloser},  {"econom2", kReader},   {"tabel_stranger", kReader},
    };
    for (const auto& c : cases) {
        data::Session session;
        test::connectAs(session.connection, QString::fromUtf8(c.login));
        EXPECT_EQ(shiftlog::rightsFor(data::readGroupRoles(session.connection)), c.rights)
            << c.login;
    }
}

TEST_F(RoleRulesTest, RightsEnableTheShiftLogsControls) {
    data::Session session;
    shiftlog::ShiftLogWindow window(session);
    const struct {
        const char* name;
        ShiftLogRights rights;
    } cases[] = {{"foreman", kForeman}, {"clerk", kClerk}, {"reader", kReader}};
    for (const auto& c : cases) {
        window.applyRights(c.rights);
        const auto enabled = [&window](const char* objectName) {
            auto* widget = window.findChild<QWidget*>(QString::fromLatin1(objectName));
            if (widget != nullptr) {
                return widget->isEnabled();
            }
            return window.findChild<QAction*>(QString::fromLatin1(objectName))->isEnabled();
        };
        EXPECT_EQ(enabled("addButton"), c.rights.entryButtons) << c.name;
        EXPECT_EQ(enabled("deleteButton"), c.rights.entryButtons) << c.name;
        EXPECT_EQ(enabled("acceptButton"), c.rights.accept) << c.name;
        EXPECT_EQ(enabled("referencesMenu"), c.rights.references) << c.name;
        EXPECT_EQ(enabled("timesheetAction"), c.rights.timesheet) << c.name;
        EXPECT_EQ(enabled("reportsMenu"), c.rights.reports) << c.name;
        EXPECT_EQ(enabled("chartsAction"), c.rights.reports) << c.name;
        EXPECT_EQ(enabled("entriesGrid"), c.rights.browsing) << c.name;
        EXPECT_EQ(window.doubleClickAccepts(), c.rights.doubleClickAccepts) << c.name;
    }
}

}  // namespace
}  // namespace tabel::app
