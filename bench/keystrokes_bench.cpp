// A day's entry at the keyboard: the real shift log, entry dialog, lists and material dialog,
// driven with synthetic key events, each counted. From the shift log: one new entry with a
// requisition line, a worker, an operation, quantity and hours, and one material, saved and back
// in the list. The figure is the number of keys, held to at most 20.
// Then a clerk accepts a shift: his own shift log on a day whose shift 2 holds entries with
// their materials; from the day's list on screen, the keys until every entry is accepted,
// held to at most 3 an entry.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/dataset.h"
#include "data/group_roles.h"
#include "data/session.h"
#include "refdata/norms_window.h"
#include "refdata/operation_kind_editor.h"
#include "refdata/operation_kinds_window.h"
#include "refdata/operation_price_editor.h"
#include "refdata/operations_window.h"
#include "refdata/products_window.h"
#include "refdata/reference_statements.h"
#include "refdata/workers_window.h"
#include "shiftlog/entry_dialog.h"
#include "shiftlog/material_consumption_dialog.h"
#include "shiftlog/shift_log_rights.h"
#include "shiftlog/shift_log_window.h"
#include "support/bench_support.h"
#include "widgets/data_grid.h"
#include "widgets/date_edit.h"
#include "widgets/lookup_combo.h"

namespace {

using namespace tabel;

constexpr int kGoal = 20;
constexpr int kClerkEntries = 12;
constexpr double kClerkGoal = 3;  // keys an entry

// Sends keys as a user types them, to whatever has the focus, and counts each one; a chord
// (Alt+letter) is one key.
class Keyboard {
public:
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        tally();
        QTest::keyClick(target(), key, modifiers);
    }

    void type(const QString& text) {
        for (const QChar c : text) {
            tally();
            QWidget* to = target();
            QTest::sendKeyEvent(QTest::Press, to, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, to, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    // Alt with the caption's underlined letter.
    void alt(QChar letter) {
        tally();
        const auto key = Qt::Key(letter.toUpper().unicode());
        QWidget* to = target();
        QTest::sendKeyEvent(QTest::Press, to, key, QString(letter), Qt::AltModifier);
        QTest::sendKeyEvent(QTest::Release, to, key, QString(letter), Qt::AltModifier);
    }

    int count() const { return count_; }
    // The keys that follow count for `step` (a modal window's steps run inside another's key).
    void startStep(std::string step) { perStep_.emplace_back(std::move(step), 0); }
    const std::vector<std::pair<std::string, int>>& perStep() const { return perStep_; }

private:
    static QWidget* target() {
        if (QWidget* focus = QApplication::focusWidget()) {
            return focus;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            return modal;
        }
        return QApplication::activeWindow();
    }

    // Counted before the key goes: a key that opens a modal window returns when it closes.
    void tally() {
        ++count_;
        ++perStep_.back().second;
    }

    int count_ = 0;
    std::vector<std::pair<std::string, int>> perStep_{{"", 0}};
};

// The steps of the day's entry, each run once the window it types into is in front; a step
// that opens a modal window returns only when that window closes, so the next steps run from
// the event loop of the window they wait for.
class Script {
public:
    struct Step {
        std::string name;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    void add(std::string name, std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({std::move(name), std::move(ready), std::move(act)});
    }

    // Runs the steps; false when a step's window never came (after `patience` ms).
    bool run(Keyboard& keys, int patience = 30000) {
        keys_ = &keys;
        deadline_.start();
        patience_ = patience;
        QTimer::singleShot(0, [this] { tick(); });
        while (!finished_) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return steps_.empty();
    }

private:
    void tick() {
        if (steps_.empty() || deadline_.elapsed() > patience_) {
            if (!steps_.empty()) {
                QWidget* focus = QApplication::focusWidget();
                QWidget* modal = QApplication::activeModalWidget();
                std::fprintf(stderr, "step \"%s\" never became ready (focus %s in %s, modal %s)\n",
                             steps_.front().name.c_str(),
                             focus ? qPrintable(focus->objectName()) : "none",
                             focus ? qPrintable(focus->window()->objectName()) : "none",
                             modal ? qPrintable(modal->objectName()) : "none");
            }
            finished_ = true;
            // Whatever is still open is closed so that the program's own loops end.
            while (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
            return;
        }
        // The window manager's part: the window in front gets the keyboard back when a window
        // over it closes (the offscreen platform activates nothing by itself).
        if (QWidget* modal = QApplication::activeModalWidget();
            modal != nullptr && QApplication::activeWindow() != modal) {
            QApplication::setActiveWindow(modal);
        }
        if (!steps_.front().ready()) {
            QTimer::singleShot(5, [this] { tick(); });
            return;
        }
        Step step = steps_.front();
        steps_.pop_front();
        // Scheduled first: a modal window the step opens runs the next ticks in its own loop.
        QTimer::singleShot(5, [this] { tick(); });
        keys_->startStep(step.name);
        step.act();
    }

    std::deque<Step> steps_;
    Keyboard* keys_ = nullptr;
    QElapsedTimer deadline_;
    int patience_ = 0;
    bool finished_ = false;
};

// `window` in front with the keyboard, and not waiting for the server: a user's keys wait
// until the window answers again (synthetic ones would arrive in the middle of the wait).
bool inFront(QWidget* window) {
    return QApplication::activeModalWidget() == window && window->isVisible() &&
           QApplication::focusWidget() != nullptr &&
           QApplication::focusWidget()->window() == window && !data::Connection::anyBusy();
}

void BM_Nothing(benchmark::State& state) {
    for (auto _ : state) {
    }
}

// A control of `window`, by its object name.
template <typename Control = QWidget>
Control* named(const QObject& window, const char* name) {
    return window.findChild<Control*>(QString::fromLatin1(name));
}

// A session of `login` (its password is its name on the bench cluster).
void connectAs(data::Session& session, const QString& login) {
    session.connection.setConnectionString(data::composeConnectionString(
        {tabel::bench::benchServer(), QStringLiteral("tabel"), login, login}));
    session.connection.open();
}

// The clerk's part: shift 2 of a day of its own gets entries copied from the plant's with one
// material each (the service account writes them, and removes them accepted); the clerk's
// shift log shows the day, and he accepts the shift from the keyboard.
void runClerk() {
    data::Session service;
    connectAs(service, QStringLiteral("sys"));
    const QDate day = QDate::currentDate().addYears(5);
    const auto removeDay = [&] {
        service.connection.run(QStringLiteral("delete from accounts_dep.smena where data = ?"),
                               {day});
    };
    removeDay();
    service.connection.run(
        QStringLiteral("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, "
                       "kol_vo, brak, color, time, ok, vvod, prize, id_doc, id_doc_item, "
                       "f_gds_qty_use, id_gds_use, id_cons_use) "
                       "select ?, 2, w_id, i_id, o_id, cena, kol_vo, brak, color, time, 'no', "
                       "vvod, prize, id_doc, id_doc_item, 0, 0, 0 from accounts_dep.smena "
                       "where data < current_date order by id desc limit ?"),
        {day, kClerkEntries});
    service.connection.run(
        QStringLiteral("insert into accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) "
                       "select s.id, (select min(id) from cmn_gds.gds), 1 "
                       "from accounts_dep.smena s where s.data = ?"),
        {day});
    const int entries =
        service.connection
            .scalar(QStringLiteral("select count(*) from accounts_dep.smena where data = :day"),
                    {{QStringLiteral("day"), day}})
            .toInt();

    data::Session clerk;
    connectAs(clerk, QStringLiteral("clerk_a"));
    clerk.roles = data::readGroupRoles(clerk.connection);
    shiftlog::ShiftLogWindow log{clerk};
    log.applyRights(shiftlog::rightsFor(clerk.roles));
    log.show();
    QApplication::setActiveWindow(&log);
    // The day's list on screen, as after the date is chosen.
    auto* date = named<QDateEdit>(log, "dateEdit");
    date->setDate(day);
    QTest::keyClick(date, Qt::Key_Return);
    auto* grid = named(log, "entriesGrid");

    Keyboard keys;
    Script script;
    // The keys of a user: none while the window waits for the server (input waits then).
    // The keys of a user: none while the window waits for the server (input waits then).
    const auto listInFront = [&] {
        return QApplication::activeModalWidget() == nullptr &&
               QApplication::activeWindow() == &log && grid->hasFocus() &&
               !data::Connection::anyBusy();
    };
    script.add("shift 2: Alt+2", listInFront, [&] { keys.alt(u'2'); });
    for (int i = 1; i <= entries; ++i) {
        script.add("accept " + std::to_string(i), listInFront, [&] { keys.press(Qt::Key_Return); });
    }
    const bool ran = script.run(keys);
    const int accepted =
        service.connection
            .scalar(QStringLiteral("select count(*) from accounts_dep.smena where data = :day "
                                   "and ok = 'ok'"),
                    {{QStringLiteral("day"), day}})
            .toInt();
    log.hide();
    removeDay();

    const double perEntry = entries > 0 ? double(keys.count()) / entries : 0;
    std::printf("\nKeys for a clerk accepting a shift of %d entries, each with its material:\n",
                entries);
    for (const auto& [name, count] : keys.perStep()) {
        if (name == "shift 2: Alt+2" || name == "accept 1") {
            std::printf("  %-36s %2d%s\n", name.c_str(), count,
                        name == "accept 1" ? " (as many for every entry after it)" : "");
        }
    }
    std::printf("clerk keystrokes: %d for %d entries, %.2f an entry (goal <= %.0f): %s%s\n",
                keys.count(), entries, perEntry, kClerkGoal,
                perEntry <= kClerkGoal && entries > 0 ? "met" : "MISSED",
                ran && accepted == entries ? "" : "; NOT every entry was accepted");
}

}  // namespace

void tabel::bench::setUpAndRun(data::Session& session, const RunBenchmarks& run) {
    refdata::ProductsWindow products{session};
    refdata::WorkersWindow workers{session};
    refdata::OperationKindEditor kindEditor{session};
    refdata::OperationKindsWindow kinds{session, kindEditor};
    refdata::OperationPriceEditor editor{session, products, kinds};
    refdata::NormsWindow norms{session};
    refdata::OperationsWindow operations{session, editor, norms};
    shiftlog::MaterialConsumptionDialog consumption{session};
    shiftlog::EntryDialog dialog{session, workers, operations, consumption};
    shiftlog::ShiftLogWindow shiftLog{session};
    shiftLog.setEntryDialog(&dialog);
    shiftLog.setOperationsWindow(&operations);
    shiftLog.show();
    QApplication::setActiveWindow(&shiftLog);
    auto* date = named<QDateEdit>(shiftLog, "dateEdit");
    auto* entriesGrid = named(shiftLog, "entriesGrid");
    date->setDate(QDate::currentDate());
    QTest::keyClick(date, Qt::Key_Return);  // the day's lists
    entriesGrid->setFocus();
    const qint64 lastBefore =
        session.connection
            .run(QStringLiteral("select coalesce(max(id), 0) from accounts_dep.smena"))
            .rows.first()
            .first()
            .toLongLong();

    // The first letters of the first worker and of the first product the operations list
    // offers: the lists open searched for them and Enter takes the row found.
    Keyboard keys;
    Script script;
    const auto entryInFront = [&] { return inFront(&dialog); };
    script.add(
        "Insert: the entry dialog", [&] { return entriesGrid->hasFocus(); },
        [&] { keys.press(Qt::Key_Insert); });
    // A closed list takes the next row with the arrow key, as a choice.
    script.add("requisition", entryInFront, [&] {
        if (!named(dialog, "requisitionCombo")->hasFocus()) {
            keys.press(Qt::Key_Tab);
        }
        keys.press(Qt::Key_Down);
    });
    script.add("requisition line", entryInFront, [&] {
        if (!named(dialog, "requisitionItemCombo")->hasFocus()) {
            keys.press(Qt::Key_Tab);
        }
        keys.press(Qt::Key_Down);
    });
    script.add("worker: the list searched", entryInFront, [&] {
        if (!named(dialog, "pickWorkerButton")->hasFocus()) {
            keys.press(Qt::Key_Tab);
        }
        // The names the workers list will show, read beside it.
        data::Dataset names(&session.connection, QStringLiteral("names"));
        refdata::prepareWorkers(names);
        names.open();
        keys.type(
            names.isEmpty()
                ? QStringLiteral("А")
                : names.valueAt(0, names.fieldIndex(QStringLiteral("fio"))).toString().left(1));
    });
    script.add(
        "worker: chosen", [&] { return inFront(&workers); }, [&] { keys.press(Qt::Key_Return); });
    script.add("operation: the list", entryInFront, [&] {
        if (!named(dialog, "pickOperationButton")->hasFocus()) {
            keys.press(Qt::Key_Tab);
        }
        // The first letter of the line's product, as the list searches its marks.
        const QVariant product = named<data::Dataset>(dialog, "requisitionItems")
                                     ->field(QStringLiteral("s_gds_mc"))
                                     .value();
        const data::StatementResult mark = session.connection.run(
            QStringLiteral("select marka from accounts_dep.izdel where id::text = trim(?)"),
            {product.toString()});
        const QString letter =
            mark.rows.isEmpty() ? QString() : mark.rows.first().first().toString().left(1);
        letter.isEmpty() ? keys.press(Qt::Key_Space) : keys.type(letter);
    });
    script.add(
        "operation: chosen", [&] { return inFront(&operations); },
        [&] { keys.press(Qt::Key_Return); });
    script.add("quantity and hours", entryInFront, [&] {
        if (!named(dialog, "quantityEdit")->hasFocus()) {
            keys.press(Qt::Key_Tab);
        }
        keys.type(QStringLiteral("7"));
        keys.press(Qt::Key_Tab);
        keys.type(QStringLiteral("8"));
    });
    script.add("save the entry", entryInFront, [&] { keys.press(Qt::Key_Return); });
    script.add("material: the dialog", entryInFront, [&] { keys.alt(u'Д'); });
    script.add(
        "material: goods and quantity", [&] { return inFront(&consumption); },
        [&] {
            if (!named(consumption, "goodsCombo")->hasFocus()) {
                keys.press(Qt::Key_Tab);
            }
            keys.press(Qt::Key_Down);
            if (!named(consumption, "quantityEdit")->hasFocus()) {
                keys.press(Qt::Key_Tab);
            }
            keys.type(QStringLiteral("1"));
            keys.press(Qt::Key_Return);
        });
    script.add("back in the list", entryInFront, [&] { keys.alt(u'Ы'); });
    const bool ran = script.run(keys);

    const data::StatementResult made = session.connection.run(
        QStringLiteral("select count(*), coalesce(sum((select count(*) from "
                       "accounts_dep.smena_gds_use u where u.id_smena = s.id)), 0) "
                       "from accounts_dep.smena s where s.id > ? and s.kol_vo = 7 and "
                       "s.id_doc_item > 0 and s.time = 8 and s.w_id > 0 and s.o_id > 0"),
        {lastBefore});
    const int entries = made.rows.first().at(0).toInt();
    const int materials = made.rows.first().at(1).toInt();
    // The run leaves the database as it found it.
    session.connection.run(
        QStringLiteral("delete from accounts_dep.smena_gds_use where id_smena in "
                       "(select id from accounts_dep.smena where id > ?)"),
        {lastBefore});
    session.connection.run(QStringLiteral("delete from accounts_dep.smena where id > ?"),
                           {lastBefore});

    std::printf(
        "Keys for one entry with a requisition line, worker, operation, quantity, hours "
        "and one material:\n");
    for (const auto& [name, count] : keys.perStep()) {
        if (name.empty()) {
            continue;
        }
        std::printf("  %-36s %2d\n", name.c_str(), count);
    }
    const bool saved = ran && entries == 1 && materials >= 1 && shiftLog.isVisible() &&
                       QApplication::activeModalWidget() == nullptr;
    std::printf("keystrokes: %d (goal <= %d, was 35-45): %s%s\n", keys.count(), kGoal,
                keys.count() <= kGoal ? "met" : "MISSED",
                saved ? "" : "; the entry with its material was NOT saved");
    shiftLog.hide();
    runClerk();
    benchmark::RegisterBenchmark("BM_Nothing", BM_Nothing)->Iterations(1);
    run({});
}
