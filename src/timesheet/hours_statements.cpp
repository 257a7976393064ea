// The statement of the hours timesheet's pages: one shift's rows of a month.
#include "timesheet/hours_statements.h"

#include "data/dataset.h"

namespace tabel::timesheet {

namespace {

using data::FieldDef;
using data::FieldType;

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

void prepareHoursPage(data::Dataset& page, int shift) {
    page.setSql(hTabelSql(shift));
    // Only the third shift's page is typed into.
    page.setFieldDefs(hTabelFields(shift != 3));
}

}  // namespace tabel::timesheet
