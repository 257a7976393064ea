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

#include "data/data_module.h"
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
#include "shiftlog/material_consumption_dialog.h"
#include "shiftlog/shift_log_window.h"
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
        test::connectAs(dm.ADO_DB, login());
        for (int shift = 1; shift <= 4; ++shift) {
            dm.smenaList(shift).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
        }
        form1.setEntryDialog(&dialog);
        form1.setOperationsWindow(&operations);
        form1.show();
        form1.DateT->setDate(kMonday);
        form1.DateTCloseUp();
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
            dialog, [this] { QTest::mouseClick(form1.Button1, Qt::LeftButton); },
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
            ASSERT_TRUE(dm.Workers.locate(QStringLiteral("fio"), fio));
            QTest::mouseClick(workers.Button2, Qt::LeftButton);
        });
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void pickOperation(int id) {
        whenShown(&operations, [this, id] {
            ASSERT_TRUE(dm.Oper.locate(QStringLiteral("id"), id));
            QTest::mouseClick(operations.Button2, Qt::LeftButton);
        });
        QTest::mouseClick(dialog.Button4, Qt::LeftButton);
    }
    // Requisition 1 ("№ 15"), its item 11 (КР-1, 100 required), Петров, operation 1 (Резка,
    // 1.25), 5 pieces in 4 hours.
    void fillNewEntry() {
        dialog.LCB_id_doc->choose(0);
        dialog.LCB_id_doc_item->choose(0);
        pickWorker(dialog.Button3, QStringLiteral("Петров Пётр Петрович"));
        pickOperation(1);
        dialog.Edit3->setText(QStringLiteral("5"));
        dialog.Edit6->setText(QStringLiteral("4"));
    }

    // Selects row `row` of the current shift list, as a click in the grid would.
    void selectRow(int row) { form1.currentList().setCurrentRow(row); }

    data::TDataModule6 dm;
    test::MessageRecorder messages;
    refdata::TForm3 products{dm};
    refdata::TForm5 workers{dm};
    refdata::TForm9 kindEditor{dm};
    refdata::TForm8 kinds{dm, kindEditor};
    refdata::TForm10 editor{dm, products, kinds};
    refdata::TForm22 norms{dm};
    refdata::TForm4 operations{dm, editor, norms};
    TForm24 consumption{dm};
    TForm11 dialog{dm, workers, operations, consumption};
    TForm1 form1{dm};
};

}  // namespace tabel::shiftlog
