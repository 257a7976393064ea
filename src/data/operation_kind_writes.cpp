#include "data/operation_kind_writes.h"

#include "data/connection.h"
#include "data/versioned_writes.h"

namespace tabel::data {

namespace {

const QString kTable = QStringLiteral("accounts_dep.vid_oper");

}  // namespace

int countSameKinds(Connection& connection, const OperationKind& kind) {
    const QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=:vid");
    Bindings bindings{{QStringLiteral("vid"), kind.name.toUpper()}};
    if (kind.id == 0) {
        return connection.scalar(count, bindings).toInt();
    }
    bindings.append({QStringLiteral("id"), kind.id});
    return connection.scalar(count + QStringLiteral(" and id<>:id"), bindings).toInt();
}

OperationKind addKind(Connection& connection, const OperationKind& kind) {
    const QList<QVariant> row = firstRow(
        connection,
        QStringLiteral(
            "insert into accounts_dep.vid_oper(vid) values (:vid) returning id, xmin::text"),
        {{QStringLiteral("vid"), kind.name}});
    return {row.value(0).toInt(), kind.name, row.value(1).toString()};
}

OperationKind renameKind(Connection& connection, const OperationKind& kind) {
    return {
        kind.id, kind.name,
        updateAsOf(connection, kTable, kind.id, kind.version,
                   QStringLiteral("update accounts_dep.vid_oper set vid=:vid where id=:id and "
                                  "xmin::text = coalesce(:ver, xmin::text) returning xmin::text"),
                   {{QStringLiteral("vid"), kind.name}})};
}

void deleteKind(Connection& connection, const OperationKind& kind) {
    deleteAsOf(connection, kTable, kind.id, kind.version);
}

QString kindVersion(Connection& connection, int id) {
    return storedVersion(connection, kTable, id);
}

}  // namespace tabel::data
