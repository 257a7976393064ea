#include "outputwindows/reports_dialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <utility>

#include "data/dataset.h"
#include "data/session.h"
#include "outputwindows/report_preview.h"
#include "reports/output_files.h"
#include "widgets/date_edit.h"
#include "widgets/form_field.h"
#include "widgets/lookup_combo.h"
#include "widgets/style.h"
#include "widgets/user_action.h"

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

}  // namespace

ReportsDialog::ReportsDialog(data::Session& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("ReportsDialog"));
    setWindowTitle(QStringLiteral("Отчеты"));
    buildControls();
    const PeriodReport all[] = {PeriodReport::Workers, PeriodReport::Products,
                                PeriodReport::WorkersDetail, PeriodReport::ProductsDetail,
                                PeriodReport::Requisitions};
    for (const PeriodReport report : all) {
        layouts_[int(report)] = reports::makePeriodLayout(report, session_.connection);
    }
    productSummary_ =
        new data::Dataset(&session_.connection, QStringLiteral("productSummary"), this);
    productSummary_->setSql(reports::productSummarySql());
    payslips_ = std::make_unique<reports::PayslipLayout>(session_.connection);
    workerCombo_->bind(payslipWorkers_, QStringLiteral("s_code"), QStringLiteral("s_caption"));
    setDefaultPeriod(QDate::currentDate());
}

ReportsDialog::~ReportsDialog() = default;

void ReportsDialog::buildControls() {
    auto* periodBox = new QGroupBox(QStringLiteral("Период отбора"), this);
    periodBox->setObjectName(QStringLiteral("periodBox"));
    fromDate_ = datePicker(QStringLiteral("fromDate"), periodBox);
    toDate_ = datePicker(QStringLiteral("toDate"), periodBox);
    QLabel* fromLabel = widgets::makeFieldLabel(periodBox, QStringLiteral("&с"), fromDate_,
                                                QStringLiteral("fromLabel"));
    QLabel* toLabel = widgets::makeFieldLabel(periodBox, QStringLiteral("&по"), toDate_,
                                              QStringLiteral("toLabel"));
    auto* period = new QGridLayout(periodBox);
    period->addWidget(fromLabel, 0, 0);
    period->addWidget(fromDate_, 0, 1);
    period->addWidget(toLabel, 0, 2);
    period->addWidget(toDate_, 0, 3);

    auto* kindBox = new QGroupBox(QStringLiteral("Вид продукции"), this);
    kindBox->setObjectName(QStringLiteral("kindBox"));
    auto* kinds = new QVBoxLayout(kindBox);
    const auto radio = [&](const QString& name, const QString& caption) {
        QRadioButton* r = widgets::makeRadio(kindBox, name, caption);
        kinds->addWidget(r);
        return r;
    };
    QRadioButton* allKindsRadio = radio(QStringLiteral("allKindsRadio"), QStringLiteral("&Все"));
    finishedRadio_ = radio(QStringLiteral("finishedRadio"), QStringLiteral("&Готовая продукция"));
    blanksRadio_ = radio(QStringLiteral("blanksRadio"), QStringLiteral("&Заготовки"));
    allKindsRadio->setChecked(true);

    const auto button = [this](const QString& name, const QString& caption) {
        return widgets::makeButton(this, name, caption);
    };
    QPushButton* workersButton =
        button(QStringLiteral("workersButton"), QStringLiteral("&Отчет по рабочим"));
    QPushButton* productsButton =
        button(QStringLiteral("productsButton"), QStringLiteral("Отчет по прод&укции"));
    QPushButton* workersDetailButton = button(QStringLiteral("workersDetailButton"),
                                              QStringLiteral("&Детальный отчет по рабочим"));
    QPushButton* productsDetailButton = button(QStringLiteral("productsDetailButton"),
                                               QStringLiteral("Детальный отчет по п&родукции"));
    QPushButton* requisitionsButton =
        button(QStringLiteral("requisitionsButton"), QStringLiteral("Детальный отчет по за&явкам"));

    auto* payslipBox = new QGroupBox(QStringLiteral("Расчетный листок"), this);
    payslipBox->setObjectName(QStringLiteral("payslipBox"));
    payslipWorkers_ =
        new data::Dataset(&session_.connection, QStringLiteral("payslipWorkers"), this);
    payslipWorkers_->setSql({QStringLiteral(
        "select s_code, s_caption from accounts_dep.v_worker order by s_caption, s_code")});
    workerCombo_ = new widgets::LookupCombo(payslipBox);
    workerCombo_->setObjectName(QStringLiteral("workerCombo"));
    QLabel* workerLabel = widgets::makeFieldLabel(payslipBox, QStringLiteral("Ра&бочий"),
                                                  workerCombo_, QStringLiteral("workerLabel"));
    allWorkersCheck_ = new QCheckBox(QStringLiteral("По все&м рабочим"), payslipBox);
    allWorkersCheck_->setObjectName(QStringLiteral("allWorkersCheck"));
    QPushButton* payslipButton = widgets::makeButton(payslipBox, QStringLiteral("payslipButton"),
                                                     QStringLiteral("Расчет&ный листок"));
    auto* payslip = new QGridLayout(payslipBox);
    payslip->addWidget(workerLabel, 0, 0);
    payslip->addWidget(workerCombo_, 0, 1);
    payslip->addWidget(allWorkersCheck_, 1, 1);
    payslip->addWidget(payslipButton, 2, 0, 1, 2);
    connect(allWorkersCheck_, &QCheckBox::toggled, workerCombo_, &QWidget::setDisabled);
    widgets::connectAction(payslipButton, &QPushButton::clicked, this,
                           [this] { previewPayslips(); });

    excelButton_ = button(QStringLiteral("excelButton"), QStringLiteral("&Excel (0 из 0)"));
    QPushButton* exitButton = button(QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    statusLabel_->setWordWrap(true);
    statusLabel_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(periodBox);
    layout->addWidget(kindBox);
    for (QPushButton* b : {workersButton, productsButton, workersDetailButton, productsDetailButton,
                           requisitionsButton}) {
        layout->addWidget(b);
    }
    layout->addWidget(payslipBox);
    layout->addWidget(excelButton_);
    layout->addWidget(exitButton);
    layout->addWidget(statusLabel_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const std::pair<QPushButton*, PeriodReport> reportButtons[] = {
        {workersButton, PeriodReport::Workers},
        {productsButton, PeriodReport::Products},
        {workersDetailButton, PeriodReport::WorkersDetail},
        {productsDetailButton, PeriodReport::ProductsDetail},
        {requisitionsButton, PeriodReport::Requisitions},
    };
    for (const auto& [reportButton, report] : reportButtons) {
        widgets::connectAction(reportButton, &QPushButton::clicked, this,
                               [this, report] { preview(report); });
    }
    widgets::connectAction(excelButton_, &QPushButton::clicked, this,
                           [this] { exportProductSummary(); });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
}

void ReportsDialog::setDefaultPeriod(const QDate& today) {
    const reports::Period p = reports::previousMonth(today);
    fromDate_->setDate(p.from);
    toDate_->setDate(p.to);
}

void ReportsDialog::openForReports() {
    setDefaultPeriod(QDate::currentDate());
    exec();
}

void ReportsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        widgets::focusFirstField(this);  // whatever had the focus when it last closed
        // Workers taken on since it last opened are in the list; the one chosen stays.
        widgets::runAction([this] {
            payslipWorkers_->close();
            payslipWorkers_->open();
        });
    }
}

ProductKind ReportsDialog::productKind() const {
    if (finishedRadio_->isChecked()) {
        return ProductKind::Finished;
    }
    return blanksRadio_->isChecked() ? ProductKind::Blanks : ProductKind::All;
}

reports::Period ReportsDialog::period() const {
    return {fromDate_->date(), toDate_->date(), productKind()};
}

reports::PrintedLayout& ReportsDialog::layoutOf(PeriodReport report) {
    return *layouts_[int(report)];
}

data::ReportRead ReportsDialog::chooseSource() {
    const data::ReportRead read = session_.reports.choose();
    statusLabel_->setText(read.notice);
    statusLabel_->setVisible(!read.notice.isEmpty());
    return read;
}

void ReportsDialog::preview(PeriodReport report) {
    reports::PrintedLayout& layout = layoutOf(report);
    reports::readFrom(layout, chooseSource());
    std::optional<reportengine::ReportDocument> document = prepareWithProgress(
        layout, this, [&] { return reports::preparePeriodReport(layout, report, period()); });
    if (document) {
        ReportPreview::open(std::move(*document), this);
    }
}

std::optional<reports::PayslipChoice> ReportsDialog::payslipChoice() const {
    reports::PayslipChoice choice{fromDate_->date(), toDate_->date()};
    if (allWorkersCheck_->isChecked()) {
        return choice;
    }
    const QVariant code = workerCombo_->keyValue();
    if (code.isNull()) {
        return std::nullopt;
    }
    choice.workerCode = code.toInt();
    return choice;
}

void ReportsDialog::previewPayslips() {
    const std::optional<reports::PayslipChoice> choice = payslipChoice();
    if (!choice) {
        workerCombo_->setFocus();
        throw widgets::ActionFailure(
            QStringLiteral("Выберите рабочего или отметьте «По всем рабочим»."));
    }
    reports::readFrom(*payslips_, chooseSource());
    std::optional<reportengine::ReportDocument> document = prepareWithProgress(
        *payslips_, this, [&] { return reports::preparePayslips(*payslips_, *choice); });
    if (document) {
        ReportPreview::open(std::move(*document), this);
    }
}

void ReportsDialog::exportProductSummary() {
    const data::ReportRead read = chooseSource();
    productSummary_->setConnection(read.connection);
    const data::CloseOnExit closeSummary(*productSummary_);
    reports::applyPeriod(*productSummary_, period());
    productSummary_->open();
    widgets::BusyCursor busy;
    // A new workbook: an empty name is never refused.
    const reports::Period p = period();
    reports::writeProductSummary(
        *productSummary_, excel_, p,
        [this](int done, int total) {
            excelButton_->setText(QStringLiteral("&Excel (%1 из %2)").arg(done).arg(total));
            if (done % 500 == 0) {
                excelButton_->repaint();
            }
        },
        reports::dataAsOfLine(read));
    // "Продукция (Заготовки) 01.04.2026–01.05.2026"
    excel_.setFileTitle(reports::fileBaseName(reports::productSummaryTitle(p)));
    excel_.SetExcelVisible(true);
}

}  // namespace tabel::outputwindows
