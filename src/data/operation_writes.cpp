#include "data/operation_writes.h"

#include "data/connection.h"
#include "data/errors.h"
#include "data/versioned_writes.h"

namespace tabel::data {

namespace {

const QString kTable = QStringLiteral("accounts_dep.oper");

Bindings keyOf(const Operation& operation) {
    return {{QStringLiteral("oper_vid"), operation.kindId},
            {QStringLiteral("naimen"), operation.stage},
            {QStringLiteral("i_id"), operation.productId}};
}

}  // namespace

int countSameOperations(Connection& connection, const Operation& operation) {
    Bindings bindings{{QStringLiteral("vid"), operation.kindId},
                      {QStringLiteral("naimen"), operation.stage},
                      {QStringLiteral("i_id"), operation.productId}};
    if (operation.id == 0) {
        return connection
            .scalar(
                QStringLiteral("select count(ID) as cnt from accounts_dep.OPER where vid=:vid and "
                               "naimen=:naimen and i_id=:i_id"),
                bindings)
            .toInt();
    }
    bindings.append({QStringLiteral("id"), operation.id});
    return connection
        .scalar(QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=:vid and "
                               "naimen=:naimen and i_id=:i_id and id<>:id"),
                bindings)
        .toInt();
}

Operation addOperation(Connection& connection, const Operation& operation,
                       const core::Decimal& firstPrice) {
    Operation saved = operation;
    // The first norm makes the operation show in the list, so both are written or neither.
    connection.inTransaction([&] {
        Bindings bindings = keyOf(operation);
        bindings.append({QStringLiteral("cena_new"), decimalValue(firstPrice)});
        const QList<QVariant> row =
            firstRow(connection,
                     QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new) "
                                    "values (:oper_vid, :naimen, :i_id, cast(:cena_new as "
                                    "numeric)) returning id, xmin::text"),
                     bindings);
        saved.id = row.value(0).toInt();
        saved.version = row.value(1).toString();
        connection.execute(QStringLiteral("insert into accounts_dep.norm(o_id, norma, prize, "
                                          "price) values (:o_id, 0, 0, cast(:price as numeric))"),
                           {{QStringLiteral("o_id"), saved.id},
                            {QStringLiteral("price"), decimalValue(firstPrice)}});
    });
    return saved;
}

Operation changeOperation(Connection& connection, const Operation& operation) {
    Operation saved = operation;
    saved.version = updateAsOf(
        connection, kTable, operation.id, operation.version,
        QStringLiteral("update accounts_dep.oper set vid=:oper_vid, naimen=:naimen,  "
                       "i_id=:i_id where id=:id and xmin::text = coalesce(:ver, xmin::text) "
                       "returning xmin::text"),
        keyOf(operation));
    return saved;
}

QString operationVersion(Connection& connection, int id) {
    return storedVersion(connection, kTable, id);
}

void deleteOperation(Connection& connection, int id) {
    // Its norms go with it (on delete cascade).
    if (connection.execute(QStringLiteral("delete from accounts_dep.oper where id=:id"),
                           {{QStringLiteral("id"), id}}) == 0) {
        throw rowGoneError();
    }
}

}  // namespace tabel::data
