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
}

namespace tabel::reports {

// The rows of an open dataset, after its filter and sort.
class DatasetRows : public reportengine::ReportData {
public:
    explicit DatasetRows(const data::Dataset& dataset) : dataset_(dataset) {}
    QStringList columnNames() const override;
    int rowCount() const override { return dataset_.recordCount(); }
    QList<QVariant> row(int index) const override;

private:
    const data::Dataset& dataset_;
};

class PrintedLayout {
public:
    virtual ~PrintedLayout() = default;
    PrintedLayout(const PrintedLayout&) = delete;
    PrintedLayout& operator=(const PrintedLayout&) = delete;

    data::Dataset& query() { return *query_; }
    reportengine::ReportDefinition& report() { return report_; }

    // The caption of the title label (QRLabel1, the timesheet's QRLabel33).
    void setTitle(const QString& text);
    QString title() const { return report_.labelText(titleLabel_); }

    // All pages from the open query; the query may be closed afterwards.
    reportengine::ReportDocument prepare() const;

protected:
    PrintedLayout(data::Connection& connection, const QString& queryName, const QStringList& sql,
                  QString reportName, QString titleLabel);

    reportengine::ReportDefinition report_;

private:
    std::unique_ptr<data::Dataset> query_;
    QString reportName_;
    QString titleLabel_;
};

// The hours timesheet of a month: parameters mnth and yea, title label QRLabel33.
class TForm15 : public PrintedLayout {
public:
    explicit TForm15(data::Connection& connection);
    data::Dataset& H_Tabel;
};

// The period reports: parameters data1 and data2, title label QRLabel1.
class TForm16 : public PrintedLayout {
public:
    explicit TForm16(data::Connection& connection);
    data::Dataset& t_Report;
};

class TForm17 : public PrintedLayout {
public:
    explicit TForm17(data::Connection& connection);
    data::Dataset& t_Report;
};

class TForm20 : public PrintedLayout {
public:
    explicit TForm20(data::Connection& connection);
    data::Dataset& w_Report;
};

class TForm21 : public PrintedLayout {
public:
    explicit TForm21(data::Connection& connection);
    data::Dataset& i_Report;
};

class TForm25 : public PrintedLayout {
public:
    explicit TForm25(data::Connection& connection);
    data::Dataset& i_Report;
};

}  // namespace tabel::reports
