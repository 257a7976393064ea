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
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "charts/charts_window.h"
#include "core/dates.h"
#include "core/messages.h"
#include "data/dataset.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "data/month_close.h"
#include "data/notifications.h"
#include "data/session.h"
#include "outputwindows/month_close_dialog.h"
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
#include "widgets/user_action.h"
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
        // The clerk sees before accepting whether the entry's materials are recorded.
        {.field = QStringLiteral("tmc"),
         .title = QStringLiteral("ТМЦ"),
         .alignment = centre,
         .width = 4},
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

    versionRow_ = new data::Dataset(&session_.connection, QStringLiteral("versionRow"), this);
    versionRow_->setSql({QStringLiteral("select d, t from accounts_dep.ver")});
    versionRow_->setTableName(QStringLiteral("accounts_dep.ver"));

    versionTimer_ = new QTimer(this);
    versionTimer_->setObjectName(QStringLiteral("versionTimer"));
    versionTimer_->setInterval(30000);
    connect(versionTimer_, &QTimer::timeout, this, &ShiftLogWindow::versionCheckDue);
    versionTimer_->start();
    // Every key pressed in this window passes pressKey first.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->window() == this) {
            child->installEventFilter(this);
        }
    }
    // The grid scrolls inside itself; the user may enlarge the window, which keeps its size.
    setSizeGripEnabled(true);
    widgets::rememberGeometry(this, QStringLiteral("ShiftLogWindow"), QSize(1000, 640));
}

void ShiftLogWindow::buildControls() {
    shift1Radio_ =
        widgets::makeRadio(this, QStringLiteral("shift1Radio"), QStringLiteral("Смена №&1"));
    shift2Radio_ =
        widgets::makeRadio(this, QStringLiteral("shift2Radio"), QStringLiteral("Смена №&2"));
    shift3Radio_ =
        widgets::makeRadio(this, QStringLiteral("shift3Radio"), QStringLiteral("Смена №&3"));
    overtimeRadio_ =
        widgets::makeRadio(this, QStringLiteral("overtimeRadio"), QStringLiteral("Пе&реработка"));
    shift1Radio_->setChecked(true);
    widgets::setHighlighted(shift1Radio_, true);
    const std::array<QRadioButton*, 4> radios = shiftRadios();
    for (int i = 0; i < 4; ++i) {
        widgets::connectAction(radios[i], &QRadioButton::clicked, this,
                               [this, i] { chooseShift(i + 1); });
    }
    // Overtime is the fourth shift: Alt+4 as well as its own letter.
    auto* overtimeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_4), this);
    overtimeKey->setObjectName(QStringLiteral("overtimeKey"));
    connect(overtimeKey, &QShortcut::activated, overtimeRadio_, &QRadioButton::click);

    dateEdit_ = new widgets::DateEdit(QDate::currentDate(), this);
    dateEdit_->setObjectName(QStringLiteral("dateEdit"));
    dateEdit_->setCalendarPopup(true);
    dateEdit_->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    dateEdit_->installEventFilter(this);
    calendarPopup_ = dateEdit_->calendarWidget()->window();
    // A whole date typed, or the field left with a new date in it: the list follows.
    widgets::connectAction(dateEdit_, &widgets::DateEdit::dateTyped, this,
                           [this] { followChosenDate(); });
    widgets::connectAction(dateEdit_, &QDateEdit::editingFinished, this,
                           [this] { followChosenDate(); });
    calendarPopup_->installEventFilter(this);

    dayOffCheck_ = new QCheckBox(QStringLiteral("Вы&ходной"), this);
    dayOffCheck_->setObjectName(QStringLiteral("dayOffCheck"));
    widgets::connectAction(dayOffCheck_, &QCheckBox::toggled, this, [this] { showDayOff(); });

    addButton_ =
        widgets::makeButton(this, QStringLiteral("addButton"), QStringLiteral("&Добавить"));
    editButton_ =
        widgets::makeButton(this, QStringLiteral("editButton"), QStringLiteral("&Изменить"));
    deleteButton_ =
        widgets::makeButton(this, QStringLiteral("deleteButton"), QStringLiteral("&Удалить"));
    acceptButton_ =
        widgets::makeButton(this, QStringLiteral("acceptButton"), QStringLiteral("&Принять"));
    cancelButton_ =
        widgets::makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("О&тмена"));
    cancelButton_->hide();  // carries no command
    refreshButton_ =
        widgets::makeButton(this, QStringLiteral("refreshButton"), QStringLiteral("Об&новить"));
    exitButton_ = widgets::makeButton(this, QStringLiteral("exitButton"), QStringLiteral("В&ыход"));
    widgets::connectAction(refreshButton_, &QPushButton::clicked, this, [this] { refreshLists(); });
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);
    widgets::connectAction(addButton_, &QPushButton::clicked, this, [this] { addEntry(); });
    widgets::connectAction(editButton_, &QPushButton::clicked, this, [this] { editEntry(); });
    widgets::connectAction(deleteButton_, &QPushButton::clicked, this, [this] { deleteEntry(); });
    widgets::connectAction(acceptButton_, &QPushButton::clicked, this, [this] { acceptEntry(); });

    entriesGrid_ = new widgets::DataGrid(this);
    entriesGrid_->setObjectName(QStringLiteral("entriesGrid"));
    connect(entriesGrid_, &widgets::DataGrid::titleClicked, this,
            [this](int column) { widgets::runAction([this, column] { sortByColumn(column); }); });
    widgets::connectAction(entriesGrid_, &widgets::DataGrid::rowDoubleClicked, this,
                           [this] { viewOrAcceptEntry(); });
    // Tab goes on to the buttons; the arrows move within the grid.
    entriesGrid_->setTabKeyNavigation(false);

    auto* top = new QHBoxLayout;
    for (QRadioButton* radio : radios) {
        top->addWidget(radio);
    }
    top->addSpacing(24);
    top->addWidget(widgets::makeFieldLabel(this, QStringLiteral("Д&ата"), dateEdit_));
    top->addWidget(dateEdit_);
    top->addWidget(dayOffCheck_);
    top->addStretch();
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button :
         {addButton_, editButton_, deleteButton_, acceptButton_, cancelButton_, refreshButton_}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(exitButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(entriesGrid_, 1);
    layout->addLayout(buttons);
    // Why the last key did nothing; gone once another row is current.
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    layout->addWidget(statusLabel_);
    monthStateLabel_ = new QLabel(this);
    monthStateLabel_->setObjectName(QStringLiteral("monthStateLabel"));
    monthStateLabel_->hide();
    layout->addWidget(monthStateLabel_);
    readOnlyLabel_ = new QLabel(QStringLiteral("Только чтение: резервный сервер"), this);
    readOnlyLabel_->setObjectName(QStringLiteral("readOnlyLabel"));
    readOnlyLabel_->hide();
    layout->addWidget(readOnlyLabel_);
    for (data::Dataset* list : lists_) {
        connect(list, &data::Dataset::currentRowChanged, statusLabel_, &QLabel::clear);
    }
}

// The daily work at the keyboard, all in this one place: each key does what its button does,
// and only when the button is there for this login; Delete and Enter act on the list itself.
// Filtered before the controls see them (the grid would take Delete for a search), anywhere in
// this window but not in the dialogs it opens.
bool ShiftLogWindow::pressKey(QObject* watched, const QKeyEvent& key) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this ||
        (key.modifiers() != Qt::NoModifier && key.modifiers() != Qt::KeypadModifier)) {
        return false;
    }
    const bool onList = watched == entriesGrid_;
    QPushButton* button = nullptr;
    switch (key.key()) {
        case Qt::Key_Insert:
            button = addButton_;
            break;
        case Qt::Key_F2:
            button = editButton_;
            break;
        case Qt::Key_F5:
            button = refreshButton_;
            break;
        case Qt::Key_Delete:
            button = onList ? deleteButton_ : nullptr;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!onList) {
                return false;
            }
            widgets::runAction([this] { viewOrAcceptEntry(); });  // the double-click
            return true;
        case Qt::Key_F3:
            // The entry as it is, with its materials and brigade: a clerk looks before he
            // accepts.
            if (entriesGrid_->isEnabled()) {
                widgets::runAction([this] { viewEntry(); });
            }
            return true;
        default:
            break;
    }
    if (button == nullptr) {
        return false;
    }
    if (button->isEnabled() && button->isVisible()) {
        button->click();
    }
    return true;
}

void ShiftLogWindow::buildMenu() {
    mainMenu_ = new QMenuBar(this);
    mainMenu_->setObjectName(QStringLiteral("mainMenu"));
    // A menu item; `run`, when given, is what it does.
    auto action = [this](QMenu* menu, const char* name, const QString& text,
                         std::function<void()> run = {}) {
        QAction* item = menu != nullptr ? menu->addAction(text) : mainMenu_->addAction(text);
        item->setObjectName(QString::fromLatin1(name));
        if (run) {
            widgets::connectAction(item, &QAction::triggered, this, std::move(run));
        }
        return item;
    };
    QMenu* references = mainMenu_->addMenu(QStringLiteral("&Справочники"));
    referencesMenu_ = references->menuAction();
    referencesMenu_->setObjectName(QStringLiteral("referencesMenu"));
    action(references, "workersAction", QStringLiteral("&Рабочие"))->setEnabled(false);
    action(references, "productsAction", QStringLiteral("&Изделия"))->setEnabled(false);
    action(references, "operationKindsAction", QStringLiteral("&Операции"),
           [this] { openOperationKinds(); });
    action(references, "pricesAction", QStringLiteral("&Цены"), [this] { openPrices(); });
    action(references, "overtimeAction", QStringLiteral("&Внеурочное"));
    timesheetAction_ = action(nullptr, "timesheetAction", QStringLiteral("Та&бель по времени"),
                              [this] { openTimesheet(); });
    QMenu* reports = mainMenu_->addMenu(QStringLiteral("&Отчеты"));
    reportsMenu_ = reports->menuAction();
    reportsMenu_->setObjectName(QStringLiteral("reportsMenu"));
    action(reports, "reportsAction", QStringLiteral("&Сводные отчеты"), [this] { openReports(); });
    chartsAction_ =
        action(reports, "chartsAction", QStringLiteral("&Графики"), [this] { openCharts(); });
    chartsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    chartsAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(chartsAction_);  // the shortcut works wherever the focus is in the window
    monthCloseAction_ = action(nullptr, "monthCloseAction", QStringLiteral("&Закрытие месяца…"),
                               [this] { openMonthClose(); });
    monthCloseAction_->setVisible(false);
    historyAction_ =
        action(nullptr, "historyAction", QStringLiteral("Истори&я"), [this] { showHistory(); });
    historyAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    historyAction_->setShortcutContext(Qt::WindowShortcut);
    entriesGrid_->addAction(historyAction_);
    entriesGrid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(historyAction_);  // the shortcut works wherever the focus is in the window
    QAction* exit = action(nullptr, "exitAction", QStringLiteral("&Выход"));
    connect(exit, &QAction::triggered, this, &QDialog::reject);
    layout()->setMenuBar(mainMenu_);
}

void ShiftLogWindow::buildGrid() {
    const std::array<data::Dataset*, 4> all = lists_;
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
    entriesGrid_->setSource(sources_[0]);
}

std::array<QRadioButton*, 4> ShiftLogWindow::shiftRadios() const {
    return {shift1Radio_, shift2Radio_, shift3Radio_, overtimeRadio_};
}

data::Dataset& ShiftLogWindow::currentList() {
    return *lists_[shift_ >= 1 && shift_ <= 4 ? shift_ - 1 : 0];
}

bool ShiftLogWindow::dayOff() const {
    return dayOffCheck_->isChecked();
}

QDate ShiftLogWindow::workingDate() const {
    return shownDate_;
}

void ShiftLogWindow::reject() {
    const bool ask = QSettings().value(QStringLiteral("shiftLog/askBeforeExit"), true).toBool();
    if (ask && core::MessageBoxes::show(core::MessageKind::Question, QStringLiteral("Выход"),
                                        QStringLiteral("Завершить работу с программой?")) !=
                   core::Answer::Yes) {
        return;
    }
    QDialog::reject();
}

void ShiftLogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        session_.listenForChanges();
        showLiveState();
        widgets::runAction([this] { showToday(); });
        focusList();
    }
}

void ShiftLogWindow::followOtherSessions() {
    historyDialog_ = new EntryHistoryDialog(session_.connection, this);
    liveStatusLabel_ = new QLabel(QStringLiteral("Обновление по сети отключено"), this);
    liveStatusLabel_->setObjectName(QStringLiteral("liveStatusLabel"));
    QPalette alarm = liveStatusLabel_->palette();
    alarm.setColor(QPalette::WindowText, widgets::kRed);
    liveStatusLabel_->setPalette(alarm);
    liveStatusLabel_->setVisible(session_.changes.isDown());
    if (auto* box = qobject_cast<QVBoxLayout*>(layout())) {
        box->addWidget(liveStatusLabel_);
    }
    connect(&session_.changes, &data::ChangeFeed::liveChanged, this, [this] { showLiveState(); });
    connect(&session_.changes, &data::ChangeFeed::changed, this, &ShiftLogWindow::applyChanges);
}

void ShiftLogWindow::applyChanges(const data::ChangeBatch& batch) {
    const QDate day = dateEdit_->date();
    const std::array<data::Dataset*, 4> all = lists_;
    QString failure;
    for (int i = 0; i < 4; ++i) {
        data::Dataset* list = all[i];
        // A list whose reading failed is read again with the next change.
        if ((!list->isOpen() && !list->isStale()) ||
            list->param(QStringLiteral("data")).toDate() != day) {
            continue;
        }
        QList<QVariant> keys;
        for (const data::EntryChange& change : batch.entries) {
            if (change.touches(day, i + 1) || list->holdsKey(QStringLiteral("id"), change.id)) {
                keys.append(change.id);
            }
        }
        failure =
            widgets::followChanges(*list, entriesGrid_, QStringLiteral("id"), batch.whole, keys);
        if (!failure.isEmpty()) {
            break;
        }
    }
    showListFailure(failure);
    locatePendingEntry();
    if (batch.whole || batch.monthCloses.contains({shownDate_.year(), shownDate_.month()})) {
        try {
            showMonthState();
        } catch (const data::DbError& error) {
            showListFailure(data::userMessageOf(error));  // read again with the next change
        }
    }
}

void ShiftLogWindow::showListFailure(const QString& failure) {
    static const QString kNotRefreshed = QStringLiteral("Список не обновлен: ");
    if (!failure.isEmpty()) {
        statusLabel_->setText(kNotRefreshed + failure);
    } else if (statusLabel_->text().startsWith(kNotRefreshed)) {
        statusLabel_->clear();
    }
}

void ShiftLogWindow::setEntryDialog(EntryDialog* dialog) {
    entryDialog_ = dialog;
    connect(dialog, &EntryDialog::entrySaved, this, [this](int id) { followOwnWrite(id); });
}

void ShiftLogWindow::followOwnWrite(int id, int standOn) {
    pendingLocate_ = standOn != 0 ? standOn : id;
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
    rights_ = rights;
    enableEntryControls();
    monthCloseAction_->setVisible(rights.monthClose);
    doubleClickAccepts_ = rights.doubleClickAccepts;
    referencesMenu_->setEnabled(rights.references);
    timesheetAction_->setEnabled(rights.timesheet);
    reportsMenu_->setEnabled(rights.reports);
    chartsAction_->setEnabled(rights.reports);
    for (QWidget* control :
         std::initializer_list<QWidget*>{shift1Radio_, shift2Radio_, shift3Radio_, overtimeRadio_,
                                         dayOffCheck_, refreshButton_, entriesGrid_, dateEdit_}) {
        control->setEnabled(rights.browsing);
    }
    if (timesheet_ != nullptr) {
        timesheet_->setRebuildAllowed(rights.rebuildHours);
    }
    readOnly_ = rights.readOnly;
    readOnlyLabel_->setVisible(readOnly_);
    // The server became a standby, or was promoted: the feed follows to where changes are
    // heard now. A hidden window starts it when shown.
    if (isVisible()) {
        session_.listenForChanges();
    } else if (readOnly_) {
        session_.changes.stop();
    }
    showLiveState();
}

void ShiftLogWindow::showLiveState() {
    // On a standby with no primary to listen on, live refresh is off for good and F5 reads the
    // lists; otherwise the notice shows only while the feed is down.
    const bool standbyAlone = readOnly_ && !session_.changes.isStarted();
    liveStatusLabel_->setText(
        standbyAlone ? QStringLiteral("Обновление по сети отключено: резервный сервер, списки "
                                      "обновляются клавишей F5")
                     : QStringLiteral("Обновление по сети отключено"));
    liveStatusLabel_->setVisible(standbyAlone || session_.changes.isDown());
}

void ShiftLogWindow::showHistory() {
    data::Dataset& list = currentList();
    int entryId = 0;
    if (list.isOpen() && !list.isEmpty() && !list.field(QStringLiteral("id")).isNull()) {
        entryId = list.field(QStringLiteral("id")).asInteger();
    }
    historyDialog_->openForEntry(entryId, workingDate(), shift_);
}

bool ShiftLogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && pressKey(watched, *static_cast<QKeyEvent*>(event))) {
        return true;
    }
    if (watched == dateEdit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            dateEdit_->applyTyped();
            widgets::runAction([this] { loadChosenDate(); });
            return true;
        }
    } else if (watched == calendarPopup_ && event->type() == QEvent::Hide &&
               dateEdit_->isVisible()) {
        // The calendar popup closed.
        QTimer::singleShot(0, this, [this] { widgets::runAction([this] { loadChosenDate(); }); });
    }
    return QDialog::eventFilter(watched, event);
}

void ShiftLogWindow::showToday() {
    dateEdit_->setDate(QDate::currentDate());
    if (core::isWeekend(dateEdit_->date())) {
        dayOffCheck_->setChecked(true);
    }
    reloadLists();
}

void ShiftLogWindow::reloadLists() {
    pendingLocate_ = 0;
    shownDate_ = dateEdit_->date();
    for (data::Dataset* list : lists_) {
        list->close();
    }
    for (data::Dataset* list : lists_) {
        list->setParam(QStringLiteral("data"), dateEdit_->date());
        list->open();
    }
    showMonthState();
}

void ShiftLogWindow::showMonthState() {
    const std::optional<data::MonthClose> close =
        data::readMonthClose(session_.connection, shownDate_.year(), shownDate_.month());
    monthClosed_ = close.has_value();
    monthStateLabel_->setText(close ? data::closedStatus(*close) : QString());
    monthStateLabel_->setVisible(monthClosed_);
    enableEntryControls();
}

void ShiftLogWindow::enableEntryControls() {
    for (QPushButton* button : {addButton_, editButton_, deleteButton_}) {
        button->setEnabled((!rights_ || rights_->entryButtons) && !monthClosed_);
    }
    acceptButton_->setEnabled((!rights_ || rights_->accept) && !monthClosed_);
}

void ShiftLogWindow::followChosenDate() {
    if (dateEdit_->date() != shownDate_) {
        widgets::BusyCursor busy;
        reloadLists();
        dayOffCheck_->setChecked(core::isWeekend(dateEdit_->date()));
    }
}

void ShiftLogWindow::loadChosenDate() {
    widgets::BusyCursor busy;
    reloadLists();
    dayOffCheck_->setChecked(core::isWeekend(dateEdit_->date()));
    focusList();
}

void ShiftLogWindow::refreshLists() {
    widgets::BusyCursor busy;
    try {
        for (data::Dataset* list : lists_) {
            list->refresh();  // a failed read keeps the rows shown
        }
    } catch (const data::DbError& error) {
        throw data::DataError(QStringLiteral("Список не обновлен: ") + data::userMessageOf(error));
    }
    showListFailure({});
}

void ShiftLogWindow::chooseShift(int shift) {
    const std::array<QRadioButton*, 4> radios = shiftRadios();
    if (!radios[shift - 1]->isChecked()) {
        return;
    }
    entriesGrid_->setSource(sources_[shift - 1]);
    statusLabel_->clear();
    for (int i = 0; i < 4; ++i) {
        widgets::setHighlighted(radios[i], i == shift - 1);
    }
    shift_ = shift;
    focusList();
}

void ShiftLogWindow::focusList() {
    entriesGrid_->setFocus(Qt::OtherFocusReason);
    // The style frames the focused row only once a key has moved the focus in this window.
    setAttribute(Qt::WA_KeyboardFocusChange);
    entriesGrid_->viewport()->update();
}

void ShiftLogWindow::showDayOff() {
    widgets::setAlarm(dayOffCheck_, dayOffCheck_->isChecked());
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
    const QList<GridColumn>& columns = entriesGrid_->source()->model()->columns();
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
    timesheet_->openForMonth(dateEdit_->date(), this);  // the month of the date field
}

void ShiftLogWindow::openMonthClose() {
    if (monthClose_ == nullptr) {
        return;
    }
    monthClose_->openForMonth(dateEdit_->date(), this);
    showMonthState();  // without live refresh as well
}

void ShiftLogWindow::openReports() {
    if (reports_ == nullptr) {
        return;
    }
    reports_->openForReports();
}

void ShiftLogWindow::setChartsWindow(charts::ChartsWindow* window) {
    charts_ = window;
    widgets::connectAction(window, &charts::ChartsWindow::dayChosen, this,
                           [this](const QDate& day) { showDay(day); });
}

void ShiftLogWindow::openCharts() {
    if (charts_ == nullptr) {
        return;
    }
    charts_->openForMonth(dateEdit_->date(), this);  // the month of the date field
}

void ShiftLogWindow::showDay(const QDate& day) {
    if (!dateEdit_->isEnabled()) {
        return;  // a login that reads only the reports has no lists to show it in
    }
    dateEdit_->setDate(day);
    loadChosenDate();
    charts_->accept();
}

}  // namespace tabel::shiftlog
