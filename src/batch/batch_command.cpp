#include "batch/batch_command.h"

namespace tabel::batch {

QList<Command> allCommands() {
    return {
        reportCommand(),
        timesheetCommand(),
        rebuildHoursCommand(),
        historyCommand(),
        closeMonthCommand(),
        reopenMonthCommand(),
        monthsCommand(),
    };
}

QString CommandContext::required(const QString& option) const {
    const QString value = parser().value(option).trimmed();
    if (value.isEmpty()) {
        throw UsageError(QStringLiteral("Не задан параметр --") + option);
    }
    return value;
}

QDate CommandContext::parseDate(const QString& text, const QString& what) {
    const QDate date = QDate::fromString(text.trimmed(), QStringLiteral("dd.MM.yyyy"));
    if (!date.isValid()) {
        throw UsageError(QStringLiteral("Неверная дата ") + what + QStringLiteral(": ") + text +
                         QStringLiteral(" (нужна ДД.ММ.ГГГГ)"));
    }
    return date;
}

DateRange CommandContext::dateRange() const {
    const DateRange range{parseDate(required(QStringLiteral("from")), QStringLiteral("«с»")),
                          parseDate(required(QStringLiteral("to")), QStringLiteral("«по»"))};
    if (range.to < range.from) {
        throw UsageError(QStringLiteral("Дата «по» раньше даты «с»"));
    }
    return range;
}

OutputFile CommandContext::outputFile(const QStringList& accepted) const {
    QStringList given;
    for (const QString& option : {QStringLiteral("pdf"), QStringLiteral("xlsx")}) {
        if (parser().isSet(option)) {
            given.append(option);
        }
    }
    if (given.size() != 1 || !accepted.contains(given.front())) {
        QStringList names;
        for (const QString& a : accepted) {
            names.append(QStringLiteral("--") + a);
        }
        throw UsageError(QStringLiteral("Укажите один файл результата: ") +
                         names.join(QStringLiteral(" или ")) + QStringLiteral(" FILE"));
    }
    const QString path = parser().value(given.front());
    if (path.trimmed().isEmpty()) {
        throw UsageError(QStringLiteral("Не задано имя файла после --") + given.front());
    }
    return {given.front(), path};
}

}  // namespace tabel::batch
