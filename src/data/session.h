#pragma once
// What every window of a workstation shares: the login's connection, the feed of what other
// sessions change, the group roles the login holds, and where the reports read. The lists
// themselves belong to the windows that show them.

#include "data/connection.h"
#include "data/group_roles.h"
#include "data/notifications.h"
#include "data/report_source.h"

namespace tabel::data {

struct Session {
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Connection connection;
    ChangeFeed changes;
    // Asked once, right after the login opened the connection.
    GroupRoles roles;
    // The login's server is a hot standby: the windows offer no write and nothing listens for
    // changes (a standby takes no LISTEN). Set at login.
    bool readOnly = false;
    // Where the reports read: the report server when one is configured, else `connection`.
    ReportSource reports{connection};
};

}  // namespace tabel::data
