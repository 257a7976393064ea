// --close-month MM.YYYY [--with-unaccepted], --reopen-month MM.YYYY --reason TEXT, --months
#include <QRegularExpression>
#include <QTextStream>

#include "batch/batch.h"
#include "batch/batch_command.h"
#include "data/connection.h"
#include "data/month_close.h"

namespace tabel::batch {

namespace {

struct Month {
    int year;
    int month;
};

Month monthOf(const CommandContext& context, const QString& option) {
    const QString text = context.required(option);
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2})\\.(\\d{4})$"));
    const QRegularExpressionMatch match = form.match(text);
    const int month = match.hasMatch() ? match.captured(1).toInt() : 0;
    const int year = match.hasMatch() ? match.captured(2).toInt() : 0;
    if (month < 1 || month > 12 || year < 1900) {
        throw UsageError(QStringLiteral("Неверный месяц: ") + text +
                         QStringLiteral(" (нужен ММ.ГГГГ)"));
    }
    return {year, month};
}

QString login(const CommandContext& context) {
    return context.parser().value(QStringLiteral("user")).trimmed();
}

int runCloseMonth(CommandContext& context) {
    const Month m = monthOf(context, QStringLiteral("close-month"));
    data::Connection& connection = context.connection();
    if (!data::mayCloseMonths(connection)) {
        throw JobFailure(QStringLiteral("Логину %1 не разрешено закрывать месяцы: он не входит в "
                                        "роль tabel_close")
                             .arg(login(context)));
    }
    const data::MonthTotals totals = data::readMonthTotals(connection, m.year, m.month);
    const int unaccepted = totals.unacceptedCount();
    if (unaccepted > 0 && !context.parser().isSet(QStringLiteral("with-unaccepted"))) {
        throw JobFailure(data::unacceptedSentence(m.year, m.month, totals.unaccepted) +
                         QStringLiteral(". Месяц не закрыт; закрыть его с ними: "
                                        "--with-unaccepted"));
    }
    const int recorded = data::closeMonth(connection, m.year, m.month, unaccepted);
    QTextStream out(stdout);
    out << QStringLiteral("Месяц %1 закрыт").arg(data::monthText(m.year, m.month));
    if (recorded > 0) {
        out << QStringLiteral(", непринятых позиций: %1").arg(recorded);
    }
    out << Qt::endl;
    return kSuccess;
}

int runReopenMonth(CommandContext& context) {
    const Month m = monthOf(context, QStringLiteral("reopen-month"));
    const QString reason = context.parser().value(QStringLiteral("reason")).trimmed();
    if (reason.isEmpty()) {
        throw UsageError(QStringLiteral("Не задана причина (--reason TEXT)"));
    }
    data::Connection& connection = context.connection();
    if (!data::mayReopenMonths(connection)) {
        throw JobFailure(QStringLiteral("Логину %1 не разрешено открывать месяцы снова: это "
                                        "право служебной учётной записи (tabel_service)")
                             .arg(login(context)));
    }
    data::reopenMonth(connection, m.year, m.month, reason);
    QTextStream(stdout)
        << QStringLiteral("Месяц %1 открыт снова").arg(data::monthText(m.year, m.month))
        << Qt::endl;
    return kSuccess;
}

// Each month that has entries or a close, oldest first: the month and its state.
int runMonths(CommandContext& context) {
    data::Connection& connection = context.connection();
    const QList<data::MonthClose> closes = data::readMonthCloses(connection);
    QList<std::pair<int, int>> months = data::readEntryMonths(connection);
    for (const data::MonthClose& close : closes) {
        if (!months.contains(std::pair{close.year, close.month})) {
            months.append({close.year, close.month});
        }
    }
    std::sort(months.begin(), months.end());
    QTextStream out(stdout);
    for (const auto& [year, month] : months) {
        out << data::monthText(year, month) << QLatin1Char('\t');
        const data::MonthClose* close = data::findClose(closes, year, month);
        if (close == nullptr) {
            out << QStringLiteral("открыт");
        } else {
            out << QStringLiteral("закрыт %1 (%2)")
                       .arg(close->closedAt.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                            close->closedBy);
            if (close->unaccepted > 0) {
                out << QStringLiteral(", непринятых позиций: %1").arg(close->unaccepted);
            }
        }
        out << Qt::endl;
    }
    return kSuccess;
}

}  // namespace

Command closeMonthCommand() {
    Command c;
    c.option = QStringLiteral("close-month");
    c.valueName = QStringLiteral("MM.YYYY");
    c.description = QStringLiteral(
        "Закрыть месяц: записи, расход ТМЦ, бригады и табель месяца больше не меняются. "
        "Месяц с непринятыми позициями закрывается только с --with-unaccepted.");
    c.options = {{QStringLiteral("with-unaccepted"),
                  QStringLiteral("Закрыть месяц, хотя в нем есть непринятые позиции.")}};
    c.synopsis = QStringLiteral("--close-month MM.YYYY [--with-unaccepted]");
    c.run = runCloseMonth;
    return c;
}

Command reopenMonthCommand() {
    Command c;
    c.option = QStringLiteral("reopen-month");
    c.valueName = QStringLiteral("MM.YYYY");
    c.description = QStringLiteral(
        "Открыть закрытый месяц снова (служебная учётная запись), с причиной --reason.");
    c.options = {{QStringLiteral("reason"),
                  QStringLiteral("Причина, по которой месяц открывается снова."),
                  QStringLiteral("TEXT")}};
    c.synopsis = QStringLiteral("--reopen-month MM.YYYY --reason TEXT");
    c.run = runReopenMonth;
    return c;
}

Command monthsCommand() {
    Command c;
    c.option = QStringLiteral("months");
    c.description = QStringLiteral("Месяцы с записями и закрытые: открыт или закрыт, кем и когда.");
    c.synopsis = QStringLiteral("--months");
    c.run = runMonths;
    return c;
}

}  // namespace tabel::batch
