#pragma once
// The hours timesheet of one month, one page per shift: rebuilds the month from the entries,
// exports it to a spreadsheet and previews its print.

#include <QDialog>
#include <array>

#include "outputwindows/timesheet_cells.h"
#include "reports/printed_layout.h"
#include "reports/spreadsheet.h"

class QComboBox;
class QDate;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace tabel::data {
struct Session;
struct ChangeBatch;
}  // namespace tabel::data

namespace tabel::widgets {
class DataGrid;
class DataSource;
}  // namespace tabel::widgets

namespace tabel::outputwindows {

class TimesheetWindow : public QDialog {
    Q_OBJECT
public:
    explicit TimesheetWindow(data::Session& session, QWidget* parent = nullptr);

    // What the shift log window's "Табель по времени" does: selects the month and year of
    // `workingDate`, loads the pages, shows the window modally centred on `opener`, and closes
    // the page datasets afterwards.
    void openForMonth(const QDate& workingDate, QWidget* opener = nullptr);

    // Selected month (1..12) and year.
    int month() const;
    int year() const;

    QTabWidget* shiftPages;
    QWidget* shift1Page;
    QWidget* shift2Page;
    QWidget* shift3Page;
    widgets::DataGrid* shift1Grid;
    widgets::DataGrid* shift2Grid;
    widgets::DataGrid* shift3Grid;
    QComboBox* monthBox;
    QComboBox* yearBox;
    QPushButton* rebuildButton;
    QProgressBar* rebuildProgress;
    QPushButton* excelButton;
    QPushButton* refreshButton;
    QPushButton* printButton;
    QPushButton* exitButton;

    // The printed timesheet; its month's hours also feed the export.
    reports::TimesheetLayout printedTimesheet;

    // Reloads the three pages for the chosen month and year and repaints the day columns.
    void loadMonth();
    void rebuildMonth();
    void exportMonth();
    void refresh();
    void printMonth();
    // What other sessions changed in the hours of the month shown.
    void applyChanges(const data::ChangeBatch& batch);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    QWidget* buildPage(int shift, widgets::DataGrid*& grid);
    // Run on every showing: the export button's count goes until then.
    void resetExcelCaption();
    void paintDayColumns();
    std::array<data::Dataset*, 3> pages() const;
    void openPages();

    data::Session& session_;
    // The hours of shifts 1 to 3 of the month shown.
    std::array<data::Dataset*, 3> hoursPages_{};
    std::array<widgets::DataSource*, 3> sources_{};
    std::array<DayKind, 31> dayKinds_{};
    reports::Spreadsheet excel_;
};

}  // namespace tabel::outputwindows
