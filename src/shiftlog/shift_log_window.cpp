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
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "core/dates.h"
#include "core/messages.h"
#include "data/dataset.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "data/notifications.h"
#include "data/session.h"
#include "outputwindows/reports_dialog.h"
#include "outputwindows/timesheet_window.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operations_window.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/entry_history_dialog.h"
#include "shiftlog/shift_statements.h"
#include "widgets/data_grid.h"
#include "widgets/date_edit.h"
#include "widgets/form_field.h"
#include "widgets/live_rows.h"
#include "widgets/style.h"
#include "widgets/window_geometry.h"

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

}  // namespace

ShiftLogWindow::ShiftLogWindow(data::Session& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    const char* const names[] = {"Smena1", "Smena2", "Smena3", "Smena4"};
    for (int shift = 1; shift <= 4; ++shift) {
        lists_[shift - 1] =
            new data::Dataset(&session_.connection, QString::fromLatin1(names[shift - 1]), this);
        prepareShiftList(*lists_[shift - 1], shift);
    }
    setObjectName(QStringLiteral("ShiftLogWindow"));
    setWindowTitle(QStringLiteral("Табель"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    buildMenu();
    buildGrid();
    followOtherSessions();

    versionRow = new data::Dataset(&session_.connection, QStringLiteral("versionRow"), this);
    versionRow->setSql({QStringLiteral("select d, t from accounts_dep.ver")});
    versionRow->setTableName(QStringLiteral("accounts_dep.ver"));

    versionTimer = new QTimer(this);
    versionTimer->setObjectName(QStringLiteral("versionTimer"));
    versionTimer->setInterval(30000);
    versionTimer->start();
    // The grid scrolls inside itself; the user may enlarge the window, which keeps its size.
    setSizeGripEnabled(true);
    widgets::rememberGeometry(this, QStringLiteral("ShiftLogWindow"), QSize(1000, 640));
}

void ShiftLogWindow::buildControls() {
    shift1Radio =
        widgets::makeRadio(this, QStringLiteral("shift1Radio"), QStringLiteral("Смена №&1"));
    shift2Radio =
        widgets::makeRadio(this, QStringLiteral("shift2Radio"), QStringLiteral("Смена №&2"));
    shift3Radio =
        widgets::makeRadio(this, QStringLiteral("shift3Radio"), QStringLiteral("Смена №&3"));
    overtimeRadio =
        widgets::makeRadio(this, QStringLiteral("overtimeRadio"), QStringLiteral("Пе&реработка"));
    shift1Radio->setChecked(true);
    widgets::setHighlighted(shift1Radio, true);
    const std::array<QRadioButton*, 4> radios = shiftRadios();
    for (int i = 0; i < 4; ++i) {
        connect(radios[i], &QRadioButton::clicked, this, [this, i] { chooseShift(i + 1); });
    }

    dateEdit = new widgets::DateEdit(QDate::currentDate(), this);
    dateEdit->setObjectName(QStringLiteral("dateEdit"));
    dateEdit->setCalendarPopup(true);
    dateEdit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    dateEdit->installEventFilter(this);
    dateEdit->calendarWidget()->window()->installEventFilter(this);

    dayOffCheck = new QCheckBox(QStringLiteral("Вы&ходной"), this);
    dayOffCheck->setObjectName(QStringLiteral("dayOffCheck"));
    connect(dayOffCheck, &QCheckBox::toggled, this, &ShiftLogWindow::showDayOff);

    addButton = widgets::makeButton(this, QStringLiteral("addButton"), QStringLiteral("&Добавить"));
    editButton =
        widgets::makeButton(this, QStringLiteral("editButton"), QStringLiteral("&Изменить"));
    deleteButton =
        widgets::makeButton(this, QStringLiteral("deleteButton"), QStringLiteral("&Удалить"));
    acceptButton =
        widgets::makeButton(this, QStringLiteral("acceptButton"), QStringLiteral("&Принять"));
    cancelButton =
        widgets::makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("О&тмена"));
    cancelButton->hide();  // carries no command
    refreshButton =
        widgets::makeButton(this, QStringLiteral("refreshButton"), QStringLiteral("Об&новить"));
    exitButton = widgets::makeButton(this, QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    connect(refreshButton, &QPushButton::clicked, this, &ShiftLogWindow::refreshLists);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(addButton, &QPushButton::clicked, this, &ShiftLogWindow::addEntry);
    connect(editButton, &QPushButton::clicked, this, &ShiftLogWindow::editEntry);
    connect(deleteButton, &QPushButton::clicked, this, &ShiftLogWindow::deleteEntry);
    connect(acceptButton, &QPushButton::clicked, this, &ShiftLogWindow::acceptEntry);

    entriesGrid = new widgets::DataGrid(this);
    entriesGrid->setObjectName(QStringLiteral("entriesGrid"));
    connect(entriesGrid, &widgets::DataGrid::titleClicked, this, &ShiftLogWindow::sortByColumn);
    connect(entriesGrid, &widgets::DataGrid::rowDoubleClicked, this,
            &ShiftLogWindow::viewOrAcceptEntry);
    // Tab goes on to the buttons; the arrows move within the grid.
    entriesGrid->setTabKeyNavigation(false);
    // The daily work at the keyboard: each key does what its button does, and only when the
    // button is there for this login.
    const auto key = [this](QWidget* scope, const QKeySequence& sequence,
                            std::function<void()> run) {
        auto* shortcut = new QShortcut(sequence, scope);
        shortcut->setContext(scope == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, std::move(run));
    };
    const auto press = [](QPushButton* button) {
        return [button] {
            if (button->isEnabled() && button->isVisible()) {
                button->click();
            }
        };
    };
    key(this, QKeySequence(Qt::Key_Insert), press(addButton));
    key(this, QKeySequence(Qt::Key_F2), press(editButton));
    key(this, QKeySequence(Qt::Key_F5), press(refreshButton));
    // On the grid itself every key, Delete and Enter included, goes through the filter.
    entriesGrid->installEventFilter(this);

    auto* top = new QHBoxLayout;
    for (QRadioButton* radio : radios) {
        top->addWidget(radio);
    }
    top->addSpacing(24);
    top->addWidget(widgets::makeFieldLabel(this, QStringLiteral("Д&ата"), dateEdit));
    top->addWidget(dateEdit);
    top->addWidget(dayOffCheck);
    top->addStretch();
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button :
         {addButton, editButton, deleteButton, acceptButton, cancelButton, refreshButton}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(entriesGrid, 1);
    layout->addLayout(buttons);
}

void ShiftLogWindow::buildMenu() {
    mainMenu = new QMenuBar(this);
    mainMenu->setObjectName(QStringLiteral("mainMenu"));
    auto action = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* item = menu != nullptr ? menu->addAction(text) : mainMenu->addAction(text);
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    QMenu* references = mainMenu->addMenu(QStringLiteral("&Справочники"));
    referencesMenu = references->menuAction();
    referencesMenu->setObjectName(QStringLiteral("referencesMenu"));
    workersAction = action(references, "workersAction", QStringLiteral("&Рабочие"));
    productsAction = action(references, "productsAction", QStringLiteral("&Изделия"));
    workersAction->setEnabled(false);
    productsAction->setEnabled(false);
    operationKindsAction = action(references, "operationKindsAction", QStringLiteral("&Операции"));
    pricesAction = action(references, "pricesAction", QStringLiteral("&Цены"));
    overtimeAction = action(references, "overtimeAction", QStringLiteral("&Внеурочное"));
    timesheetAction = action(nullptr, "timesheetAction", QStringLiteral("Та&бель по времени"));
    QMenu* reports = mainMenu->addMenu(QStringLiteral("&Отчеты"));
    reportsMenu = reports->menuAction();
    reportsMenu->setObjectName(QStringLiteral("reportsMenu"));
    reportsAction = action(reports, "reportsAction", QStringLiteral("&Сводные отчеты"));
    historyAction = action(nullptr, "historyAction", QStringLiteral("Истори&я"));
    historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    historyAction->setShortcutContext(Qt::WindowShortcut);
    connect(historyAction, &QAction::triggered, this, &ShiftLogWindow::showHistory);
    entriesGrid->addAction(historyAction);
    entriesGrid->setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(historyAction);  // the shortcut works wherever the focus is in the window
    exitAction = action(nullptr, "exitAction", QStringLiteral("&Выход"));
    connect(exitAction, &QAction::triggered, this, &QDialog::reject);
    connect(operationKindsAction, &QAction::triggered, this, &ShiftLogWindow::openOperationKinds);
    connect(pricesAction, &QAction::triggered, this, &ShiftLogWindow::openPrices);
    connect(timesheetAction, &QAction::triggered, this, &ShiftLogWindow::openTimesheet);
    connect(reportsAction, &QAction::triggered, this, &ShiftLogWindow::openReports);
    layout()->setMenuBar(mainMenu);
}

void ShiftLogWindow::buildGrid() {
    const std::array<data::Dataset*, 4> all = lists();
    for (int i = 0; i < 4; ++i) {
        data::Dataset* list = all[i];
        sources_[i] = new widgets::DataSource(list, shiftColumns(), this);
        sources_[i]->setObjectName(QStringLiteral("shift%1Source").arg(i + 1));
        sources_[i]->model()->setCellStyle(
            widgets::columnOf(sources_[i]->model()->columns(), QStringLiteral("ok")),
            [](const QVariant& ok) {
                return widgets::CellStyle{
                    true, data::isAccepted(ok.toString()) ? widgets::kGreen : widgets::kRed, {}};
            });
    }
    entriesGrid->setSource(sources_[0]);
}

std::array<data::Dataset*, 4> ShiftLogWindow::lists() const {
    return lists_;
}

std::array<QRadioButton*, 4> ShiftLogWindow::shiftRadios() const {
    return {shift1Radio, shift2Radio, shift3Radio, overtimeRadio};
}

data::Dataset& ShiftLogWindow::currentList() {
    return *lists_[shift_ >= 1 && shift_ <= 4 ? shift_ - 1 : 0];
}

bool ShiftLogWindow::dayOff() const {
    return dayOffCheck->isChecked();
}

QDate ShiftLogWindow::workingDate() const {
    return dateEdit->date();
}

void ShiftLogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        // Listens as the login that opened the data module's connection.
        if (!session_.connection.connectionString().isEmpty()) {
            session_.changes.start(session_.connection.connectionString());
        }
        showToday();
    }
}

void ShiftLogWindow::followOtherSessions() {
    historyDialog = new EntryHistoryDialog(session_.connection, this);
    liveStatusLabel = new QLabel(QStringLiteral("Обновление по сети отключено"), this);
    liveStatusLabel->setObjectName(QStringLiteral("liveStatusLabel"));
    QPalette alarm = liveStatusLabel->palette();
    alarm.setColor(QPalette::WindowText, widgets::kRed);
    liveStatusLabel->setPalette(alarm);
    liveStatusLabel->setVisible(session_.changes.isDown());
    if (auto* box = qobject_cast<QVBoxLayout*>(layout())) {
        box->addWidget(liveStatusLabel);
    }
    connect(&session_.changes, &data::ChangeFeed::liveChanged, this,
            [this] { liveStatusLabel->setVisible(session_.changes.isDown()); });
    connect(&session_.changes, &data::ChangeFeed::changed, this, &ShiftLogWindow::applyChanges);
}

void ShiftLogWindow::applyChanges(const data::ChangeBatch& batch) {
    const QDate day = dateEdit->date();
    const std::array<data::Dataset*, 4> all = lists();
    for (int i = 0; i < 4; ++i) {
        data::Dataset* list = all[i];
        if (!list->isOpen() || list->param(QStringLiteral("data")).toDate() != day) {
            continue;
        }
        QList<QVariant> keys;
        for (const data::EntryChange& change : batch.entries) {
            if (change.touches(day, i + 1) || list->holdsKey(QStringLiteral("id"), change.id)) {
                keys.append(change.id);
            }
        }
        widgets::followChanges(*list, entriesGrid, QStringLiteral("id"), batch.whole, keys);
    }
    locatePendingEntry();
}

void ShiftLogWindow::setEntryDialog(EntryDialog* dialog) {
    entryDialog_ = dialog;
    connect(dialog, &EntryDialog::entrySaved, this, &ShiftLogWindow::followOwnWrite);
}

void ShiftLogWindow::followOwnWrite(int id) {
    pendingLocate_ = id;
    if (!session_.changes.isLive()) {
        for (data::Dataset* list : lists_) {
            if (list->isOpen()) {
                list->refreshRow(QStringLiteral("id"), id);
            }
        }
    }
    locatePendingEntry();
}

void ShiftLogWindow::locatePendingEntry() {
    if (pendingLocate_ != 0 && currentList().locate(QStringLiteral("id"), pendingLocate_)) {
        pendingLocate_ = 0;
    }
}

void ShiftLogWindow::applyRights(const ShiftLogRights& rights) {
    for (QPushButton* button : {addButton, editButton, deleteButton}) {
        button->setEnabled(rights.entryButtons);
    }
    acceptButton->setEnabled(rights.accept);
    doubleClickAccepts_ = rights.doubleClickAccepts;
    referencesMenu->setEnabled(rights.references);
    timesheetAction->setEnabled(rights.timesheet);
    reportsMenu->setEnabled(rights.reports);
    for (QWidget* control :
         std::initializer_list<QWidget*>{shift1Radio, shift2Radio, shift3Radio, overtimeRadio,
                                         dayOffCheck, refreshButton, entriesGrid, dateEdit}) {
        control->setEnabled(rights.browsing);
    }
}

void ShiftLogWindow::showHistory() {
    data::Dataset& list = currentList();
    int entryId = 0;
    if (list.isOpen() && !list.isEmpty() && !list.field(QStringLiteral("id")).isNull()) {
        entryId = list.field(QStringLiteral("id")).asInteger();
    }
    try {
        historyDialog->openForEntry(entryId, workingDate(), shift_);
    } catch (const data::DbError& error) {
        core::MessageBoxes::error(data::userMessageOf(error));
    }
}

bool ShiftLogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == entriesGrid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        QPushButton* button = nullptr;
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            switch (key->key()) {
                case Qt::Key_Insert:
                    button = addButton;
                    break;
                case Qt::Key_F2:
                    button = editButton;
                    break;
                case Qt::Key_F5:
                    button = refreshButton;
                    break;
                case Qt::Key_Delete:
                    button = deleteButton;
                    break;
                case Qt::Key_Return:
                case Qt::Key_Enter:
                    viewOrAcceptEntry();  // the double-click
                    return true;
                default:
                    break;
            }
        }
        if (button != nullptr) {
            if (button->isEnabled() && button->isVisible()) {
                button->click();
            }
            return true;
        }
    }
    if (watched == dateEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            loadChosenDate();
            return true;
        }
    } else if (watched != dateEdit && event->type() == QEvent::Hide && dateEdit->isVisible()) {
        // The calendar popup closed.
        QTimer::singleShot(0, this, &ShiftLogWindow::loadChosenDate);
    }
    return QDialog::eventFilter(watched, event);
}

void ShiftLogWindow::showToday() {
    dateEdit->setDate(QDate::currentDate());
    if (core::isWeekend(dateEdit->date())) {
        dayOffCheck->setChecked(true);
    }
    reloadLists();
}

void ShiftLogWindow::reloadLists() {
    pendingLocate_ = 0;
    for (data::Dataset* list : lists()) {
        list->close();
    }
    for (data::Dataset* list : lists()) {
        list->setParam(QStringLiteral("data"), dateEdit->date());
        list->open();
    }
}

void ShiftLogWindow::loadChosenDate() {
    widgets::BusyCursor busy;
    reloadLists();
    dayOffCheck->setChecked(core::isWeekend(dateEdit->date()));
    entriesGrid->setFocus();
}

void ShiftLogWindow::refreshLists() {
    widgets::BusyCursor busy;
    for (data::Dataset* list : lists()) {
        list->close();
    }
    for (data::Dataset* list : lists()) {
        list->open();
    }
}

void ShiftLogWindow::chooseShift(int shift) {
    const std::array<QRadioButton*, 4> radios = shiftRadios();
    if (!radios[shift - 1]->isChecked()) {
        return;
    }
    entriesGrid->setSource(sources_[shift - 1]);
    for (int i = 0; i < 4; ++i) {
        widgets::setHighlighted(radios[i], i == shift - 1);
    }
    shift_ = shift;
}

void ShiftLogWindow::showDayOff() {
    widgets::setAlarm(dayOffCheck, dayOffCheck->isChecked());
}

QString ShiftLogWindow::nextSortText(const QString& field, const QString& current) {
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

void ShiftLogWindow::sortByColumn(int column) {
    const QList<GridColumn>& columns = entriesGrid->source()->model()->columns();
    if (column < 0 || column >= columns.size()) {
        return;
    }
    data::Dataset& list = currentList();
    const QString next = nextSortText(columns[column].field, list.sort());
    if (!next.isEmpty()) {
        list.setSort(next);
    }
}

void ShiftLogWindow::openOperationKinds() {
    if (kinds_ == nullptr) {
        return;
    }
    kinds_->openForBrowse();
}

void ShiftLogWindow::openPrices() {
    if (operations_ == nullptr) {
        return;
    }
    operations_->openForBrowse();
}

void ShiftLogWindow::openTimesheet() {
    if (timesheet_ == nullptr) {
        return;
    }
    timesheet_->openForMonth(workingDate(), this);
}

void ShiftLogWindow::openReports() {
    if (reports_ == nullptr) {
        return;
    }
    reports_->openForReports();
}

}  // namespace tabel::shiftlog
