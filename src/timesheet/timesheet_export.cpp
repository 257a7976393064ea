#include "timesheet/timesheet_export.h"

#include <array>

#include "data/dataset.h"
#include "reports/spreadsheet.h"
#include "timesheet/timesheet_rules.h"

namespace tabel::timesheet {

namespace {

constexpr int kDays = 31;
constexpr int kTotalColumn = kDays + 2;

}  // namespace

QStringList monthlySummarySql() {
    return {
        QStringLiteral("select person.s_caption fio,sum(d1) as sd1,sum(d2) as sd2,sum(d3) as "
                       "sd3,sum(d4) as sd4,"),
        QStringLiteral("sum(d5) as sd5,sum(d6) as sd6,sum(d7) as sd7,sum(d8) as sd8,sum(d9) as "
                       "sd9,"),
        QStringLiteral("sum(d10) as sd10,sum(d11) as sd11,sum(d12) as sd12,sum(d13) as sd13,"),
        QStringLiteral("sum(d14) as sd14,sum(d15) as sd15,sum(d16) as sd16,sum(d17) as sd17,"),
        QStringLiteral("sum(d18) as sd18,sum(d19) as sd19,sum(d20) as sd20,sum(d21) as sd21,"),
        QStringLiteral("sum(d22) as sd22,sum(d23) as sd23,sum(d24) as sd24,sum(d25) as sd25,"),
        QStringLiteral("sum(d26) as sd26,sum(d27) as sd27,sum(d28) as sd28,sum(d29) as sd29,"),
        QStringLiteral("sum(d30) as sd30,sum(d31) as sd31 from accounts_dep.h_tabel, "
                       "cmn_contractor.person person where"),
        QStringLiteral("h_tabel.w_id=person.s_code::t_integer and month=:mnth and"),
        QStringLiteral("year=:yea group by fio order by fio"),
    };
}

QString periodTitle(int month, int year) {
    return monthNames().value(month - 1) + u' ' + QString::number(year);
}

void writeTimesheet(reports::Spreadsheet& book, data::Dataset& summary, const QString& title,
                    const std::function<void(int written, int total)>& rowWritten) {
    book.WriteCell(1, 1, 1, title, true, true, true);
    book.WriteCell(1, 1, 2, QStringLiteral("Фамилия И.О."), true, true, true);
    for (int day = 1; day <= kDays; ++day) {
        book.WriteCell(1, day + 1, 2, QString::number(day), false, true, true);
    }
    book.WriteCell(1, kTotalColumn, 2, QStringLiteral("Итого"), true, true, true);

    const int fio = summary.fieldIndex(QStringLiteral("fio"));
    std::array<int, kDays> days{};
    for (int day = 1; day <= kDays; ++day) {
        days[day - 1] = summary.fieldIndex(QStringLiteral("sd%1").arg(day));
    }
    const int total = summary.recordCount();
    for (int row = 0; row < total; ++row) {
        const int sheetRow = row + 3;
        book.WriteCell(1, 1, sheetRow, summary.valueAt(row, fio).toString(), true, true, false);
        qint64 sum = 0;
        for (int day = 1; day <= kDays; ++day) {
            // An empty sum counts as 0.
            const qint64 hours = summary.valueAt(row, days[day - 1]).toLongLong();
            sum += hours;
            book.WriteCell(1, day + 1, sheetRow, QString::number(hours), false, true, false);
        }
        book.WriteCell(1, kTotalColumn, sheetRow, QString::number(sum), false, true, false);
        if (rowWritten) {
            rowWritten(row + 1, total);
        }
    }
}

}  // namespace tabel::timesheet
