#pragma once
// The shift log's controls as its tests find them, by name, and what a user does with them:
// the date chosen, a row double-clicked.

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "find_widget.h"
#include "shiftlog/shift_log_window.h"
#include "widgets/data_grid.h"

namespace tabel::test {

struct ShiftLogControls {
    explicit ShiftLogControls(const QWidget& w)
        : shift1Radio(childNamed<QRadioButton>(w, QStringLiteral("shift1Radio"))),
          shift2Radio(childNamed<QRadioButton>(w, QStringLiteral("shift2Radio"))),
          shift3Radio(childNamed<QRadioButton>(w, QStringLiteral("shift3Radio"))),
          overtimeRadio(childNamed<QRadioButton>(w, QStringLiteral("overtimeRadio"))),
          dateEdit(childNamed<QDateEdit>(w, QStringLiteral("dateEdit"))),
          dayOffCheck(childNamed<QCheckBox>(w, QStringLiteral("dayOffCheck"))),
          entriesGrid(childNamed<widgets::DataGrid>(w, QStringLiteral("entriesGrid"))),
          addButton(childNamed<QPushButton>(w, QStringLiteral("addButton"))),
          editButton(childNamed<QPushButton>(w, QStringLiteral("editButton"))),
          deleteButton(childNamed<QPushButton>(w, QStringLiteral("deleteButton"))),
          acceptButton(childNamed<QPushButton>(w, QStringLiteral("acceptButton"))),
          refreshButton(childNamed<QPushButton>(w, QStringLiteral("refreshButton"))),
          mainMenu(childNamed<QMenuBar>(w, QStringLiteral("mainMenu"))),
          historyAction(childNamed<QAction>(w, QStringLiteral("historyAction"))),
          liveStatusLabel(childNamed<QLabel>(w, QStringLiteral("liveStatusLabel"))),
          statusLabel(childNamed<QLabel>(w, QStringLiteral("statusLabel"))) {}

    // Shows the entries of `day` as a user does: the date typed, then Enter.
    void chooseDay(const QDate& day) const {
        dateEdit->setDate(day);
        QTest::keyClick(dateEdit, Qt::Key_Return);
    }

    // The current list's row `row` double-clicked.
    void doubleClickRow(int row) const {
        const QRect cell = entriesGrid->visualRect(
            entriesGrid->model()->index(row, entriesGrid->columnOf(QStringLiteral("kol_vo"))));
        // The view takes a double click only on the row the press before it chose.
        QTest::mouseClick(entriesGrid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(entriesGrid->viewport(), Qt::LeftButton, {}, cell.center());
    }

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
    QPushButton* refreshButton;
    QMenuBar* mainMenu;
    QAction* historyAction;
    QLabel* liveStatusLabel;
    QLabel* statusLabel;
};

}  // namespace tabel::test
