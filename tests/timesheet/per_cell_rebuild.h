#pragma once
// The month's hours rebuilt the straightforward way, as a reference: the month deleted, then
// for every day, shift and worker one existence count and one insert or update, each
// statement committing on its own.

#include <QDate>

#include "data/command.h"
#include "data/dataset.h"

namespace tabel::test {

inline void rebuildPerCell(data::Connection& connection, int month, int year) {
    data::Command remove(&connection, QStringLiteral("deleteMonth"),
                         {QStringLiteral("delete from accounts_dep.h_tabel where month=:m and "
                                         "year=:y")});
    remove.setParam(QStringLiteral("m"), month);
    remove.setParam(QStringLiteral("y"), year);
    remove.execute();

    data::Dataset dayHours(&connection, QStringLiteral("dayHours"));
    dayHours.setSql(
        {QStringLiteral(" select smena, w_id, sum(time) as tim from accounts_dep.smena "
                        "where data=:data group by smena,w_id;")});
    data::Dataset rowCount(&connection, QStringLiteral("rowCount"));
    rowCount.setSql(
        {QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel h_tabel "
                        "where w_id=:w and smena=:s and month=:m and year=:y")});
    const int days = QDate(year, month, 1).daysInMonth();
    for (int day = 1; day <= days; ++day) {
        dayHours.close();
        dayHours.setParam(QStringLiteral("data"), QDate(year, month, day));
        dayHours.open();
        for (dayHours.first(); !dayHours.eof(); dayHours.next()) {
            const int shift = dayHours.field(QStringLiteral("smena")).asInteger();
            const int worker = dayHours.field(QStringLiteral("w_id")).asInteger();
            const data::Field tim = dayHours.field(QStringLiteral("tim"));
            const int hours = tim.isNull() ? 0 : tim.asInteger();

            rowCount.close();
            rowCount.setParam(QStringLiteral("w"), worker);
            rowCount.setParam(QStringLiteral("s"), shift);
            rowCount.setParam(QStringLiteral("m"), month);
            rowCount.setParam(QStringLiteral("y"), year);
            rowCount.open();
            const bool exists = rowCount.field(QStringLiteral("cnt")).asInteger() != 0;
            rowCount.close();

            data::Command write(
                &connection, QStringLiteral("writeHours"),
                {exists ? QStringLiteral("update accounts_dep.h_tabel set d%1=:t where w_id=:w "
                                         "and smena=:s and month=:m and year=:y")
                              .arg(day)
                        : QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, "
                                         "year, d%1) values(:s, :w, :m, :y, :t)")
                              .arg(day)});
            write.setParam(QStringLiteral("t"), hours);
            write.setParam(QStringLiteral("w"), worker);
            write.setParam(QStringLiteral("s"), shift);
            write.setParam(QStringLiteral("m"), month);
            write.setParam(QStringLiteral("y"), year);
            write.execute();
        }
    }
    dayHours.close();
}

}  // namespace tabel::test
