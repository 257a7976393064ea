#pragma once
// The month's hours per worker (all shifts added) and their spreadsheet: the same for the
// window's "Excel" and the command line's --xlsx.

#include <QString>
#include <QStringList>
#include <functional>

namespace tabel::data {
class Dataset;
}

namespace tabel::reports {
class Spreadsheet;
}

namespace tabel::timesheet {

// Monthly summary (parameters mnth, yea): one row per worker caption with sd1 … sd31, every
// shift added, ordered by the caption.
QStringList monthlySummarySql();

// "Март 2026".
QString periodTitle(int month, int year);

// Writes the open summary to sheet 1 of `book`: the title, the day header, one row per
// summary row with its 31 days and their total. `rowWritten(written, total)` follows each row.
void writeTimesheet(reports::Spreadsheet& book, data::Dataset& summary, const QString& title,
                    const std::function<void(int written, int total)>& rowWritten = {});

}  // namespace tabel::timesheet
