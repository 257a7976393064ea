#pragma once
// The shift log: the entries of one date and shift, and the hub of the program.

#include <QDate>
#include <QDialog>
#include <QString>
#include <array>

#include "shiftlog/shift_log_rights.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTimer;

class QLabel;

namespace tabel::data {
class Dataset;
class Connection;
struct Session;
struct ChangeBatch;
}  // namespace tabel::data

namespace tabel::widgets {
class DataGrid;
class DataSource;
}  // namespace tabel::widgets

namespace tabel::refdata {
class OperationsWindow;
class OperationKindsWindow;
}  // namespace tabel::refdata

namespace tabel::outputwindows {
class ReportsDialog;
class TimesheetWindow;
}  // namespace tabel::outputwindows

namespace tabel::shiftlog {

class EntryDialog;
class EntryHistoryDialog;
struct EntryContext;
struct EntryRow;

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

    // Windows opened from the menu; set once at start-up.
    void setOperationKindsWindow(refdata::OperationKindsWindow* window) { kinds_ = window; }
    void setOperationsWindow(refdata::OperationsWindow* window) { operations_ = window; }
    void setEntryDialog(EntryDialog* dialog);
    // Enables the controls the login's group roles allow.
    void applyRights(const ShiftLogRights& rights);
    bool doubleClickAccepts() const { return doubleClickAccepts_; }
    void setTimesheetWindow(outputwindows::TimesheetWindow* window) { timesheet_ = window; }
    void setReportsWindow(outputwindows::ReportsDialog* window) { reports_ = window; }

    // 1..4; any other value counts as 1.
    int shift() const { return shift_; }
    void setShift(int shift) { shift_ = shift; }
    data::Dataset& currentList();
    bool dayOff() const;
    QDate workingDate() const;

    LoginState loginState;
    // Updatable cursor on the version row.
    data::Dataset* versionRow;

    QRadioButton* shift1Radio;
    QRadioButton* shift2Radio;
    QRadioButton* shift3Radio;
    QRadioButton* overtimeRadio;
    QDateEdit* dateEdit;
    QCheckBox* dayOffCheck;
    widgets::DataGrid* entriesGrid;
    QPushButton* addButton;
    QPushButton* editButton;
    QPushButton* deleteButton;
    QPushButton* acceptButton;
    QPushButton* cancelButton;
    QPushButton* refreshButton;
    QPushButton* exitButton;
    QMenuBar* mainMenu;
    QAction* referencesMenu;
    QAction* workersAction;
    QAction* productsAction;
    QAction* operationKindsAction;
    QAction* pricesAction;
    QAction* overtimeAction;
    QAction* timesheetAction;
    QAction* reportsMenu;
    QAction* reportsAction;
    QAction* exitAction;
    // "История" (menu, the list's context menu, Ctrl+H): the current entry's history.
    QAction* historyAction;
    EntryHistoryDialog* historyDialog;
    // "Обновление по сети отключено" while the change notifications are down.
    QLabel* liveStatusLabel;
    // Drives the login window's periodic version check.
    QTimer* versionTimer;

    void showToday();
    void loadChosenDate();
    void refreshLists();
    void chooseShift(int shift);
    void showDayOff();
    void sortByColumn(int column);
    void openOperationKinds();
    void openPrices();
    void openTimesheet();
    void openReports();
    // Entry actions.
    void addEntry();
    void editEntry();
    // A clerk's double-click accepts the entry, anyone else's shows it.
    void viewOrAcceptEntry();
    void deleteEntry();
    void acceptEntry();
    void showHistory();
    // Re-reads the rows other sessions changed in the open lists of the shown date, keeping
    // the current row and the scroll position.
    void applyChanges(const data::ChangeBatch& batch);

    // Sort text a click on the title of the column showing `field` gives after `current`; empty
    // for a column without sorting.
    static QString nextSortText(const QString& field, const QString& current);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void buildGrid();
    void followOtherSessions();
    void reloadLists();
    std::array<data::Dataset*, 4> lists() const;
    std::array<QRadioButton*, 4> shiftRadios() const;
    EntryContext entryContext();
    EntryRow currentEntry();
    bool currentAccepted();

    // Re-reads entry `id` after this workstation wrote it: through the change feed when it is
    // live (the list follows, and stands on the entry once it arrives), directly otherwise.
    void followOwnWrite(int id);
    void locatePendingEntry();

    data::Session& session_;
    // The entries of shifts 1 to 4 of the date shown.
    std::array<data::Dataset*, 4> lists_{};
    int pendingLocate_ = 0;  // the entry to stand on once the feed brings it
    int shift_ = 1;
    std::array<widgets::DataSource*, 4> sources_{};
    refdata::OperationKindsWindow* kinds_ = nullptr;
    refdata::OperationsWindow* operations_ = nullptr;
    EntryDialog* entryDialog_ = nullptr;
    bool doubleClickAccepts_ = false;
    outputwindows::TimesheetWindow* timesheet_ = nullptr;
    outputwindows::ReportsDialog* reports_ = nullptr;
};

}  // namespace tabel::shiftlog
