#include "shiftlog/shift_log_window.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/dates.h"
#include "data/data_module.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operations_window.h"
#include "reports/reports_dialog.h"
#include "timesheet/timesheet_window.h"
#include "widgets/data_grid.h"
#include "widgets/form_field.h"
#include "widgets/style.h"

namespace tabel::shiftlog {

namespace {

using widgets::GridColumn;

QList<GridColumn> shiftColumns() {
    const Qt::Alignment left = Qt::AlignLeft;
    const Qt::Alignment right = Qt::AlignRight;
    const Qt::Alignment centre = Qt::AlignHCenter;
    return {
        {.field = QStringLiteral("fio"),
         .title = QStringLiteral("Фамилия И.О."),
         .alignment = left,
         .width = 30,
         .sortFirst = QStringLiteral("fio ASC"),
         .sortSecond = QStringLiteral("fio DESC"),
         .name = true},
        {.field = QStringLiteral("marka"),
         .title = QStringLiteral("Марка изделия"),
         .alignment = left,
         .width = 14,
         .sortFirst = QStringLiteral("marka ASC"),
         .sortSecond = QStringLiteral("marka DESC")},
        {.field = QStringLiteral("vid"),
         .title = QStringLiteral("Операция"),
         .alignment = left,
         .width = 16,
         .sortFirst = QStringLiteral("vid ASC"),
         .sortSecond = QStringLiteral("vid DESC"),
         .name = true},
        {.field = QStringLiteral("nmn"),
         .title = QStringLiteral("Вид"),
         .alignment = left,
         .width = 16,
         .sortFirst = QStringLiteral("naimen ASC"),
         .sortSecond = QStringLiteral("naimen DESC")},
        {.field = QStringLiteral("color"),
         .title = QStringLiteral("Цвет"),
         .alignment = centre,
         .width = 6},
        {.field = QStringLiteral("time"),
         .title = QStringLiteral("Часы"),
         .alignment = right,
         .width = 5},
        {.field = QStringLiteral("kol_vo"),
         .title = QStringLiteral("Кол-во"),
         .alignment = right,
         .width = 8,
         .sortFirst = QStringLiteral("kol_vo ASC"),
         .sortSecond = QStringLiteral("kol_vo DESC")},
        {.field = QStringLiteral("brak"),
         .title = QStringLiteral("Брак"),
         .alignment = right,
         .width = 5},
        {.field = QStringLiteral("summa"),
         .title = QStringLiteral("Итого (р.)"),
         .alignment = right,
         .width = 9,
         .sortFirst = QStringLiteral("summa ASC"),
         .sortSecond = QStringLiteral("summa DESC")},
        {.field = QStringLiteral("prize"),
         .title = QStringLiteral("Премия (%)"),
         .alignment = right,
         .visible = false,
         .width = 6},
        {.field = QStringLiteral("ok"),
         .title = QStringLiteral("OK"),
         .alignment = centre,
         .width = 4,
         .sortFirst = QStringLiteral("ok ASC"),
         .sortSecond = QStringLiteral("ok DESC")},
        {.field = QStringLiteral("vvod"),
         .title = QStringLiteral("Заведен"),
         .alignment = centre,
         .width = 12,
         .sortFirst = QStringLiteral("vvod ASC"),
         .sortSecond = QStringLiteral("vvod DESC")},
        // The document column keeps names in order within a document and starts descending.
        {.field = QStringLiteral("id_doc"),
         .title = QStringLiteral("№ ЗВП"),
         .alignment = right,
         .width = 8,
         .sortFirst = QStringLiteral("id_doc DESC, fio ASC"),
         .sortSecond = QStringLiteral("id_doc ASC, fio ASC")},
    };
}

bool isAccepted(const QString& ok) {
    return ok == QLatin1String("ok") || ok == QStringLiteral("да");
}

}  // namespace

TForm1::TForm1(data::TDataModule6& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Табель"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    buildMenu();
    buildGrid();

    ver = new data::Dataset(&dm_.ADO_DB, QStringLiteral("ver"), this);
    ver->setSql({QStringLiteral("select d, t from accounts_dep.ver")});
    ver->setTableName(QStringLiteral("accounts_dep.ver"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(30000);
    Timer1->start();
    widgets::fixWindowSize(this, QSize(1200, 640));
}

void TForm1::buildControls() {
    RadioButton1 =
        widgets::makeRadio(this, QStringLiteral("RadioButton1"), QStringLiteral("Смена №1"));
    RadioButton2 =
        widgets::makeRadio(this, QStringLiteral("RadioButton2"), QStringLiteral("Смена №2"));
    RadioButton3 =
        widgets::makeRadio(this, QStringLiteral("RadioButton3"), QStringLiteral("Смена №3"));
    RadioButton4 =
        widgets::makeRadio(this, QStringLiteral("RadioButton4"), QStringLiteral("Переработка"));
    RadioButton1->setChecked(true);
    widgets::setHighlighted(RadioButton1, true);
    const std::array<QRadioButton*, 4> radios{RadioButton1, RadioButton2, RadioButton3,
                                              RadioButton4};
    for (int i = 0; i < 4; ++i) {
        connect(radios[i], &QRadioButton::clicked, this, [this, i] { RadioButtonClick(i + 1); });
    }

    DateT = new QDateEdit(QDate::currentDate(), this);
    DateT->setObjectName(QStringLiteral("DateT"));
    DateT->setCalendarPopup(true);
    DateT->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateT->installEventFilter(this);
    DateT->calendarWidget()->window()->installEventFilter(this);

    CBox1 = new QCheckBox(QStringLiteral("Выходной"), this);
    CBox1->setObjectName(QStringLiteral("CBox1"));
    connect(CBox1, &QCheckBox::toggled, this, &TForm1::CBox1Click);

    Button1 = widgets::makeButton(this, QStringLiteral("Button1"), QStringLiteral("Добавить"));
    Button2 = widgets::makeButton(this, QStringLiteral("Button2"), QStringLiteral("Изменить"));
    Button3 = widgets::makeButton(this, QStringLiteral("Button3"), QStringLiteral("Удалить"));
    Button5 = widgets::makeButton(this, QStringLiteral("Button5"), QStringLiteral("Принять"));
    Button6 = widgets::makeButton(this, QStringLiteral("Button6"), QStringLiteral("Отмена"));
    Button6->hide();  // carries no command
    Button8 = widgets::makeButton(this, QStringLiteral("Button8"), QStringLiteral("Обновить"));
    Button4 = widgets::makeButton(this, QStringLiteral("Button4"), QStringLiteral("Выход"));
    connect(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);

    DBGrid2 = new widgets::DataGrid(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    connect(DBGrid2, &widgets::DataGrid::titleClicked, this, &TForm1::DBGrid2TitleClick);
    connect(DBGrid2, &widgets::DataGrid::rowDoubleClicked, this, &TForm1::DBGrid2DblClick);

    auto* top = new QHBoxLayout;
    for (QRadioButton* radio : radios) {
        top->addWidget(radio);
    }
    top->addSpacing(24);
    top->addWidget(widgets::makeFieldLabel(this, QStringLiteral("Дата"), DateT));
    top->addWidget(DateT);
    top->addWidget(CBox1);
    top->addStretch();
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {Button1, Button2, Button3, Button5, Button6, Button8}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(DBGrid2, 1);
    layout->addLayout(buttons);
}

void TForm1::buildMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto action = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* item = menu != nullptr ? menu->addAction(text) : MainMenu1->addAction(text);
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    QMenu* references = MainMenu1->addMenu(QStringLiteral("Справочники"));
    N2 = references->menuAction();
    N2->setObjectName(QStringLiteral("N2"));
    N1 = action(references, "N1", QStringLiteral("Рабочие"));
    N3 = action(references, "N3", QStringLiteral("Изделия"));
    N1->setEnabled(false);
    N3->setEnabled(false);
    N6 = action(references, "N6", QStringLiteral("Операции"));
    N4 = action(references, "N4", QStringLiteral("Цены"));
    N8 = action(references, "N8", QStringLiteral("Внеурочное"));
    N11 = action(nullptr, "N11", QStringLiteral("Табель по времени"));
    QMenu* reports = MainMenu1->addMenu(QStringLiteral("Отчеты"));
    N7 = reports->menuAction();
    N7->setObjectName(QStringLiteral("N7"));
    N10 = action(reports, "N10", QStringLiteral("Сводные отчеты"));
    N5 = action(nullptr, "N5", QStringLiteral("Выход"));
    connect(N5, &QAction::triggered, this, &QDialog::reject);
    connect(N6, &QAction::triggered, this, &TForm1::N6Click);
    connect(N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(N11, &QAction::triggered, this, &TForm1::N11Click);
    connect(N10, &QAction::triggered, this, &TForm1::N10Click);
    layout()->setMenuBar(MainMenu1);
}

void TForm1::buildGrid() {
    const std::array<data::Dataset*, 4> all = lists();
    for (int i = 0; i < 4; ++i) {
        data::Dataset* list = all[i];
        sources_[i] = new widgets::DataSource(list, shiftColumns(), this);
        sources_[i]->setObjectName(QStringLiteral("DataSource%1").arg(i + 1));
        sources_[i]->model()->setCellStyle(
            widgets::columnOf(sources_[i]->model()->columns(), QStringLiteral("ok")),
            [](const QVariant& ok) {
                return widgets::CellStyle{
                    true, isAccepted(ok.toString()) ? widgets::kGreen : widgets::kRed, {}};
            });
    }
    DBGrid2->setSource(sources_[0]);
}

std::array<data::Dataset*, 4> TForm1::lists() const {
    return {&dm_.Smena1, &dm_.Smena2, &dm_.Smena3, &dm_.Smena4};
}

data::Dataset& TForm1::currentList() {
    return dm_.smenaList(smena_);
}

bool TForm1::dayOff() const {
    return CBox1->isChecked();
}

QDate TForm1::workingDate() const {
    return DateT->date();
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DateT && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            DateTCloseUp();
            return true;
        }
    } else if (watched != DateT && event->type() == QEvent::Hide && DateT->isVisible()) {
        // The calendar popup closed.
        QTimer::singleShot(0, this, &TForm1::DateTCloseUp);
    }
    return QDialog::eventFilter(watched, event);
}

void TForm1::FormActivate() {
    DateT->setDate(QDate::currentDate());
    if (core::isWeekend(DateT->date())) {
        CBox1->setChecked(true);
    }
    reloadLists();
}

void TForm1::reloadLists() {
    for (data::Dataset* list : lists()) {
        list->close();
    }
    for (data::Dataset* list : lists()) {
        list->setParam(QStringLiteral("data"), DateT->date());
        list->open();
    }
}

void TForm1::DateTCloseUp() {
    widgets::BusyCursor busy;
    reloadLists();
    CBox1->setChecked(core::isWeekend(DateT->date()));
    DBGrid2->setFocus();
}

void TForm1::Button8Click() {
    widgets::BusyCursor busy;
    for (data::Dataset* list : lists()) {
        list->close();
    }
    for (data::Dataset* list : lists()) {
        list->open();
    }
}

void TForm1::RadioButtonClick(int shift) {
    const std::array<QRadioButton*, 4> radios{RadioButton1, RadioButton2, RadioButton3,
                                              RadioButton4};
    if (!radios[shift - 1]->isChecked()) {
        return;
    }
    DBGrid2->setSource(sources_[shift - 1]);
    for (int i = 0; i < 4; ++i) {
        widgets::setHighlighted(radios[i], i == shift - 1);
    }
    smena_ = shift;
}

void TForm1::CBox1Click() {
    widgets::setAlarm(CBox1, CBox1->isChecked());
}

QString TForm1::nextSortText(const QString& field, const QString& current) {
    static const QList<GridColumn> columns = shiftColumns();
    const int column = widgets::columnOf(columns, field);
    if (column < 0 || columns[column].sortFirst.isEmpty()) {
        return {};
    }
    const GridColumn& sorting = columns[column];
    // The current order's direction, whatever column it sorts, decides: the direction of the
    // column's first order turns it to the second.
    const QString direction =
        sorting.sortFirst.section(QLatin1Char(','), 0, 0).trimmed().section(QLatin1Char(' '), -1);
    return current.contains(direction) ? sorting.sortSecond : sorting.sortFirst;
}

void TForm1::DBGrid2TitleClick(int column) {
    const QList<GridColumn>& columns = DBGrid2->source()->model()->columns();
    if (column < 0 || column >= columns.size()) {
        return;
    }
    data::Dataset& list = currentList();
    const QString next = nextSortText(columns[column].field, list.sort());
    if (!next.isEmpty()) {
        list.setSort(next);
    }
}

void TForm1::N6Click() {
    if (kinds_ == nullptr) {
        return;
    }
    kinds_->openForBrowse();
}

void TForm1::N4Click() {
    if (operations_ == nullptr) {
        return;
    }
    operations_->openForBrowse();
}

void TForm1::N11Click() {
    if (timesheet_ == nullptr) {
        return;
    }
    timesheet_->openForMonth(workingDate(), this);
}

void TForm1::N10Click() {
    if (reports_ == nullptr) {
        return;
    }
    reports_->openForReports();
}

}  // namespace tabel::shiftlog
