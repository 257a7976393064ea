#include "data/month_close.h"

#include <QStringList>

#include <algorithm>

#include "data/connection.h"
#include "data/odbc_block_fetch.h"

namespace tabel::data {

namespace {

const QString kClosesSql = QStringLiteral(
    "select c.year, c.month, pg_catalog.to_char(c.closed_at, 'YYYY-MM-DD HH24:MI:SS'),"
    " c.closed_by, c.unaccepted from accounts_dep.month_close c");

MonthClose closeOf(const QList<QVariant>& row) {
    return {row.at(0).toInt(), row.at(1).toInt(),
            QDateTime::fromString(row.at(2).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            row.at(3).toString(), row.at(4).toInt()};
}

QDate firstDay(int year, int month) {
    return QDate(year, month, 1);
}

core::Decimal decimalOf(const QVariant& value) {
    return core::Decimal::fromText(value.toString()).value_or(core::Decimal());
}

QString hoursOfRow() {
    QStringList days;
    for (int day = 1; day <= 31; ++day) {
        days.append(QStringLiteral("h.d%1").arg(day));
    }
    return days.join(QLatin1Char('+'));
}

bool mayExecute(Connection& connection, const QString& function) {
    return connection
               .scalar(QStringLiteral("select pg_catalog.has_function_privilege(:function, "
                                      "'execute')::int as allowed"),
                       {{QStringLiteral("function"), function}})
               .toInt() == 1;
}

// "позиция", "позиции", "позиций" after `count`.
QString entriesWord(int count) {
    const int lastTwo = count % 100;
    const int last = count % 10;
    if (last == 1 && lastTwo != 11) {
        return QStringLiteral("позиция");
    }
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) {
        return QStringLiteral("позиции");
    }
    return QStringLiteral("позиций");
}

}  // namespace

int MonthTotals::unacceptedCount() const {
    int count = 0;
    for (const UnacceptedDay& day : unaccepted) {
        count += day.entries;
    }
    return count;
}

const MonthClose* findClose(const QList<MonthClose>& closes, int year, int month) {
    const auto found = std::find_if(closes.cbegin(), closes.cend(), [&](const MonthClose& c) {
        return c.year == year && c.month == month;
    });
    return found == closes.cend() ? nullptr : &*found;
}

QList<MonthClose> readMonthCloses(Connection& connection) {
    QList<MonthClose> closes;
    for (const QList<QVariant>& row :
         connection.run(kClosesSql + QStringLiteral(" order by c.year, c.month")).rows) {
        closes.append(closeOf(row));
    }
    return closes;
}

std::optional<MonthClose> readMonthClose(Connection& connection, int year, int month) {
    const StatementResult result = connection.run(
        kClosesSql + QStringLiteral(" where c.year = ? and c.month = ?"), {year, month});
    if (result.rows.isEmpty()) {
        return std::nullopt;
    }
    return closeOf(result.rows.front());
}

QList<std::pair<int, int>> readEntryMonths(Connection& connection) {
    // A walk down the date index from month to month instead of reading every entry.
    const StatementResult result = connection.run(QStringLiteral(
        "with recursive m (first) as ("
        " select pg_catalog.date_trunc('month', (select pg_catalog.min(s.data)"
        "  from accounts_dep.smena s))::date"
        " union all"
        " select pg_catalog.date_trunc('month', (select pg_catalog.min(s.data)"
        "  from accounts_dep.smena s"
        "  where s.data >= (m.first + interval '1 month')::date))::date"
        " from m where m.first is not null)"
        " select pg_catalog.date_part('year', m.first)::integer,"
        " pg_catalog.date_part('month', m.first)::integer from m where m.first is not null"));
    QList<std::pair<int, int>> months;
    for (const QList<QVariant>& row : result.rows) {
        months.append({row.at(0).toInt(), row.at(1).toInt()});
    }
    return months;
}

MonthTotals readMonthTotals(Connection& connection, int year, int month) {
    const QDate from = firstDay(year, month);
    const QDate to = from.addMonths(1);
    MonthTotals totals;
    const StatementResult sums = connection.run(
        QStringLiteral(
            "select pg_catalog.count(*)::integer,"
            " coalesce(pg_catalog.sum(s.kol_vo::numeric), 0)::text,"
            " coalesce(pg_catalog.sum((s.kol_vo::numeric - s.brak) * s.cena::numeric), 0)::text"
            " from accounts_dep.smena s where s.data >= ? and s.data < ?"),
        {from, to});
    const QList<QVariant>& row = sums.rows.front();
    totals.entries = row.at(0).toInt();
    totals.pieces = decimalOf(row.at(1));
    totals.pay = decimalOf(row.at(2));
    totals.hours = connection
                       .run(QStringLiteral("select coalesce(pg_catalog.sum(%1), 0)::bigint "
                                           "from accounts_dep.h_tabel h "
                                           "where h.year = ? and h.month = ?")
                                .arg(hoursOfRow()),
                            {year, month})
                       .rows.front()
                       .at(0)
                       .toLongLong();
    for (const QList<QVariant>& day :
         connection
             .run(QStringLiteral("select s.data, pg_catalog.count(*)::integer "
                                 "from accounts_dep.smena s "
                                 "where s.data >= ? and s.data < ? "
                                 "and not accounts_dep.is_accepted(s.ok) "
                                 "group by s.data order by s.data"),
                  {from, to})
             .rows) {
        totals.unaccepted.append({day.at(0).toDate(), day.at(1).toInt()});
    }
    return totals;
}

int closeMonth(Connection& connection, int year, int month, int shownUnaccepted) {
    return connection
        .scalar(QStringLiteral("select accounts_dep.close_month(:year, :month, :shown)"),
                {{QStringLiteral("year"), year},
                 {QStringLiteral("month"), month},
                 {QStringLiteral("shown"), shownUnaccepted}})
        .toInt();
}

void reopenMonth(Connection& connection, int year, int month, const QString& reason) {
    connection.scalar(QStringLiteral("select accounts_dep.reopen_month(:year, :month, :reason)"),
                      {{QStringLiteral("year"), year},
                       {QStringLiteral("month"), month},
                       {QStringLiteral("reason"), reason}});
}

bool mayCloseMonths(Connection& connection) {
    return mayExecute(connection,
                      QStringLiteral("accounts_dep.close_month(integer, integer, integer)"));
}

bool mayReopenMonths(Connection& connection) {
    return mayExecute(connection,
                      QStringLiteral("accounts_dep.reopen_month(integer, integer, text)"));
}

QString monthText(int year, int month) {
    return QStringLiteral("%1.%2").arg(month, 2, 10, QLatin1Char('0')).arg(year);
}

QString closedStatus(const MonthClose& close) {
    return QStringLiteral("Месяц закрыт %1 (%2)")
        .arg(close.closedAt.date().toString(QStringLiteral("dd.MM.yyyy")), close.closedBy);
}

QString unacceptedSentence(int year, int month, const QList<UnacceptedDay>& days) {
    int count = 0;
    QStringList perDay;
    for (const UnacceptedDay& day : days) {
        count += day.entries;
        perDay.append(QStringLiteral("%1 (%2)")
                          .arg(day.day.toString(QStringLiteral("dd.MM")))
                          .arg(day.entries));
    }
    if (count == 0) {
        return {};
    }
    return QStringLiteral("В месяце %1 %2 %3 %4: %5")
        .arg(monthText(year, month),
             count % 10 == 1 && count % 100 != 11 ? QStringLiteral("не принята")
                                                  : QStringLiteral("не приняты"),
             QString::number(count), entriesWord(count), perDay.join(QStringLiteral(", ")));
}

QString periodMark(const QList<MonthClose>& closes, const QDate& from, const QDate& to) {
    const QString preliminary = QStringLiteral("Предварительный");
    if (!from.isValid() || !to.isValid() || from >= to) {
        return preliminary;
    }
    QDateTime latest;
    int unaccepted = 0;
    for (QDate month = firstDay(from.year(), from.month()); month < to;
         month = month.addMonths(1)) {
        const MonthClose* close = findClose(closes, month.year(), month.month());
        if (close == nullptr) {
            return preliminary;
        }
        if (!latest.isValid() || close->closedAt > latest) {
            latest = close->closedAt;
        }
        unaccepted += close->unaccepted;
    }
    QString mark =
        QStringLiteral("Месяц закрыт ") + latest.date().toString(QStringLiteral("dd.MM.yyyy"));
    if (unaccepted > 0) {
        mark += QStringLiteral(", непринятых позиций: %1").arg(unaccepted);
    }
    return mark;
}

QString readPeriodMark(Connection& connection, const QDate& from, const QDate& to) {
    return periodMark(readMonthCloses(connection), from, to);
}

}  // namespace tabel::data
