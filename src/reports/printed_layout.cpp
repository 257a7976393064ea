#include "reports/printed_layout.h"

#include <optional>

#include "core/expression.h"
#include "data/connection.h"
#include "reportengine/page_painter.h"

namespace tabel::reports {

namespace {
const QString kTitleLabel = QStringLiteral("title");
const QString kMarkLabel = QStringLiteral("mark");
}  // namespace

void DatasetRows::read(const StartFn& start, const RowFn& take) const {
    const int columns = dataset_.fieldCount();
    QStringList names;
    for (int c = 0; c < columns; ++c) {
        names.append(dataset_.fieldName(c));
    }
    start(names);
    QList<QVariant> values;
    for (int r = 0; r < dataset_.recordCount(); ++r) {
        values.clear();
        values.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            values.append(dataset_.valueAt(r, c));
        }
        take(values);
    }
}

void StreamedRows::read(const StartFn& start, const RowFn& take) const {
    data::Connection* connection = query_.connection();
    const bool filtering = query_.filtered() && !query_.filter().trimmed().isEmpty();
    std::optional<core::Expression> filter;
    connection->stream(
        query_.positionalStatement(), query_.positionalValues(), {},
        [&](const data::StatementResult& block) {
            if (!filter) {
                QStringList names;
                for (const data::ResultColumn& column : block.columns) {
                    names.append(column.name);
                }
                // Compiled against the columns as the dataset compiles its own filter.
                filter = filtering ? core::Expression::compile(query_.filter(),
                                                               core::columnResolver(names))
                                   : core::Expression();
                start(names);
            }
            for (const QList<QVariant>& row : block.rows) {
                if (filter->matches(row)) {
                    take(row);
                }
            }
        },
        blockRows_);
}

PrintedLayout::PrintedLayout(data::Connection& connection, const QString& queryName,
                             const QStringList& sql, QString reportName)
    : query_(std::make_unique<data::Dataset>(&connection, queryName)),
      reportName_(std::move(reportName)) {
    query_->setSql(sql);
    report_.title = reportName_;
}

void PrintedLayout::setTitle(const QString& text) {
    report_.setLabelText(kTitleLabel, text);
    const QString trimmed = text.trimmed();
    report_.title = trimmed.startsWith(reportName_) || reportName_.isEmpty()
                        ? trimmed
                        : reportName_ + QStringLiteral(" ") + trimmed;
}

QString PrintedLayout::title() const {
    return report_.labelText(kTitleLabel);
}

void PrintedLayout::setMark(const QString& text) {
    report_.setLabelText(kMarkLabel, text);
}

QString PrintedLayout::mark() const {
    return report_.labelText(kMarkLabel);
}

reportengine::ReportDocument PrintedLayout::prepare() const {
    return reportengine::prepareReport(report_, DatasetRows(*query_), progress_);
}

QString PrintedLayout::writePdf(const QString& path) const {
    return pdfOf(DatasetRows(*query_), path);
}

QString PrintedLayout::streamPdf(const QString& path, int blockRows) const {
    return pdfOf(StreamedRows(*query_, blockRows), path);
}

QString PrintedLayout::pdfOf(const reportengine::ReportData& rows, const QString& path) const {
    return reportengine::writePdfPages(
        reportengine::documentHeader(report_), path, [&](const reportengine::PdfPageFn& add) {
            reportengine::layOutReport(
                report_, rows, [&add](reportengine::Page&& page) { add(page); }, progress_);
        });
}

}  // namespace tabel::reports
