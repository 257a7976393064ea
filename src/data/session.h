#pragma once
// What every window of a workstation shares: the login's connection, the feed of what other
// sessions change, the group roles the login holds, and where the reports read. The lists
// themselves belong to the windows that show them.

#include <QString>

#include "data/connection.h"
#include "data/group_roles.h"
#include "data/notifications.h"
#include "data/report_source.h"

namespace tabel::data {

struct Session {
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Listens for changes where they can be heard: on the login's own server, or, when that is
    // a hot standby (which takes no LISTEN), on the known primary, each batch then handed out
    // once the standby has replayed it. On a standby without a known primary nothing listens.
    void listenForChanges();

    Connection connection;
    ChangeFeed changes;
    // Asked once, right after the login opened the connection.
    GroupRoles roles;
    // The login's server is a hot standby: the windows offer no write. Set at login.
    bool readOnly = false;
    // The same login on the primary the feed listens on while the login's server is a standby;
    // empty: none known. Set at login.
    QString primaryConnectionString;
    // Where the reports read: the report server when one is configured, else `connection`.
    ReportSource reports{connection};
};

}  // namespace tabel::data
