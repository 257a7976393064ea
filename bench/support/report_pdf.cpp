#include "support/report_pdf.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include "data/connection.h"
#include "reportengine/report_document.h"
#include "reports/printed_layout.h"
#include "support/bench_support.h"

namespace tabel::bench {

reports::Period lastDays(int days) {
    const QDate today = QDate::currentDate();
    return {today.addDays(1 - days), today.addDays(1), reports::ProductKind::All};
}

QString sqlDate(const QDate& date) {
    return QStringLiteral("'") + date.toString(Qt::ISODate) + QStringLiteral("'::date");
}

void measureDetailedReportPdf(benchmark::State& state, data::Connection& connection,
                              PeakByDays& peaks) {
    using reports::PeriodReport;
    const int days = int(state.range(0));
    auto layout = reports::makePeriodLayout(PeriodReport::WorkersDetail, connection);
    QTemporaryDir dir;
    int pages = 0;
    layout->setProgress([&pages](const reportengine::Progress& p) {
        pages = p.pagesDone;
        return true;
    });
    double peak = 0;
    for (auto _ : state) {
        resetPeakMemory();
        const QString error = reports::writePeriodReportPdf(*layout, PeriodReport::WorkersDetail,
                                                            lastDays(days), dir.filePath("r.pdf"));
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
        }
        peak = std::max(peak, peakMegabytes());
    }
    state.counters["pages"] = pages;
    state.counters["peak_MB"] = peak;
    peaks[days] = peak;
}

void printReportMemory(const PeakByDays& peaks) {
    const auto month = peaks.find(30);
    const auto year = peaks.find(365);
    if (year != peaks.end()) {
        std::printf("\nPeak memory of the year's report as PDF: %.0f MB   goal < 120 MB: %s\n",
                    year->second, year->second < 120 ? "met" : "MISSED");
    }
    if (month != peaks.end() && year != peaks.end() && month->second > 0) {
        const double ratio = year->second / month->second;
        std::printf("Year / month peak memory: %.0f / %.0f MB = %.2fx   goal <= 1.1x: %s\n",
                    year->second, month->second, ratio, ratio <= 1.1 ? "met" : "MISSED");
    }
}

}  // namespace tabel::bench
