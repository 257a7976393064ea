// Every window of the program, as a table: each button, menu item, tab and labelled field has a
// mnemonic of its own within its window, and the window opens on a 1024×768 screen whole, with
// every control inside it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTabBar>
#include <QTest>
#include <QToolBar>

#include "app/window_set.h"
#include "data/entry_writes.h"
#include "find_widget.h"
#include "modal.h"
#include "outputwindows/report_preview.h"
#include "shiftlog/entry_history_dialog.h"
#include "test_db.h"
#include "widgets/lookup_combo.h"
#include "widgets/window_geometry.h"

namespace tabel::app {
namespace {

struct Window {
    const char* name;
    QWidget* widget;
};

class EveryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A size the user left in an earlier run would hide the initial one.
        QSettings().remove(QStringLiteral("windows"));
        test::loadBaseFixture();
        test::connectAs(windows.session.connection);
        document.title = QStringLiteral("Отчет");
        document.pageSize = QSizeF(210, 297);
        document.pages.resize(1);
        preview = std::make_unique<outputwindows::ReportPreview>(document);
    }

    QList<Window> all() const {
        return {{"login", windows.login.get()},
                {"shift log", windows.shiftLog.get()},
                {"entry", windows.entryDialog.get()},
                {"material", windows.consumption.get()},
                {"workers", windows.workers.get()},
                {"products", windows.products.get()},
                {"operation kinds", windows.kinds.get()},
                {"kind editor", windows.kindEditor.get()},
                {"operations", windows.operations.get()},
                {"price editor", windows.priceEditor.get()},
                {"norms", windows.norms.get()},
                {"timesheet", windows.timesheetWindow.get()},
                {"reports", windows.reportsDialog.get()},
                {"charts", windows.chartsWindow.get()},
                {"preview", preview.get()}};
    }

    const Deployment deployment{test::testServer(), QStringLiteral("tabel"), QStringLiteral("sys"),
                                QStringLiteral("1234")};
    WindowSet windows{deployment, QString(), QString()};
    reportengine::ReportDocument document;
    std::unique_ptr<outputwindows::ReportPreview> preview;
};

// Controls of `window` itself: not those of the dialogs it owns, nor a date's calendar.
template <typename T>
QList<T*> ownControls(QWidget* window) {
    QList<T*> own;
    for (T* control : window->findChildren<T*>()) {
        bool inCalendar = false;
        for (QWidget* up = control->parentWidget(); up != nullptr; up = up->parentWidget()) {
            inCalendar = inCalendar || qobject_cast<QCalendarWidget*>(up) != nullptr;
        }
        if (control->window() == window && !inCalendar) {
            own.append(control);
        }
    }
    return own;
}

// Collects the mnemonics of one scope (a window, a menu) and reports a caption without one
// or a letter taken twice.
class MnemonicScope {
public:
    explicit MnemonicScope(QString where) : where_(std::move(where)) {}

    void add(const QString& caption, bool required) {
        const QString plain = test::withoutMnemonic(caption);
        const QRegularExpressionMatch marker =
            QRegularExpression(QStringLiteral("&([^&])")).match(caption);
        if (!marker.hasMatch()) {
            // "..." and the like have no letter to underline.
            EXPECT_TRUE(!required || !plain.contains(QRegularExpression(QStringLiteral("\\w"))))
                << where_.toStdString() << ": \"" << plain.toStdString() << "\" has no mnemonic";
            return;
        }
        const QChar key = marker.captured(1).at(0).toUpper();
        EXPECT_FALSE(keys_.contains(key))
            << where_.toStdString() << ": \"" << plain.toStdString() << "\" repeats the key of \""
            << keys_.value(key).toStdString() << "\"";
        keys_.insert(key, plain);
    }

private:
    QString where_;
    QHash<QChar, QString> keys_;
};

TEST_F(EveryWindowTest, EveryCaptionHasAMnemonicOfItsOwnAndIsSpokenWithoutIt) {
    for (const Window& window : all()) {
        SCOPED_TRACE(window.name);
        MnemonicScope scope(QString::fromLatin1(window.name));
        for (QAbstractButton* button : ownControls<QAbstractButton>(window.widget)) {
            if (qobject_cast<QTabBar*>(button->parentWidget()) != nullptr) {
                continue;  // a tab bar's scroll arrows
            }
            scope.add(button->text(), true);
            QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(button);
            ASSERT_NE(spoken, nullptr);
            EXPECT_EQ(spoken->text(QAccessible::Name), test::withoutMnemonic(button->text()));
        }
        for (QLabel* label : ownControls<QLabel>(window.widget)) {
            if (label->buddy() != nullptr) {
                scope.add(label->text(), false);
            }
        }
        for (QTabBar* tabs : ownControls<QTabBar>(window.widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                scope.add(tabs->tabText(i), true);
            }
        }
        for (QMenuBar* bar : ownControls<QMenuBar>(window.widget)) {
            for (QAction* item : bar->actions()) {
                scope.add(item->text(), true);
                if (QMenu* menu = item->menu()) {
                    MnemonicScope inMenu(test::withoutMnemonic(item->text()));
                    for (QAction* entry : menu->actions()) {
                        if (!entry->isSeparator()) {
                            inMenu.add(entry->text(), true);
                        }
                    }
                }
            }
        }
    }
}

// The letters a window's mnemonics take: its buttons', its labelled fields' and its tabs'.
QSet<QChar> mnemonicsOf(QWidget* window) {
    QStringList captions;
    for (QAbstractButton* button : ownControls<QAbstractButton>(window)) {
        captions.append(button->text());
    }
    for (QLabel* label : ownControls<QLabel>(window)) {
        if (label->buddy() != nullptr) {
            captions.append(label->text());
        }
    }
    for (QTabBar* tabs : ownControls<QTabBar>(window)) {
        for (int i = 0; i < tabs->count(); ++i) {
            captions.append(tabs->tabText(i));
        }
    }
    QSet<QChar> letters;
    for (const QString& caption : captions) {
        const QRegularExpressionMatch marker =
            QRegularExpression(QStringLiteral("&([^&])")).match(caption);
        if (marker.hasMatch()) {
            letters.insert(marker.captured(1).at(0).toUpper());
        }
    }
    return letters;
}

// A window opened over another shares no mnemonic with it: a key pressed once too often after
// the upper one closed (Alt+З, "Закрыть" in the preview) must not act in the one under it
// ("Заготовки" in the reports dialog).
TEST_F(EveryWindowTest, AWindowSharesNoMnemonicWithTheWindowUnderIt) {
    const struct {
        const char* over;
        QWidget* upper;
        const char* under;
        QWidget* lower;
    } pairs[] = {
        {"preview", preview.get(), "reports", windows.reportsDialog.get()},
        {"preview", preview.get(), "timesheet", windows.timesheetWindow.get()},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(std::string(p.over) + " over " + p.under);
        const QSet<QChar> upper = mnemonicsOf(p.upper);
        const QSet<QChar> shared = upper & mnemonicsOf(p.lower);
        EXPECT_FALSE(upper.isEmpty());
        EXPECT_TRUE(shared.isEmpty())
            << QStringList(QList<QString>(shared.begin(), shared.end())).join(u' ').toStdString();
    }
}

// What `window` shows (labels, fields, list items, grid cells) that holds a number written with
// a decimal point ("127.25"); a date (10.12.2026) is no such number.
QStringList pointedNumbers(QWidget* window) {
    static const QRegularExpression pointed(QStringLiteral("(?<![\\d.])\\d+\\.\\d+(?![\\d.])"));
    QStringList found;
    const auto check = [&](const QObject* where, const QString& text) {
        if (pointed.match(text).hasMatch()) {
            found.append(where->objectName() + QStringLiteral(": ") + text);
        }
    };
    for (QLabel* label : ownControls<QLabel>(window)) {
        check(label, label->text());
    }
    for (QLineEdit* field : ownControls<QLineEdit>(window)) {
        check(field, field->text());
    }
    for (QComboBox* list : ownControls<QComboBox>(window)) {
        for (int i = 0; i < list->count(); ++i) {
            check(list, list->itemText(i));
        }
    }
    for (QAbstractItemView* view : ownControls<QAbstractItemView>(window)) {
        const QAbstractItemModel* model = view->model();
        if (model == nullptr || qobject_cast<QComboBox*>(view->parentWidget()) != nullptr) {
            continue;
        }
        for (int row = 0; row < model->rowCount(); ++row) {
            for (int column = 0; column < model->columnCount(); ++column) {
                check(view, model->index(row, column).data().toString());
            }
        }
    }
    return found;
}

// Every window writes its numbers with the decimal comma, those the server composes into a
// caption or a history included.
TEST_F(EveryWindowTest, NoWindowWritesANumberWithADecimalPoint) {
    test::adminExec(
        QStringLiteral("update mnf_doc.doc_item set f_qty = 12.5 where id = 12; "
                       "update accounts_dep.smena set kol_vo = 12.75, cena = 1.2345 where id = 1; "
                       "insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) "
                       "values (1, 1001, 0.375)"));
    const QDate monday(2026, 3, 2);
    QStringList found;
    const auto scan = [&](const char* name, QWidget* window) {
        for (const QString& text : pointedNumbers(window)) {
            found.append(QString::fromLatin1(name) + QStringLiteral(" — ") + text);
        }
    };
    // Runs `open`, which shows `window` modally, and looks at it once shown.
    const auto inside = [&](const char* name, QDialog* window, const std::function<void()>& open,
                            const std::function<void()>& before = {}) {
        test::whenShown(window, [&, name, window] {
            if (before) {
                before();
            }
            scan(name, window);
            window->reject();
        });
        open();
    };

    shiftlog::ShiftLogWindow& log = *windows.shiftLog;
    log.show();
    auto* date = log.findChild<QDateEdit*>(QStringLiteral("dateEdit"));
    date->setDate(monday);
    QTest::keyClick(date, Qt::Key_Return);
    for (const char* radio : {"shift1Radio", "shift2Radio", "shift3Radio", "overtimeRadio"}) {
        QTest::mouseClick(log.findChild<QRadioButton*>(QString::fromLatin1(radio)), Qt::LeftButton);
        scan(radio, &log);
    }
    const data::Entry entry = data::readEntry(windows.session.connection, 1);
    inside("entry", windows.entryDialog.get(), [&] {
        windows.entryDialog->openForEdit({1, false, monday, 1}, entry);
    });
    inside(
        "material", windows.consumption.get(),
        [&] {
            windows.consumption->openFor({1, 1, QStringLiteral("12,75"), QString()});
        },
        [&] {
            auto* goods =
                windows.consumption->findChild<widgets::LookupCombo*>(QStringLiteral("goodsCombo"));
            for (int i = 0; i < goods->count(); ++i) {
                if (goods->itemData(i).toLongLong() == 1001) {
                    goods->choose(i);
                }
            }
        });
    inside("operations", windows.operations.get(), [&] { windows.operations->openForBrowse(); });
    inside("norms", windows.norms.get(), [&] { windows.norms->openForOperation(6); });
    inside("products", windows.products.get(), [&] { windows.products->pickProduct(); });
    inside("timesheet", windows.timesheetWindow.get(),
           [&] { windows.timesheetWindow->openForMonth(monday); });
    auto* history = log.findChild<shiftlog::EntryHistoryDialog*>();
    inside("history", history, [&] { history->openForEntry(1, monday, 1); });
    log.hide();
    EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
}

TEST_F(EveryWindowTest, EveryWindowOpensWholeOnA1024By768Screen) {
    const QRect screen(QPoint(0, 0), QSize(1024, 768));
    for (const Window& window : all()) {
        SCOPED_TRACE(window.name);
        QWidget* w = window.widget;
        w->move(0, 0);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        QCoreApplication::processEvents();
        EXPECT_LE(w->frameGeometry().width(), screen.width());
        EXPECT_LE(w->frameGeometry().height(), screen.height());
        EXPECT_LE(w->width(), widgets::kSmallestScreen.width());
        EXPECT_LE(w->height(), widgets::kSmallestScreen.height());
        for (QWidget* child : ownControls<QWidget>(w)) {
            if (!child->isVisibleTo(w)) {
                continue;
            }
            // What a grid or a page view holds scrolls inside it.
            bool scrolled = false;
            for (QWidget* up = child->parentWidget(); up != nullptr && up != w;
                 up = up->parentWidget()) {
                if (auto* area = qobject_cast<QAbstractScrollArea*>(up->parentWidget())) {
                    scrolled = scrolled || area->viewport() == up;
                }
            }
            if (scrolled) {
                continue;
            }
            // A toolbar shows every command: none hides behind its overflow arrow.
            if (auto* bar = qobject_cast<QToolBar*>(child)) {
                for (QAction* command : bar->actions()) {
                    QWidget* shown = bar->widgetForAction(command);
                    EXPECT_TRUE(command->isSeparator() || (shown != nullptr && shown->isVisible()))
                        << "toolbar hides " << command->text().toStdString();
                }
            }
            const QRect at(child->mapTo(w, QPoint(0, 0)), child->size());
            EXPECT_TRUE(w->rect().contains(at))
                << child->metaObject()->className() << " " << child->objectName().toStdString()
                << " at " << at.x() << "," << at.y() << " " << at.width() << "×" << at.height()
                << " outside " << w->width() << "×" << w->height();
        }
        w->hide();
    }
}

// Each dialog opens with the keyboard on its first field, wherever it was when the dialog last
// closed.
TEST_F(EveryWindowTest, EveryDialogOpensOnItsFirstField) {
    auto* history = windows.shiftLog->findChild<QDialog*>(QStringLiteral("EntryHistoryDialog"));
    ASSERT_NE(history, nullptr);
    const struct {
        const char* name;
        QWidget* widget;
        const char* firstField;
    } dialogs[] = {
        {"entry", windows.entryDialog.get(), "requisitionCombo"},
        {"material", windows.consumption.get(), "goodsCombo"},
        {"workers", windows.workers.get(), "searchBox"},
        {"products", windows.products.get(), "searchBox"},
        {"operation kinds", windows.kinds.get(), "listGrid"},  // browsing: no search shown
        {"operations", windows.operations.get(), "searchBox"},
        {"norms", windows.norms.get(), "normsGrid"},
        {"timesheet", windows.timesheetWindow.get(), "monthBox"},
        {"reports", windows.reportsDialog.get(), "fromDate"},
        {"history", history, "showDeletedCheck"},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.name);
        QWidget* w = d.widget;
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        // The last control that takes the keyboard, as a user leaves it there.
        QWidget* last = nullptr;
        for (QWidget* c : ownControls<QWidget>(w)) {
            if ((c->focusPolicy() & Qt::TabFocus) && c->isEnabled() && c->isVisible()) {
                last = c;
            }
        }
        ASSERT_NE(last, nullptr);
        last->setFocus(Qt::TabFocusReason);
        w->hide();
        w->show();
        ASSERT_NE(w->focusWidget(), nullptr);
        EXPECT_EQ(w->focusWidget()->objectName().toStdString(), d.firstField)
            << "last was " << last->objectName().toStdString();
        w->hide();
    }
}

TEST_F(EveryWindowTest, TheShiftLogTheTimesheetAndTheChartsKeepTheSizeTheUserGaveThem) {
    const QList<QWidget*> resizable{windows.shiftLog.get(), windows.timesheetWindow.get(),
                                    windows.chartsWindow.get()};
    for (QWidget* w : resizable) {
        SCOPED_TRACE(w->objectName().toStdString());
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        w->resize(1180, 700);
        EXPECT_EQ(w->size(), QSize(1180, 700));  // the user may enlarge it
        w->hide();
    }
    // The next run: a new set of windows opens them at that size.
    WindowSet next(deployment, QString(), QString());
    EXPECT_EQ(next.shiftLog->size(), QSize(1180, 700));
    EXPECT_EQ(next.timesheetWindow->size(), QSize(1180, 700));
    EXPECT_EQ(next.chartsWindow->size(), QSize(1180, 700));
    QSettings().remove(QStringLiteral("windows"));
}

}  // namespace
}  // namespace tabel::app
