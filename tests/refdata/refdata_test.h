#pragma once
// Every reference window on one data module, connected as a foreman to a fresh base fixture.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "data/session.h"
#include "message_recorder.h"
#include "modal.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "refdata/workers_window.h"
#include "shown_lists.h"
#include "test_db.h"

namespace tabel::refdata {

using test::whenShown;

class RefdataTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(session.connection);
    }

    // Opens `list` through `open`, runs `inList` inside it, then closes it.
    static void inside(QDialog& list, const std::function<void()>& open,
                       std::function<void()> inList) {
        whenShown(&list, [&list, inList] {
            inList();
            list.reject();
        });
        open();
    }
    void browseOperations(std::function<void()> inList) {
        inside(
            operations, [this] { operations.openForBrowse(); }, std::move(inList));
    }
    void browseKinds(std::function<void()> inList) {
        inside(
            kinds, [this] { kinds.openForBrowse(); }, std::move(inList));
    }

    // Presses "Записать" in the editor `open` shows, after `fill`; whether the editor closed.
    static bool saveInEditor(widgets::EditorDialog& editor, const std::function<void()>& open,
                             const std::function<void()>& fill) {
        bool closed = false;
        whenShown(&editor, [&] {
            fill();
            QTest::mouseClick(editor.saveButton, Qt::LeftButton);
            closed = !editor.isVisible();
            if (!closed) {
                editor.reject();
            }
        });
        open();
        return closed;
    }

    data::Session session;
    test::MessageRecorder messages;
    ProductsWindow products{session};
    WorkersWindow workers{session};
    OperationKindEditor kindEditor{session};
    OperationKindsWindow kinds{session, kindEditor};
    OperationPriceEditor editor{session, products, kinds};
    NormsWindow norms{session};
    OperationsWindow operations{session, editor, norms};
};

}  // namespace tabel::refdata
