#include "outputwindows/timesheet_window.h"

#include <QCoreApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

#include "core/dates.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/hours.h"
#include "data/month_close.h"
#include "data/session.h"
#include "outputwindows/report_preview.h"
#include "timesheet/hours_statements.h"
#include "timesheet/timesheet_export.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/live_rows.h"
#include "widgets/month_picker.h"
#include "widgets/style.h"
#include "widgets/user_action.h"
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

// "ноябрь 2026": the month as a message names it inside a sentence.
QString monthInSentence(int month, int year) {
    return core::monthNames().value(month - 1).toLower() + u' ' + QString::number(year);
}

}  // namespace

TimesheetWindow::TimesheetWindow(data::Session& session, QWidget* parent)
    : QDialog(parent), session_(session), printedTimesheet_(session.connection) {
    for (int shift = 1; shift <= 3; ++shift) {
        hoursPages_[shift - 1] =
            new data::Dataset(&session_.connection, QStringLiteral("H_Tabel_%1").arg(shift), this);
        timesheet::prepareHoursPage(*hoursPages_[shift - 1], shift);
    }
    // The month's hours belong to the window as its pages do (the layout is one of its
    // members, so it is gone before the window's children are deleted).
    printedTimesheet_.monthHours.setParent(this);
    setObjectName(QStringLiteral("TimesheetWindow"));
    setWindowTitle(QStringLiteral("Табель по времени"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dayKinds_.fill(DayKind::Workday);
    buildControls();
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    widgets::rememberGeometry(this, QStringLiteral("TimesheetWindow"), QSize(1000, 620));
    widgets::connectAction(&session_.changes, &data::ChangeFeed::changed, this,
                           [this](const data::ChangeBatch& batch) { applyChanges(batch); });
}

void TimesheetWindow::applyChanges(const data::ChangeBatch& batch) {
    // Only the rows of the workers whose hours changed in the month shown are re-read.
    for (int i = 0; i < 3; ++i) {
        data::Dataset& page = *hoursPages_[i];
        const QSet<int> workers = batch.hourWorkers.value({year(), month(), i + 1});
        if ((batch.whole || !workers.isEmpty()) &&
            page.param(QStringLiteral("mnth")).toInt() == month() &&
            page.param(QStringLiteral("yea")).toInt() == year()) {
            widgets::followChanges(page, grids_[i], QStringLiteral("w_id"), batch.whole,
                                   widgets::keysOf(workers));
        }
    }
    if (batch.whole || batch.monthCloses.contains({year(), month()})) {
        showMonthState();
    }
}

void TimesheetWindow::showMonthState() {
    const std::optional<data::MonthClose> close =
        data::readMonthClose(session_.connection, year(), month());
    monthStateLabel_->setText(close ? data::closedStatus(*close) : QString());
    monthClosed_ = close.has_value();
    enableRebuild();
}

void TimesheetWindow::enableRebuild() {
    rebuildButton_->setEnabled(rebuildAllowed_ && !monthClosed_);
}

void TimesheetWindow::buildControls() {
    monthPicker_ = new widgets::MonthPicker(this);
    widgets::connectAction(monthPicker_, &widgets::MonthPicker::monthChanged, this,
                           [this] { loadMonth(); });

    shiftPages_ = new QTabWidget(this);
    shiftPages_->setObjectName(QStringLiteral("shiftPages"));
    for (int shift = 1; shift <= 3; ++shift) {
        buildPage(shift);
    }

    QWidget* shift1Page = shiftPages_->widget(0);
    rebuildButton_ = widgets::makeButton(shift1Page, QStringLiteral("rebuildButton"),
                                         QStringLiteral("Пере&строить"));
    rebuildProgress_ = new QProgressBar(shift1Page);
    rebuildProgress_->setObjectName(QStringLiteral("rebuildProgress"));
    rebuildProgress_->setMinimum(1);
    rebuildProgress_->setTextVisible(false);
    rebuildProgress_->hide();
    excelButton_ =
        widgets::makeButton(shift1Page, QStringLiteral("excelButton"), QStringLiteral("&Excel"));
    auto* pageButtons = new QHBoxLayout;
    pageButtons->addWidget(rebuildButton_);
    pageButtons->addWidget(rebuildProgress_, 1);
    pageButtons->addWidget(excelButton_);
    static_cast<QVBoxLayout*>(shift1Page->layout())->addLayout(pageButtons);
    widgets::connectAction(rebuildButton_, &QPushButton::clicked, this, [this] { rebuildMonth(); });
    widgets::connectAction(excelButton_, &QPushButton::clicked, this, [this] { exportMonth(); });

    auto* refreshButton =
        widgets::makeButton(this, QStringLiteral("refreshButton"), QStringLiteral("Об&новить"));
    auto* printButton =
        widgets::makeButton(this, QStringLiteral("printButton"), QStringLiteral("&Печать"));
    auto* exitButton =
        widgets::makeButton(this, QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    widgets::connectAction(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    widgets::connectAction(printButton, &QPushButton::clicked, this, [this] { printMonth(); });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

    monthStateLabel_ = new QLabel(this);
    monthStateLabel_->setObjectName(QStringLiteral("monthStateLabel"));
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    statusLabel_->setWordWrap(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(monthPicker_);
    bottom->addWidget(monthStateLabel_);
    bottom->addWidget(statusLabel_, 1);
    bottom->addWidget(refreshButton);
    bottom->addWidget(printButton);
    bottom->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(shiftPages_, 1);
    layout->addLayout(bottom);
}

void TimesheetWindow::buildPage(int shift) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("shift%1Page").arg(shift));
    auto* grid = new widgets::DataGrid(page);
    grid->setObjectName(QStringLiteral("shift%1Grid").arg(shift));
    auto* source = new widgets::DataSource(hoursPages_[shift - 1], pageColumns(), this);
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
    grids_[shift - 1] = grid;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grid, 1);
    shiftPages_->addTab(page, QStringLiteral("Смена №&%1").arg(shift));
}

int TimesheetWindow::month() const {
    return monthPicker_->month();
}

int TimesheetWindow::year() const {
    return monthPicker_->year();
}

void TimesheetWindow::selectMonth(const QDate& date) {
    monthPicker_->selectMonth(date);
    loadMonth();
}

void TimesheetWindow::openForMonth(const QDate& workingDate, QWidget* opener) {
    selectMonth(workingDate);
    if (opener != nullptr) {
        move(opener->frameGeometry().center() - rect().center());
    }
    exec();
    closePages();
}

void TimesheetWindow::loadMonth() {
    widgets::BusyCursor busy;
    for (int day = 1; day <= kDays; ++day) {
        dayKinds_[day - 1] = timesheet::dayKind(year(), month(), day);
    }
    for (data::Dataset* page : hoursPages_) {
        page->close();
        page->setParam(QStringLiteral("mnth"), month());
        page->setParam(QStringLiteral("yea"), year());
        page->open();
    }
    paintDayColumns();
    showMonthState();
}

void TimesheetWindow::paintDayColumns() {
    for (widgets::DataSource* source : sources_) {
        for (int day = 1; day <= kDays; ++day) {
            source->model()->setTitleColor(
                widgets::columnOf(source->model()->columns(), dayField(day)),
                dayTitleColor(dayKinds_[day - 1]));
        }
    }
    for (widgets::DataGrid* grid : grids_) {
        grid->viewport()->update();
    }
}

void TimesheetWindow::closePages() {
    for (data::Dataset* page : hoursPages_) {
        page->close();
    }
}

void TimesheetWindow::openPages() {
    closePages();
    for (data::Dataset* page : hoursPages_) {
        page->open();
    }
}

void TimesheetWindow::rebuildMonth() {
    if (!data::mayRebuildHours(session_.connection)) {
        core::MessageBoxes::error(QStringLiteral("Недостаточно прав для перестроения табеля."));
        return;
    }
    // The month's hours are replaced by what the entries give: asked first, "Нет" by default.
    const QString period = monthInSentence(month(), year());
    if (!core::MessageBoxes::ask(
            QStringLiteral("Перестроить табель за %1? Часы этого месяца будут заменены часами "
                           "по позициям смен.")
                .arg(period))) {
        return;
    }
    std::optional<data::DbError> failure;
    int rows = 0;
    {
        widgets::BusyCursor busy;
        closePages();
        // The month is rebuilt by one statement on the server: the bar runs while it does.
        rebuildProgress_->setRange(0, 0);
        rebuildProgress_->show();
        rebuildProgress_->repaint();
        try {
            rows = data::rebuildHoursMonth(session_.connection, month(), year());
        } catch (const data::DbError& error) {
            // Told in the timesheet's own words below, once the bar is gone.
            failure = error;
        }
        rebuildProgress_->hide();
    }
    if (failure) {
        core::MessageBoxes::error(rebuildFailure(monthPicker_->title(), *failure));
    }
    openPages();
    if (!failure) {
        core::MessageBoxes::inform(
            QStringLiteral("Табель за %1 перестроен: %2")
                .arg(period, core::formatCount(rows, QStringLiteral("строка"),
                                               QStringLiteral("строки"), QStringLiteral("строк"))));
    }
}

void TimesheetWindow::setRebuildAllowed(bool allowed) {
    rebuildAllowed_ = allowed;
    enableRebuild();
}

data::ReportRead TimesheetWindow::chooseSource() {
    const data::ReportRead read = session_.reports.choose();
    reports::readFrom(printedTimesheet_, read);
    statusLabel_->setText(read.notice);
    return read;
}

void TimesheetWindow::exportMonth() {
    const data::ReportRead read = chooseSource();
    widgets::BusyCursor busy;
    data::Dataset& summary = printedTimesheet_.monthHours;
    const data::CloseOnExit closeSummary(summary);
    timesheet::openSummary(summary, month(), year());
    // A new workbook: an empty name is never refused.
    excel_.OpenExcel(QString());
    excel_.SetExcelVisible(false);
    excel_.setFileTitle(QStringLiteral("Табель ") + monthPicker_->title());
    const auto showCount = [this](int written, int total) {
        excelButton_->setText(QStringLiteral("&Excel (%1 из %2)").arg(written).arg(total));
        // Repaint only: a click now would start a second export inside this one.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    showCount(0, summary.recordCount());
    timesheet::writeTimesheet(excel_, summary, monthPicker_->title(), showCount,
                              reports::dataAsOfLine(read));
    excel_.SetExcelVisible(true);
}

void TimesheetWindow::refresh() {
    widgets::BusyCursor busy;
    openPages();
}

void TimesheetWindow::printMonth() {
    chooseSource();
    std::optional<reportengine::ReportDocument> document =
        prepareWithProgress(printedTimesheet_, this, [this] {
            widgets::BusyCursor busy;
            return timesheet::prepareTimesheetPrint(printedTimesheet_, month(), year());
        });
    if (document) {
        ReportPreview::open(std::move(*document), this);
    }
}

void TimesheetWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        resetExcelCaption();
        widgets::focusFirstField(this);  // whatever had the focus when it last closed
    }
}

void TimesheetWindow::resetExcelCaption() {
    excelButton_->setText(QStringLiteral("&Excel"));
}

}  // namespace tabel::outputwindows
