#pragma once
// What every window of a workstation shares: the login's connection, the feed of what other
// sessions change, and the group roles the login holds. The lists themselves belong to the
// windows that show them.

#include "data/connection.h"
#include "data/group_roles.h"
#include "data/notifications.h"

namespace tabel::data {

struct Session {
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Connection connection;
    ChangeFeed changes;
    // Asked once, right after the login opened the connection.
    GroupRoles roles;
};

}  // namespace tabel::data
