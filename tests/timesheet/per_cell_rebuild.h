#pragma once
// The month's hours rebuilt the straightforward way, as a reference: the month deleted, then
// for every day, shift and worker one existence count and one insert or update, each
// statement committing on its own.

#include <QDate>

#include "data/command.h"
#include "data/dataset.h"

namespace tabel::test {

inline void rebuildPerCell(data::Connection& connection, int month, int year) {
    data::Command remove(&connection, QStringLiteral("DelSmena"),
                         {QStringLiteral("delete from accounts_dep.h_tabel where month=:m and "
                                         "year=:y")});
    remove.setParam(QStringLiteral("m"), month);
    remove.setParam(QStringLiteral("y"), year);
    remove.execute();

    data::Dataset dt(&connection, QStringLiteral("dt"));
    dt.setSql(
        {QStringLiteral(" select smena, w_id, sum(time) as tim from accounts_dep.smena "
                        "where data=:data group by smena,w_id;")});
    data::Dataset control(&connection, QStringLiteral("Control"));
    control.setSql(
        {QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel h_tabel "
                        "where w_id=:w and smena=:s and month=:m and year=:y")});
    const int days = QDate(year, month, 1).daysInMonth();
    for (int day = 1; day <= days; ++day) {
        dt.close();
        dt.setParam(QStringLiteral("data"), QDate(year, month, day));
        dt.open();
        for (dt.first(); !dt.eof(); dt.next()) {
            const int shift = dt.field(QStringLiteral("smena")).asInteger();
            const int worker = dt.field(QStringLiteral("w_id")).asInteger();
            const data::Field tim = dt.field(QStringLiteral("tim"));
            const int hours = tim.isNull() ? 0 : tim.asInteger();

            control.close();
            control.setParam(QStringLiteral("w"), worker);
            control.setParam(QStringLiteral("s"), shift);
            control.setParam(QStringLiteral("m"), month);
            control.setParam(QStringLiteral("y"), year);
            control.open();
            const bool exists = control.field(QStringLiteral("cnt")).asInteger() != 0;
            control.close();

            data::Command write(
                &connection, QStringLiteral("H_Tabel_ins"),
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
    dt.close();
}

}  // namespace tabel::test
