#include "timesheet/timesheet_rules.h"

#include <QDate>

namespace tabel::timesheet {

DayKind dayKind(int year, int month, int day) {
    const QDate date(year, month, day);
    if (!date.isValid()) {
        return DayKind::BeyondMonth;
    }
    return date.dayOfWeek() >= Qt::Saturday ? DayKind::Weekend : DayKind::Workday;
}

}  // namespace tabel::timesheet
