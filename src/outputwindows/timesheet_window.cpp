#include "outputwindows/timesheet_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

#include "core/messages.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/hours.h"
#include "data/session.h"
#include "outputwindows/report_preview.h"
#include "timesheet/hours_statements.h"
#include "timesheet/timesheet_export.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/live_rows.h"
#include "widgets/style.h"
#include "widgets/window_geometry.h"

namespace tabel::outputwindows {

namespace {

constexpr int kDays = 31;
const QString kTotalField = QStringLiteral("summ");

QString dayField(int day) {
    return QStringLiteral("d%1").arg(day);
}

QList<widgets::GridColumn> pageColumns() {
    QList<widgets::GridColumn> columns{{.field = QStringLiteral("fio"),
                                        .title = QStringLiteral("Фамилия И. О."),
                                        .alignment = Qt::AlignLeft,
                                        .width = 28}};
    for (int day = 1; day <= kDays; ++day) {
        columns.append({.field = dayField(day),
                        .title = QString::number(day),
                        .alignment = Qt::AlignHCenter,
                        .width = 2});
    }
    columns.append({.field = kTotalField,
                    .title = QStringLiteral("Итого"),
                    .alignment = Qt::AlignHCenter,
                    .width = 5});
    return columns;
}

QString rebuildFailure(const QString& period, const data::DbError& error) {
    switch (error.kind()) {
        case data::DbErrorKind::PermissionDenied:
            return QStringLiteral("Недостаточно прав для перестроения табеля.");
        case data::DbErrorKind::LockTimeout:
            return QStringLiteral(
                       "Табель за %1 не перестроен: на другом рабочем месте сейчас "
                       "записываются часы этого месяца или он перестраивается. "
                       "Повторите позже.")
                .arg(period);
        default:
            return QStringLiteral("Табель за %1 не перестроен, прежние данные сохранены.\n%2")
                .arg(period, data::userMessageOf(error));
    }
}

}  // namespace

TimesheetWindow::TimesheetWindow(data::Session& session, QWidget* parent)
    : QDialog(parent), printedTimesheet(session.connection), session_(session) {
    for (int shift = 1; shift <= 3; ++shift) {
        hoursPages_[shift - 1] =
            new data::Dataset(&session_.connection, QStringLiteral("H_Tabel_%1").arg(shift), this);
        timesheet::prepareHoursPage(*hoursPages_[shift - 1], shift);
    }
    setObjectName(QStringLiteral("TimesheetWindow"));
    setWindowTitle(QStringLiteral("Табель по времени"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dayKinds_.fill(DayKind::Workday);
    buildControls();
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    widgets::rememberGeometry(this, QStringLiteral("TimesheetWindow"), QSize(1000, 620));
    connect(&session_.changes, &data::ChangeFeed::changed, this, &TimesheetWindow::applyChanges);
}

void TimesheetWindow::applyChanges(const data::ChangeBatch& batch) {
    // Only the rows of the workers whose hours changed in the month shown are re-read.
    const std::array<data::Dataset*, 3> lists = pages();
    const std::array<widgets::DataGrid*, 3> grids{shift1Grid, shift2Grid, shift3Grid};
    for (int i = 0; i < 3; ++i) {
        const QSet<int> workers = batch.hourWorkers.value({year(), month(), i + 1});
        if (!workers.isEmpty() && lists[i]->param(QStringLiteral("mnth")).toInt() == month() &&
            lists[i]->param(QStringLiteral("yea")).toInt() == year()) {
            widgets::refreshShownRows(*lists[i], grids[i], QStringLiteral("w_id"),
                                      widgets::keysOf(workers));
        }
    }
}

void TimesheetWindow::buildControls() {
    monthBox = new QComboBox(this);
    monthBox->setObjectName(QStringLiteral("monthBox"));
    monthBox->addItems(timesheet::monthNames());
    yearBox = new QComboBox(this);
    yearBox->setObjectName(QStringLiteral("yearBox"));
    const int thisYear = QDate::currentDate().year();
    yearBox->addItems(timesheet::yearItems(thisYear, thisYear));
    yearBox->setCurrentText(QString::number(thisYear));
    for (QComboBox* box : {monthBox, yearBox}) {
        connect(box, &QComboBox::currentIndexChanged, this, &TimesheetWindow::loadMonth);
    }

    shiftPages = new QTabWidget(this);
    shiftPages->setObjectName(QStringLiteral("shiftPages"));
    shift1Page = buildPage(1, shift1Grid);
    shift2Page = buildPage(2, shift2Grid);
    shift3Page = buildPage(3, shift3Grid);

    rebuildButton = widgets::makeButton(shift1Page, QStringLiteral("rebuildButton"),
                                        QStringLiteral("Пере&строить"));
    rebuildProgress = new QProgressBar(shift1Page);
    rebuildProgress->setObjectName(QStringLiteral("rebuildProgress"));
    rebuildProgress->setMinimum(1);
    rebuildProgress->setTextVisible(false);
    rebuildProgress->hide();
    excelButton =
        widgets::makeButton(shift1Page, QStringLiteral("excelButton"), QStringLiteral("&Excel"));
    auto* pageButtons = new QHBoxLayout;
    pageButtons->addWidget(rebuildButton);
    pageButtons->addWidget(rebuildProgress, 1);
    pageButtons->addWidget(excelButton);
    static_cast<QVBoxLayout*>(shift1Page->layout())->addLayout(pageButtons);
    connect(rebuildButton, &QPushButton::clicked, this, &TimesheetWindow::rebuildMonth);
    connect(excelButton, &QPushButton::clicked, this, &TimesheetWindow::exportMonth);

    refreshButton =
        widgets::makeButton(this, QStringLiteral("refreshButton"), QStringLiteral("Об&новить"));
    printButton =
        widgets::makeButton(this, QStringLiteral("printButton"), QStringLiteral("&Печать"));
    exitButton = widgets::makeButton(this, QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    connect(refreshButton, &QPushButton::clicked, this, &TimesheetWindow::refresh);
    connect(printButton, &QPushButton::clicked, this, &TimesheetWindow::printMonth);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

    QLabel* monthLabel = widgets::makeFieldLabel(this, QStringLiteral("&Месяц"), monthBox);
    QLabel* yearLabel = widgets::makeFieldLabel(this, QStringLiteral("&Год"), yearBox);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(monthLabel);
    bottom->addWidget(monthBox);
    bottom->addWidget(yearLabel);
    bottom->addWidget(yearBox);
    bottom->addStretch();
    bottom->addWidget(refreshButton);
    bottom->addWidget(printButton);
    bottom->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(shiftPages, 1);
    layout->addLayout(bottom);
}

QWidget* TimesheetWindow::buildPage(int shift, widgets::DataGrid*& grid) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("shift%1Page").arg(shift));
    grid = new widgets::DataGrid(page);
    grid->setObjectName(QStringLiteral("shift%1Grid").arg(shift));
    data::Dataset* dataset = pages()[shift - 1];
    auto* source = new widgets::DataSource(dataset, pageColumns(), this);
    widgets::DatasetModel* model = source->model();
    for (int day = 1; day <= kDays; ++day) {
        model->setCellStyle(widgets::columnOf(model->columns(), dayField(day)),
                            [this, day](const QVariant& hours) {
                                return dayCellStyle(dayKinds_[day - 1], hours.toInt());
                            });
    }
    model->setCellStyle(widgets::columnOf(model->columns(), kTotalField), [](const QVariant&) {
        return widgets::CellStyle{false, {}, kTotalBackground};
    });
    grid->setSource(source);
    grid->setFrozenColumns(1);  // the names stay while the days scroll
    sources_[shift - 1] = source;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grid, 1);
    shiftPages->addTab(page, QStringLiteral("Смена №&%1").arg(shift));
    return page;
}

std::array<data::Dataset*, 3> TimesheetWindow::pages() const {
    return hoursPages_;
}

int TimesheetWindow::month() const {
    return monthBox->currentIndex() + 1;
}

int TimesheetWindow::year() const {
    return yearBox->currentText().toInt();
}

void TimesheetWindow::openForMonth(const QDate& workingDate, QWidget* opener) {
    {
        const QSignalBlocker monthSignals(monthBox);
        const QSignalBlocker yearSignals(yearBox);
        // The list always holds the working date's year, so the selection always matches.
        yearBox->clear();
        yearBox->addItems(timesheet::yearItems(QDate::currentDate().year(), workingDate.year()));
        monthBox->setCurrentIndex(workingDate.month() - 1);
        yearBox->setCurrentText(QString::number(workingDate.year()));
    }
    loadMonth();
    if (opener != nullptr) {
        move(opener->frameGeometry().center() - rect().center());
    }
    exec();
    for (data::Dataset* page : pages()) {
        page->close();
    }
}

void TimesheetWindow::loadMonth() {
    widgets::BusyCursor busy;
    for (int day = 1; day <= kDays; ++day) {
        dayKinds_[day - 1] = timesheet::dayKind(year(), month(), day);
    }
    for (data::Dataset* page : pages()) {
        page->close();
        page->setParam(QStringLiteral("mnth"), month());
        page->setParam(QStringLiteral("yea"), year());
        page->open();
    }
    paintDayColumns();
}

void TimesheetWindow::paintDayColumns() {
    for (widgets::DataSource* source : sources_) {
        for (int day = 1; day <= kDays; ++day) {
            source->model()->setTitleColor(
                widgets::columnOf(source->model()->columns(), dayField(day)),
                dayTitleColor(dayKinds_[day - 1]));
        }
    }
    for (widgets::DataGrid* grid : {shift1Grid, shift2Grid, shift3Grid}) {
        grid->viewport()->update();
    }
}

void TimesheetWindow::openPages() {
    for (data::Dataset* page : pages()) {
        page->close();
    }
    for (data::Dataset* page : pages()) {
        page->open();
    }
}

void TimesheetWindow::rebuildMonth() {
    if (!data::mayRebuildHours(session_.connection)) {
        core::MessageBoxes::error(QStringLiteral("Недостаточно прав для перестроения табеля."));
        return;
    }
    std::optional<data::DbError> failure;
    {
        widgets::BusyCursor busy;
        for (data::Dataset* page : pages()) {
            page->close();
        }
        // The month is rebuilt by one statement on the server: the bar runs while it does.
        rebuildProgress->setRange(0, 0);
        rebuildProgress->show();
        rebuildProgress->repaint();
        try {
            data::rebuildHoursMonth(session_.connection, month(), year());
        } catch (const data::DbError& error) {
            failure = error;
        }
        rebuildProgress->hide();
    }
    if (failure) {
        core::MessageBoxes::error(
            rebuildFailure(timesheet::periodTitle(month(), year()), *failure));
    }
    openPages();
}

void TimesheetWindow::exportMonth() {
    widgets::BusyCursor busy;
    data::Dataset& summary = printedTimesheet.monthHours;
    timesheet::openSummary(summary, month(), year());
    struct CloseOnExit {
        data::Dataset& dataset;
        ~CloseOnExit() { dataset.close(); }
    } closeSummary{summary};
    if (excel_.OpenExcel(QString()) != 1) {
        return;
    }
    excel_.SetExcelVisible(false);
    excel_.setFileTitle(QStringLiteral("Табель ") + timesheet::periodTitle(month(), year()));
    const auto showCount = [this](int written, int total) {
        excelButton->setText(QStringLiteral("&Excel (%1 из %2)").arg(written).arg(total));
        // Repaint only: a click now would start a second export inside this one.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    showCount(0, summary.recordCount());
    timesheet::writeTimesheet(excel_, summary,
                              monthBox->currentText() + u' ' + yearBox->currentText(), showCount);
    excel_.SetExcelVisible(true);
}

void TimesheetWindow::refresh() {
    widgets::BusyCursor busy;
    openPages();
}

void TimesheetWindow::printMonth() {
    std::optional<reportengine::ReportDocument> document =
        prepareWithProgress(printedTimesheet, this, [this] {
            widgets::BusyCursor busy;
            return timesheet::prepareTimesheetPrint(printedTimesheet, month(), year());
        });
    if (document) {
        ReportPreview::open(std::move(*document), this);
    }
}

void TimesheetWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        resetExcelCaption();
    }
}

void TimesheetWindow::resetExcelCaption() {
    excelButton->setText(QStringLiteral("&Excel"));
}

}  // namespace tabel::outputwindows
