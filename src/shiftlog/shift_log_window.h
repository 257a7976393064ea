#pragma once
// TForm1: the shift log window, the entries of one date and shift, and the hub of the program.

#include <QDate>
#include <QDialog>
#include <QString>
#include <array>

class QAction;
class QCheckBox;
class QDateEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tabel::data {
class Dataset;
class TDataModule6;
}  // namespace tabel::data

namespace tabel::widgets {
class DataGrid;
class DataSource;
}  // namespace tabel::widgets

namespace tabel::refdata {
class TForm4;
class TForm8;
}  // namespace tabel::refdata

namespace tabel::timesheet {
class TForm19;
}
namespace tabel::reports {
class TForm18;
}  // namespace tabel::reports

namespace tabel::shiftlog {

class TForm11;
struct EntryContext;
struct EntryRow;

// Who logged in and which program runs; kept here for the whole run.
struct LoginState {
    QString login;
    QString password;
    int buildDate = 0;
    int buildTime = 0;
};

class TForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1(data::TDataModule6& dm, QWidget* parent = nullptr);

    // Windows opened from the menu; set once at start-up.
    void setOperationKindsWindow(refdata::TForm8* window) { kinds_ = window; }
    void setOperationsWindow(refdata::TForm4* window) { operations_ = window; }
    void setEntryDialog(TForm11* dialog) { entryDialog_ = dialog; }
    // A clerk's double-click accepts the entry instead of showing it.
    void setDoubleClickAccepts(bool on) { doubleClickAccepts_ = on; }
    bool doubleClickAccepts() const { return doubleClickAccepts_; }
    void setTimesheetWindow(timesheet::TForm19* window) { timesheet_ = window; }
    void setReportsWindow(reports::TForm18* window) { reports_ = window; }

    // 1..4; any other value counts as 1.
    int Smena() const { return smena_; }
    void setSmena(int shift) { smena_ = shift; }
    data::Dataset& currentList();
    bool dayOff() const;
    QDate workingDate() const;

    LoginState loginState;
    // Updatable cursor on the version row.
    data::Dataset* ver;

    // Controls, named as the program knows them.
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton4;
    QDateEdit* DateT;
    QCheckBox* CBox1;
    widgets::DataGrid* DBGrid2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button8;
    QPushButton* Button4;
    QMenuBar* MainMenu1;
    QAction* N2;
    QAction* N1;
    QAction* N3;
    QAction* N6;
    QAction* N4;
    QAction* N8;
    QAction* N11;
    QAction* N7;
    QAction* N10;
    QAction* N5;
    QTimer* Timer1;

    // Handlers.
    void FormActivate();
    void DateTCloseUp();
    void Button8Click();
    void RadioButtonClick(int shift);
    void CBox1Click();
    void DBGrid2TitleClick(int column);
    void N6Click();
    void N4Click();
    // Entry actions.
    void Button1Click();
    void Button2Click();
    void DBGrid2DblClick();
    void Button3Click();
    void Button5Click();
    void N11Click();
    void N10Click();

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
    void reloadLists();
    std::array<data::Dataset*, 4> lists() const;
    EntryContext entryContext();
    EntryRow currentEntry();
    bool currentAccepted();

    data::TDataModule6& dm_;
    int smena_ = 1;
    std::array<widgets::DataSource*, 4> sources_{};
    refdata::TForm8* kinds_ = nullptr;
    refdata::TForm4* operations_ = nullptr;
    TForm11* entryDialog_ = nullptr;
    bool doubleClickAccepts_ = false;
    timesheet::TForm19* timesheet_ = nullptr;
    reports::TForm18* reports_ = nullptr;
};

}  // namespace tabel::shiftlog
