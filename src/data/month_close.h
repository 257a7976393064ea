#pragma once
// Closed months: their state as the server keeps it (accounts_dep.month_close), a month's
// totals before it is closed, closing and reopening, and the words every window, report and
// job says about them.

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

#include "core/decimal.h"

namespace tabel::data {

class Connection;

struct MonthClose {
    int year = 0;
    int month = 0;
    QDateTime closedAt;
    QString closedBy;    // the login that closed it
    int unaccepted = 0;  // entries not accepted when it was closed
};

// Entries not accepted on one day of a month.
struct UnacceptedDay {
    QDate day;
    int entries = 0;
};

// What a month holds, as the close dialog shows it before closing.
struct MonthTotals {
    int entries = 0;
    core::Decimal pieces;  // made, defects included
    core::Decimal pay;     // good pieces at their price, as the reports sum it
    qint64 hours = 0;      // of the timesheet, every shift
    QList<UnacceptedDay> unaccepted;

    int unacceptedCount() const;
};

// The close of `year`/`month` among `closes`; null when that month is open.
const MonthClose* findClose(const QList<MonthClose>& closes, int year, int month);

// Every closed month, oldest first. Throws DbError.
QList<MonthClose> readMonthCloses(Connection& connection);
// The month's close, none while it is open. Throws DbError.
std::optional<MonthClose> readMonthClose(Connection& connection, int year, int month);
// The months that have entries, oldest first, as (year, month): one index probe a month.
// Throws DbError.
QList<std::pair<int, int>> readEntryMonths(Connection& connection);
// Throws DbError.
MonthTotals readMonthTotals(Connection& connection, int year, int month);

// Closes the month over the count of entries not accepted that the user was shown: refused
// (DbError with the server's Russian message) when it changed meanwhile or the month is
// closed already. Returns the count the close recorded.
int closeMonth(Connection& connection, int year, int month, int shownUnaccepted);
// Opens a closed month again; the service account's alone, with a reason. Throws DbError.
void reopenMonth(Connection& connection, int year, int month, const QString& reason);

// The login may close months (tabel_close) / reopen them (the service account).
bool mayCloseMonths(Connection& connection);
bool mayReopenMonths(Connection& connection);

// "11.2026"
QString monthText(int year, int month);
// "Месяц закрыт 05.12.2026 (econom)"
QString closedStatus(const MonthClose& close);
// "В месяце 11.2026 не приняты 12 позиций: 03.11 (4), 17.11 (8)"; empty when all are accepted.
QString unacceptedSentence(int year, int month, const QList<UnacceptedDay>& days);

// The line printed under a report's title for the months of [from, to): "Месяц закрыт
// 05.12.2026" (the latest close among them), with ", непринятых позиций: 12" when the closes
// left entries not accepted, once every month of the period is closed; otherwise
// "Предварительный".
QString periodMark(const QList<MonthClose>& closes, const QDate& from, const QDate& to);
// The same read from the server. Throws DbError.
QString readPeriodMark(Connection& connection, const QDate& from, const QDate& to);

}  // namespace tabel::data
