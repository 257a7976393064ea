#pragma once
// TForm18 "Отчеты": the period and product kind, the five printed reports and the product
// summary spreadsheet.

#include <QDialog>

#include <memory>

#include "reports/period_reports.h"
#include "reports/spreadsheet.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tabel::data {
class Dataset;
class TDataModule6;
}  // namespace tabel::data

namespace tabel::reports {

class TForm18 : public QDialog {
    Q_OBJECT
public:
    explicit TForm18(data::TDataModule6& dm, QWidget* parent = nullptr);
    ~TForm18() override;

    // What the opener does before showing: the previous calendar month of `today`.
    void setDefaultPeriod(const QDate& today);
    // Sets the previous month of today and shows the dialog modally.
    void openForReports();

    // The period and kind as the controls hold them now.
    Period period() const;
    int RadioGroup1ItemIndex() const;

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLabel* Label2;
    QDateEdit* DTPicker1;
    QDateEdit* DTPicker2;
    QGroupBox* RadioGroup1;
    QRadioButton* RadioButton1;  // "Все"
    QRadioButton* RadioButton2;  // "Готовая продукция"
    QRadioButton* RadioButton3;  // "Заготовки"
    QPushButton* Button4;
    QPushButton* Button2;
    QPushButton* Button1;
    QPushButton* Button3;
    QPushButton* Button7;
    QPushButton* Button6;
    QPushButton* Button5;

    std::unique_ptr<data::Dataset> XLS_Rep;

    void Button4Click() { preview(PeriodReport::Workers); }
    void Button2Click() { preview(PeriodReport::Products); }
    void Button1Click() { preview(PeriodReport::WorkersDetail); }
    void Button3Click() { preview(PeriodReport::ProductsDetail); }
    void Button7Click() { preview(PeriodReport::Requisitions); }
    void Button6Click();
    void Button5Click() { reject(); }

private:
    void buildControls();
    void preview(PeriodReport report);
    PrintedLayout& layoutOf(PeriodReport report);

    data::TDataModule6& dm_;
    std::unique_ptr<PrintedLayout> layouts_[5];
    Spreadsheet excel_;
};

}  // namespace tabel::reports
