#include "data/norm_writes.h"

#include "data/connection.h"
#include "data/versioned_writes.h"

namespace tabel::data {

namespace {

const QString kTable = QStringLiteral("accounts_dep.norm");

Bindings figuresOf(const Norm& norm) {
    return {{QStringLiteral("norma"), integerValue(norm.norma)},
            {QStringLiteral("price"), decimalValue(norm.price)},
            {QStringLiteral("prize"), integerValue(norm.prize)}};
}

}  // namespace

Norm addNorm(Connection& connection, const Norm& norm) {
    Bindings bindings = figuresOf(norm);
    bindings.append({QStringLiteral("o_id"), norm.operationId});
    const QList<QVariant> row =
        firstRow(connection,
                 QStringLiteral("insert into accounts_dep.norm(o_id, norma, price, prize) values "
                                "(:o_id, :norma, cast(:price as numeric), :prize) returning id, "
                                "xmin::text"),
                 bindings);
    Norm saved = norm;
    saved.id = row.value(0).toInt();
    saved.version = row.value(1).toString();
    return saved;
}

Norm changeNorm(Connection& connection, const Norm& norm) {
    Norm saved = norm;
    saved.version = updateAsOf(
        connection, kTable, norm.id, norm.version,
        QStringLiteral("update accounts_dep.norm set norma=:norma, price=cast(:price as numeric), "
                       "prize=:prize where id=:id and xmin::text = coalesce(:ver, xmin::text) "
                       "returning xmin::text"),
        figuresOf(norm));
    return saved;
}

void deleteNorm(Connection& connection, const Norm& norm) {
    deleteAsOf(connection, kTable, norm.id, norm.version);
}

}  // namespace tabel::data
