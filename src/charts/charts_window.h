#pragma once
// "Графики": a month's output, pay and hours as four charts an economist or a foreman reads at a
// glance (or, with "Таблица", their figures as grids): good pieces and pay per day beside the
// previous month's pay, pay by worker, good pieces per product kind and day, hours per shift and
// day. Follows what other sessions commit; saves the four as one PDF page or one picture.

#include <QDate>
#include <QDialog>

#include <array>
#include <memory>

#include "charts/chart_figures.h"
#include "charts/chart_statements.h"

class QChart;
class QChartView;
class QPainter;
class QPushButton;
class QRectF;
class QStackedWidget;

namespace tabel::data {
class Dataset;
struct ChangeBatch;
struct Session;
}  // namespace tabel::data

namespace tabel::reports {
class PrintedLayout;
}

namespace tabel::widgets {
class DataGrid;
class DataSource;
class MonthPicker;
}  // namespace tabel::widgets

namespace tabel::charts {

class ChartsWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChartsWindow(data::Session& session, QWidget* parent = nullptr);
    ~ChartsWindow() override;

    // What the shift log's "Графики" does: the month of `workingDate` read and drawn, the window
    // shown modally centred on `opener`, its statements closed afterwards. Throws DbError when
    // the month cannot be read; the window is not shown then.
    void openForMonth(const QDate& workingDate, QWidget* opener = nullptr);
    // The first steps of openForMonth: the month of `date` chosen, read and drawn.
    void selectMonth(const QDate& date);

    // Where "Сохранить…" proposes to write: the documents folder's "Табель", "Графики Ноябрь
    // 2026" with `suffix` ("pdf", "png"), a name not taken yet.
    QString proposedPath(const QString& suffix) const;
    // The four charts as one A4 landscape PDF page, or as one PNG picture when `path` ends in
    // ".png". Throws widgets::ActionFailure when the file cannot be written; none is left then.
    void saveAs(const QString& path);

signals:
    // A day of a chart was clicked: the shift log shows that day.
    void dayChosen(const QDate& day);

private:
    // One chart: its statement, drawn in a view or shown as a grid.
    struct Panel {
        Chart chart;
        data::Dataset* figures = nullptr;
        widgets::DataSource* source = nullptr;
        QChartView* view = nullptr;
        widgets::DataGrid* grid = nullptr;
        QStackedWidget* stack = nullptr;
    };

    void buildControls();
    QWidget* buildPanel(Panel& panel, const QString& title);
    Panel& panelOf(Chart chart) { return panels_[int(chart)]; }
    QChart& chartOf(Chart chart);
    QDate firstDay() const;
    // Reads every chart of the month chosen and draws them.
    void loadMonth();
    void closeFigures();
    void draw(Chart chart);
    void drawDailyOutput();
    void drawWorkerPay();
    void drawKindOutput();
    void drawShiftHours();
    // What other sessions changed in the month shown (or, for the pay line, the month before).
    void applyChanges(const data::ChangeBatch& batch);
    void reread(const QList<Chart>& charts);
    void showTip(QChartView* view, const QString& text);
    // `index` counts from the month's first day.
    void chooseDay(int index);
    // `index` into workers_; nothing for the rest.
    void openWorkerReport(qsizetype index);
    // Enter or a double-click on a row of a chart's table.
    void openFromTable(Chart chart);
    void showTables(bool on);
    void saveWithDialog();
    // The title line and the four charts placed as the window places them, filling `area`.
    void paintCharts(QPainter& painter, const QRectF& area) const;
    QString title() const;

    data::Session& session_;
    std::array<Panel, 4> panels_{};
    // What each chart shows, as read.
    QList<DayOutput> days_;
    QList<WorkerPay> workers_;
    QList<KindOutput> kinds_;
    QList<ShiftHours> hours_;
    QDate shownMonth_;  // first day of the month the charts were read for
    std::unique_ptr<reports::PrintedLayout> workerReport_;

    widgets::MonthPicker* monthPicker_ = nullptr;
    QPushButton* tableButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};

}  // namespace tabel::charts
