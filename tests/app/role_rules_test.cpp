#include <gtest/gtest.h>

#include "app/role_rules.h"
#include "data/data_module.h"
#include "shiftlog/shift_log_window.h"

namespace tabel::app {
namespace {

TEST(RoleRules, FollowTheLoginExactlyIncludingCase) {
    //                 entry  accept refs  hours  reports browse
    const struct {
        const char* login;
        RoleRules rules;
    } cases[] = {
        {"clerk_a", {false, true, false, false, false, true}},
        {"clerk_b", {false, true, false, false, false, true}},
        {"clerk_c", {false, true, false, false, false, true}},
        {"sys", {true, true, true, true, true, true}},
        {"econom", {false, false, false, false, true, false}},
        {"master", {true, false, true, true, true, true}},
        {"Clerk_a", {true, false, true, true, true, true}},
        {"SYS", {true, false, true, true, true, true}},
        {"Econom", {true, false, true, true, true, true}},
        {"", {true, false, true, true, true, true}},
    };
    for (const auto& c : cases) {
        const RoleRules got = rulesFor(QString::fromUtf8(c.login));
        EXPECT_EQ(got.entryButtons, c.rules.entryButtons) << c.login;
        EXPECT_EQ(got.accept, c.rules.accept) << c.login;
        EXPECT_EQ(got.references, c.rules.references) << c.login;
        EXPECT_EQ(got.timesheet, c.rules.timesheet) << c.login;
        EXPECT_EQ(got.reports, c.rules.reports) << c.login;
        EXPECT_EQ(got.browsing, c.rules.browsing) << c.login;
    }
}

TEST(RoleRules, OnlyAClerksDoubleClickAcceptsInsteadOfShowing) {
    data::DataModule dm;
    shiftlog::ShiftLogWindow window(dm);
    const struct {
        const char* login;
        bool accepts;
    } cases[] = {{"clerk_a", true}, {"master", false}, {"clerk_c", true},
                 {"sys", false},    {"econom", false}, {"Clerk_b", false}};
    for (const auto& c : cases) {
        applyRoleRules(window, QString::fromUtf8(c.login));
        EXPECT_EQ(window.doubleClickAccepts(), c.accepts) << c.login;
    }
}

}  // namespace
}  // namespace tabel::app
