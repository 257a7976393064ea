#pragma once
// TForm19: the hours timesheet of one month, one page per shift; rebuilds the month from the
// entries, exports it to a spreadsheet and previews its print.

#include <QDialog>
#include <array>

#include "reports/printed_layout.h"
#include "reports/spreadsheet.h"
#include "timesheet/timesheet_rules.h"

class QComboBox;
class QDate;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace tabel::data {
class TDataModule6;
}

namespace tabel::widgets {
class DataGrid;
class DataSource;
}  // namespace tabel::widgets

namespace tabel::timesheet {

class TForm19 : public QDialog {
    Q_OBJECT
public:
    explicit TForm19(data::TDataModule6& dm, QWidget* parent = nullptr);

    // What the shift log window's "Табель по времени" does: selects the month and year of
    // `workingDate`, loads the pages, shows the window modally centred on `opener`, and closes
    // the page datasets afterwards.
    void openForMonth(const QDate& workingDate, QWidget* opener = nullptr);

    // Selected month (1..12) and year.
    int month() const;
    int year() const;

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    widgets::DataGrid* DBGrid1;
    widgets::DataGrid* DBGrid2;
    widgets::DataGrid* DBGrid3;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QPushButton* Button1;
    QProgressBar* PB;
    QPushButton* Button2;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button4;

    // The printed timesheet; its summary H_Tabel also feeds the export.
    reports::TForm15 Form15;

    // Handlers.
    void ComboBox1Change();
    void Button1Click();
    void Button2Click();
    void Button5Click();
    void Button6Click();
    void FormActivate();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    QWidget* buildPage(int shift, widgets::DataGrid*& grid);
    void paintDayColumns();
    std::array<data::Dataset*, 3> pages() const;
    void openPages();

    data::TDataModule6& dm_;
    std::array<widgets::DataSource*, 3> sources_{};
    std::array<DayKind, 31> dayKinds_{};
    reports::Spreadsheet excel_;
};

}  // namespace tabel::timesheet
