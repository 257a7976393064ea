#include "timesheet/timesheet_window.h"

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
#include "data/data_module.h"
#include "data/errors.h"
#include "data/hours.h"
#include "reportengine/preview_window.h"
#include "timesheet/timesheet_export.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/style.h"

namespace tabel::timesheet {

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
                .arg(period, error.message());
    }
}

}  // namespace

TForm19::TForm19(data::TDataModule6& dm, QWidget* parent)
    : QDialog(parent), Form15(dm.ADO_DB), dm_(dm) {
    setObjectName(QStringLiteral("TForm19"));
    setWindowTitle(QStringLiteral("Табель по времени"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dayKinds_.fill(DayKind::Workday);
    buildControls();
    resize(1180, 620);
    setFixedSize(size());
}

void TForm19::buildControls() {
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(monthNames());
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    const int thisYear = QDate::currentDate().year();
    ComboBox2->addItems(yearItems(thisYear, thisYear));
    ComboBox2->setCurrentText(QString::number(thisYear));
    for (QComboBox* box : {ComboBox1, ComboBox2}) {
        connect(box, &QComboBox::currentIndexChanged, this, &TForm19::ComboBox1Change);
    }

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = buildPage(1, DBGrid1);
    TabSheet2 = buildPage(2, DBGrid2);
    TabSheet3 = buildPage(3, DBGrid3);

    Button1 =
        widgets::makeButton(TabSheet1, QStringLiteral("Button1"), QStringLiteral("Перестроить"));
    PB = new QProgressBar(TabSheet1);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setMinimum(1);
    PB->setTextVisible(false);
    PB->hide();
    Button2 = widgets::makeButton(TabSheet1, QStringLiteral("Button2"), QStringLiteral("Excel"));
    auto* pageButtons = new QHBoxLayout;
    pageButtons->addWidget(Button1);
    pageButtons->addWidget(PB, 1);
    pageButtons->addWidget(Button2);
    static_cast<QVBoxLayout*>(TabSheet1->layout())->addLayout(pageButtons);
    connect(Button1, &QPushButton::clicked, this, &TForm19::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm19::Button2Click);

    Button5 = widgets::makeButton(this, QStringLiteral("Button5"), QStringLiteral("Обновить"));
    Button6 = widgets::makeButton(this, QStringLiteral("Button6"), QStringLiteral("Печать"));
    Button4 = widgets::makeButton(this, QStringLiteral("Button4"), QStringLiteral("Выход"));
    connect(Button5, &QPushButton::clicked, this, &TForm19::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TForm19::Button6Click);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);

    QLabel* monthLabel = widgets::makeFieldLabel(this, QStringLiteral("&Месяц"), ComboBox1);
    QLabel* yearLabel = widgets::makeFieldLabel(this, QStringLiteral("&Год"), ComboBox2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(monthLabel);
    bottom->addWidget(ComboBox1);
    bottom->addWidget(yearLabel);
    bottom->addWidget(ComboBox2);
    bottom->addStretch();
    bottom->addWidget(Button5);
    bottom->addWidget(Button6);
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(bottom);
}

QWidget* TForm19::buildPage(int shift, widgets::DataGrid*& grid) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet%1").arg(shift));
    grid = new widgets::DataGrid(page);
    grid->setObjectName(QStringLiteral("DBGrid%1").arg(shift));
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
    sources_[shift - 1] = source;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grid, 1);
    PageControl1->addTab(page, QStringLiteral("Смена №%1").arg(shift));
    return page;
}

std::array<data::Dataset*, 3> TForm19::pages() const {
    return {&dm_.H_Tabel_1, &dm_.H_Tabel_2, &dm_.H_Tabel_3};
}

int TForm19::month() const {
    return ComboBox1->currentIndex() + 1;
}

int TForm19::year() const {
    return ComboBox2->currentText().toInt();
}

void TForm19::openForMonth(const QDate& workingDate, QWidget* opener) {
    {
        const QSignalBlocker monthSignals(ComboBox1);
        const QSignalBlocker yearSignals(ComboBox2);
        // The list always holds the working date's year, so the selection always matches.
        ComboBox2->clear();
        ComboBox2->addItems(yearItems(QDate::currentDate().year(), workingDate.year()));
        ComboBox1->setCurrentIndex(workingDate.month() - 1);
        ComboBox2->setCurrentText(QString::number(workingDate.year()));
    }
    ComboBox1Change();
    if (opener != nullptr) {
        move(opener->frameGeometry().center() - rect().center());
    }
    exec();
    for (data::Dataset* page : pages()) {
        page->close();
    }
}

void TForm19::ComboBox1Change() {
    widgets::BusyCursor busy;
    for (int day = 1; day <= kDays; ++day) {
        dayKinds_[day - 1] = dayKind(year(), month(), day);
    }
    for (data::Dataset* page : pages()) {
        page->close();
        page->setParam(QStringLiteral("mnth"), month());
        page->setParam(QStringLiteral("yea"), year());
        page->open();
    }
    paintDayColumns();
}

void TForm19::paintDayColumns() {
    for (widgets::DataSource* source : sources_) {
        for (int day = 1; day <= kDays; ++day) {
            source->model()->setTitleColor(
                widgets::columnOf(source->model()->columns(), dayField(day)),
                dayTitleColor(dayKinds_[day - 1]));
        }
    }
    for (widgets::DataGrid* grid : {DBGrid1, DBGrid2, DBGrid3}) {
        grid->viewport()->update();
    }
}

void TForm19::openPages() {
    for (data::Dataset* page : pages()) {
        page->close();
    }
    for (data::Dataset* page : pages()) {
        page->open();
    }
}

void TForm19::Button1Click() {
    if (!data::mayRebuildHours(dm_.ADO_DB)) {
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
        PB->setRange(0, 0);
        PB->show();
        PB->repaint();
        try {
            data::rebuildHoursMonth(dm_.ADO_DB, month(), year());
        } catch (const data::DbError& error) {
            failure = error;
        }
        PB->hide();
    }
    if (failure) {
        core::MessageBoxes::error(rebuildFailure(periodTitle(month(), year()), *failure));
    }
    openPages();
}

void TForm19::Button2Click() {
    widgets::BusyCursor busy;
    data::Dataset& summary = Form15.H_Tabel;
    openSummary(summary, month(), year());
    struct CloseOnExit {
        data::Dataset& dataset;
        ~CloseOnExit() { dataset.close(); }
    } closeSummary{summary};
    if (excel_.OpenExcel(QString()) != 1) {
        return;
    }
    excel_.SetExcelVisible(false);
    const auto showCount = [this](int written, int total) {
        Button2->setText(QStringLiteral("Excel (%1 из %2)").arg(written).arg(total));
        // Repaint only: a click now would start a second export inside this one.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    showCount(0, summary.recordCount());
    writeTimesheet(excel_, summary, ComboBox1->currentText() + u' ' + ComboBox2->currentText(),
                   showCount);
    excel_.SetExcelVisible(true);
}

void TForm19::Button5Click() {
    widgets::BusyCursor busy;
    openPages();
}

void TForm19::Button6Click() {
    reportengine::ReportDocument document;
    {
        widgets::BusyCursor busy;
        document = prepareTimesheetPrint(Form15, month(), year());
    }
    reportengine::ReportPreview::open(std::move(document), this);
}

void TForm19::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
    }
}

void TForm19::FormActivate() {
    Button2->setText(QStringLiteral("Excel"));
}

}  // namespace tabel::timesheet
