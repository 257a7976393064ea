#include "timesheet/timesheet_export.h"

#include <array>

#include "core/dates.h"
#include "data/dataset.h"
#include "data/month_close.h"
#include "reports/printed_layout.h"
#include "reports/spreadsheet.h"

namespace tabel::timesheet {

namespace {

constexpr int kDays = 31;
constexpr int kTotalColumn = kDays + 2;

// The dataset is closed on every way out.
struct CloseOnExit {
    data::Dataset& dataset;
    ~CloseOnExit() { dataset.close(); }
};

}  // namespace

void openSummary(data::Dataset& summary, int month, int year) {
    summary.close();
    summary.setParam(QStringLiteral("mnth"), month);
    summary.setParam(QStringLiteral("yea"), year);
    summary.open();
}

void writeTimesheet(reports::Spreadsheet& book, data::Dataset& summary, const QString& title,
                    const std::function<void(int written, int total)>& rowWritten,
                    const QString& dataAsOf) {
    book.WriteCell(1, 1, 1, title, true, true, true);
    // A standby's freshness under the title moves the table down a row.
    book.WriteCell(1, 1, 2, dataAsOf, true);
    const int header = dataAsOf.isEmpty() ? 2 : 3;
    book.WriteCell(1, 1, header, QStringLiteral("Фамилия И.О."), true, true, true);
    for (int day = 1; day <= kDays; ++day) {
        book.WriteCell(1, day + 1, header, QString::number(day), false, true, true);
    }
    book.WriteCell(1, kTotalColumn, header, QStringLiteral("Итого"), true, true, true);

    const int fio = summary.fieldIndex(QStringLiteral("fio"));
    std::array<int, kDays> days{};
    for (int day = 1; day <= kDays; ++day) {
        days[day - 1] = summary.fieldIndex(QStringLiteral("sd%1").arg(day));
    }
    const int total = summary.recordCount();
    for (int row = 0; row < total; ++row) {
        const int sheetRow = header + 1 + row;
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

void saveTimesheet(data::Connection& connection, int month, int year, const QString& path,
                   const QString& dataAsOf) {
    reports::TimesheetLayout layout(connection);
    openSummary(layout.monthHours, month, year);
    const CloseOnExit closeSummary{layout.monthHours};
    reports::Spreadsheet book;
    book.OpenExcel(QString());
    writeTimesheet(book, layout.monthHours, core::monthTitle(month, year), {}, dataAsOf);
    book.saveAs(path);
}

reportengine::ReportDocument prepareTimesheetPrint(reports::TimesheetLayout& layout, int month,
                                                   int year) {
    openSummary(layout.monthHours, month, year);
    const CloseOnExit closeSummary{layout.monthHours};
    layout.setTitle(core::monthTitle(month, year) + QStringLiteral(" г."));
    const QDate first(year, month, 1);
    layout.setMark(
        data::readPeriodMark(*layout.monthHours.connection(), first, first.addMonths(1)));
    return layout.prepare();
}

}  // namespace tabel::timesheet
