#pragma once
// The period reports as the reports dialog and the command line produce them.

#include <QDate>
#include <QString>

#include <functional>
#include <memory>

#include "reports/printed_layout.h"

namespace tabel::data {
class Connection;
class Dataset;
}  // namespace tabel::data

namespace tabel::reports {

class Spreadsheet;

enum class PeriodReport { Workers, Products, WorkersDetail, ProductsDetail, Requisitions };

// "Вид продукции": all, finished products (naimen=0) or blanks (naimen=1).
enum class ProductKind { All, Finished, Blanks };

// First day included, last day excluded.
struct Period {
    QDate from;
    QDate to;
    ProductKind kind = ProductKind::All;
    // The reports by worker only: one worker's rows, by his name as they print it ("fio");
    // empty for every worker.
    QString worker = {};
};

// The default period: the previous calendar month, its first day to the first of this month.
Period previousMonth(const QDate& today);

// "   Отчет по рабочим за период с " and the others, three blanks first.
QString titlePrefix(PeriodReport report);
// The title label: prefix + "с" date + " по " + "по" date, as dd.MM.yyyy; a kind chosen is
// named before the period: "   Отчет по рабочим (Заготовки) за период с …".
QString reportTitle(PeriodReport report, const Period& period);

// "Готовая продукция", "Заготовки"; empty for all.
QString kindCaption(ProductKind kind);

// The first row of the product summary, and the name its file is given after: "Продукция
// (Заготовки) за период с 01.04.2026 по 01.05.2026".
QString productSummaryTitle(const Period& period);

// The dataset filter of a product kind; empty for all.
QString kindFilter(ProductKind kind);

std::unique_ptr<PrintedLayout> makePeriodLayout(PeriodReport report, data::Connection& connection);

// Sets data1 and data2, and the kind and worker filter (switched off for all) on a period query.
void applyPeriod(data::Dataset& query, const Period& period);

// Parameters, filter, open, title, prepare, close. Throws DbError and leaves the query closed.
reportengine::ReportDocument preparePeriodReport(PrintedLayout& layout, PeriodReport report,
                                                 const Period& period);

// Parameters, filter, title, then the pages written as PDF one by one from rows streamed from
// the server `blockRows` at a time; the query stays closed, and memory does not grow with the
// period. Empty on success, else the reason; throws DbError, and reportengine::Cancelled (no file
// left) when the layout's progress says so.
QString writePeriodReportPdf(PrintedLayout& layout, PeriodReport report, const Period& period,
                             const QString& path, int blockRows = 512);

// The product summary query of the spreadsheet export: parameters data1, data2.
QStringList productSummarySql();

// Writes the open product summary of `period` into a new workbook's first sheet: its title
// (productSummaryTitle), `dataAsOf` under it when read from a standby, the header row, then one
// row a product; `progress` hears (rows written, rows in all) before the first row and after
// each. Throws SpreadsheetError.
void writeProductSummary(data::Dataset& summary, Spreadsheet& spreadsheet, const Period& period,
                         const std::function<void(int, int)>& progress = {},
                         const QString& dataAsOf = {});

// The product summary of a period written as a workbook file (temporary file, then renamed).
// Throws DbError when the query fails, SpreadsheetError when the file cannot be written.
void saveProductSummary(data::Connection& connection, const Period& period, const QString& path,
                        const QString& dataAsOf = {});

}  // namespace tabel::reports
