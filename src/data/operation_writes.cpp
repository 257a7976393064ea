#include "data/operation_writes.h"

#include "data/data_module.h"

namespace tabel::data {

int countSameOperations(TDataModule6& dm, const OperationKey& key, std::optional<int> exceptId) {
    Bindings bindings{{QStringLiteral("vid"), key.kindId},
                      {QStringLiteral("naimen"), key.stage},
                      {QStringLiteral("i_id"), key.productId}};
    if (!exceptId) {
        return dm.CheckDuplicate(
            QStringLiteral("select count(ID) as cnt from accounts_dep.OPER where vid=:vid and "
                           "naimen=:naimen and i_id=:i_id"),
            bindings);
    }
    bindings.append({QStringLiteral("id"), *exceptId});
    return dm.CheckDuplicate(
        QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=:vid and "
                       "naimen=:naimen and i_id=:i_id and id<>:id"),
        bindings);
}

int addOperation(TDataModule6& dm, const OperationKey& key, double price) {
    int id = 0;
    // The first norm makes the operation show in the list, so both are written or neither.
    dm.ADO_DB.inTransaction([&] {
        Dataset insert(&dm.ADO_DB, QStringLiteral("Oper_ins"));
        insert.setSql({dm.Oper_ins.text() + QStringLiteral(" returning id")});
        insert.setParam(QStringLiteral("oper_vid"), key.kindId);
        insert.setParam(QStringLiteral("naimen"), key.stage);
        insert.setParam(QStringLiteral("i_id"), key.productId);
        insert.setParam(QStringLiteral("cena_new"), price);
        insert.open();
        id = insert.field(QStringLiteral("id")).asInteger();
        insert.close();
        Command firstNorm(&dm.ADO_DB, QStringLiteral("norm_ins"),
                          {QStringLiteral("insert into accounts_dep.norm(o_id, norma, prize, "
                                          "price) values (:o_id, 0, 0, :price)")});
        firstNorm.setParam(QStringLiteral("o_id"), id);
        firstNorm.setParam(QStringLiteral("price"), price);
        firstNorm.execute();
    });
    return id;
}

void changeOperation(TDataModule6& dm, int id, const OperationKey& key) {
    Command& change = dm.Oper_ed;
    change.setParam(QStringLiteral("oper_vid"), key.kindId);
    change.setParam(QStringLiteral("naimen"), key.stage);
    change.setParam(QStringLiteral("i_id"), key.productId);
    change.setParam(QStringLiteral("id"), id);
    change.executeOnRow();
}

}  // namespace tabel::data
