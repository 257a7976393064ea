#pragma once
// What the hours timesheet's month holds: the kind of each day (its month and year lists are
// core/dates.h's).

namespace tabel::timesheet {

enum class DayKind { Workday, Weekend, BeyondMonth };

// Day column `day` (1..31) of the month: a Saturday or Sunday, a working day, or no day of it.
DayKind dayKind(int year, int month, int day);

}  // namespace tabel::timesheet
