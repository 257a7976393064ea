#include "reports/printed_layout.h"

namespace tabel::reports {

namespace {
const QString kTitleLabel = QStringLiteral("title");
}  // namespace

QStringList DatasetRows::columnNames() const {
    QStringList names;
    for (int c = 0; c < dataset_.fieldCount(); ++c) {
        names.append(dataset_.fieldName(c));
    }
    return names;
}

QList<QVariant> DatasetRows::row(int index) const {
    QList<QVariant> values;
    const int columns = dataset_.fieldCount();
    values.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        values.append(dataset_.valueAt(index, c));
    }
    return values;
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

reportengine::ReportDocument PrintedLayout::prepare() const {
    return reportengine::prepareReport(report_, DatasetRows(*query_));
}

}  // namespace tabel::reports
