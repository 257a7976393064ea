#pragma once
// The reports dialog "Отчеты": the period and product kind, the five printed reports, the pay
// sheets of one worker or of all, and the product summary spreadsheet.

#include <QDialog>

#include <memory>

#include "data/report_source.h"
#include "reports/payslip.h"
#include "reports/period_reports.h"
#include "reports/spreadsheet.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tabel::data {
class Dataset;
class Connection;
struct Session;
}  // namespace tabel::data

namespace tabel::widgets {
class LookupCombo;
}

namespace tabel::outputwindows {

class ReportsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportsDialog(data::Session& session, QWidget* parent = nullptr);
    ~ReportsDialog() override;

    // What the opener does before showing: the previous calendar month of `today`.
    void setDefaultPeriod(const QDate& today);
    // Sets the previous month of today and shows the dialog modally.
    void openForReports();

    // The period and kind as the controls hold them now.
    reports::Period period() const;
    reports::ProductKind productKind() const;
    // Whose pay sheets the controls choose: the worker shown, or all ("По всем рабочим"); none
    // when neither is chosen.
    std::optional<reports::PayslipChoice> payslipChoice() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    reports::PrintedLayout& layoutOf(reports::PeriodReport report);
    // Opens the preview of `report` for the period and kind now chosen.
    void preview(reports::PeriodReport report);
    void exportProductSummary();
    // Opens the preview of the pay sheets chosen; tells what is missing when nobody is.
    void previewPayslips();
    // The server the next report reads, its notice in the status line.
    data::ReportRead chooseSource();

    data::Session& session_;
    std::unique_ptr<reports::PrintedLayout> layouts_[5];
    // What the spreadsheet export writes; open only while it does.
    data::Dataset* productSummary_ = nullptr;
    reports::Spreadsheet excel_;
    std::unique_ptr<reports::PayslipLayout> payslips_;
    // The workers the pay sheet is chosen from, read again whenever the dialog opens.
    data::Dataset* payslipWorkers_ = nullptr;

    QDateEdit* fromDate_ = nullptr;
    QDateEdit* toDate_ = nullptr;
    QRadioButton* finishedRadio_ = nullptr;
    QRadioButton* blanksRadio_ = nullptr;
    QPushButton* excelButton_ = nullptr;
    widgets::LookupCombo* workerCombo_ = nullptr;
    QCheckBox* allWorkersCheck_ = nullptr;
    // Why the last report read the primary although a standby is configured.
    QLabel* statusLabel_ = nullptr;
};

}  // namespace tabel::outputwindows
