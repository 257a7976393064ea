#pragma once
// Calendar facts the windows share: weekends, the month names and the years a month is chosen
// from.

#include <QDate>
#include <QStringList>

namespace tabel::core {

inline bool isWeekend(const QDate& date) {
    return date.dayOfWeek() >= Qt::Saturday;
}

// The first year the month choices offer.
inline constexpr int kFirstYear = 2007;

// "Январь" … "Декабрь"; month n is item n − 1.
const QStringList& monthNames();

// Every year from 2007 to the year after `currentYear`, and `workingYear` wherever it falls.
QStringList yearItems(int currentYear, int workingYear);

// "Март 2026".
QString monthTitle(int month, int year);

}  // namespace tabel::core
