#pragma once
// A printed layout: one query and the report definition the engine lays out over it.

#include <QStringList>

#include <memory>

#include "data/dataset.h"
#include "reportengine/report_definition.h"
#include "reportengine/report_document.h"
#include "reportengine/report_layout.h"

namespace tabel::data {
class Connection;
struct ReportRead;
}  // namespace tabel::data

namespace tabel::reports {

// The rows of an open dataset, after its filter and sort (the preview keeps them anyway).
class DatasetRows : public reportengine::ReportData {
public:
    explicit DatasetRows(const data::Dataset& dataset) : dataset_(dataset) {}
    int rowCount() const override { return dataset_.recordCount(); }
    void read(const StartFn& start, const RowFn& take) const override;

private:
    const data::Dataset& dataset_;
};

// The rows of a dataset's statement with its parameters and filter, read straight from the
// server a block at a time without opening the dataset: a year's report holds one block, not a
// year. The statement's own order; a client-side sort is not applied.
class StreamedRows : public reportengine::ReportData {
public:
    explicit StreamedRows(const data::Dataset& query, int blockRows = 512)
        : query_(query), blockRows_(blockRows) {}
    void read(const StartFn& start, const RowFn& take) const override;

private:
    const data::Dataset& query_;
    int blockRows_;
};

class PrintedLayout {
public:
    virtual ~PrintedLayout() = default;
    PrintedLayout(const PrintedLayout&) = delete;
    PrintedLayout& operator=(const PrintedLayout&) = delete;

    data::Dataset& query() { return *query_; }
    reportengine::ReportDefinition& report() { return report_; }

    // The caption of the label named "title": the period reports' heading, the timesheet's
    // month.
    void setTitle(const QString& text);
    QString title() const;
    // The line under the title saying whether the period's months are closed ("Месяц закрыт
    // 05.12.2026") or not ("Предварительный"), so nobody pays from an open month's paper.
    void setMark(const QString& text);
    QString mark() const;
    // A line under the title saying how fresh a standby's copy is ("Данные на 14:05:03"); an
    // empty text takes it away.
    void setDataAsOf(const QString& text);
    QString dataAsOf() const;

    // Hears the rows laid out by prepare() and writePdf(); returning false cancels them
    // (reportengine::Cancelled).
    void setProgress(reportengine::ProgressFn progress) { progress_ = std::move(progress); }

    // All pages from the open query; the query may be closed afterwards.
    reportengine::ReportDocument prepare() const;

    // The pages from the open query written as PDF one by one, none kept. Empty on success,
    // otherwise the reason; a cancel leaves no file.
    QString writePdf(const QString& path) const;
    // The same from the query's rows streamed from the server (StreamedRows), the query left
    // closed: neither rows nor pages are kept, so memory does not grow with the period. Throws
    // DbError.
    QString streamPdf(const QString& path, int blockRows = 512) const;

protected:
    PrintedLayout(data::Connection& connection, const QString& queryName, const QStringList& sql,
                  QString reportName);

    reportengine::ReportDefinition report_;

private:
    // The pages laid out over `rows`, written as PDF one by one.
    QString pdfOf(const reportengine::ReportData& rows, const QString& path) const;

    std::unique_ptr<data::Dataset> query_;
    reportengine::ProgressFn progress_;
    QString reportName_;
};

// "Данные на 14:05:03": the time a standby's copy holds the books of; the date is named too
// when it is not `today`.
QString dataAsOfText(const QDateTime& asOf, const QDate& today);

// dataAsOfText of a standby's read; empty on the primary.
QString dataAsOfLine(const data::ReportRead& read);

// Points the layout's query at the server `read` names and prints under the title how fresh a
// standby's data are; on the primary the line is taken away.
void readFrom(PrintedLayout& layout, const data::ReportRead& read);

// The hours timesheet of a month: parameters mnth and yea.
class TimesheetLayout : public PrintedLayout {
public:
    explicit TimesheetLayout(data::Connection& connection);
    // Hours per worker caption and day, all shifts added; also what the export writes.
    data::Dataset& monthHours;
};

// The period reports: parameters data1 and data2.
class WorkersReportLayout : public PrintedLayout {
public:
    explicit WorkersReportLayout(data::Connection& connection);
    // Good pieces and their pay per worker, product, operation kind and colour.
    data::Dataset& workerPay;
};

class ProductsReportLayout : public PrintedLayout {
public:
    explicit ProductsReportLayout(data::Connection& connection);
    // Good pieces and boxes per product, operation kind and colour.
    data::Dataset& productOutput;
};

class DetailedWorkersReportLayout : public PrintedLayout {
public:
    explicit DetailedWorkersReportLayout(data::Connection& connection);
    // Pieces, defects, pay and premium per worker, mark, operation and colour.
    data::Dataset& workerDetails;
};

class DetailedProductsReportLayout : public PrintedLayout {
public:
    explicit DetailedProductsReportLayout(data::Connection& connection);
    // Pieces, defects, boxes and pay per product, mark, operation and colour.
    data::Dataset& productDetails;
};

class DetailedRequisitionsReportLayout : public PrintedLayout {
public:
    explicit DetailedRequisitionsReportLayout(data::Connection& connection);
    // The same per production requisition; entries without one are left out.
    data::Dataset& requisitionDetails;
};

// The pay sheets of a period, one worker a page: parameters data1, data2, all_workers (1: every
// worker with entries in the period, 0: the worker of w_code, with or without entries).
class PayslipLayout : public PrintedLayout {
public:
    explicit PayslipLayout(data::Connection& connection);
    // Every entry of the period with its pay and premium, by worker, date and shift; each row
    // carries its worker's hours of the months the period covers.
    data::Dataset& workerEntries;
};

}  // namespace tabel::reports
