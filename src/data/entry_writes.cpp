#include "data/entry_writes.h"

#include <QVariant>

#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"

namespace tabel::data {

namespace {

// Read one entry as the shift lists show it.
const QStringList kEntrySql{
    QStringLiteral("select smena.id, smena.data, smena.smena, smena.w_id, smena.i_id, "
                   "smena.o_id, smena.cena, person.s_caption fio, izdel.marka, vid_oper.vid, "
                   "oper.naimen, smena.kol_vo, smena.brak, smena.time, smena.id_doc, "
                   "smena.id_doc_item, smena.entry_version::text as entry_version, smena.ok"),
    QStringLiteral("from accounts_dep.smena smena"),
    QStringLiteral("inner join accounts_dep.oper oper on oper.id = smena.o_id"),
    QStringLiteral("inner join accounts_dep.vid_oper vid_oper on vid_oper.id = oper.vid"),
    QStringLiteral("inner join accounts_dep.izdel izdel on izdel.id = smena.i_id"),
    QStringLiteral("left join accounts_dep.v_worker person on person.s_code::public.t_integer = "
                   "smena.w_id"),
    QStringLiteral("where smena.id = :id"),
};

}  // namespace

Entry saveEntry(Connection& connection, const Entry& e) {
    Entry saved = e;
    connection.inTransaction([&] {
        saved.id =
            connection
                .scalar(QStringLiteral("select accounts_dep.smena_save(:id, :w_id, :i_id, :o_id, "
                                       ":cena, :kol_vo, :brak, :data, :smena, :time, :id_doc, "
                                       ":id_doc_item, :version)"),
                        {{QStringLiteral("id"), e.id},
                         {QStringLiteral("w_id"), e.workerId},
                         {QStringLiteral("i_id"), e.productId},
                         {QStringLiteral("o_id"), e.operationId},
                         {QStringLiteral("cena"), e.price.toDouble()},
                         {QStringLiteral("kol_vo"), e.quantity.toDouble()},
                         {QStringLiteral("brak"), e.defects},
                         {QStringLiteral("data"), e.date},
                         {QStringLiteral("smena"), e.shift},
                         {QStringLiteral("time"), e.hours},
                         {QStringLiteral("id_doc"), e.docId},
                         {QStringLiteral("id_doc_item"), e.itemId},
                         {QStringLiteral("version"), e.version.isEmpty()
                                                         ? QVariant(QMetaType::fromType<QString>())
                                                         : QVariant(e.version)}})
                .toInt();
        // Read inside the save's transaction, where the row is still ours.
        saved.version = connection
                            .scalar(QStringLiteral("select entry_version::text from "
                                                   "accounts_dep.smena where id = :id"),
                                    {{QStringLiteral("id"), saved.id}})
                            .toString();
    });
    return saved;
}

Entry readEntry(Connection& connection, int id) {
    using T = FieldType;
    Dataset row(&connection, QStringLiteral("entry"));
    row.setSql(kEntrySql);
    row.setFieldDefs({{QStringLiteral("id"), T::Integer, true},
                      {QStringLiteral("cena"), T::Float, true},
                      {QStringLiteral("kol_vo"), T::Float, true},
                      {QStringLiteral("id_doc"), T::Numeric15, true},
                      {QStringLiteral("id_doc_item"), T::Numeric15, true}});
    row.setParam(QStringLiteral("id"), id);
    row.open();
    if (row.isEmpty()) {
        throw rowGoneError();
    }
    Entry entry = entryAt(row);
    entry.accepted = isAccepted(row.field(QStringLiteral("ok")).asString());
    return entry;
}

void deleteEntry(Connection& connection, int entryId, const QString& version) {
    connection.scalar(
        QStringLiteral("select accounts_dep.smena_delete(:id, :version)"),
        {{QStringLiteral("id"), entryId},
         {QStringLiteral("version"),
          version.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(version)}});
}

int materialCount(Connection& connection, int entryId) {
    return connection
        .scalar(QStringLiteral("select count(id) as id_cnt from accounts_dep.smena_gds_use sgu "
                               "where sgu.id_smena = :id_smena"),
                {{QStringLiteral("id_smena"), entryId}})
        .toInt();
}

void acceptEntry(Connection& connection, int entryId, const QString& version) {
    connection.scalar(QStringLiteral("select accounts_dep.smena__accept_row_hwo(:id, :version)"),
                      {{QStringLiteral("id"), entryId}, {QStringLiteral("version"), version}});
}

core::Decimal availableStock(Connection& connection, int entryId, qint64 goodsId) {
    // The free remainder plus the remainder reserved for the entry's requisition item, both at
    // the stock that issues the requisition's materials.
    const QVariant sum = connection.scalar(
        QStringLiteral(
            "select coalesce(sum(rem.f_qty), 0)::float8 from accounts_dep.smena smena\n"
            "inner join mnf_doc.doc mnf_doc on mnf_doc.id = smena.id_doc\n"
            "inner join cmn_doc.doc cmn_doc on cmn_doc.id_reference = mnf_doc.id\n"
            "                              and cmn_doc.id_type = mnf_doc.id_type\n"
            "inner join stk_remainder.remainder rem on rem.id_stock = mnf_doc.id_stock_from\n"
            "  and ((rem.id_reserved_doc is null and rem.id_reserved_doc_item is null)\n"
            "    or (rem.id_reserved_doc = cmn_doc.id and rem.id_reserved_doc_item = "
            "smena.id_doc_item))\n"
            "where smena.id = :id_smena and rem.id_gds = :id_gds"),
        {{QStringLiteral("id_smena"), entryId}, {QStringLiteral("id_gds"), goodsId}});
    return core::Decimal::fromStored(sum.toDouble());
}

MaterialResult addMaterial(Connection& connection, int entryId, qint64 goodsId,
                           const core::Decimal& quantity) {
    MaterialResult result;
    connection.inTransaction([&] {
        result.available = availableStock(connection, entryId, goodsId);
        if (quantity.rounded(3) > result.available.rounded(3)) {
            return;
        }
        connection.execute(
            QStringLiteral("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                           "f_qty_use) values (:id_smena, :id_gds_use, :f_qty_use)"),
            {{QStringLiteral("id_smena"), entryId},
             {QStringLiteral("id_gds_use"), goodsId},
             {QStringLiteral("f_qty_use"), quantity.toDouble()}});
        result.saved = true;
    });
    return result;
}

void deleteMaterial(Connection& connection, int materialId) {
    connection.execute(QStringLiteral("delete from accounts_dep.smena_gds_use where id=:id"),
                       {{QStringLiteral("id"), materialId}});
}

bool addBrigadeMember(Connection& connection, int entryId, qint64 personId) {
    return connection.execute(
               QStringLiteral("insert into accounts_dep.person_temp(id_smena, id_person) "
                              "select :id_smena, :id_person where not exists (select 1 from "
                              "accounts_dep.person_temp where id_smena = :id_smena and "
                              "id_person = :id_person)"),
               {{QStringLiteral("id_smena"), entryId}, {QStringLiteral("id_person"), personId}}) >
           0;
}

void removeBrigadeMember(Connection& connection, qint64 memberId) {
    connection.execute(QStringLiteral("delete from accounts_dep.person_temp where id=:id"),
                       {{QStringLiteral("id"), memberId}});
}

bool isAccepted(const QString& mark) {
    return mark == QLatin1String("ok") || mark == QStringLiteral("да");
}

}  // namespace tabel::data
