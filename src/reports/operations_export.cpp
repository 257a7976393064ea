#include "reports/operations_export.h"

#include "core/numbers.h"
#include "core/product_kind.h"
#include "data/dataset.h"
#include "reports/spreadsheet.h"

namespace tabel::reports {

void setUpOperationsExport(data::Dataset& rows) {
    rows.setSql({
        QStringLiteral("select izdel.MARKA, vid_oper.VID, oper.NAIMEN, ") +
            core::productKindSql(QStringLiteral("naimen")) +
            QStringLiteral(" as nmn, oper.CENA, oper.id, oper.i_id,"),
        QStringLiteral(" oper.VID as oper_vid from accounts_dep.OPER,accounts_dep.IZDEL,"
                       "accounts_dep.VID_OPER where OPER.i_id=IZDEL.id "),
        QStringLiteral("and oper.vid=vid_oper.id order by izdel.marka, vid_oper.vid, "
                       "oper.naimen"),
    });
    rows.setFieldDefs({{QStringLiteral("cena"), data::FieldType::Float, true},
                       {QStringLiteral("naimen"), data::FieldType::Integer, true}});
}

void writeOperations(data::Dataset& rows, Spreadsheet& sheet) {
    sheet.WriteCell(1, 1, 1, QStringLiteral("Марка"));
    sheet.WriteCell(1, 2, 1, QStringLiteral("Операция"));
    sheet.WriteCell(1, 3, 1, QStringLiteral("Цена"));
    sheet.WriteCell(1, 4, 1, QStringLiteral("Вид"));
    int row = 2;
    for (rows.first(); !rows.eof(); rows.next()) {
        const data::Field cena = rows.field(QStringLiteral("cena"));
        sheet.WriteCell(1, 1, row, rows.field(QStringLiteral("marka")).asString());
        sheet.WriteCell(1, 2, row, rows.field(QStringLiteral("vid")).asString());
        // An operation without a price of its own leaves the cell empty rather than 0.
        sheet.WriteCell(1, 3, row, cena.isNull() ? QString() : core::formatGeneral(cena.asFloat()));
        sheet.WriteCell(1, 4, row,
                        core::productKindText(rows.field(QStringLiteral("naimen")).asInteger()));
        ++row;
    }
}

}  // namespace tabel::reports
