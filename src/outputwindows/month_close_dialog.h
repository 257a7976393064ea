#pragma once
// "Закрытие месяца": a month's totals and state; its members of tabel_close close it, the
// service account opens it again with a reason.

#include <QDialog>

#include "data/month_close.h"

class QDate;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tabel::data {
struct Session;
struct ChangeBatch;
}  // namespace tabel::data

namespace tabel::widgets {
class MonthPicker;
}

namespace tabel::outputwindows {

class MonthCloseDialog : public QDialog {
    Q_OBJECT
public:
    explicit MonthCloseDialog(data::Session& session, QWidget* parent = nullptr);

    // Shows the month of `date` modally, centred on `opener`. Throws DbError when the month
    // cannot be read; the dialog is not shown then.
    void openForMonth(const QDate& date, QWidget* opener = nullptr);

signals:
    // This workstation closed or reopened a month.
    void monthStateChanged(int year, int month);

private:
    void buildControls();
    // Reads the chosen month's totals and state and shows them.
    void loadMonth();
    void closeMonth();
    void reopenMonth();
    void applyChanges(const data::ChangeBatch& batch);

    data::Session& session_;
    bool mayClose_ = false;
    bool mayReopen_ = false;
    std::optional<data::MonthClose> close_;
    int shownUnaccepted_ = 0;

    widgets::MonthPicker* monthPicker_ = nullptr;
    QLineEdit* entriesField_ = nullptr;
    QLineEdit* piecesField_ = nullptr;
    QLineEdit* payField_ = nullptr;
    QLineEdit* hoursField_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QLabel* unacceptedLabel_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QLineEdit* reasonField_ = nullptr;
    QPushButton* reopenButton_ = nullptr;
};

}  // namespace tabel::outputwindows
