#pragma once
// Every reference window on one session, connected as a foreman to a fresh base fixture. The
// windows' controls are found as a user finds them: by name or caption.

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
#include "widgets/data_grid.h"
#include "widgets/search_box.h"

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
            QTest::mouseClick(control<QPushButton>(editor, "saveButton"), Qt::LeftButton);
            closed = !editor.isVisible();
            if (!closed) {
                editor.reject();
            }
        });
        open();
        return closed;
    }

    // The control named `name` in `window`; a failure when there is none.
    template <typename Control = QWidget>
    static Control* control(const QObject& window, const char* name) {
        auto* found = window.findChild<Control*>(QString::fromLatin1(name));
        if (found == nullptr) {
            ADD_FAILURE() << "no " << name << " in " << window.objectName().toStdString();
            throw std::runtime_error("no such control");
        }
        return found;
    }
    static QPushButton* button(const QObject& window, const char* name) {
        return control<QPushButton>(window, name);
    }
    static widgets::SearchBox* searchBox(const QObject& window) {
        return control<widgets::SearchBox>(window, "searchBox");
    }
    static widgets::DataGrid* grid(const QObject& window, const char* name = "listGrid") {
        return control<widgets::DataGrid>(window, name);
    }
    // A double-click on the current row of the grid `name`, as the mouse gives it.
    static void doubleClickCurrentRow(const QObject& window, const char* name = "listGrid") {
        widgets::DataGrid* list = grid(window, name);
        const QRect cell = list->visualRect(list->model()->index(list->dataset()->currentRow(), 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
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
