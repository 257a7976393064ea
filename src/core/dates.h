#pragma once
// Calendar facts the windows share.

#include <QDate>

namespace tabel::core {

inline bool isWeekend(const QDate& date) {
    return date.dayOfWeek() >= Qt::Saturday;
}

}  // namespace tabel::core
