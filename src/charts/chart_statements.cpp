// The charts' statements: each gives a chart's figures grouped on the server.
#include "charts/chart_statements.h"

#include "core/product_kind.h"
#include "data/dataset.h"
#include "reports/entry_sums.h"

namespace tabel::charts {

namespace {

using data::FieldDef;
using data::FieldType;

// The entries the period reports count: joined with their worker (people with a numeric code,
// one per code), product, operation and operation kind, as the detailed workers report joins
// them. `period` limits smena.data.
QString reportedEntries(const QString& period) {
    return QStringLiteral(
               "from accounts_dep.v_worker person,accounts_dep.izdel,accounts_dep.oper,"
               "accounts_dep.smena,accounts_dep.vid_oper where smena.o_id=oper.id and "
               "smena.w_id=s_code::integer and smena.i_id=izdel.id and oper.vid=vid_oper.id and "
               "%1 ")
        .arg(period);
}

// Both months are summed by one scan; every day of the month shown gets a row.
QStringList dailyOutputSql() {
    return {
        QStringLiteral("with days as (select smena.data, ") + reports::goodPiecesSum() +
            QStringLiteral(" as kolvo, ") + reports::paySum() + QStringLiteral(" as summa"),
        reportedEntries(QStringLiteral("smena.data>=:data0 and smena.data<:data2")) +
            QStringLiteral("group by smena.data)"),
        QStringLiteral("select cal.d::date as data, coalesce(cur.kolvo, 0) as kolvo, "
                       "coalesce(cur.summa, 0) as summa,"),
        // The same day of the previous month: none for the 31st after a month of 30 days.
        QStringLiteral("case when extract(day from cal.d - interval '1 month') = extract(day "
                       "from cal.d) then coalesce(prev.summa, 0) end as prev_summa"),
        QStringLiteral("from generate_series(:data1::date, :data2::date - 1, interval '1 day') "
                       "as cal(d)"),
        QStringLiteral("left join days cur on cur.data = cal.d::date"),
        QStringLiteral("left join days prev on prev.data = (cal.d - interval '1 month')::date"),
        QStringLiteral("order by data"),
    };
}

// Workers ranked by pay (equal pay by name); past the named ones they share one row.
QStringList workerPaySql() {
    return {
        QStringLiteral("select least(ranked.place, %1) as place,").arg(kNamedWorkers + 1),
        QStringLiteral("case when min(ranked.place) <= %1 then min(ranked.fio) else "
                       "'Остальные (' || count(*) || ')' end as fio,")
            .arg(kNamedWorkers),
        QStringLiteral("count(*) as workers, sum(ranked.summa) as summa"),
        QStringLiteral("from (select worker.fio, worker.summa, row_number() over (order by "
                       "worker.summa desc, worker.fio) as place"),
        QStringLiteral("from (select s_caption fio, ") + reports::paySum() +
            QStringLiteral(" as summa"),
        reportedEntries(QStringLiteral("smena.data>=:data1 and smena.data<:data2")) +
            QStringLiteral("group by fio) worker) ranked"),
        QStringLiteral("group by least(ranked.place, %1) order by place").arg(kNamedWorkers + 1),
    };
}

QStringList kindOutputSql() {
    return {
        QStringLiteral("select smena.data, ") +
            core::productKindSql(QStringLiteral("oper.naimen")) + QStringLiteral(" as nmn, ") +
            reports::goodPiecesSum() + QStringLiteral(" as kolvo"),
        reportedEntries(QStringLiteral("smena.data>=:data1 and smena.data<:data2")),
        QStringLiteral("group by smena.data, nmn order by smena.data, nmn"),
    };
}

// The day columns of the hours table as rows, its workers known as the timesheet knows them.
QStringList shiftHoursSql() {
    QStringList days;
    for (int day = 1; day <= 31; ++day) {
        days.append(QStringLiteral("(%1, h_tabel.d%1)").arg(day));
    }
    return {
        QStringLiteral("select (:data1::date + (cell.n - 1)) as data, h_tabel.smena, "
                       "sum(cell.hours) as hours"),
        QStringLiteral("from accounts_dep.h_tabel, accounts_dep.v_worker person,"),
        QStringLiteral("lateral (values ") + days.join(QLatin1Char(',')) +
            QStringLiteral(") as cell(n, hours)"),
        QStringLiteral("where h_tabel.w_id=person.s_code::integer and month=:mnth and year=:yea"),
        QStringLiteral("and :data1::date + (cell.n - 1) < :data2::date"),
        QStringLiteral("group by cell.n, h_tabel.smena order by data, h_tabel.smena"),
    };
}

}  // namespace

void prepareChart(data::Dataset& dataset, Chart chart) {
    // Sums as text: the exact decimal the server computed, never a double.
    const auto exact = [](const char* name) {
        return FieldDef{QString::fromLatin1(name), FieldType::String, true};
    };
    const FieldDef day{QStringLiteral("data"), FieldType::Date, true};
    switch (chart) {
        case Chart::DailyOutput:
            dataset.setSql(dailyOutputSql());
            dataset.setFieldDefs({day, exact("kolvo"), exact("summa"), exact("prev_summa")});
            break;
        case Chart::WorkerPay:
            dataset.setSql(workerPaySql());
            dataset.setFieldDefs({{QStringLiteral("place"), FieldType::Integer, true},
                                  {QStringLiteral("fio"), FieldType::String, true},
                                  {QStringLiteral("workers"), FieldType::Integer, true},
                                  exact("summa")});
            break;
        case Chart::KindOutput:
            dataset.setSql(kindOutputSql());
            dataset.setFieldDefs(
                {day, {QStringLiteral("nmn"), FieldType::String, true}, exact("kolvo")});
            break;
        case Chart::ShiftHours:
            dataset.setSql(shiftHoursSql());
            dataset.setFieldDefs({day,
                                  {QStringLiteral("smena"), FieldType::Integer, true},
                                  {QStringLiteral("hours"), FieldType::Integer, true}});
            break;
    }
}

void setChartMonth(data::Dataset& dataset, Chart chart, const QDate& firstDay) {
    dataset.setParam(QStringLiteral("data1"), firstDay);
    dataset.setParam(QStringLiteral("data2"), firstDay.addMonths(1));
    switch (chart) {
        case Chart::DailyOutput:
            dataset.setParam(QStringLiteral("data0"), firstDay.addMonths(-1));
            break;
        case Chart::ShiftHours:
            dataset.setParam(QStringLiteral("mnth"), firstDay.month());
            dataset.setParam(QStringLiteral("yea"), firstDay.year());
            break;
        case Chart::WorkerPay:
        case Chart::KindOutput:
            break;
    }
}

}  // namespace tabel::charts
