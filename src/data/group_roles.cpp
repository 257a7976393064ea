#include "data/group_roles.h"

#include "data/connection.h"

namespace tabel::data {

namespace {

// A role the database lacks (a plant not yet set up) counts as not held.
const QString kMembership = QStringLiteral(
    "select coalesce(string_agg(r.rolname, ','), '') from pg_catalog.pg_roles r "
    "where r.rolname in ('tabel_read', 'tabel_accept', 'tabel_write', 'tabel_service', "
    "'tabel_close') "
    "and pg_catalog.pg_has_role(session_user, r.oid, 'MEMBER')");

}  // namespace

GroupRoles readGroupRoles(Connection& connection) {
    const QStringList held = connection.scalar(kMembership).toString().split(QLatin1Char(','));
    GroupRoles roles;
    roles.read = held.contains(QLatin1String("tabel_read"));
    roles.accept = held.contains(QLatin1String("tabel_accept"));
    roles.write = held.contains(QLatin1String("tabel_write"));
    roles.service = held.contains(QLatin1String("tabel_service"));
    roles.close = held.contains(QLatin1String("tabel_close"));
    return roles;
}

}  // namespace tabel::data
