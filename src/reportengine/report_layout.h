#pragma once
// The layout pass: walks the rows of a report, forward once, through its definition and hands
// out every page as it completes it; neither rows nor pages are kept.

#include <QList>
#include <QStringList>
#include <QVariant>

#include <functional>

#include "reportengine/report_definition.h"
#include "reportengine/report_document.h"

namespace tabel::reportengine {

// The rows a report is laid out over, read forward once in their printing order: the layout
// keeps only the row before the current one (for the group footers), so a source may hand out
// rows straight from the server without holding them.
class ReportData {
public:
    using StartFn = std::function<void(const QStringList& columns)>;
    using RowFn = std::function<void(const QList<QVariant>& row)>;

    virtual ~ReportData() = default;
    // The rows in all when known before reading, else 0 (the progress then has no total).
    virtual int rowCount() const { return 0; }
    // Gives the column names to `start`, then every row in order to `take`; a throw from either
    // ends the reading and leaves the source as it was.
    virtual void read(const StartFn& start, const RowFn& take) const = 0;
};

// Rows held in memory.
class TableData : public ReportData {
public:
    TableData(QStringList columns, QList<QList<QVariant>> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}
    int rowCount() const override { return int(rows_.size()); }
    void read(const StartFn& start, const RowFn& take) const override {
        start(columns_);
        for (const QList<QVariant>& row : rows_) {
            take(row);
        }
    }

private:
    QStringList columns_;
    QList<QList<QVariant>> rows_;
};

// Text of a value under a mask ("#0.00"); without one, numbers print in general format.
QString formatValue(const QVariant& value, const QString& mask);

// The document's title, orientation and page size, without pages.
ReportDocument documentHeader(const ReportDefinition& definition);

// Lays the rows out and gives each page to `sink` once it is complete; `progress` hears the
// rows laid out. Throws core::ExpressionError when an item's expression does not compile,
// Cancelled when `progress` says so.
void layOutReport(const ReportDefinition& definition, const ReportData& data, const PageSink& sink,
                  const ProgressFn& progress = {});

// Every page kept in one document (the preview, tests).
ReportDocument prepareReport(const ReportDefinition& definition, const ReportData& data,
                             const ProgressFn& progress = {});

}  // namespace tabel::reportengine
