// The statements of the reference lists: workers, products, operations and operation kinds.
#include "refdata/reference_statements.h"

#include "core/product_kind.h"
#include "data/dataset.h"

namespace tabel::refdata {

namespace {

using data::FieldType;

const QString kStageCase =
    core::productKindSql(QStringLiteral("naimen")) + QStringLiteral(" as nmn");

QStringList workersSql() {
    return {
        QStringLiteral("select person.s_code id, person .s_caption fio, person.id p_id"),
        QStringLiteral("      ,staffpos.s_caption as s_staffpos_hl"),
        QStringLiteral("from cmn_contractor.person person"),
        QStringLiteral("left join hrms_movement.movement pers_move on pers_move.id_employee = "
                       "person.id"),
        QStringLiteral("                                          and now()::public.t_date between "
                       "pers_move.d_begin"),
        QStringLiteral("                                                                and "
                       "coalesce(pers_move.d_end, now()::public.t_date)"),
        QStringLiteral("left join hrms_staffpos.staffpos staffpos on staffpos.id = "
                       "pers_move.id_staffpos"),
        QStringLiteral("where person.b_employee = true order by fio"),
    };
}

QStringList operSql() {
    return {
        QStringLiteral("select izdel.MARKA, vid_oper.VID, oper.NAIMEN, ") + kStageCase +
            QStringLiteral(","),
        QStringLiteral("count(o_id) norma, min(price)::numeric cena,"),
        // The operation's version for its editor's save (one row per operation: min is it).
        QStringLiteral("min(oper.xmin::text) as row_version,"),
        QStringLiteral("oper.id, oper.i_id, oper.VID as oper_vid, oper.i_id_old from "
                       "accounts_dep.norm,accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_"
                       "OPER where OPER.i_id=IZDEL.id and norm.o_id=oper.id"),
        QStringLiteral("and oper.vid=vid_oper.id group by izdel.MARKA, vid_oper.VID, oper.NAIMEN, "
                       "oper.id, oper.i_id, oper.VID order by izdel.marka, vid_oper.vid, "
                       "oper.naimen"),
    };
}

}  // namespace

void prepareWorkers(data::Dataset& workers) {
    using T = FieldType;
    workers.setSql(workersSql());
    workers.setFieldDefs({{QStringLiteral("id"), T::String, false},
                          {QStringLiteral("fio"), T::String, false},
                          {QStringLiteral("s_staffpos_hl"), T::String, true},
                          {QStringLiteral("p_id"), T::Numeric15, true}});
}

void prepareProducts(data::Dataset& products) {
    using T = FieldType;
    products.setSql(
        {QStringLiteral("select marka, id, nom, round(massa::numeric, 5) massa  from "
                        "accounts_dep.IZDEL order by marka")});
    products.setFieldDefs(
        {{QStringLiteral("massa"), T::Float, false}, {QStringLiteral("id"), T::Numeric15, false}});
}

void prepareOperations(data::Dataset& operations) {
    using T = FieldType;
    operations.setSql(operSql());
    operations.setFieldDefs({{QStringLiteral("id"), T::Integer, true},
                             {QStringLiteral("norma"), T::Integer, true},
                             {QStringLiteral("cena"), T::Float, true},
                             {QStringLiteral("i_id_old"), T::Integer, true}});
    // A new or changed operation takes the place the statement's order gives it.
    operations.setRowOrder(
        {QStringLiteral("marka"), QStringLiteral("vid"), QStringLiteral("naimen")});
}

void prepareOperationKinds(data::Dataset& kinds) {
    // Each kind's version for its editor's rename and for its deletion.
    kinds.setSql({QStringLiteral(
        "select *, xmin::text as row_version from accounts_dep.VID_OPER order by vid")});
    kinds.setFieldDefs({{QStringLiteral("ID"), FieldType::Integer, true},
                        {QStringLiteral("row_version"), FieldType::String, true}});
    kinds.setRowOrder({QStringLiteral("vid")});
}

}  // namespace tabel::refdata
