#include "charts/charts_window.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedBarSeries>
#include <QStackedWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <optional>

#include "core/dates.h"
#include "core/product_kind.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/session.h"
#include "outputwindows/report_preview.h"
#include "reports/output_files.h"
#include "reports/period_reports.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/month_picker.h"
#include "widgets/style.h"
#include "widgets/user_action.h"
#include "widgets/window_geometry.h"

namespace tabel::charts {

namespace {

using widgets::GridColumn;

const QColor kFaint(120, 120, 120, 150);
// A4 landscape at 150 dots an inch: the saved picture.
constexpr QSize kPictureSize(1754, 1240);

QString chartTitle(Chart chart) {
    switch (chart) {
        case Chart::DailyOutput:
            return QStringLiteral("Годные и сумма по дням");
        case Chart::WorkerPay:
            return QStringLiteral("Сумма по рабочим");
        case Chart::KindOutput:
            return QStringLiteral("Годные по видам продукции");
        case Chart::ShiftHours:
            return QStringLiteral("Часы по сменам");
    }
    return {};
}

// Where a chart stands: the three charts by day one above the other on the left, the pay by
// worker beside them the whole height, where its twenty names have room.
struct Place {
    int row;
    int column;
    int rows;
};
constexpr double kLeftShare = 0.58;

Place placeOf(Chart chart) {
    switch (chart) {
        case Chart::DailyOutput:
            return {0, 0, 1};
        case Chart::WorkerPay:
            return {0, 1, 3};
        case Chart::KindOutput:
            return {1, 0, 1};
        case Chart::ShiftHours:
            return {2, 0, 1};
    }
    return {};
}

QString objectNameOf(Chart chart) {
    switch (chart) {
        case Chart::DailyOutput:
            return QStringLiteral("dailyOutput");
        case Chart::WorkerPay:
            return QStringLiteral("workerPay");
        case Chart::KindOutput:
            return QStringLiteral("kindOutput");
        case Chart::ShiftHours:
            return QStringLiteral("shiftHours");
    }
    return {};
}

// The grid's texts are the charts' tooltips' texts.
std::function<QString(const QVariant&)> payColumn() {
    return [](const QVariant& value) { return payText(decimalOf(value)); };
}
std::function<QString(const QVariant&)> piecesColumn() {
    return [](const QVariant& value) { return piecesText(decimalOf(value)); };
}

QList<GridColumn> columnsOf(Chart chart) {
    const GridColumn day{.field = QStringLiteral("data"),
                         .title = QStringLiteral("День"),
                         .alignment = Qt::AlignLeft,
                         .width = 10};
    switch (chart) {
        case Chart::DailyOutput:
            return {day,
                    {.field = QStringLiteral("kolvo"),
                     .title = QStringLiteral("Годные"),
                     .alignment = Qt::AlignRight,
                     .width = 10,
                     .format = piecesColumn()},
                    {.field = QStringLiteral("summa"),
                     .title = QStringLiteral("Сумма"),
                     .alignment = Qt::AlignRight,
                     .width = 12,
                     .format = payColumn()},
                    {.field = QStringLiteral("prev_summa"),
                     .title = QStringLiteral("Сумма в прошлом месяце"),
                     .alignment = Qt::AlignRight,
                     .width = 12,
                     .format = payColumn()}};
        case Chart::WorkerPay:
            return {{.field = QStringLiteral("place"),
                     .title = QStringLiteral("№"),
                     .alignment = Qt::AlignRight,
                     .width = 3,
                     .format =
                         [](const QVariant& place) {
                             return place.toInt() > kNamedWorkers ? QString() : place.toString();
                         }},
                    {.field = QStringLiteral("fio"),
                     .title = QStringLiteral("Рабочий"),
                     .alignment = Qt::AlignLeft,
                     .width = 30,
                     .name = true},
                    {.field = QStringLiteral("summa"),
                     .title = QStringLiteral("Сумма"),
                     .alignment = Qt::AlignRight,
                     .width = 12,
                     .format = payColumn()}};
        case Chart::KindOutput:
            return {day,
                    {.field = QStringLiteral("nmn"),
                     .title = QStringLiteral("Вид продукции"),
                     .alignment = Qt::AlignLeft,
                     .width = 18},
                    {.field = QStringLiteral("kolvo"),
                     .title = QStringLiteral("Годные"),
                     .alignment = Qt::AlignRight,
                     .width = 10,
                     .format = piecesColumn()}};
        case Chart::ShiftHours:
            return {day,
                    {.field = QStringLiteral("smena"),
                     .title = QStringLiteral("Смена"),
                     .alignment = Qt::AlignLeft,
                     .width = 10,
                     .format = [](const QVariant& shift) { return shiftTitle(shift.toInt()); }},
                    {.field = QStringLiteral("hours"),
                     .title = QStringLiteral("Часы"),
                     .alignment = Qt::AlignRight,
                     .width = 6}};
    }
    return {};
}

QFont smallFont(double points) {
    QFont font;
    font.setPointSizeF(points);
    return font;
}

void clearChart(QChart& chart) {
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
}

// A value axis from 0 to a round number above `top`; the figures themselves stay exact, the
// axis only places them.
QValueAxis* valueAxis(double top) {
    auto* axis = new QValueAxis;
    axis->setRange(0, top > 0 ? top * 1.05 : 1);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setLabelsFont(smallFont(7));
    return axis;
}

// Days along the bottom: every bar in its place, numbered 1, 5, 10 … so that the numbers stay
// readable in a quarter of the window.
QCategoryAxis* dayAxis(int days) {
    auto* axis = new QCategoryAxis;
    axis->setRange(-0.5, days - 0.5);
    axis->setStartValue(-0.5);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (int day : {1, 5, 10, 15, 20, 25, 30}) {
        if (day <= days) {
            axis->append(QString::number(day), day - 1);
        }
    }
    axis->setLabelsFont(smallFont(7));
    axis->setGridLineVisible(false);
    return axis;
}

// "Смирнов А.В." for "Смирнов Алексей Викторович": a name as the bar's caption. Only whole
// first names and patronymics become initials; "Сидоров С.С." or "Бригада 3" stay as they are.
QString shortName(const QString& name) {
    const QStringList parts = name.simplified().split(u' ');
    const auto isWord = [](const QString& part) {
        return part.size() > 1 && std::all_of(part.begin(), part.end(),
                                              [](QChar c) { return c.isLetter() || c == u'-'; });
    };
    if (parts.size() < 2 || parts.size() > 3 ||
        !std::all_of(parts.begin() + 1, parts.end(), isWord)) {
        return name.simplified();
    }
    QString caption = parts.first() + u' ';
    for (qsizetype i = 1; i < parts.size(); ++i) {
        caption += parts[i].left(1) + u'.';
    }
    return caption;
}

QBarCategoryAxis* categoryAxis(const QStringList& categories, double points) {
    auto* axis = new QBarCategoryAxis;
    axis->append(categories);
    axis->setLabelsFont(smallFont(points));
    return axis;
}

void attach(QAbstractSeries* series, QAbstractAxis* across, QAbstractAxis* up) {
    series->attachAxis(across);
    series->attachAxis(up);
}

}  // namespace

ChartsWindow::ChartsWindow(data::Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      workerReport_(
          reports::makePeriodLayout(reports::PeriodReport::WorkersDetail, session.connection)) {
    setObjectName(QStringLiteral("ChartsWindow"));
    setWindowTitle(QStringLiteral("Графики"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    for (Chart chart : kCharts) {
        Panel& panel = panelOf(chart);
        panel.chart = chart;
        panel.figures = new data::Dataset(&session_.connection, objectNameOf(chart), this);
        prepareChart(*panel.figures, chart);
    }
    buildControls();
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    widgets::rememberGeometry(this, QStringLiteral("ChartsWindow"), QSize(1000, 700));
    widgets::connectAction(&session_.changes, &data::ChangeFeed::changed, this,
                           [this](const data::ChangeBatch& batch) { applyChanges(batch); });
}

ChartsWindow::~ChartsWindow() = default;

void ChartsWindow::buildControls() {
    monthPicker_ = new widgets::MonthPicker(this);
    widgets::connectAction(monthPicker_, &widgets::MonthPicker::monthChanged, this,
                           [this] { loadMonth(); });

    auto* charts = new QGridLayout;
    charts->setSpacing(4);
    for (Chart chart : kCharts) {
        const Place place = placeOf(chart);
        charts->addWidget(buildPanel(panelOf(chart), chartTitle(chart)), place.row, place.column,
                          place.rows, 1);
    }
    charts->setColumnStretch(0, qRound(kLeftShare * 100));
    charts->setColumnStretch(1, qRound((1 - kLeftShare) * 100));

    tableButton_ =
        widgets::makeButton(this, QStringLiteral("tableButton"), QStringLiteral("&Таблица"));
    tableButton_->setCheckable(true);
    saveButton_ =
        widgets::makeButton(this, QStringLiteral("saveButton"), QStringLiteral("&Сохранить…"));
    auto* exitButton =
        widgets::makeButton(this, QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    widgets::connectAction(tableButton_, &QPushButton::toggled, this,
                           [this](bool on) { showTables(on); });
    widgets::connectAction(saveButton_, &QPushButton::clicked, this, [this] { saveWithDialog(); });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(monthPicker_);
    bottom->addStretch();
    bottom->addWidget(tableButton_);
    bottom->addWidget(saveButton_);
    bottom->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(charts, 1);
    layout->addLayout(bottom);
}

QWidget* ChartsWindow::buildPanel(Panel& panel, const QString& title) {
    const QString name = objectNameOf(panel.chart);
    panel.stack = new QStackedWidget(this);
    panel.stack->setObjectName(name + QStringLiteral("Panel"));

    auto* chart = new QChart;
    chart->setTitle(title);
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(9);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->legend()->setFont(smallFont(7));
    chart->legend()->setAlignment(Qt::AlignBottom);
    panel.view = new QChartView(chart, panel.stack);
    panel.view->setObjectName(name + QStringLiteral("Chart"));
    panel.view->setRenderHint(QPainter::Antialiasing);
    panel.view->setAccessibleName(title);
    panel.view->setMinimumSize(300, 180);

    // The figures as a table, announced by the chart's title.
    auto* table = new QWidget(panel.stack);
    table->setObjectName(name + QStringLiteral("Table"));
    panel.grid = new widgets::DataGrid(table);
    panel.grid->setObjectName(name + QStringLiteral("Grid"));
    panel.source = new widgets::DataSource(panel.figures, columnsOf(panel.chart), this);
    panel.grid->setSource(panel.source);
    // Enter or a double-click on a row does what a click on its bar does.
    widgets::connectAction(panel.grid, &QAbstractItemView::activated, this,
                           [this, chart = panel.chart] { openFromTable(chart); });
    auto* tableLayout = new QVBoxLayout(table);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(2);
    tableLayout->addWidget(widgets::makeFieldLabel(table, title, panel.grid));
    tableLayout->addWidget(panel.grid, 1);

    panel.stack->addWidget(panel.view);
    panel.stack->addWidget(table);
    return panel.stack;
}

QChart& ChartsWindow::chartOf(Chart chart) {
    return *panelOf(chart).view->chart();
}

QDate ChartsWindow::firstDay() const {
    return QDate(monthPicker_->year(), monthPicker_->month(), 1);
}

QString ChartsWindow::title() const {
    return QStringLiteral("Графики ") + core::monthTitle(shownMonth_.month(), shownMonth_.year());
}

void ChartsWindow::selectMonth(const QDate& date) {
    monthPicker_->selectMonth(date);
    loadMonth();
}

void ChartsWindow::openForMonth(const QDate& workingDate, QWidget* opener) {
    selectMonth(workingDate);
    if (opener != nullptr) {
        move(opener->frameGeometry().center() - rect().center());
    }
    exec();
    closeFigures();
}

void ChartsWindow::loadMonth() {
    widgets::BusyCursor busy;
    const QDate first = firstDay();
    for (Panel& panel : panels_) {
        panel.figures->close();
        setChartMonth(*panel.figures, panel.chart, first);
    }
    shownMonth_ = first;
    for (Panel& panel : panels_) {
        panel.figures->open();
    }
    for (Chart chart : kCharts) {
        draw(chart);
    }
}

void ChartsWindow::closeFigures() {
    for (Panel& panel : panels_) {
        panel.figures->close();
    }
}

void ChartsWindow::draw(Chart chart) {
    const data::Dataset& figures = *panelOf(chart).figures;
    switch (chart) {
        case Chart::DailyOutput:
            days_ = readDailyOutput(figures);
            drawDailyOutput();
            break;
        case Chart::WorkerPay:
            workers_ = readWorkerPay(figures);
            drawWorkerPay();
            break;
        case Chart::KindOutput:
            kinds_ = readKindOutput(figures);
            drawKindOutput();
            break;
        case Chart::ShiftHours:
            hours_ = readShiftHours(figures);
            drawShiftHours();
            break;
    }
}

void ChartsWindow::drawDailyOutput() {
    QChart& chart = chartOf(Chart::DailyOutput);
    clearChart(chart);
    QChartView* view = panelOf(Chart::DailyOutput).view;
    auto* pieces = new QBarSet(QStringLiteral("Годные"));
    auto* pay = new QLineSeries;
    pay->setName(QStringLiteral("Сумма"));
    const QDate before = shownMonth_.addMonths(-1);
    auto* previous = new QLineSeries;
    previous->setName(QStringLiteral("Сумма, ") + core::monthTitle(before.month(), before.year()));
    double mostPieces = 0;
    double mostPay = 0;
    const QDate today = QDate::currentDate();
    for (int i = 0; i < days_.size(); ++i) {
        const DayOutput& day = days_[i];
        pieces->append(day.pieces.toDouble());
        // Days still to come have no pay yet: the line ends today.
        if (day.day <= today) {
            pay->append(i, day.pay.toDouble());
        }
        mostPieces = std::max(mostPieces, day.pieces.toDouble());
        mostPay = std::max(mostPay, day.pay.toDouble());
        if (day.previousPay) {
            previous->append(i, day.previousPay->toDouble());
            mostPay = std::max(mostPay, day.previousPay->toDouble());
        }
    }
    auto* bars = new QBarSeries;
    bars->append(pieces);
    chart.addSeries(bars);
    chart.addSeries(previous);
    chart.addSeries(pay);
    QCategoryAxis* days = dayAxis(shownMonth_.daysInMonth());
    QValueAxis* piecesAxis = valueAxis(mostPieces);
    QValueAxis* payAxis = valueAxis(mostPay);
    chart.addAxis(days, Qt::AlignBottom);
    chart.addAxis(piecesAxis, Qt::AlignLeft);
    chart.addAxis(payAxis, Qt::AlignRight);
    attach(bars, days, piecesAxis);
    attach(pay, days, payAxis);
    attach(previous, days, payAxis);
    QPen faint(kFaint);
    faint.setWidthF(1.5);
    faint.setStyle(Qt::DashLine);
    previous->setPen(faint);
    pay->setPointsVisible(true);
    pay->setMarkerSize(5);
    previous->setPointsVisible(true);
    previous->setMarkerSize(3);

    connect(bars, &QBarSeries::hovered, this, [this, view](bool on, int index) {
        showTip(view, on && index < days_.size()
                          ? dayText(days_[index].day) + QStringLiteral("\nГодные: ") +
                                piecesText(days_[index].pieces)
                          : QString());
    });
    connect(pay, &QLineSeries::hovered, this, [this, view](const QPointF& point, bool on) {
        const int index = qRound(point.x());
        showTip(view, on && index >= 0 && index < days_.size()
                          ? dayText(days_[index].day) + QStringLiteral("\nСумма: ") +
                                payText(days_[index].pay)
                          : QString());
    });
    connect(previous, &QLineSeries::hovered, this, [this, view](const QPointF& point, bool on) {
        const int index = qRound(point.x());
        showTip(view, on && index >= 0 && index < days_.size() && days_[index].previousPay
                          ? dayText(days_[index].day.addMonths(-1)) + QStringLiteral("\nСумма: ") +
                                payText(*days_[index].previousPay)
                          : QString());
    });
    widgets::connectAction(bars, &QBarSeries::clicked, this,
                           [this](int index, QBarSet*) { chooseDay(index); });
    widgets::connectAction(pay, &QLineSeries::clicked, this,
                           [this](const QPointF& point) { chooseDay(qRound(point.x())); });
}

void ChartsWindow::drawWorkerPay() {
    QChart& chart = chartOf(Chart::WorkerPay);
    clearChart(chart);
    QChartView* view = panelOf(Chart::WorkerPay).view;
    // The highest on top: a horizontal series draws its first bar at the bottom.
    auto* pay = new QBarSet(QStringLiteral("Сумма"));
    QStringList names;
    double most = 0;
    for (qsizetype i = workers_.size() - 1; i >= 0; --i) {
        pay->append(workers_[i].pay.toDouble());
        most = std::max(most, workers_[i].pay.toDouble());
        QString name = workers_[i].rest ? workers_[i].name : shortName(workers_[i].name);
        // The axis takes each caption once.
        while (names.contains(name)) {
            name += u' ';
        }
        names.append(name);
    }
    auto* bars = new QHorizontalBarSeries;
    bars->append(pay);
    bars->setBarWidth(0.7);
    chart.addSeries(bars);
    QBarCategoryAxis* workers = categoryAxis(names, 7);
    workers->setTruncateLabels(false);
    QValueAxis* payAxis = valueAxis(most);
    chart.addAxis(workers, Qt::AlignLeft);
    chart.addAxis(payAxis, Qt::AlignBottom);
    attach(bars, payAxis, workers);
    chart.legend()->hide();

    const auto workerOf = [this](int bar) -> const WorkerPay* {
        const qsizetype index = workers_.size() - 1 - bar;
        return bar >= 0 && index >= 0 ? &workers_[index] : nullptr;
    };
    connect(bars, &QHorizontalBarSeries::hovered, this, [this, view, workerOf](bool on, int bar) {
        const WorkerPay* worker = workerOf(bar);
        showTip(view,
                on && worker != nullptr
                    ? worker->name.trimmed() + QStringLiteral("\nСумма: ") + payText(worker->pay)
                    : QString());
    });
    widgets::connectAction(bars, &QHorizontalBarSeries::clicked, this, [this](int bar, QBarSet*) {
        openWorkerReport(workers_.size() - 1 - bar);
    });
}

void ChartsWindow::drawKindOutput() {
    QChart& chart = chartOf(Chart::KindOutput);
    clearChart(chart);
    QChartView* view = panelOf(Chart::KindOutput).view;
    const int dayCount = shownMonth_.daysInMonth();
    const QStringList kinds = core::productKindTexts();
    QList<double> stacked(dayCount, 0.0);
    auto* bars = new QStackedBarSeries;
    for (const QString& kind : kinds) {
        QList<double> values(dayCount, 0.0);
        for (const KindOutput& output : kinds_) {
            const qint64 index = shownMonth_.daysTo(output.day);
            if (output.kind == kind && index >= 0 && index < dayCount) {
                values[index] = output.pieces.toDouble();
                stacked[index] += values[index];
            }
        }
        auto* set = new QBarSet(kind);
        set->append(values);
        bars->append(set);
    }
    chart.addSeries(bars);
    QCategoryAxis* days = dayAxis(shownMonth_.daysInMonth());
    QValueAxis* piecesAxis = valueAxis(*std::max_element(stacked.begin(), stacked.end()));
    chart.addAxis(days, Qt::AlignBottom);
    chart.addAxis(piecesAxis, Qt::AlignLeft);
    attach(bars, days, piecesAxis);

    connect(
        bars, &QStackedBarSeries::hovered, this, [this, view](bool on, int index, QBarSet* set) {
            QString tip;
            if (on) {
                const QDate day = shownMonth_.addDays(index);
                core::Decimal pieces;
                for (const KindOutput& output : kinds_) {
                    if (output.day == day && output.kind == set->label()) {
                        pieces = output.pieces;
                    }
                }
                tip =
                    dayText(day) + u'\n' + set->label() + QStringLiteral(": ") + piecesText(pieces);
            }
            showTip(view, tip);
        });
    widgets::connectAction(bars, &QStackedBarSeries::clicked, this,
                           [this](int index, QBarSet*) { chooseDay(index); });
}

void ChartsWindow::drawShiftHours() {
    QChart& chart = chartOf(Chart::ShiftHours);
    clearChart(chart);
    QChartView* view = panelOf(Chart::ShiftHours).view;
    const int dayCount = shownMonth_.daysInMonth();
    QList<int> shifts;
    for (const ShiftHours& cell : hours_) {
        if (!shifts.contains(cell.shift)) {
            shifts.append(cell.shift);
        }
    }
    std::sort(shifts.begin(), shifts.end());
    QList<double> stacked(dayCount, 0.0);
    auto* bars = new QStackedBarSeries;
    for (int shift : shifts) {
        QList<double> values(dayCount, 0.0);
        for (const ShiftHours& cell : hours_) {
            const qint64 index = shownMonth_.daysTo(cell.day);
            if (cell.shift == shift && index >= 0 && index < dayCount) {
                values[index] = double(cell.hours);
                stacked[index] += values[index];
            }
        }
        auto* set = new QBarSet(shiftTitle(shift));
        set->append(values);
        bars->append(set);
    }
    chart.addSeries(bars);
    QCategoryAxis* days = dayAxis(shownMonth_.daysInMonth());
    QValueAxis* hoursAxis = valueAxis(*std::max_element(stacked.begin(), stacked.end()));
    chart.addAxis(days, Qt::AlignBottom);
    chart.addAxis(hoursAxis, Qt::AlignLeft);
    attach(bars, days, hoursAxis);

    connect(bars, &QStackedBarSeries::hovered, this,
            [this, view](bool on, int index, QBarSet* set) {
                QString tip;
                if (on) {
                    const QDate day = shownMonth_.addDays(index);
                    qint64 hours = 0;
                    for (const ShiftHours& cell : hours_) {
                        if (cell.day == day && shiftTitle(cell.shift) == set->label()) {
                            hours = cell.hours;
                        }
                    }
                    tip = dayText(day) + u'\n' + set->label() + QStringLiteral(": %1 ч").arg(hours);
                }
                showTip(view, tip);
            });
    widgets::connectAction(bars, &QStackedBarSeries::clicked, this,
                           [this](int index, QBarSet*) { chooseDay(index); });
}

void ChartsWindow::showTip(QChartView* view, const QString& text) {
    if (text.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(QCursor::pos(), text, view);
    }
}

void ChartsWindow::chooseDay(int index) {
    if (index < 0 || index >= shownMonth_.daysInMonth()) {
        return;
    }
    emit dayChosen(shownMonth_.addDays(index));
}

void ChartsWindow::openWorkerReport(qsizetype index) {
    if (index < 0 || index >= workers_.size() || workers_[index].rest) {
        return;
    }
    const reports::Period period{shownMonth_, shownMonth_.addMonths(1), reports::ProductKind::All,
                                 workers_[index].name};
    reports::PrintedLayout& layout = *workerReport_;
    std::optional<reportengine::ReportDocument> document =
        outputwindows::prepareWithProgress(layout, this, [&] {
            return reports::preparePeriodReport(layout, reports::PeriodReport::WorkersDetail,
                                                period);
        });
    if (document) {
        outputwindows::ReportPreview::open(std::move(*document), this);
    }
}

void ChartsWindow::openFromTable(Chart chart) {
    const data::Dataset& figures = *panelOf(chart).figures;
    const int row = figures.currentRow();
    if (row < 0) {
        return;
    }
    if (chart == Chart::WorkerPay) {
        openWorkerReport(row);
    } else {
        const QDate day = figures.valueAt(row, figures.fieldIndex(QStringLiteral("data"))).toDate();
        chooseDay(int(shownMonth_.daysTo(day)));
    }
}

void ChartsWindow::showTables(bool on) {
    for (Panel& panel : panels_) {
        panel.stack->setCurrentIndex(on ? 1 : 0);
    }
}

void ChartsWindow::applyChanges(const data::ChangeBatch& batch) {
    if (!isVisible() || !shownMonth_.isValid()) {
        return;
    }
    const QDate next = shownMonth_.addMonths(1);
    const QDate before = shownMonth_.addMonths(-1);
    bool daily = batch.whole;
    bool month = batch.whole;
    for (const data::EntryChange& entry : batch.entries) {
        for (const QDate& day : {entry.date, entry.oldDate}) {
            daily = daily || (day.isValid() && day >= before && day < next);
            month = month || (day.isValid() && day >= shownMonth_ && day < next);
        }
    }
    QList<Chart> stale;
    if (daily) {
        stale.append(Chart::DailyOutput);
    }
    if (month) {
        stale.append(Chart::WorkerPay);
    }
    // An operation may have changed its product kind.
    if (month || !batch.operations.isEmpty()) {
        stale.append(Chart::KindOutput);
    }
    if (batch.whole || batch.hourMonths.contains({shownMonth_.year(), shownMonth_.month()})) {
        stale.append(Chart::ShiftHours);
    }
    reread(stale);
}

void ChartsWindow::reread(const QList<Chart>& charts) {
    for (Chart chart : charts) {
        data::Dataset& figures = *panelOf(chart).figures;
        if (!figures.isOpen()) {
            continue;
        }
        try {
            figures.refresh();
        } catch (const data::DbError&) {
            // The connection failed: the next action the user takes reports it.
            continue;
        }
        draw(chart);
    }
}

QString ChartsWindow::proposedPath(const QString& suffix) const {
    QString folder = reports::outputFolder();
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    return reports::freePath(folder, reports::fileBaseName(title()), suffix);
}

void ChartsWindow::saveWithDialog() {
    QString filter;
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Сохранить графики"), proposedPath(QStringLiteral("pdf")),
        QStringLiteral("PDF (*.pdf);;PNG (*.png)"), &filter);
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) &&
        !path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        path += filter.startsWith(QLatin1String("PNG")) ? QStringLiteral(".png")
                                                        : QStringLiteral(".pdf");
    }
    saveAs(path);
}

void ChartsWindow::saveAs(const QString& path) {
    widgets::BusyCursor busy;
    QSaveFile file(path);
    const auto failed = [&] {
        return widgets::ActionFailure(QStringLiteral("Не удалось записать файл %1:\n%2")
                                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly)) {
        throw failed();
    }
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        QImage picture(kPictureSize, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        paintCharts(painter,
                    QRectF(QPointF(0, 0), QSizeF(kPictureSize)).adjusted(30, 20, -30, -20));
        painter.end();
        if (!picture.save(&file, "PNG")) {
            file.cancelWriting();
            throw failed();
        }
    } else {
        QPdfWriter pdf(&file);
        pdf.setTitle(title());
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        QPainter painter(&pdf);
        // The painter starts at the top left corner inside the margins.
        paintCharts(painter, QRectF(QPointF(0, 0),
                                    pdf.pageLayout().paintRectPixels(pdf.resolution()).size()));
        painter.end();
    }
    if (!file.commit()) {
        throw failed();
    }
}

void ChartsWindow::paintCharts(QPainter& painter, const QRectF& area) const {
    painter.save();
    QFont heading = painter.font();
    heading.setPointSizeF(13);
    heading.setBold(true);
    painter.setFont(heading);
    const double headingHeight = QFontMetricsF(heading, painter.device()).height() * 1.6;
    painter.drawText(QRectF(area.left(), area.top(), area.width(), headingHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, title());
    const QRectF grid(area.left(), area.top() + headingHeight, area.width(),
                      area.height() - headingHeight);
    const double left = grid.width() * kLeftShare;
    const double row = grid.height() / 3;
    for (Chart chart : kCharts) {
        const Place place = placeOf(chart);
        const QRectF cell(grid.left() + place.column * left, grid.top() + place.row * row,
                          place.column == 0 ? left : grid.width() - left, place.rows * row);
        QChartView* view = panels_[int(chart)].view;
        view->render(&painter, cell.adjusted(4, 4, -4, -4), view->viewport()->rect());
    }
    painter.restore();
}

}  // namespace tabel::charts
