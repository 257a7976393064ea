#pragma once
// The month and year of a window that shows one month (the hours timesheet, the charts): two
// lists announced by "Месяц" and "Год", their labels beside them.

#include <QWidget>

class QComboBox;
class QDate;

namespace tabel::widgets {

class MonthPicker : public QWidget {
    Q_OBJECT
public:
    // January of this year until a month is selected.
    explicit MonthPicker(QWidget* parent = nullptr);

    int month() const;  // 1..12
    int year() const;
    // "Ноябрь 2026".
    QString title() const;

    // Selects the month of `date` without telling monthChanged; the year list always holds its
    // year, so the selection always matches.
    void selectMonth(const QDate& date);

signals:
    // The user chose another month or year.
    void monthChanged();

private:
    QComboBox* monthBox_;
    QComboBox* yearBox_;
};

}  // namespace tabel::widgets
