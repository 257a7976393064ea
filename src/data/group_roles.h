#pragma once
// The program's group roles a login is a member of, as the database grants them: the windows
// enable their controls by these, never by a login's name.

namespace tabel::data {

class Connection;

struct GroupRoles {
    bool read = false;     // tabel_read: reads
    bool accept = false;   // tabel_accept: accepts entries
    bool write = false;    // tabel_write: entries and the reference lists
    bool service = false;  // tabel_service: everything
    bool close = false;    // tabel_close: closes months

    friend bool operator==(const GroupRoles&, const GroupRoles&) = default;
};

// Asks the server once for the session's login. Throws DbError.
GroupRoles readGroupRoles(Connection& connection);

}  // namespace tabel::data
