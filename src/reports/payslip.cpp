#include "reports/payslip.h"

#include "data/connection.h"
#include "data/dataset.h"
#include "data/month_close.h"

namespace tabel::reports {

namespace {

QString shortDate(const QDate& date) {
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString monthText(const QDate& date) {
    return date.toString(QStringLiteral("MM.yyyy"));
}

}  // namespace

QString payslipTitle(const PayslipChoice& choice) {
    return QStringLiteral("   Расчетный листок за период с ") + shortDate(choice.from) +
           QStringLiteral(" по ") + shortDate(choice.to);
}

QString payslipHoursCaption(const PayslipChoice& choice) {
    const QString caption = QStringLiteral("Часы по табелю");
    if (!choice.from.isValid() || !choice.to.isValid() || choice.to <= choice.from) {
        return caption + u':';
    }
    const QDate first = choice.from;
    const QDate last = choice.to.addDays(-1);
    const bool oneMonth = first.year() == last.year() && first.month() == last.month();
    return caption + QStringLiteral(" за ") + monthText(first) +
           (oneMonth ? QString() : QStringLiteral("–") + monthText(last)) + u':';
}

std::optional<QString> workerNameOf(data::Connection& connection, int code) {
    const QVariant name = connection.scalar(
        QStringLiteral("select coalesce(s_caption, '') from accounts_dep.v_worker "
                       "where s_code = :code"),
        {{QStringLiteral("code"), code}});
    if (name.isNull()) {
        return std::nullopt;
    }
    return name.toString();
}

QString unknownWorkerMessage(const QString& code) {
    return QStringLiteral("Рабочий с кодом %1 не найден").arg(code);
}

void applyPayslip(PayslipLayout& layout, const PayslipChoice& choice) {
    data::Dataset& query = layout.workerEntries;
    query.setParam(QStringLiteral("data1"), choice.from);
    query.setParam(QStringLiteral("data2"), choice.to);
    query.setParam(QStringLiteral("all_workers"), choice.workerCode ? 0 : 1);
    query.setParam(QStringLiteral("w_code"), choice.workerCode.value_or(0));
    query.setFiltered(false);
    layout.setTitle(payslipTitle(choice));
    layout.setMark(data::readPeriodMark(*query.connection(), choice.from, choice.to));
    layout.report().setLabelText(QStringLiteral("hoursCaption"), payslipHoursCaption(choice));
}

reportengine::ReportDocument preparePayslips(PayslipLayout& layout, const PayslipChoice& choice) {
    applyPayslip(layout, choice);
    const data::CloseOnExit closer(layout.workerEntries);
    layout.workerEntries.open();
    return layout.prepare();
}

QString writePayslipsPdf(PayslipLayout& layout, const PayslipChoice& choice, const QString& path,
                         int blockRows) {
    layout.workerEntries.close();
    applyPayslip(layout, choice);
    return layout.streamPdf(path, blockRows);
}

}  // namespace tabel::reports
