#pragma once
// What the hours timesheet's month holds: its month and year lists and the kind of each day.

#include <QStringList>

namespace tabel::timesheet {

inline constexpr int kFirstYear = 2007;

// "Январь" … "Декабрь"; month n is item n − 1.
const QStringList& monthNames();

// Every year from 2007 to the year after `currentYear`, and `workingYear` wherever it falls.
QStringList yearItems(int currentYear, int workingYear);

enum class DayKind { Workday, Weekend, BeyondMonth };

// Day column `day` (1..31) of the month: a Saturday or Sunday, a working day, or no day of it.
DayKind dayKind(int year, int month, int day);

}  // namespace tabel::timesheet
