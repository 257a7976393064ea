// The statements of the shift log's four lists: the entries of one date and shift.
#include "shiftlog/shift_statements.h"

#include "core/product_kind.h"
#include "data/dataset.h"

namespace tabel::shiftlog {

namespace {

using data::FieldDef;
using data::FieldType;

const QString kStageCase =
    core::productKindSql(QStringLiteral("naimen")) + QStringLiteral(" as nmn");

// Entries and hours meet people through accounts_dep.v_worker: employees with a numeric code,
// one per code, so an odd person in the plant's list neither fails nor doubles the lists.
// Each entry's material lines are counted beside it, one index lookup a row.
const QString kSmenaFrom = QStringLiteral(
    "from accounts_dep.v_worker person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,"
    "accounts_dep.vid_oper, lateral (select count(*) as lines from accounts_dep.smena_gds_use "
    "gds_use where gds_use.id_smena = smena.id) materials ");

// How many material lines the entry has; nothing for none.
const QString kMaterialLines = QStringLiteral("nullif(materials.lines, 0) as tmc, ");

// What a save or an accept started from: the entry's own version (entry_version, for the
// entry dialog's save) and that of the entry with its materials (row_version, for the accept
// and the delete). Both are kept on the row by the database's triggers.
const QString kVersionColumns = QStringLiteral(
    "smena.entry_version::text as entry_version, smena.row_version::text as row_version");

QStringList smena1Sql() {
    return {
        QStringLiteral("select smena.id, smena.data, smena.smena, smena.i_id, smena.o_id, "
                       "smena.w_id, "),
        QStringLiteral("smena.cena,person.s_caption fio, izdel.marka, vid_oper.vid, ") +
            kStageCase + QStringLiteral(", oper.naimen, smena.kol_vo, smena.brak, "),
        QStringLiteral("round((kol_vo::numeric-brak::numeric)*smena.cena::numeric, 2) as summa, "
                       "smena.prize, color,time, smena.ok, date(vvod) as vvod, smena.id_doc, "
                       "smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, "
                       "smena.id_cons_use, ") +
            kMaterialLines + kVersionColumns,
        kSmenaFrom,
        QStringLiteral("where smena.i_id=izdel.id and smena.o_id=oper.id and "
                       "w_id=person.s_code::public.t_integer and "),
        QStringLiteral("oper.vid=vid_oper.id and smena.smena=1 and smena.data=:data and ok!=:ok "
                       "order by "),
        QStringLiteral("fio, izdel.marka, vid_oper.vid, oper.naimen, color"),
    };
}

// Shifts 2 to 4 share one statement ordered by name alone.
QStringList smenaSql(int shift) {
    const QString caption =
        shift == 4 ? QStringLiteral("person.s_caption fio") : QStringLiteral("s_caption fio");
    return {
        QStringLiteral("select smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, "),
        QStringLiteral("smena.cena, ") + caption + QStringLiteral(", izdel.marka, vid_oper.vid, ") +
            kStageCase + QStringLiteral(", oper.naimen, smena.kol_vo, smena.brak, "),
        QStringLiteral("round((kol_vo::numeric-brak::numeric)*smena.cena::numeric, 2) as summa, "
                       "smena.prize, smena.id, color,time,smena.ok,date(vvod) as vvod, "
                       "smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, "
                       "smena.id_cons_use, ") +
            kMaterialLines + kVersionColumns + QStringLiteral("  "),
        kSmenaFrom,
        QStringLiteral("where smena.i_id=izdel.id and smena.o_id=oper.id and "
                       "w_id=s_code::public.t_integer and "),
        QStringLiteral("oper.vid=vid_oper.id and smena.smena=%1 and smena.data=:data and "
                       "ok<>:ok order by fio")
            .arg(shift),
    };
}

QList<FieldDef> smenaFields() {
    using T = FieldType;
    return {
        {QStringLiteral("id"), T::Integer, true},
        {QStringLiteral("data"), T::DateTime, false},
        {QStringLiteral("cena"), T::Float, false},
        {QStringLiteral("summa"), T::Float, false},
        {QStringLiteral("kol_vo"), T::Float, true},
        {QStringLiteral("prize"), T::Float, true},
        {QStringLiteral("id_doc"), T::Numeric15, true},
        {QStringLiteral("id_doc_item"), T::Numeric15, true},
        {QStringLiteral("f_gds_qty_use"), T::Float, true},
        {QStringLiteral("id_gds_use"), T::Numeric15, true},
        {QStringLiteral("id_cons_use"), T::Numeric15, true},
    };
}

}  // namespace

void prepareShiftList(data::Dataset& list, int shift) {
    list.setSql(shift == 1 ? smena1Sql() : smenaSql(shift));
    list.setFieldDefs(smenaFields());
    // No entry carries this mark: every entry of the day is listed.
    list.setParam(QStringLiteral("OK"), QStringLiteral("ta"));
    // A row that arrives live takes the place the statement's order gives it.
    list.setRowOrder(shift == 1 ? QStringList{QStringLiteral("fio"), QStringLiteral("marka"),
                                              QStringLiteral("vid"), QStringLiteral("naimen"),
                                              QStringLiteral("color")}
                                : QStringList{QStringLiteral("fio")});
}

}  // namespace tabel::shiftlog
