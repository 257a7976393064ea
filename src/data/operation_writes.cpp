#include "data/operation_writes.h"

#include "data/connection.h"
#include "data/errors.h"

namespace tabel::data {

int countSameOperations(Connection& connection, const OperationKey& key,
                        std::optional<int> exceptId) {
    Bindings bindings{{QStringLiteral("vid"), key.kindId},
                      {QStringLiteral("naimen"), key.stage},
                      {QStringLiteral("i_id"), key.productId}};
    if (!exceptId) {
        return connection
            .scalar(
                QStringLiteral("select count(ID) as cnt from accounts_dep.OPER where vid=:vid and "
                               "naimen=:naimen and i_id=:i_id"),
                bindings)
            .toInt();
    }
    bindings.append({QStringLiteral("id"), *exceptId});
    return connection
        .scalar(QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=:vid and "
                               "naimen=:naimen and i_id=:i_id and id<>:id"),
                bindings)
        .toInt();
}

int addOperation(Connection& connection, const OperationKey& key, double price) {
    int id = 0;
    // The first norm makes the operation show in the list, so both are written or neither.
    connection.inTransaction([&] {
        id = connection
                 .scalar(QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, "
                                        "cena_new) values (:oper_vid, :naimen, :i_id, "
                                        ":cena_new) returning id"),
                         {{QStringLiteral("oper_vid"), key.kindId},
                          {QStringLiteral("naimen"), key.stage},
                          {QStringLiteral("i_id"), key.productId},
                          {QStringLiteral("cena_new"), price}})
                 .toInt();
        connection.execute(QStringLiteral("insert into accounts_dep.norm(o_id, norma, prize, "
                                          "price) values (:o_id, 0, 0, :price)"),
                           {{QStringLiteral("o_id"), id}, {QStringLiteral("price"), price}});
    });
    return id;
}

void changeOperation(Connection& connection, int id, const OperationKey& key,
                     const QString& version) {
    const int changed = connection.execute(
        QStringLiteral("update accounts_dep.oper set vid=:oper_vid, naimen=:naimen,  "
                       "i_id=:i_id where id=:id and xmin::text = coalesce(:ver, xmin::text)"),
        {{QStringLiteral("oper_vid"), key.kindId},
         {QStringLiteral("naimen"), key.stage},
         {QStringLiteral("i_id"), key.productId},
         {QStringLiteral("id"), id},
         {QStringLiteral("ver"),
          version.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(version)}});
    if (changed == 0) {
        const bool exists =
            connection
                .scalar(QStringLiteral("select count(*) from accounts_dep.oper where id=:id"),
                        {{QStringLiteral("id"), id}})
                .toInt() > 0;
        throw exists ? rowChangedError() : rowGoneError();
    }
}

QString operationVersion(Connection& connection, int id) {
    return connection
        .scalar(QStringLiteral("select xmin::text from accounts_dep.oper where id=:id"),
                {{QStringLiteral("id"), id}})
        .toString();
}

void deleteOperation(Connection& connection, int id) {
    // Its norms go with it (on delete cascade).
    if (connection.execute(QStringLiteral("delete from accounts_dep.oper where id=:id"),
                           {{QStringLiteral("id"), id}}) == 0) {
        throw rowGoneError();
    }
}

}  // namespace tabel::data
