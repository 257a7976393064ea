#pragma once
// The shift log window with the entry dialog and every window it borrows, on one data module
// connected to a fresh base fixture, on 2 March 2026, shift 1.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "data/session.h"
#include "keyboard.h"
#include "message_recorder.h"
#include "modal.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/entry_materials_panel.h"
#include "shiftlog/material_consumption_dialog.h"
#include "shiftlog/shift_log_window.h"
#include "shown_lists.h"
#include "test_db.h"
#include "widgets/data_grid.h"
#include "widgets/lookup_combo.h"

namespace tabel::shiftlog {

using test::whenShown;

inline const QDate kMonday(2026, 3, 2);

class EntryTest : public ::testing::Test {
protected:
    virtual QString login() const { return QStringLiteral("master"); }

    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(session.connection, login());
        shiftLog.setEntryDialog(&dialog);
        shiftLog.setOperationsWindow(&operations);
        shiftLog.show();
        shiftLog.dateEdit->setDate(kMonday);
        shiftLog.loadChosenDate();
    }

    // Runs `actions` inside the dialog that `open` shows, then closes it if still open.
    void inside(QDialog& window, const std::function<void()>& open, std::function<void()> actions) {
        whenShown(&window, [&window, actions] {
            actions();
            if (window.isVisible()) {
                window.reject();
            }
        });
        open();
    }
    void inAddDialog(std::function<void()> actions) {
        inside(
            dialog, [this] { QTest::mouseClick(shiftLog.addButton, Qt::LeftButton); },
            std::move(actions));
    }

    // Whether `action` showed the entry dialog (closed again at once).
    bool showsDialog(const std::function<void()>& action) {
        bool shown = false;
        QTimer guard;
        guard.setInterval(0);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (dialog.isVisible()) {
                shown = true;
                dialog.reject();
            }
        });
        guard.start();
        action();
        guard.stop();
        return shown;
    }

    void pickWorker(QPushButton* button, const QString& fio) {
        whenShown(&workers, [this, fio] {
            ASSERT_TRUE(test::listShownBy(workers).locate(QStringLiteral("fio"), fio));
            QTest::mouseClick(workers.findChild<QPushButton*>(QStringLiteral("chooseButton")),
                              Qt::LeftButton);
        });
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void pickOperation(int id) {
        whenShown(&operations, [this, id] {
            ASSERT_TRUE(test::listShownBy(operations).locate(QStringLiteral("id"), id));
            QTest::mouseClick(operations.findChild<QPushButton*>(QStringLiteral("changeButton")),
                              Qt::LeftButton);
        });
        QTest::mouseClick(dialog.pickOperationButton, Qt::LeftButton);
    }
    // Requisition 1 ("№ 15"), its item 11 (КР-1, 100 required), Петров, operation 1 (Резка,
    // 1.25), 5 pieces in 4 hours.
    void fillNewEntry() {
        dialog.requisitionCombo->choose(0);
        dialog.requisitionItemCombo->choose(0);
        pickWorker(dialog.pickWorkerButton, QStringLiteral("Петров Пётр Петрович"));
        pickOperation(1);
        dialog.quantityEdit->setText(QStringLiteral("5"));
        dialog.hoursEdit->setText(QStringLiteral("4"));
    }

    // Selects row `row` of the current shift list, as a click in the grid would.
    void selectRow(int row) { shiftLog.currentList().setCurrentRow(row); }

    data::Session session;
    test::MessageRecorder messages;
    refdata::ProductsWindow products{session};
    refdata::WorkersWindow workers{session};
    refdata::OperationKindEditor kindEditor{session};
    refdata::OperationKindsWindow kinds{session, kindEditor};
    refdata::OperationPriceEditor editor{session, products, kinds};
    refdata::NormsWindow norms{session};
    refdata::OperationsWindow operations{session, editor, norms};
    MaterialConsumptionDialog consumption{session};
    EntryDialog dialog{session, workers, operations, consumption};
    // The dialog's lower part: materials, brigade and division.
    EntryMaterialsPanel& panel = *dialog.materialsPanel;
    ShiftLogWindow shiftLog{session};
};

}  // namespace tabel::shiftlog
