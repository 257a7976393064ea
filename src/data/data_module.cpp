#include "data/data_module.h"

#include "core/product_kind.h"

namespace tabel::data {

namespace {

const QString kStageCase =
    core::productKindSql(QStringLiteral("naimen")) + QStringLiteral(" as nmn");

QStringList workersSql() {
    return {
        QStringLiteral("select person.s_code id, person .s_caption fio, person.id p_id"),
        QStringLiteral("      ,staffpos.s_caption as s_staffpos_hl"),
        QStringLiteral("from cmn_contractor.person person"),
        QStringLiteral("left join hrms_movement.movement pers_move on pers_move.id_employee = "
                       "person.id"),
        QStringLiteral("                                          and now()::t_date between "
                       "pers_move.d_begin"),
        QStringLiteral("                                                                and "
                       "coalesce(pers_move.d_end, now()::t_date)"),
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

// Entries and hours meet people through accounts_dep.v_worker: employees with a numeric code,
// one per code, so an odd person in the plant's list neither fails nor doubles the lists.
const QString kSmenaFrom = QStringLiteral(
    "from accounts_dep.v_worker person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,"
    "accounts_dep.vid_oper ");

// What a save or an accept started from: the entry's own version (entry_version, for the
// entry dialog's save) and that of the entry with its materials (row_version, for the accept).
const QString kVersionColumns = QStringLiteral(
    "smena.xmin::text as entry_version, "
    "accounts_dep.smena_version(smena.id, smena.xmin) as row_version");

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
            kVersionColumns,
        kSmenaFrom,
        QStringLiteral("where smena.i_id=izdel.id and smena.o_id=oper.id and "
                       "w_id=person.s_code::t_integer and "),
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
            kVersionColumns + QStringLiteral("  "),
        kSmenaFrom,
        QStringLiteral("where smena.i_id=izdel.id and smena.o_id=oper.id and "
                       "w_id=s_code::t_integer and "),
        QStringLiteral("oper.vid=vid_oper.id and smena.smena=%1 and smena.data=:data and "
                       "ok<>:ok order by fio")
            .arg(shift),
    };
}

QStringList hTabelSql(int shift) {
    return {
        QStringLiteral(
            "select person.s_caption fio, h_tabel.*,(d1+d2+d3+d4+d5+d6+d7+d8+d9+d10+d11"),
        QStringLiteral("+d12+d13+d14+d15+d16+d17+d18+d19+d20+d21+d22+d23+d24+d25"),
        QStringLiteral("+d26+d27+d28+d29+d30+d31) as summ from accounts_dep.h_tabel, "
                       "accounts_dep.v_worker person where "),
        QStringLiteral("h_tabel.w_id=person.s_code::integer and h_tabel.smena=%1 and month=:mnth "
                       "and ")
            .arg(shift),
        QStringLiteral("year=:yea order by fio"),
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

QList<FieldDef> hTabelFields(bool readOnly) {
    QList<FieldDef> defs{{QStringLiteral("fio"), FieldType::String, readOnly},
                         {QStringLiteral("id"), FieldType::Integer, true}};
    for (const char* name : {"w_id", "month", "year", "smena", "summ"}) {
        defs.append({QString::fromLatin1(name), FieldType::Integer, readOnly});
    }
    for (int day = 1; day <= 31; ++day) {
        defs.append({QStringLiteral("d%1").arg(day), FieldType::Integer, readOnly});
    }
    return defs;
}

}  // namespace

DataModule::DataModule()
    : workers(&connection, QStringLiteral("Workers")),
      products(&connection, QStringLiteral("Izdel")),
      operations(&connection, QStringLiteral("Oper")),
      operationKinds(&connection, QStringLiteral("Vid_oper")),
      shift1Entries(&connection, QStringLiteral("Smena1")),
      shift2Entries(&connection, QStringLiteral("Smena2")),
      shift3Entries(&connection, QStringLiteral("Smena3")),
      overtimeEntries(&connection, QStringLiteral("Smena4")),
      shift1Hours(&connection, QStringLiteral("H_Tabel_1")),
      shift2Hours(&connection, QStringLiteral("H_Tabel_2")),
      shift3Hours(&connection, QStringLiteral("H_Tabel_3")) {
    using T = FieldType;
    workers.setSql(workersSql());
    workers.setFieldDefs({{QStringLiteral("id"), T::String, false},
                          {QStringLiteral("fio"), T::String, false},
                          {QStringLiteral("s_staffpos_hl"), T::String, true},
                          {QStringLiteral("p_id"), T::Numeric15, true}});

    products.setSql(
        {QStringLiteral("select marka, id, nom, round(massa::numeric, 5) massa  from "
                        "accounts_dep.IZDEL order by marka")});
    products.setFieldDefs(
        {{QStringLiteral("massa"), T::Float, false}, {QStringLiteral("id"), T::Numeric15, false}});

    operations.setSql(operSql());
    operations.setFieldDefs({{QStringLiteral("id"), T::Integer, true},
                             {QStringLiteral("norma"), T::Integer, true},
                             {QStringLiteral("cena"), T::Float, true},
                             {QStringLiteral("i_id_old"), T::Integer, true}});

    operationKinds.setSql({QStringLiteral("select * from accounts_dep.VID_OPER order by vid")});
    operationKinds.setFieldDefs({{QStringLiteral("ID"), T::Integer, true}});
    operationKinds.setTableName(QStringLiteral("accounts_dep.vid_oper"));

    shift1Entries.setSql(smena1Sql());
    shift2Entries.setSql(smenaSql(2));
    shift3Entries.setSql(smenaSql(3));
    overtimeEntries.setSql(smenaSql(4));
    for (Dataset* list : {&shift1Entries, &shift2Entries, &shift3Entries, &overtimeEntries}) {
        list->setFieldDefs(smenaFields());
    }

    shift1Hours.setSql(hTabelSql(1));
    shift2Hours.setSql(hTabelSql(2));
    shift3Hours.setSql(hTabelSql(3));
    shift1Hours.setFieldDefs(hTabelFields(true));
    shift2Hours.setFieldDefs(hTabelFields(true));
    shift3Hours.setFieldDefs(hTabelFields(false));
}

Dataset& DataModule::shiftEntries(int shift) {
    switch (shift) {
        case 2:
            return shift2Entries;
        case 3:
            return shift3Entries;
        case 4:
            return overtimeEntries;
        default:
            return shift1Entries;
    }
}

int DataModule::countDuplicates(const QString& countStatement, const Bindings& bindings) {
    return connection.scalar(countStatement, bindings).toInt();
}

}  // namespace tabel::data
