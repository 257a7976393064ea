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
        QStringLiteral("oper.id, oper.i_id, oper.VID as oper_vid, oper.i_id_old from "
                       "accounts_dep.norm,accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_"
                       "OPER where OPER.i_id=IZDEL.id and norm.o_id=oper.id"),
        QStringLiteral("and oper.vid=vid_oper.id group by izdel.MARKA, vid_oper.VID, oper.NAIMEN, "
                       "oper.id, oper.i_id, oper.VID order by izdel.marka, vid_oper.vid, "
                       "oper.naimen"),
    };
}

const QString kSmenaFrom = QStringLiteral(
    "from cmn_contractor.person person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,"
    "accounts_dep.vid_oper ");

QStringList smena1Sql() {
    return {
        QStringLiteral("select smena.id, smena.data, smena.smena, smena.i_id, smena.o_id, "
                       "smena.w_id, "),
        QStringLiteral("smena.cena,person.s_caption fio, izdel.marka, vid_oper.vid, ") +
            kStageCase + QStringLiteral(", oper.naimen, smena.kol_vo, smena.brak, "),
        QStringLiteral("round((kol_vo::numeric-brak::numeric)*smena.cena::numeric, 2) as summa, "
                       "smena.prize, color,time, smena.ok, date(vvod) as vvod, smena.id_doc, "
                       "smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, "
                       "smena.id_cons_use"),
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
                       "smena.id_cons_use  "),
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
                       "cmn_contractor.person where "),
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

TDataModule6::TDataModule6()
    : Workers(&ADO_DB, QStringLiteral("Workers")),
      Izdel(&ADO_DB, QStringLiteral("Izdel")),
      Oper(&ADO_DB, QStringLiteral("Oper")),
      Vid_oper(&ADO_DB, QStringLiteral("Vid_oper")),
      Smena1(&ADO_DB, QStringLiteral("Smena1")),
      Smena2(&ADO_DB, QStringLiteral("Smena2")),
      Smena3(&ADO_DB, QStringLiteral("Smena3")),
      Smena4(&ADO_DB, QStringLiteral("Smena4")),
      H_Tabel_1(&ADO_DB, QStringLiteral("H_Tabel_1")),
      H_Tabel_2(&ADO_DB, QStringLiteral("H_Tabel_2")),
      H_Tabel_3(&ADO_DB, QStringLiteral("H_Tabel_3")),
      Control(&ADO_DB, QStringLiteral("Control")),
      DelSmena(&ADO_DB, QStringLiteral("DelSmena")),
      H_Tabel_ins(&ADO_DB, QStringLiteral("H_Tabel_ins")),
      Oper_ins(&ADO_DB, QStringLiteral("Oper_ins"),
               {QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new) "),
                QStringLiteral("values (:oper_vid, :naimen, :i_id, :cena_new)"), QString()}),
      Oper_ed(&ADO_DB, QStringLiteral("Oper_ed"),
              {QStringLiteral("update accounts_dep.oper set vid=:oper_vid, naimen=:naimen,  "
                              "i_id=:i_id where id=:id")}),
      Oper_del(&ADO_DB, QStringLiteral("Oper_del"),
               {QStringLiteral("delete from accounts_dep.oper where id=:id")}) {
    using T = FieldType;
    Workers.setSql(workersSql());
    Workers.setFieldDefs({{QStringLiteral("id"), T::String, false},
                          {QStringLiteral("fio"), T::String, false},
                          {QStringLiteral("s_staffpos_hl"), T::String, true},
                          {QStringLiteral("p_id"), T::Numeric15, true}});

    Izdel.setSql(
        {QStringLiteral("select marka, id, nom, round(massa::numeric, 5) massa  from "
                        "accounts_dep.IZDEL order by marka")});
    Izdel.setFieldDefs(
        {{QStringLiteral("massa"), T::Float, false}, {QStringLiteral("id"), T::Numeric15, false}});

    Oper.setSql(operSql());
    Oper.setFieldDefs({{QStringLiteral("id"), T::Integer, true},
                       {QStringLiteral("norma"), T::Integer, true},
                       {QStringLiteral("cena"), T::Float, true},
                       {QStringLiteral("i_id_old"), T::Integer, true}});

    Vid_oper.setSql({QStringLiteral("select * from accounts_dep.VID_OPER order by vid")});
    Vid_oper.setFieldDefs({{QStringLiteral("ID"), T::Integer, true}});
    Vid_oper.setTableName(QStringLiteral("accounts_dep.vid_oper"));

    Smena1.setSql(smena1Sql());
    Smena2.setSql(smenaSql(2));
    Smena3.setSql(smenaSql(3));
    Smena4.setSql(smenaSql(4));
    for (Dataset* list : {&Smena1, &Smena2, &Smena3, &Smena4}) {
        list->setFieldDefs(smenaFields());
    }

    H_Tabel_1.setSql(hTabelSql(1));
    H_Tabel_2.setSql(hTabelSql(2));
    H_Tabel_3.setSql(hTabelSql(3));
    H_Tabel_1.setFieldDefs(hTabelFields(true));
    H_Tabel_2.setFieldDefs(hTabelFields(true));
    H_Tabel_3.setFieldDefs(hTabelFields(false));
}

Dataset& TDataModule6::smenaList(int shift) {
    switch (shift) {
        case 2:
            return Smena2;
        case 3:
            return Smena3;
        case 4:
            return Smena4;
        default:
            return Smena1;
    }
}

int TDataModule6::CheckDuplicate(const QString& countStatement, const Bindings& bindings) {
    Control.close();
    Control.clearSql();
    Control.addSql(countStatement);
    for (const auto& [name, value] : bindings) {
        Control.setParam(name, value);
    }
    struct CloseOnExit {
        Dataset& dataset;
        ~CloseOnExit() { dataset.close(); }
    } closeOnExit{Control};
    Control.open();
    return Control.field(QStringLiteral("cnt")).asInteger();
}

}  // namespace tabel::data
