#pragma once
// The hours timesheet of one month, one page per shift: rebuilds the month from the entries,
// exports it to a spreadsheet and previews its print.

#include <QDialog>
#include <array>

#include "outputwindows/timesheet_cells.h"
#include "reports/printed_layout.h"
#include "reports/spreadsheet.h"

class QDate;
class QLabel;
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
class MonthPicker;
}  // namespace tabel::widgets

namespace tabel::outputwindows {

class TimesheetWindow : public QDialog {
    Q_OBJECT
public:
    explicit TimesheetWindow(data::Session& session, QWidget* parent = nullptr);

    // What the shift log window's "Табель по времени" does: selects the month and year of
    // `workingDate`, loads the pages, shows the window modally centred on `opener`, and closes
    // the page datasets afterwards. Throws DbError when the pages cannot be read; the window
    // is not shown then.
    void openForMonth(const QDate& workingDate, QWidget* opener = nullptr);
    // The first steps of openForMonth: the month of `date` chosen and its pages read.
    void selectMonth(const QDate& date);
    // "Перестроить" offered or not (a login that may not write, a standby).
    void setRebuildAllowed(bool allowed);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Selected month (1..12) and year.
    int month() const;
    int year() const;
    void buildControls();
    void buildPage(int shift);
    // Reloads the three pages for the chosen month and year and repaints the day columns.
    void loadMonth();
    void rebuildMonth();
    void exportMonth();
    void refresh();
    void printMonth();
    // What other sessions changed in the hours of the month shown.
    void applyChanges(const data::ChangeBatch& batch);
    // A closed month says so and keeps its hours: no rebuild.
    void showMonthState();
    void enableRebuild();
    // Run on every showing: the export button's count goes until then.
    void resetExcelCaption();
    void paintDayColumns();
    void closePages();
    void openPages();
    // Points the printed timesheet at the server it reads next; the notice in the status line.
    data::ReportRead chooseSource();

    data::Session& session_;
    // The printed timesheet; its month's hours also feed the export.
    reports::TimesheetLayout printedTimesheet_;
    // The hours of shifts 1 to 3 of the month shown.
    std::array<data::Dataset*, 3> hoursPages_{};
    std::array<widgets::DataSource*, 3> sources_{};
    std::array<widgets::DataGrid*, 3> grids_{};
    std::array<DayKind, 31> dayKinds_{};
    reports::Spreadsheet excel_;

    QTabWidget* shiftPages_ = nullptr;
    widgets::MonthPicker* monthPicker_ = nullptr;
    QPushButton* rebuildButton_ = nullptr;
    QLabel* monthStateLabel_ = nullptr;
    QProgressBar* rebuildProgress_ = nullptr;
    QPushButton* excelButton_ = nullptr;
    // The login's right and the month's state both decide "Перестроить".
    bool rebuildAllowed_ = true;
    bool monthClosed_ = false;
    // Why the last printing or export read the primary although a standby is configured.
    QLabel* statusLabel_ = nullptr;
};

}  // namespace tabel::outputwindows
