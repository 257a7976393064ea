#include "data/hours.h"

#include "data/dataset.h"

namespace tabel::data {

int rebuildHoursMonth(Connection& connection, int month, int year) {
    Dataset rebuild(&connection, QStringLiteral("h_tabel_rebuild"));
    rebuild.setSql({QStringLiteral("select accounts_dep.h_tabel_rebuild(:mnth, :yea) as made")});
    rebuild.setParam(QStringLiteral("mnth"), month);
    rebuild.setParam(QStringLiteral("yea"), year);
    rebuild.open();
    return rebuild.field(QStringLiteral("made")).asInteger();
}

bool mayRebuildHours(Connection& connection) {
    Dataset rights(&connection, QStringLiteral("h_tabel_rights"));
    rights.setSql({QStringLiteral(
        "select (has_function_privilege('accounts_dep.h_tabel_rebuild(integer, integer)', "
        "'execute') and has_table_privilege('accounts_dep.h_tabel', 'insert, delete'))::int "
        "as allowed")});
    rights.open();
    return rights.field(QStringLiteral("allowed")).asInteger() == 1;
}

}  // namespace tabel::data
