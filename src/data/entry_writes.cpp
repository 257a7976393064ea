#include "data/entry_writes.h"

#include <QVariant>

#include "core/numbers.h"
#include "data/connection.h"
#include "data/errors.h"

namespace tabel::data {

namespace {

QVariant scalar(Connection& connection, const QString& sql, const QList<QVariant>& values) {
    const StatementResult result = connection.run(sql, values);
    return result.rows.isEmpty() || result.rows.first().isEmpty() ? QVariant()
                                                                  : result.rows.first().first();
}

int execute(Connection& connection, const QString& sql, const QList<QVariant>& values) {
    return connection.run(sql, values).rowsAffected;
}

}  // namespace

int saveEntry(Connection& connection, const EntryRecord& e) {
    return scalar(connection,
                  QStringLiteral("select accounts_dep.smena_save(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                 "?, ?)"),
                  {e.id, e.workerId, e.productId, e.operationId, e.price, e.quantity, e.defects,
                   e.date, e.shift, e.hours, e.docId, e.itemId})
        .toInt();
}

void deleteEntry(Connection& connection, int entryId) {
    scalar(connection, QStringLiteral("select accounts_dep.smena_delete(?)"), {entryId});
}

int materialCount(Connection& connection, int entryId) {
    return scalar(connection,
                  QStringLiteral("select count(id) as id_cnt from accounts_dep.smena_gds_use sgu "
                                 "where sgu.id_smena = ?"),
                  {entryId})
        .toInt();
}

void acceptEntry(Connection& connection, int entryId) {
    scalar(connection, QStringLiteral("select accounts_dep.smena__accept_row_hwo(?)\n"), {entryId});
}

double availableStock(Connection& connection, int entryId, qint64 goodsId) {
    // The free remainder plus the remainder reserved for the entry's requisition item, both at
    // the stock that issues the requisition's materials.
    const QVariant sum = scalar(
        connection,
        QStringLiteral(
            "select coalesce(sum(rem.f_qty), 0)::float8 from accounts_dep.smena smena\n"
            "inner join mnf_doc.doc mnf_doc on mnf_doc.id = smena.id_doc\n"
            "inner join cmn_doc.doc cmn_doc on cmn_doc.id_reference = mnf_doc.id\n"
            "                              and cmn_doc.id_type = mnf_doc.id_type\n"
            "inner join stk_remainder.remainder rem on rem.id_stock = mnf_doc.id_stock_from\n"
            "  and ((rem.id_reserved_doc is null and rem.id_reserved_doc_item is null)\n"
            "    or (rem.id_reserved_doc = cmn_doc.id and rem.id_reserved_doc_item = "
            "smena.id_doc_item))\n"
            "where smena.id = ? and rem.id_gds = ?"),
        {entryId, goodsId});
    return sum.toDouble();
}

MaterialResult addMaterial(Connection& connection, int entryId, qint64 goodsId, double quantity) {
    MaterialResult result;
    connection.inTransaction([&] {
        result.available = availableStock(connection, entryId, goodsId);
        if (core::roundHalfEven(quantity, 3) > core::roundHalfEven(result.available, 3)) {
            return;
        }
        execute(connection,
                QStringLiteral("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                               "f_qty_use) values (?, ?, ?)"),
                {entryId, goodsId, quantity});
        result.saved = true;
    });
    return result;
}

void deleteMaterial(Connection& connection, int materialId) {
    execute(connection, QStringLiteral("delete from accounts_dep.smena_gds_use where id=?"),
            {materialId});
}

bool addBrigadeMember(Connection& connection, int entryId, qint64 personId) {
    return execute(connection,
                   QStringLiteral("insert into accounts_dep.person_temp(id_smena, id_person) "
                                  "select ?, ? where not exists (select 1 from "
                                  "accounts_dep.person_temp where id_smena = ? and id_person = ?)"),
                   {entryId, personId, entryId, personId}) > 0;
}

void removeBrigadeMember(Connection& connection, qint64 memberId) {
    execute(connection, QStringLiteral("delete from accounts_dep.person_temp where id=?"),
            {memberId});
}

void divideEntry(Connection& connection, int entryId) {
    scalar(connection, QStringLiteral("select accounts_dep.divide_between_person(?)"), {entryId});
}

QString refusalText(const DbError& error) {
    if (error.kind() == DbErrorKind::PermissionDenied) {
        return QStringLiteral("Недостаточно прав для этого действия.");
    }
    QString text = error.message();
    const int tail = text.indexOf(QLatin1String(";\nError while"));
    if (tail >= 0) {
        text.truncate(tail);
    }
    for (const QLatin1String prefix : {QLatin1String("ERROR:"), QLatin1String("FATAL:")}) {
        if (text.startsWith(prefix)) {
            text = text.mid(prefix.size());
        }
    }
    return text.trimmed();
}

}  // namespace tabel::data
