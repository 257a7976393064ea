// --report KIND --from D --to D [--kind K] --pdf FILE | --report summary … --xlsx FILE |
// --report payslip --worker CODE|--all …
#include <QTextStream>

#include <optional>

#include "batch/batch.h"
#include "batch/batch_command.h"
#include "batch/job_output.h"
#include "data/report_source.h"
#include "reports/payslip.h"
#include "reports/period_reports.h"

namespace tabel::batch {

namespace {

std::optional<reports::PeriodReport> reportOf(const QString& kind) {
    using reports::PeriodReport;
    if (kind == QLatin1String("workers"))
        return PeriodReport::Workers;
    if (kind == QLatin1String("products"))
        return PeriodReport::Products;
    if (kind == QLatin1String("workers-detail"))
        return PeriodReport::WorkersDetail;
    if (kind == QLatin1String("products-detail"))
        return PeriodReport::ProductsDetail;
    if (kind == QLatin1String("requisitions"))
        return PeriodReport::Requisitions;
    return std::nullopt;
}

reports::ProductKind productKindOf(const QString& text) {
    if (text.isEmpty() || text == QLatin1String("all")) {
        return reports::ProductKind::All;
    }
    if (text == QLatin1String("finished")) {
        return reports::ProductKind::Finished;
    }
    if (text == QLatin1String("blanks")) {
        return reports::ProductKind::Blanks;
    }
    throw UsageError(QStringLiteral("Неизвестный вид продукции: ") + text +
                     QStringLiteral(" (all, finished или blanks)"));
}

reports::Period periodOf(const CommandContext& context) {
    const DateRange dates = context.dateRange();
    return {dates.from, dates.to,
            productKindOf(context.parser().value(QStringLiteral("kind")).trimmed())};
}

// --worker and --all choose whose pay sheets; the other reports take neither.
void refuseWorkerOptions(const CommandContext& context) {
    if (context.parser().isSet(QStringLiteral("all")) ||
        context.parser().isSet(QStringLiteral("worker"))) {
        throw UsageError(QStringLiteral("--worker и --all задаются только для --report payslip"));
    }
}

// The code of --worker, known to v_worker, or none for --all.
std::optional<int> payslipWorkerOf(CommandContext& context) {
    const QCommandLineParser& parser = context.parser();
    const bool all = parser.isSet(QStringLiteral("all"));
    if (all == parser.isSet(QStringLiteral("worker"))) {
        throw UsageError(
            QStringLiteral("Для расчетного листка укажите --worker CODE или --all (одно из двух)"));
    }
    if (parser.isSet(QStringLiteral("kind"))) {
        throw UsageError(
            QStringLiteral("Расчетный листок включает всю продукцию: --kind для него не задается"));
    }
    if (all) {
        return std::nullopt;
    }
    const QString code = parser.value(QStringLiteral("worker")).trimmed();
    if (code.isEmpty()) {
        throw UsageError(QStringLiteral("Не задан код рабочего после --worker"));
    }
    bool isNumber = false;
    const int number = code.toInt(&isNumber);
    if (!isNumber || !reports::workerNameOf(context.connection(), number)) {
        throw JobFailure(reports::unknownWorkerMessage(code));
    }
    return number;
}

// Bad usage is found before the worker is looked up.
int runPayslips(CommandContext& context) {
    const DateRange dates = context.dateRange();
    const OutputFile output = context.outputFile({QStringLiteral("pdf")});
    const reports::PayslipChoice choice{dates.from, dates.to, payslipWorkerOf(context)};
    writeJobOutput(output.path, QStringLiteral("Отчет"),
                   [&](const QString& temporary, const reportengine::ProgressFn& progress) {
                       const data::ReportRead read = context.reportRead();
                       reports::PayslipLayout layout(*read.connection);
                       reports::readFrom(layout, read);
                       layout.setProgress(progress);
                       return reports::writePayslipsPdf(layout, choice, temporary);
                   });
    return kSuccess;
}

int runReport(CommandContext& context) {
    const QString kind = context.required(QStringLiteral("report"));
    if (kind == QLatin1String("payslip")) {
        return runPayslips(context);
    }
    refuseWorkerOptions(context);
    const bool summary = kind == QLatin1String("summary");
    const std::optional<reports::PeriodReport> report = reportOf(kind);
    if (!summary && !report) {
        throw UsageError(QStringLiteral("Неизвестный отчет: ") + kind);
    }
    const reports::Period period = periodOf(context);
    const OutputFile output =
        context.outputFile({summary ? QStringLiteral("xlsx") : QStringLiteral("pdf")});
    writeJobOutput(output.path, QStringLiteral("Отчет"),
                   [&](const QString& temporary, const reportengine::ProgressFn& progress) {
                       const data::ReportRead read = context.reportRead();
                       if (summary) {
                           reports::saveProductSummary(*read.connection, period, temporary,
                                                       reports::dataAsOfLine(read));
                           return QString();
                       }
                       auto layout = reports::makePeriodLayout(*report, *read.connection);
                       reports::readFrom(*layout, read);
                       layout->setProgress(progress);
                       return reports::writePeriodReportPdf(*layout, *report, period, temporary);
                   });
    return kSuccess;
}

}  // namespace

Command reportCommand() {
    Command c;
    c.option = QStringLiteral("report");
    c.valueName = QStringLiteral("KIND");
    c.description = QStringLiteral(
        "Отчет за период: workers, products, workers-detail, products-detail, requisitions, "
        "payslip (в PDF) или summary (сводка по продукции в .xlsx).");
    c.options = {
        {QStringLiteral("from"), QStringLiteral("Начало периода «с», включительно."),
         QStringLiteral("DD.MM.YYYY")},
        {QStringLiteral("to"), QStringLiteral("Конец периода «по», не включая этот день."),
         QStringLiteral("DD.MM.YYYY")},
        {QStringLiteral("kind"),
         QStringLiteral("Вид продукции: all (все, по умолчанию), finished, blanks."),
         QStringLiteral("KIND")},
        {QStringLiteral("worker"),
         QStringLiteral("Расчетный листок (payslip) рабочего с этим кодом."),
         QStringLiteral("CODE")},
        {QStringLiteral("all"),
         QStringLiteral("Расчетные листки (payslip) всех рабочих с записями за период, "
                        "по странице на рабочего.")},
    };
    c.synopsis = QStringLiteral(
        "--report workers|products|workers-detail|products-detail|requisitions "
        "--from DD.MM.YYYY --to DD.MM.YYYY [--kind all|finished|blanks] --pdf FILE\n"
        "  tabel [SERVER DATABASE] --user LOGIN --report summary --from DD.MM.YYYY "
        "--to DD.MM.YYYY [--kind …] --xlsx FILE\n"
        "  tabel [SERVER DATABASE] --user LOGIN --report payslip --worker CODE|--all "
        "--from DD.MM.YYYY --to DD.MM.YYYY --pdf FILE");
    c.run = runReport;
    return c;
}

}  // namespace tabel::batch
