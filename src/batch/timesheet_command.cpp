// --timesheet MONTH YEAR --pdf|--xlsx FILE and --rebuild-hours MONTH YEAR
#include <QTextStream>

#include "batch/batch.h"
#include "batch/batch_command.h"
#include "batch/job_output.h"
#include "core/dates.h"
#include "data/connection.h"
#include "data/hours.h"
#include "data/report_source.h"
#include "reportengine/pdf_output.h"
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

// A command of a month: MONTH is the option's value and YEAR the value after it (monthOf).
Command monthCommand(const QString& option, const QString& description, const QString& synopsis,
                     std::function<int(CommandContext&)> run) {
    Command c;
    c.option = option;
    c.valueName = QStringLiteral("MONTH");
    c.description = description;
    c.extraValues = 1;
    c.synopsis = synopsis;
    c.run = std::move(run);
    return c;
}

int runTimesheet(CommandContext& context) {
    const Month m = monthOf(context, QStringLiteral("timesheet"));
    const OutputFile output = context.outputFile({QStringLiteral("pdf"), QStringLiteral("xlsx")});
    writeJobOutput(output.path, QStringLiteral("Табель"),
                   [&](const QString& temporary, const reportengine::ProgressFn& progress) {
                       const data::ReportRead read = context.reportRead();
                       if (output.format == QLatin1String("xlsx")) {
                           timesheet::saveTimesheet(*read.connection, m.month, m.year, temporary,
                                                    reports::dataAsOfLine(read));
                           return QString();
                       }
                       reports::TimesheetLayout layout(*read.connection);
                       reports::readFrom(layout, read);
                       layout.setProgress(progress);
                       return reportengine::writePdf(
                           timesheet::prepareTimesheetPrint(layout, m.month, m.year), temporary);
                   });
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
    QTextStream(stdout) << QStringLiteral("Табель за ") << core::monthTitle(m.month, m.year)
                        << QStringLiteral(" перестроен, строк: ") << rows << Qt::endl;
    return kSuccess;
}

}  // namespace

Command timesheetCommand() {
    return monthCommand(
        QStringLiteral("timesheet"),
        QStringLiteral("Табель по времени за месяц MONTH (1-12) года YEAR: печатная форма в PDF "
                       "или таблица в .xlsx."),
        QStringLiteral("--timesheet MONTH YEAR --pdf FILE | --xlsx FILE"), runTimesheet);
}

Command rebuildHoursCommand() {
    return monthCommand(
        QStringLiteral("rebuild-hours"),
        QStringLiteral(
            "Перестроить табель по времени за месяц MONTH (1-12) года YEAR по записям смен."),
        QStringLiteral("--rebuild-hours MONTH YEAR"), runRebuildHours);
}

}  // namespace tabel::batch
