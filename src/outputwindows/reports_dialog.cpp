#include "outputwindows/reports_dialog.h"

#include <QApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

#include "data/dataset.h"
#include "data/session.h"
#include "outputwindows/report_preview.h"
#include "widgets/date_edit.h"
#include "widgets/form_field.h"

namespace tabel::outputwindows {

using reports::PeriodReport;
using reports::ProductKind;

namespace {

QDateEdit* datePicker(const QString& name, QWidget* parent) {
    auto* picker = new widgets::DateEdit(parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return picker;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

// Restores the cursor however the export ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

ReportsDialog::ReportsDialog(data::Session& session, QWidget* parent)
    : QDialog(parent), connection_(session.connection) {
    setObjectName(QStringLiteral("ReportsDialog"));
    setWindowTitle(QStringLiteral("Отчеты"));
    buildControls();
    const PeriodReport all[] = {PeriodReport::Workers, PeriodReport::Products,
                                PeriodReport::WorkersDetail, PeriodReport::ProductsDetail,
                                PeriodReport::Requisitions};
    for (const PeriodReport report : all) {
        layouts_[int(report)] = reports::makePeriodLayout(report, connection_);
    }
    productSummary =
        std::make_unique<data::Dataset>(&connection_, QStringLiteral("productSummary"));
    productSummary->setSql(reports::productSummarySql());
    setDefaultPeriod(QDate::currentDate());
}

ReportsDialog::~ReportsDialog() = default;

void ReportsDialog::buildControls() {
    periodBox = new QGroupBox(QStringLiteral("Период отбора"), this);
    periodBox->setObjectName(QStringLiteral("periodBox"));
    fromDate = datePicker(QStringLiteral("fromDate"), periodBox);
    toDate = datePicker(QStringLiteral("toDate"), periodBox);
    fromLabel = widgets::makeFieldLabel(periodBox, QStringLiteral("&с"), fromDate,
                                        QStringLiteral("fromLabel"));
    toLabel = widgets::makeFieldLabel(periodBox, QStringLiteral("&по"), toDate,
                                      QStringLiteral("toLabel"));
    auto* period = new QGridLayout(periodBox);
    period->addWidget(fromLabel, 0, 0);
    period->addWidget(fromDate, 0, 1);
    period->addWidget(toLabel, 0, 2);
    period->addWidget(toDate, 0, 3);

    kindBox = new QGroupBox(QStringLiteral("Вид продукции"), this);
    kindBox->setObjectName(QStringLiteral("kindBox"));
    auto* kinds = new QVBoxLayout(kindBox);
    const auto radio = [&](const QString& name, const QString& caption) {
        auto* r = new QRadioButton(caption, kindBox);
        r->setObjectName(name);
        kinds->addWidget(r);
        return r;
    };
    allKindsRadio = radio(QStringLiteral("allKindsRadio"), QStringLiteral("&Все"));
    finishedRadio = radio(QStringLiteral("finishedRadio"), QStringLiteral("&Готовая продукция"));
    blanksRadio = radio(QStringLiteral("blanksRadio"), QStringLiteral("&Заготовки"));
    allKindsRadio->setChecked(true);

    workersButton =
        button(QStringLiteral("workersButton"), QStringLiteral("&Отчет по рабочим"), this);
    productsButton =
        button(QStringLiteral("productsButton"), QStringLiteral("Отчет по прод&укции"), this);
    workersDetailButton = button(QStringLiteral("workersDetailButton"),
                                 QStringLiteral("&Детальный отчет по рабочим"), this);
    productsDetailButton = button(QStringLiteral("productsDetailButton"),
                                  QStringLiteral("Детальный отчет по п&родукции"), this);
    requisitionsButton = button(QStringLiteral("requisitionsButton"),
                                QStringLiteral("Детальный отчет по за&явкам"), this);
    excelButton = button(QStringLiteral("excelButton"), QStringLiteral("&Excel (0 из 0)"), this);
    exitButton = button(QStringLiteral("exitButton"), QStringLiteral("В&ыход"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(periodBox);
    layout->addWidget(kindBox);
    for (QPushButton* b : {workersButton, productsButton, workersDetailButton, productsDetailButton,
                           requisitionsButton, excelButton, exitButton}) {
        layout->addWidget(b);
    }
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const std::pair<QPushButton*, PeriodReport> reportButtons[] = {
        {workersButton, PeriodReport::Workers},
        {productsButton, PeriodReport::Products},
        {workersDetailButton, PeriodReport::WorkersDetail},
        {productsDetailButton, PeriodReport::ProductsDetail},
        {requisitionsButton, PeriodReport::Requisitions},
    };
    for (const auto& [reportButton, report] : reportButtons) {
        connect(reportButton, &QPushButton::clicked, this, [this, report] { preview(report); });
    }
    connect(excelButton, &QPushButton::clicked, this, &ReportsDialog::exportProductSummary);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
}

void ReportsDialog::setDefaultPeriod(const QDate& today) {
    const reports::Period p = reports::previousMonth(today);
    fromDate->setDate(p.from);
    toDate->setDate(p.to);
}

void ReportsDialog::openForReports() {
    setDefaultPeriod(QDate::currentDate());
    exec();
}

ProductKind ReportsDialog::productKind() const {
    if (finishedRadio->isChecked()) {
        return ProductKind::Finished;
    }
    return blanksRadio->isChecked() ? ProductKind::Blanks : ProductKind::All;
}

reports::Period ReportsDialog::period() const {
    return {fromDate->date(), toDate->date(), productKind()};
}

reports::PrintedLayout& ReportsDialog::layoutOf(PeriodReport report) {
    return *layouts_[int(report)];
}

void ReportsDialog::preview(PeriodReport report) {
    reports::PrintedLayout& layout = layoutOf(report);
    std::optional<reportengine::ReportDocument> document = prepareWithProgress(
        layout, this, [&] { return reports::preparePeriodReport(layout, report, period()); });
    if (document) {
        ReportPreview::open(std::move(*document), this);
    }
}

void ReportsDialog::exportProductSummary() {
    reports::applyPeriod(*productSummary, period());
    productSummary->open();
    const std::unique_ptr<data::Dataset, void (*)(data::Dataset*)> closer(
        productSummary.get(), [](data::Dataset* d) { d->close(); });
    WaitCursor wait;
    const int opened =
        reports::writeProductSummary(*productSummary, excel_, [this](int done, int total) {
            excelButton->setText(QStringLiteral("&Excel (%1 из %2)").arg(done).arg(total));
            if (done % 500 == 0) {
                excelButton->repaint();
            }
        });
    if (opened != -1) {
        const reports::Period p = period();
        excel_.setFileTitle(QStringLiteral("Продукция %1%2%3")
                                .arg(p.from.toString(QStringLiteral("dd.MM.yyyy")), QChar(0x2013),
                                     p.to.toString(QStringLiteral("dd.MM.yyyy"))));
        excel_.SetExcelVisible(true);
    }
}

}  // namespace tabel::outputwindows
