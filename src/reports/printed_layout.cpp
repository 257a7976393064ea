#include "reports/printed_layout.h"

#include <optional>

#include "core/expression.h"
#include "data/connection.h"
#include "data/report_source.h"
#include "reportengine/pdf_output.h"

namespace tabel::reports {

namespace {
const QString kTitleLabel = QStringLiteral("title");
const QString kMarkLabel = QStringLiteral("mark");
const QString kDataAsOfLabel = QStringLiteral("dataAsOf");
constexpr double kDataAsOfHeight = 5.0;  // mm, one line of 8 pt type

// The band that holds the item named `name`, and the item; null when there is none.
std::pair<reportengine::Band*, reportengine::ReportItem*> findItem(
    reportengine::ReportDefinition& report, const QString& name) {
    for (reportengine::Band* band : {&report.reportHeader, &report.columnHeader}) {
        for (reportengine::ReportItem& item : band->items) {
            if (item.name == name) {
                return {band, &item};
            }
        }
    }
    return {nullptr, nullptr};
}

// Moves the items of `band` from `top` down by `dy` (up when negative), and its bottom with them.
void shiftBelow(reportengine::Band& band, double top, double dy) {
    for (reportengine::ReportItem& item : band.items) {
        if (item.rect.top() >= top - 0.01) {
            item.rect.translate(0, dy);
        }
    }
    band.height += dy;
}
}  // namespace

QString dataAsOfText(const QDateTime& asOf, const QDate& today) {
    const QDateTime local = asOf.toLocalTime();
    return QStringLiteral("Данные на ") +
           (local.date() == today ? local.toString(QStringLiteral("HH:mm:ss"))
                                  : local.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
}

QString dataAsOfLine(const data::ReportRead& read) {
    return read.standby ? dataAsOfText(read.dataAsOf, QDate::currentDate()) : QString();
}

void readFrom(PrintedLayout& layout, const data::ReportRead& read) {
    layout.query().setConnection(read.connection);
    layout.setDataAsOf(dataAsOfLine(read));
}

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

void PrintedLayout::setDataAsOf(const QString& text) {
    // The line is laid in under the title, and what stood below the title moves down with it.
    if (auto [band, line] = findItem(report_, kDataAsOfLabel); band != nullptr) {
        const double top = line->rect.top();
        const double height = line->rect.height();
        std::erase_if(band->items, [](const auto& item) { return item.name == kDataAsOfLabel; });
        shiftBelow(*band, top + height, -height);
    }
    auto [band, title] = findItem(report_, kTitleLabel);
    if (text.isEmpty() || band == nullptr) {
        return;
    }
    reportengine::ReportItem line;
    line.kind = reportengine::ItemKind::Label;
    line.name = kDataAsOfLabel;
    line.text = text;
    line.font = reportengine::FontStyle{8.0, false};
    line.alignment = title->alignment;
    line.rect =
        QRectF(title->rect.left(), title->rect.bottom(), title->rect.width(), kDataAsOfHeight);
    const auto at = band->items.begin() + (title - band->items.data()) + 1;
    shiftBelow(*band, line.rect.top(), kDataAsOfHeight);
    // Read (and printed) right after the title.
    band->items.insert(at, line);
}

QString PrintedLayout::dataAsOf() const {
    return report_.labelText(kDataAsOfLabel);
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
                report_, rows, [&add](reportengine::Page&& page) { add(std::move(page)); },
                progress_);
        });
}

}  // namespace tabel::reports
