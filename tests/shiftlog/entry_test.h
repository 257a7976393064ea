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
#include "find_widget.h"
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
#include "shift_log_controls.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/material_consumption_dialog.h"
#include "shiftlog/shift_log_window.h"
#include "shown_lists.h"
#include "test_db.h"
#include "widgets/data_grid.h"
#include "widgets/lookup_combo.h"

namespace tabel::shiftlog {

using test::whenShown;

inline const QDate kMonday(2026, 3, 2);

// The entry dialog's controls, its lower part's included, found by name.
struct EntryDialogControls {
    template <typename T>
    static T* in(const QWidget& w, const char* name) {
        return test::childNamed<T>(w, QString::fromLatin1(name));
    }
    explicit EntryDialogControls(const QWidget& d)
        : entryGroup(in<QGroupBox>(d, "entryGroup")),
          requisitionCombo(in<widgets::LookupCombo>(d, "requisitionCombo")),
          requisitionItemCombo(in<widgets::LookupCombo>(d, "requisitionItemCombo")),
          workerEdit(in<QLineEdit>(d, "workerEdit")),
          pickWorkerButton(in<QPushButton>(d, "pickWorkerButton")),
          operationEdit(in<QLineEdit>(d, "operationEdit")),
          pickOperationButton(in<QPushButton>(d, "pickOperationButton")),
          quantityEdit(in<QLineEdit>(d, "quantityEdit")),
          hoursEdit(in<QLineEdit>(d, "hoursEdit")),
          dateEdit(in<QDateEdit>(d, "dateEdit")),
          defectsEdit(in<QLineEdit>(d, "defectsEdit")),
          basePriceEdit(in<QLineEdit>(d, "basePriceEdit")),
          finalPriceEdit(in<QLineEdit>(d, "finalPriceEdit")),
          sumEdit(in<QLineEdit>(d, "sumEdit")),
          entryIdLabel(in<QLabel>(d, "entryIdLabel")),
          saveButton(in<QPushButton>(d, "saveButton")),
          exitButton(in<QPushButton>(d, "exitButton")),
          divideButton(in<QPushButton>(d, "divideButton")),
          materialsGrid(in<widgets::DataGrid>(d, "materialsGrid")),
          addMaterialButton(in<QPushButton>(d, "addMaterialButton")),
          deleteMaterialButton(in<QPushButton>(d, "deleteMaterialButton")),
          materialsTotalEdit(in<QLineEdit>(d, "materialsTotalEdit")),
          brigadeLabel(in<QLabel>(d, "brigadeLabel")),
          brigadeGrid(in<widgets::DataGrid>(d, "brigadeGrid")),
          addMemberButton(in<QPushButton>(d, "addMemberButton")),
          removeMemberButton(in<QPushButton>(d, "removeMemberButton")) {}

    // The entry's materials and brigade as the grids show them.
    data::Dataset& materials() const { return *materialsGrid->dataset(); }
    data::Dataset& brigade() const { return *brigadeGrid->dataset(); }

    QGroupBox* entryGroup;
    widgets::LookupCombo* requisitionCombo;
    widgets::LookupCombo* requisitionItemCombo;
    QLineEdit* workerEdit;
    QPushButton* pickWorkerButton;
    QLineEdit* operationEdit;
    QPushButton* pickOperationButton;
    QLineEdit* quantityEdit;
    QLineEdit* hoursEdit;
    QDateEdit* dateEdit;
    QLineEdit* defectsEdit;
    QLineEdit* basePriceEdit;
    QLineEdit* finalPriceEdit;
    QLineEdit* sumEdit;
    QLabel* entryIdLabel;
    QPushButton* saveButton;
    QPushButton* exitButton;
    QPushButton* divideButton;
    widgets::DataGrid* materialsGrid;
    QPushButton* addMaterialButton;
    QPushButton* deleteMaterialButton;
    QLineEdit* materialsTotalEdit;
    QLabel* brigadeLabel;
    widgets::DataGrid* brigadeGrid;
    QPushButton* addMemberButton;
    QPushButton* removeMemberButton;
};

// The material consumption dialog's controls, found by name.
struct ConsumptionControls {
    explicit ConsumptionControls(const QWidget& c)
        : goodsCombo(test::childNamed<widgets::LookupCombo>(c, QStringLiteral("goodsCombo"))),
          quantityEdit(test::childNamed<QLineEdit>(c, QStringLiteral("quantityEdit"))),
          freeStockLabel(test::childNamed<QLabel>(c, QStringLiteral("freeStockLabel"))),
          reservedStockLabel(test::childNamed<QLabel>(c, QStringLiteral("reservedStockLabel"))),
          saveButton(test::childNamed<QPushButton>(c, QStringLiteral("saveButton"))) {}

    widgets::LookupCombo* goodsCombo;
    QLineEdit* quantityEdit;
    QLabel* freeStockLabel;
    QLabel* reservedStockLabel;
    QPushButton* saveButton;
};

class EntryTest : public ::testing::Test {
protected:
    virtual QString login() const { return QStringLiteral("master"); }

    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(session.connection, login());
        shiftLog.setEntryDialog(&dialog);
        shiftLog.setOperationsWindow(&operations);
        shiftLog.show();
        sl.chooseDay(kMonday);
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
            dialog, [this] { QTest::mouseClick(sl.addButton, Qt::LeftButton); },
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

    // Whether `action` showed the workers or the operations list (closed again at once).
    bool opensAList(const std::function<void()>& action) {
        bool shown = false;
        QTimer guard;
        guard.setInterval(0);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            for (QDialog* list :
                 {static_cast<QDialog*>(&workers), static_cast<QDialog*>(&operations)}) {
                if (list->isVisible()) {
                    shown = true;
                    list->reject();
                }
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
        QTest::mouseClick(ui.pickOperationButton, Qt::LeftButton);
    }
    // Requisition 1 ("№ 15"), its item 11 (КР-1, 100 required), Петров, operation 1 (Резка,
    // 1.25), 5 pieces in 4 hours.
    void fillNewEntry() {
        ui.requisitionCombo->choose(0);
        ui.requisitionItemCombo->choose(0);
        pickWorker(ui.pickWorkerButton, QStringLiteral("Петров Пётр Петрович"));
        pickOperation(1);
        ui.quantityEdit->setText(QStringLiteral("5"));
        ui.hoursEdit->setText(QStringLiteral("4"));
    }

    // Selects row `row` of the current shift list, as a click in the grid would.
    void selectRow(int row) { sl.entriesGrid->dataset()->setCurrentRow(row); }

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
    ShiftLogWindow shiftLog{session};
    EntryDialogControls ui{dialog};
    ConsumptionControls cons{consumption};
    test::ShiftLogControls sl{shiftLog};
};

}  // namespace tabel::shiftlog
