#pragma once
// The shift log: the entries of one date and shift, and the hub of the program.

#include <QDate>
#include <QDialog>
#include <QString>
#include <array>
#include <optional>

#include "shiftlog/shift_log_rights.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QKeyEvent;
class QLabel;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tabel::data {
class Dataset;
struct Entry;
struct Session;
struct ChangeBatch;
}  // namespace tabel::data

namespace tabel::widgets {
class DataGrid;
class DateEdit;
class DataSource;
}  // namespace tabel::widgets

namespace tabel::refdata {
class OperationsWindow;
class OperationKindsWindow;
}  // namespace tabel::refdata

namespace tabel::outputwindows {
class MonthCloseDialog;
class ReportsDialog;
class TimesheetWindow;
}  // namespace tabel::outputwindows

namespace tabel::charts {
class ChartsWindow;
}

namespace tabel::shiftlog {

class EntryDialog;
class EntryHistoryDialog;
struct EntryContext;

// Who logged in and which program runs; kept here for the whole run.
struct LoginState {
    QString login;
    QString password;
    int buildDate = 0;
    int buildTime = 0;
};

class ShiftLogWindow : public QDialog {
    Q_OBJECT
public:
    explicit ShiftLogWindow(data::Session& session, QWidget* parent = nullptr);

    // Windows opened from the menu and the entry buttons; set once at start-up.
    void setOperationKindsWindow(refdata::OperationKindsWindow* window) { kinds_ = window; }
    void setOperationsWindow(refdata::OperationsWindow* window) { operations_ = window; }
    void setEntryDialog(EntryDialog* dialog);
    void setTimesheetWindow(outputwindows::TimesheetWindow* window) { timesheet_ = window; }
    void setReportsWindow(outputwindows::ReportsDialog* window) { reports_ = window; }
    // "Закрытие месяца…", for the logins that close months.
    void setMonthCloseDialog(outputwindows::MonthCloseDialog* dialog) { monthClose_ = dialog; }
    // "Графики" (Ctrl+G); a day clicked there is shown here.
    void setChartsWindow(charts::ChartsWindow* window);
    // Enables the controls the login's group roles allow.
    void applyRights(const ShiftLogRights& rights);
    bool doubleClickAccepts() const { return doubleClickAccepts_; }

    // 1..4; any other value counts as 1.
    int shift() const { return shift_; }
    void setShift(int shift) { shift_ = shift; }
    bool dayOff() const;
    QDate workingDate() const;

    // The recorded version of the program (accounts_dep.ver), an updatable cursor on this
    // window's connection, for the login window's check.
    data::Dataset& versionRow() { return *versionRow_; }

    LoginState loginState;

    // Re-reads the rows other sessions changed in the open lists of the shown date, keeping
    // the current row and the scroll position; connected to the session's change feed.
    void applyChanges(const data::ChangeBatch& batch);
    // A failed reading of the lists in the status line; an empty one clears that notice.
    void showListFailure(const QString& failure);

    // Sort text a click on the title of the column showing `field` gives after `current`; empty
    // for a column without sorting.
    static QString nextSortText(const QString& field, const QString& current);

    // Esc, "Выход" and the window's close: the program ends only once the user says so,
    // unless the setting shiftLog/askBeforeExit (settings file) is false.
    void reject() override;

signals:
    // Every 30 seconds for the whole run: the recorded version is due to be checked again.
    void versionCheckDue();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // The window's keys; true when `key` was one of them.
    bool pressKey(QObject* watched, const QKeyEvent& key);
    void buildMenu();
    void buildGrid();
    void followOtherSessions();
    // "Обновление по сети отключено" while the feed is down, or for good on a standby alone.
    void showLiveState();
    std::array<QRadioButton*, 4> shiftRadios() const;

    // The lists.
    data::Dataset& currentList();
    void showToday();
    void reloadLists();
    void loadChosenDate();
    // Re-reads the lists when the date field differs from the day they show; the focus stays.
    void followChosenDate();
    void refreshLists();
    void chooseShift(int shift);
    // The keyboard on the list's current row, with the frame a key's move shows.
    void focusList();
    void showDayOff();
    void sortByColumn(int column);

    // The windows of the menu.
    void openOperationKinds();
    void openPrices();
    void openTimesheet();
    void openReports();
    void openCharts();
    void openMonthClose();
    // The shown day's month closed: the status line says so and no entry of it is written.
    void showMonthState();
    void enableEntryControls();
    // The day a chart was clicked on, read into the lists; the charts window closes.
    void showDay(const QDate& day);
    void showHistory();

    // Entry actions, in entry_actions.cpp.
    EntryContext entryContext();
    data::Entry currentEntry();
    bool currentAccepted();
    void addEntry();
    void editEntry();
    // A clerk's double-click accepts the entry, anyone else's shows it.
    void viewOrAcceptEntry();
    // F3: the current entry in the entry dialog, read only.
    void viewEntry();
    void deleteEntry();
    void acceptEntry();
    // The first entry below the current one that is not accepted; none when all below are.
    std::optional<int> nextOpenEntry();

    // Re-reads entry `id` after this workstation wrote it: through the change feed when it is
    // live, directly otherwise; the list stands on entry `standOn` (by default the one written)
    // once it is there.
    void followOwnWrite(int id, int standOn = 0);
    void locatePendingEntry();

    data::Session& session_;
    // The entries of shifts 1 to 4 of the date shown.
    std::array<data::Dataset*, 4> lists_{};
    std::array<widgets::DataSource*, 4> sources_{};
    int pendingLocate_ = 0;  // the entry to stand on once the feed brings it
    int shift_ = 1;
    bool doubleClickAccepts_ = false;
    refdata::OperationKindsWindow* kinds_ = nullptr;
    refdata::OperationsWindow* operations_ = nullptr;
    EntryDialog* entryDialog_ = nullptr;
    outputwindows::TimesheetWindow* timesheet_ = nullptr;
    outputwindows::ReportsDialog* reports_ = nullptr;
    charts::ChartsWindow* charts_ = nullptr;
    outputwindows::MonthCloseDialog* monthClose_ = nullptr;
    std::optional<ShiftLogRights> rights_;  // none until applied: every control as built
    bool monthClosed_ = false;

    data::Dataset* versionRow_;
    QTimer* versionTimer_;

    QRadioButton* shift1Radio_;
    QRadioButton* shift2Radio_;
    QRadioButton* shift3Radio_;
    QRadioButton* overtimeRadio_;
    widgets::DateEdit* dateEdit_;
    QDate shownDate_;         // the day the lists were read for: what a new entry takes
    QWidget* calendarPopup_;  // its closing loads the date picked
    QCheckBox* dayOffCheck_;
    widgets::DataGrid* entriesGrid_;
    QPushButton* addButton_;
    QPushButton* editButton_;
    QPushButton* deleteButton_;
    QPushButton* acceptButton_;
    QPushButton* cancelButton_;
    QPushButton* refreshButton_;
    QPushButton* exitButton_;
    QMenuBar* mainMenu_;
    QAction* referencesMenu_;
    QAction* timesheetAction_;
    QAction* reportsMenu_;
    QAction* chartsAction_;
    QAction* monthCloseAction_;
    // "История" (menu, the list's context menu, Ctrl+H): the current entry's history.
    QAction* historyAction_;
    EntryHistoryDialog* historyDialog_;
    // What an entry key refused, until another row is current.
    QLabel* statusLabel_;
    // "Обновление по сети отключено" while the change notifications are down, or for good on a
    // standby without a known primary.
    QLabel* liveStatusLabel_;
    // "Месяц закрыт 05.12.2026 (econom)" while the shown day's month is closed.
    QLabel* monthStateLabel_;
    // "Только чтение: резервный сервер".
    QLabel* readOnlyLabel_;
    bool readOnly_ = false;
};

}  // namespace tabel::shiftlog
