// --timesheet MONTH YEAR --pdf|--xlsx FILE and --rebuild-hours MONTH YEAR
#include <QTextStream>

#include "batch/batch.h"
#include "batch/batch_command.h"
#include "batch/terminal_progress.h"
#include "data/connection.h"
#include "data/hours.h"
#include "reportengine/page_painter.h"
#include "reports/printed_layout.h"
#include "timesheet/timesheet_export.h"

namespace tabel::batch {

namespace {

struct Month {
    int month;
    int year;
};

// MONTH is the option's value, YEAR the value after it.
Month monthOf(const CommandContext& context, const QString& option) {
    bool monthOk = false;
    bool yearOk = false;
    const QString monthText = context.required(option);
    const QString yearText = context.extraValues().value(0).trimmed();
    const int month = monthText.toInt(&monthOk);
    const int year = yearText.toInt(&yearOk);
    if (!monthOk || month < 1 || month > 12) {
        throw UsageError(QStringLiteral("Неверный месяц: ") + monthText +
                         QStringLiteral(" (нужно число от 1 до 12)"));
    }
    if (!yearOk || year < 1900 || year > 9999) {
        throw UsageError(QStringLiteral("Неверный год: ") + yearText);
    }
    return {month, year};
}

int runTimesheet(CommandContext& context) {
    const Month m = monthOf(context, QStringLiteral("timesheet"));
    const QString output = context.outputOption({QStringLiteral("pdf"), QStringLiteral("xlsx")});
    const QString path = context.parser().value(output);
    QString error;
    if (output == QLatin1String("xlsx")) {
        error = timesheet::saveTimesheet(context.connection(), m.month, m.year, path);
    } else {
        reports::TimesheetLayout layout(context.connection());
        TerminalProgress progress(QStringLiteral("Табель"));
        layout.setProgress(progress.callback());
        error =
            reportengine::writePdf(timesheet::prepareTimesheetPrint(layout, m.month, m.year), path);
    }
    if (!error.isEmpty()) {
        throw JobFailure(QStringLiteral("Не удалось записать файл ") + path + QStringLiteral(": ") +
                         error);
    }
    return kSuccess;
}

int runRebuildHours(CommandContext& context) {
    const Month m = monthOf(context, QStringLiteral("rebuild-hours"));
    data::Connection& connection = context.connection();
    if (!data::mayRebuildHours(connection)) {
        throw JobFailure(QStringLiteral("Логину ") +
                         context.parser().value(QStringLiteral("user")) +
                         QStringLiteral(" не разрешено перестраивать табель: у его роли нет "
                                        "права записи в табель (accounts_dep.h_tabel)"));
    }
    const int rows = data::rebuildHoursMonth(connection, m.month, m.year);
    QTextStream(stdout) << QStringLiteral("Табель за ") << timesheet::periodTitle(m.month, m.year)
                        << QStringLiteral(" перестроен, строк: ") << rows << Qt::endl;
    return kSuccess;
}

}  // namespace

Command timesheetCommand() {
    Command c;
    c.option = QStringLiteral("timesheet");
    c.valueName = QStringLiteral("MONTH");
    c.description = QStringLiteral(
        "Табель по времени за месяц MONTH (1-12) года YEAR: печатная форма в PDF или таблица в "
        ".xlsx.");
    c.extraValues = 1;
    c.synopsis = QStringLiteral("--timesheet MONTH YEAR --pdf FILE | --xlsx FILE");
    c.run = runTimesheet;
    return c;
}

Command rebuildHoursCommand() {
    Command c;
    c.option = QStringLiteral("rebuild-hours");
    c.valueName = QStringLiteral("MONTH");
    c.description = QStringLiteral(
        "Перестроить табель по времени за месяц MONTH (1-12) года YEAR по записям смен.");
    c.extraValues = 1;
    c.synopsis = QStringLiteral("--rebuild-hours MONTH YEAR");
    c.run = runRebuildHours;
    return c;
}

}  // namespace tabel::batch
