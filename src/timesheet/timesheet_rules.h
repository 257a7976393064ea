#pragma once
// What the hours timesheet shows: its month and year lists and how a day's cell is painted.

#include <QColor>
#include <QStringList>

#include "widgets/dataset_model.h"

namespace tabel::timesheet {

inline constexpr int kFirstYear = 2007;
inline const QColor kSilver{192, 192, 192};
inline const QColor kMoneyGreen{192, 220, 192};
inline const QColor kTotalBackground{225, 228, 255};

// "Январь" … "Декабрь"; month n is item n − 1.
const QStringList& monthNames();

// Every year from 2007 to the year after `currentYear`, and `workingYear` wherever it falls.
QStringList yearItems(int currentYear, int workingYear);

enum class DayKind { Workday, Weekend, BeyondMonth };

// Day column `day` (1..31) of the month: a Saturday or Sunday, a working day, or no day of it.
DayKind dayKind(int year, int month, int day);

// Title colour of a day column; invalid for the standard window text.
QColor dayTitleColor(DayKind kind);

// A day cell with `hours`: 0 grey (red on weekends, invisible beyond the month), 8 bold,
// above 8 bold on light green; any other value in the column's colour.
widgets::CellStyle dayCellStyle(DayKind kind, int hours);

}  // namespace tabel::timesheet
