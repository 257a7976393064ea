#include "data/hours.h"

#include "data/connection.h"

namespace tabel::data {

int rebuildHoursMonth(Connection& connection, int month, int year) {
    return connection
        .scalar(QStringLiteral("select accounts_dep.h_tabel_rebuild(:mnth, :yea) as made"),
                {{QStringLiteral("mnth"), month}, {QStringLiteral("yea"), year}})
        .toInt();
}

bool mayRebuildHours(Connection& connection) {
    return connection
               .scalar(QStringLiteral(
                   "select (has_function_privilege('accounts_dep.h_tabel_rebuild(integer, "
                   "integer)', 'execute') and has_table_privilege('accounts_dep.h_tabel', "
                   "'insert, delete'))::int as allowed"))
               .toInt() == 1;
}

}  // namespace tabel::data
