#pragma once
// The program's date field: Tab leaves it like any other field (the arrow keys move between the
// day, the month and the year), and a whole date typed over a selected date replaces it.

#include <QDateEdit>

namespace tabel::widgets {

class DateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent = nullptr);
    explicit DateEdit(const QDate& date, QWidget* parent = nullptr);

    // Takes a date typed over the field as it stands (Enter, leaving the field); an unfinished or
    // impossible one leaves the date as it was.
    void applyTyped();

signals:
    // A date typed over the field is complete (a four-digit year, eight digits) or was ended by
    // leaving the field, and the field now holds it.
    void dateTyped();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Typing over the whole date: the characters gathered so far, applied once they read as a
    // date; empty when not typing over.
    bool replaceAll_ = false;
    QString typed_;
};

}  // namespace tabel::widgets
