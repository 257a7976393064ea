#pragma once
// The pay sheet "Расчетный листок": a worker's entries of a period with their pay and premium,
// his totals and his hours from the timesheet; for every worker, one after another, a page each.

#include <QDate>
#include <QString>

#include <optional>

#include "reports/printed_layout.h"

namespace tabel::data {
class Connection;
}

namespace tabel::reports {

// Whose sheets: one worker by his code (v_worker.s_code), or every worker with entries in the
// period (none chosen). Only the period's dates count; a product kind is not applied, a pay
// sheet holds all of a worker's pay.
struct PayslipChoice {
    QDate from;
    QDate to;  // excluded
    std::optional<int> workerCode = std::nullopt;
};

// "   Расчетный листок за период с 01.04.2026 по 01.05.2026"
QString payslipTitle(const PayslipChoice& choice);

// The caption of the hours line: "Часы по табелю за 04.2026:", for a period over several
// months "Часы по табелю за 03.2026–05.2026:" (their total, each month's in brackets).
QString payslipHoursCaption(const PayslipChoice& choice);

// The name of the worker with this code as the reports print it; none for a code v_worker does
// not list. Throws DbError.
std::optional<QString> workerNameOf(data::Connection& connection, int code);

// "Рабочий с кодом 999 не найден": the refusal of a code no worker has.
QString unknownWorkerMessage(const QString& code);

// Parameters, title and hours caption; the query stays as it was (closed).
void applyPayslip(PayslipLayout& layout, const PayslipChoice& choice);

// All sheets from the query opened and closed again. Throws DbError and leaves it closed.
reportengine::ReportDocument preparePayslips(PayslipLayout& layout, const PayslipChoice& choice);

// The sheets written as PDF page by page from rows streamed from the server, the query left
// closed, as writePeriodReportPdf. Empty on success, else the reason; throws DbError, and
// reportengine::Cancelled (no file left) when the layout's progress says so.
QString writePayslipsPdf(PayslipLayout& layout, const PayslipChoice& choice, const QString& path,
                         int blockRows = 512);

}  // namespace tabel::reports
