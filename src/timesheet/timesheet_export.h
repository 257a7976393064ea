#pragma once
// The month's hours per worker (all shifts added, from the printed layout's summary) as a
// spreadsheet and as the printed timesheet: the same for the window and the command line.

#include <QString>
#include <functional>

#include "reportengine/report_document.h"

namespace tabel::data {
class Connection;
class Dataset;
}  // namespace tabel::data

namespace tabel::reports {
class Spreadsheet;
class TimesheetLayout;
}  // namespace tabel::reports

namespace tabel::timesheet {

// Sets the month on the summary (mnth, yea) and opens it; throws DbError.
void openSummary(data::Dataset& summary, int month, int year);

// Writes the open summary to sheet 1 of `book`: the title, `dataAsOf` under it when read from a
// standby, the day header, one row per summary row with its 31 days and their total.
// `rowWritten(written, total)` follows each row.
void writeTimesheet(reports::Spreadsheet& book, data::Dataset& summary, const QString& title,
                    const std::function<void(int written, int total)>& rowWritten = {},
                    const QString& dataAsOf = {});

// The month's workbook written to `path`. Throws DbError, and reports::SpreadsheetError when the
// file cannot be written.
void saveTimesheet(data::Connection& connection, int month, int year, const QString& path,
                   const QString& dataAsOf = {});

// Pages of the printed timesheet of the month, titled "Март 2026 г."; the summary is closed
// again on every way out. Throws DbError.
reportengine::ReportDocument prepareTimesheetPrint(reports::TimesheetLayout& layout, int month,
                                                   int year);

}  // namespace tabel::timesheet
