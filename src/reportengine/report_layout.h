#pragma once
// The layout pass: walks the rows of one dataset through a report definition and produces
// every page, so the dataset may be closed once it returns.

#include <QList>
#include <QStringList>
#include <QVariant>

#include "reportengine/report_definition.h"
#include "reportengine/report_document.h"

namespace tabel::reportengine {

// The rows a report is laid out over, in their printing order.
class ReportData {
public:
    virtual ~ReportData() = default;
    virtual QStringList columnNames() const = 0;
    virtual int rowCount() const = 0;
    virtual QList<QVariant> row(int index) const = 0;
};

// Rows held in memory.
class TableData : public ReportData {
public:
    TableData(QStringList columns, QList<QList<QVariant>> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}
    QStringList columnNames() const override { return columns_; }
    int rowCount() const override { return int(rows_.size()); }
    QList<QVariant> row(int index) const override { return rows_.at(index); }

private:
    QStringList columns_;
    QList<QList<QVariant>> rows_;
};

// Text of a value under a mask ("#0.00"); without one, numbers print in general format.
QString formatValue(const QVariant& value, const QString& mask);

// Throws core::ExpressionError when an item's expression does not compile.
ReportDocument prepareReport(const ReportDefinition& definition, const ReportData& data);

}  // namespace tabel::reportengine
