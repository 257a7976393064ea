// --report KIND --from D --to D [--kind K] --pdf FILE | --report summary … --xlsx FILE
#include <QTextStream>

#include <optional>

#include "batch/batch.h"
#include "batch/batch_command.h"
#include "batch/terminal_progress.h"
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
    reports::Period period;
    period.from =
        CommandContext::parseDate(context.required(QStringLiteral("from")), QStringLiteral("«с»"));
    period.to =
        CommandContext::parseDate(context.required(QStringLiteral("to")), QStringLiteral("«по»"));
    if (period.to < period.from) {
        throw UsageError(QStringLiteral("Дата «по» раньше даты «с»"));
    }
    period.kind = productKindOf(context.parser().value(QStringLiteral("kind")).trimmed());
    return period;
}

int runReport(CommandContext& context) {
    const QString kind = context.required(QStringLiteral("report"));
    const bool summary = kind == QLatin1String("summary");
    const std::optional<reports::PeriodReport> report = reportOf(kind);
    if (!summary && !report) {
        throw UsageError(QStringLiteral("Неизвестный отчет: ") + kind);
    }
    const reports::Period period = periodOf(context);
    const QString output =
        context.outputOption({summary ? QStringLiteral("xlsx") : QStringLiteral("pdf")});
    const QString path = context.parser().value(output);

    QString error;
    if (summary) {
        error = reports::saveProductSummary(context.connection(), period, path);
    } else {
        auto layout = reports::makePeriodLayout(*report, context.connection());
        TerminalProgress progress(QStringLiteral("Отчет"));
        layout->setProgress(progress.callback());
        error = reports::writePeriodReportPdf(*layout, *report, period, path);
    }
    if (!error.isEmpty()) {
        throw JobFailure(QStringLiteral("Не удалось записать файл ") + path + QStringLiteral(": ") +
                         error);
    }
    return kSuccess;
}

}  // namespace

Command reportCommand() {
    Command c;
    c.option = QStringLiteral("report");
    c.valueName = QStringLiteral("KIND");
    c.description = QStringLiteral(
        "Отчет за период: workers, products, workers-detail, products-detail, requisitions "
        "(в PDF) или summary (сводка по продукции в .xlsx).");
    c.options = {
        {QStringLiteral("from"), QStringLiteral("Начало периода «с», включительно."),
         QStringLiteral("DD.MM.YYYY")},
        {QStringLiteral("to"), QStringLiteral("Конец периода «по», не включая этот день."),
         QStringLiteral("DD.MM.YYYY")},
        {QStringLiteral("kind"),
         QStringLiteral("Вид продукции: all (все, по умолчанию), finished, blanks."),
         QStringLiteral("KIND")},
    };
    c.synopsis = QStringLiteral(
        "--report workers|products|workers-detail|products-detail|requisitions "
        "--from DD.MM.YYYY --to DD.MM.YYYY [--kind all|finished|blanks] --pdf FILE\n"
        "  tabel [SERVER DATABASE] --user LOGIN --report summary --from DD.MM.YYYY "
        "--to DD.MM.YYYY [--kind …] --xlsx FILE");
    c.run = runReport;
    return c;
}

}  // namespace tabel::batch
