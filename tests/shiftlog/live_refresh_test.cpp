// Two workstations on one database: each shift log follows what the other one (or plain SQL)
// commits without "Обновить", keeping its current row and scroll position; the history of
// every action is shown by "История".
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QProcess>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include "data/entry_history.h"
#include "data/entry_writes.h"
#include "data/notifications.h"
#include "data/session.h"
#include "eventually.h"
#include "find_widget.h"
#include "message_recorder.h"
#include "modal.h"
#include "shift_log_controls.h"
#include "shiftlog/entry_history_dialog.h"
#include "shiftlog/shift_log_window.h"
#include "shown_lists.h"
#include "test_db.h"
#include "widgets/data_grid.h"

namespace tabel::shiftlog {
namespace {

const QDate kMonday(2026, 3, 2);
// A change reaches the other window within 2 s; the tests wait longer so a busy machine does
// not fail them (the benchmark measures the delay).
constexpr int kWaitMs = 8000;

// One workstation: its own session, connection and shift log.
struct Workstation {
    explicit Workstation(const QString& login) : window(session), controls(window) {
        test::connectAs(session.connection, login);
        window.show();
        controls.chooseDay(kMonday);
    }
    data::Dataset& list() { return test::shiftList(window, window.shift()); }
    QList<int> ids() {
        QList<int> result;
        const int id = list().fieldIndex(QStringLiteral("id"));
        for (int row = 0; row < list().recordCount(); ++row) {
            result.append(list().valueAt(row, id).toInt());
        }
        return result;
    }
    int currentId() { return list().field(QStringLiteral("id")).asInteger(); }
    QVariant valueOf(int id, const QString& field) {
        const int idColumn = list().fieldIndex(QStringLiteral("id"));
        const int column = list().fieldIndex(field);
        for (int row = 0; row < list().recordCount(); ++row) {
            if (list().valueAt(row, idColumn).toInt() == id) {
                return list().valueAt(row, column);
            }
        }
        return {};
    }

    data::Session session;
    ShiftLogWindow window;
    test::ShiftLogControls controls;
};

class LiveRefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        foreman = std::make_unique<Workstation>(QStringLiteral("master"));
        clerk = std::make_unique<Workstation>(QStringLiteral("clerk_a"));
        EXPECT_SOON(foreman->session.changes.isLive() && clerk->session.changes.isLive(), kWaitMs);
    }

    static void insertEntry(int id, const QString& date, int shift) {
        test::adminExec(
            QStringLiteral("INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id, "
                           "cena, kol_vo, time, ok) VALUES (%1, '%2', %3, 101, 1, 1, 1, 16, 0, "
                           "'no')")
                .arg(id)
                .arg(date)
                .arg(shift));
    }

    // Saves entry `id` (0: a new one) of 2 March, shift 1, on the foreman's workstation
    // through the program's own write (the entry dialog's); returns its id.
    int saveAsForeman(int id, int quantity) {
        data::Entry entry;
        entry.id = id;
        entry.workerId = 101;
        entry.productId = 1;
        entry.operationId = 1;
        entry.price = core::Decimal::fromInteger(1);
        entry.quantity = core::Decimal::fromInteger(quantity);
        entry.date = kMonday;
        entry.shift = 1;
        entry.hours = 8;
        return data::saveEntry(foreman->session.connection, entry).id;
    }

    std::unique_ptr<Workstation> foreman;
    std::unique_ptr<Workstation> clerk;
};

// Two data modules in one process are two sessions, each with its own login.
TEST_F(LiveRefreshTest, EachWorkstationIsASessionOfItsOwn) {
    const QString who = QStringLiteral("select session_user");
    EXPECT_EQ(foreman->session.connection.scalar(who).toString(), QStringLiteral("master"));
    EXPECT_EQ(clerk->session.connection.scalar(who).toString(), QStringLiteral("clerk_a"));
}

TEST_F(LiveRefreshTest, EntriesWrittenElsewhereAppearInBothWindows) {
    ASSERT_EQ(foreman->ids(), (QList<int>{1, 2, 3}));
    foreman->list().setCurrentRow(1);  // entry 2
    const int before = foreman->currentId();

    // Plain SQL: one entry of the shown date and shift, one of another shift, one of another day.
    insertEntry(900, QStringLiteral("2026-03-02"), 1);
    insertEntry(901, QStringLiteral("2026-03-02"), 2);
    insertEntry(902, QStringLiteral("2026-03-03"), 1);
    EXPECT_SOON(foreman->ids().contains(900), kWaitMs);
    EXPECT_SOON(clerk->ids().contains(900), kWaitMs);
    EXPECT_FALSE(foreman->ids().contains(901));
    EXPECT_FALSE(foreman->ids().contains(902));
    EXPECT_EQ(foreman->currentId(), before) << "the current row moved";
    EXPECT_SOON(test::shiftList(foreman->window, 2).locate(QStringLiteral("id"), 901), kWaitMs);

    // The foreman's workstation saves an entry and changes it: the clerk sees both.
    const int saved = saveAsForeman(0, 16);
    EXPECT_SOON(clerk->ids().contains(saved), kWaitMs);
    saveAsForeman(saved, 30);
    EXPECT_SOON_EQ(clerk->valueOf(saved, QStringLiteral("kol_vo")).toDouble(), 30.0, kWaitMs);

    // Moved to another day: it leaves the list.
    test::adminExec(
        QStringLiteral("UPDATE accounts_dep.smena SET data = '2026-03-04' WHERE id = 900"));
    EXPECT_SOON(!clerk->ids().contains(900), kWaitMs);
}

TEST_F(LiveRefreshTest, DeletedCurrentRowHandsOverToTheNextOne) {
    for (int id = 910; id < 950; ++id) {
        insertEntry(id, QStringLiteral("2026-03-02"), 1);
    }
    EXPECT_SOON_EQ(clerk->list().recordCount(), 43, kWaitMs);
    clerk->window.resize(900, 300);
    QList<int> ids = clerk->ids();
    const int row = int(ids.indexOf(930));
    clerk->list().setCurrentRow(row);
    QScrollBar* scroll = clerk->controls.entriesGrid->verticalScrollBar();
    const int scrolled = scroll->value();

    test::adminExec(QStringLiteral("DELETE FROM accounts_dep.smena WHERE id = 930"));
    EXPECT_SOON(!clerk->ids().contains(930), kWaitMs);
    EXPECT_EQ(clerk->currentId(), ids[row + 1]) << "the next row becomes current";
    EXPECT_EQ(scroll->value(), scrolled) << "the list scrolled away";

    // A change of another row keeps the current one and the scroll position.
    const int current = clerk->currentId();
    test::adminExec(QStringLiteral("UPDATE accounts_dep.smena SET kol_vo = 77 WHERE id = 912"));
    EXPECT_SOON_EQ(clerk->valueOf(912, QStringLiteral("kol_vo")).toDouble(), 77.0, kWaitMs);
    EXPECT_EQ(clerk->currentId(), current);
    EXPECT_EQ(scroll->value(), scrolled);
}

// A foreman locks the entries table for every reader: a refresh that cannot read keeps the
// rows shown and says so in Russian alone; once the lock is gone, the next change of that day
// fills the list without F5.
TEST_F(LiveRefreshTest, AReadingALockStopsKeepsTheRowsAndTheNextChangeFillsTheList) {
    test::MessageRecorder messages;
    ASSERT_EQ(clerk->ids(), (QList<int>{1, 2, 3}));
    QProcess locker;
    locker.start(qEnvironmentVariable("TABEL_SOURCE_DIR") + QStringLiteral("/scripts/dbctl"),
                 {QStringLiteral("psql"), test::testServer(), QStringLiteral("-X"),
                  QStringLiteral("-q"), QStringLiteral("-c"),
                  QStringLiteral("begin; set local role master; lock table accounts_dep.smena in "
                                 "access exclusive mode; select pg_sleep(6); commit;")});
    ASSERT_TRUE(locker.waitForStarted());
    const auto locked = [] {
        return test::adminQuery(QStringLiteral(
                   "select count(*) from pg_stat_activity where wait_event = 'PgSleep'")) != "0";
    };
    for (int i = 0; i < 200 && !locked(); ++i) {
        QTest::qWait(30);
    }
    ASSERT_TRUE(locked());

    QTest::mouseClick(clerk->controls.refreshButton, Qt::LeftButton);
    EXPECT_EQ(clerk->ids(), (QList<int>{1, 2, 3})) << "the rows shown are gone";
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(messages.texts()[0],
              QStringLiteral("Список не обновлен: Запись заблокирована другим пользователем, "
                             "повторите позже"));

    locker.waitForFinished(15000);
    insertEntry(990, QStringLiteral("2026-03-02"), 1);
    EXPECT_SOON(clerk->ids().contains(990), kWaitMs);
    EXPECT_EQ(clerk->ids().size(), 4);
}

TEST_F(LiveRefreshTest, LostNotificationConnectionIsShownAndComesBack) {
    QLabel* liveStatus = foreman->controls.liveStatusLabel;
    EXPECT_TRUE(liveStatus->isHidden());
    const int pid = foreman->session.changes.listenerPid();
    ASSERT_GT(pid, 0);
    test::adminExec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid));
    EXPECT_SOON(!liveStatus->isHidden(), kWaitMs);
    EXPECT_EQ(liveStatus->text(), QStringLiteral("Обновление по сети отключено"));
    // The window works as before meanwhile.
    QTest::mouseClick(foreman->controls.refreshButton, Qt::LeftButton);
    EXPECT_EQ(foreman->ids(), (QList<int>{1, 2, 3}));
    // It reconnects by itself, shows what was committed meanwhile and follows changes again.
    insertEntry(961, QStringLiteral("2026-03-02"), 1);
    EXPECT_SOON(liveStatus->isHidden(), kWaitMs);
    EXPECT_SOON(foreman->ids().contains(961), kWaitMs);
    insertEntry(960, QStringLiteral("2026-03-02"), 1);
    EXPECT_SOON(foreman->ids().contains(960), kWaitMs);
}

TEST_F(LiveRefreshTest, HistoryShowsEveryActionWithLoginAndChange) {
    // The fixture restarts the entries' numbering, the history keeps every number it saw.
    test::adminExec(QStringLiteral(
        "SELECT setval('accounts_dep.smena_id_seq', (SELECT greatest(max(id_smena), 1000) "
        "FROM accounts_dep.smena_history))"));
    const int entry = saveAsForeman(0, 16);
    saveAsForeman(entry, 30);

    auto& dialog = *test::childNamed<EntryHistoryDialog>(foreman->window,
                                                         QStringLiteral("EntryHistoryDialog"));
    auto* table = test::childNamed<QTableWidget>(dialog, QStringLiteral("historyTable"));
    auto* deleted = test::childNamed<QTableWidget>(dialog, QStringLiteral("deletedTable"));
    // Runs `look` inside the history of `entryId` of the day, then closes it.
    const auto inHistory = [&dialog](int entryId, const std::function<void()>& look) {
        test::whenShown(&dialog, [&dialog, look] {
            look();
            dialog.accept();
        });
        dialog.openForEntry(entryId, kMonday, 1);
    };
    inHistory(entry, [&] {
        ASSERT_EQ(table->rowCount(), 2);
        EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("master"));
        EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("Заведена"));
        EXPECT_TRUE(table->item(0, 3)->text().contains(QStringLiteral("Кол-во: 16")));
        EXPECT_TRUE(table->item(0, 3)->text().contains(QStringLiteral("ФИО: Иванов Иван Иванович")))
            << table->item(0, 3)->text().toStdString();
        EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("Изменена"));
        EXPECT_EQ(table->item(1, 3)->text(), QStringLiteral("Кол-во: 16 → 30"));
        EXPECT_FALSE(table->item(0, 0)->text().isEmpty());
    });

    // Deleted by the foreman: found from the day with "Показать удаленные".
    data::deleteEntry(foreman->session.connection, entry);
    inHistory(0, [&] {
        EXPECT_TRUE(deleted->isHidden());
        test::childNamed<QCheckBox>(dialog, QStringLiteral("showDeletedCheck"))->setChecked(true);
        ASSERT_GE(deleted->rowCount(), 1);
        EXPECT_EQ(test::childNamed<QLabel>(dialog, QStringLiteral("entryLabel"))->text(),
                  QStringLiteral("Позиция № %1").arg(entry));
        ASSERT_EQ(table->rowCount(), 3);
        EXPECT_EQ(table->item(2, 2)->text(), QStringLiteral("Удалена"));
        EXPECT_EQ(table->item(2, 1)->text(), QStringLiteral("master"));
    });

    // Entry 1 of the fixture gets a material on the foreman's workstation and is accepted on
    // the clerk's, both through the program's own writes. The history of a fixture entry also
    // holds earlier runs' actions: only its last rows are this run's.
    ASSERT_TRUE(
        data::addMaterial(foreman->session.connection, 1, 1001, *core::Decimal::fromText(u"0.5"))
            .saved);
    const QString version =
        clerk->session.connection
            .scalar(QStringLiteral("select row_version::text from accounts_dep.smena where id = 1"))
            .toString();
    data::acceptEntry(clerk->session.connection, 1, version);
    inHistory(1, [&] {
        const int rows = table->rowCount();
        ASSERT_GE(rows, 2);
        EXPECT_EQ(table->item(rows - 2, 1)->text(), QStringLiteral("master"));
        EXPECT_EQ(table->item(rows - 2, 2)->text(), QStringLiteral("Материал добавлен"));
        EXPECT_EQ(table->item(rows - 1, 1)->text(), QStringLiteral("clerk_a"));
        EXPECT_EQ(table->item(rows - 1, 2)->text(), QStringLiteral("Принята"));
    });
}

TEST_F(LiveRefreshTest, HistoryActionIsInTheMenuAndTheListsContextMenu) {
    QAction* history = test::actionCaptioned(foreman->window, QStringLiteral("История"));
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_TRUE(foreman->controls.entriesGrid->actions().contains(history));
    EXPECT_EQ(foreman->controls.entriesGrid->contextMenuPolicy(), Qt::ActionsContextMenu);
}

// Rows of the change log and the login's connection string as the feed reads them.
TEST(ChangeFeedTest, ReadsLogRowsAndCredentials) {
    data::ChangeBatch batch;
    data::ChangeLogRow row;
    row.subject = QStringLiteral("smena");
    row.action = QLatin1Char('U');
    row.keyId = 7;
    row.date = QDate(2026, 3, 2);
    row.shift = 1;
    row.oldDate = QDate(2026, 3, 1);
    row.oldShift = 2;
    EXPECT_TRUE(batch.add(row));
    row = {};
    row.subject = QStringLiteral("norm");
    row.keyId = 3;
    row.operationId = 9;
    EXPECT_TRUE(batch.add(row));
    row = {};
    row.subject = QStringLiteral("h_tabel");
    row.year = 2026;
    row.month = 3;
    row.shift = 2;
    for (const int worker : {101, 102}) {
        row.workerId = worker;
        EXPECT_TRUE(batch.add(row));
    }
    row.subject = QStringLiteral("other");
    EXPECT_FALSE(batch.add(row));
    ASSERT_EQ(batch.entries.size(), 1);
    EXPECT_TRUE(batch.entries[0].touches(QDate(2026, 3, 2), 1));
    EXPECT_TRUE(batch.entries[0].touches(QDate(2026, 3, 1), 2));
    EXPECT_FALSE(batch.entries[0].touches(QDate(2026, 3, 1), 1));
    EXPECT_TRUE(batch.operations.contains(9));
    EXPECT_TRUE(batch.hourMonths.contains({2026, 3}));
    EXPECT_EQ(batch.hourWorkers.value({2026, 3, 2}), (QSet<int>{101, 102}));

    const data::ConnectionParams params = data::connectionParamsOf(
        data::composeConnectionString({QStringLiteral("/tmp/db"), QStringLiteral("plant"),
                                       QStringLiteral("ivanov"), QStringLiteral("p;w}d=x")}));
    EXPECT_EQ(params.server, QStringLiteral("/tmp/db"));
    EXPECT_EQ(params.database, QStringLiteral("plant"));
    EXPECT_EQ(params.login, QStringLiteral("ivanov"));
    EXPECT_EQ(params.password, QStringLiteral("p;w}d=x"));
}

TEST(EntryHistoryTextTest, TellsActionsAndChangesInRussian) {
    struct Case {
        QString changes;
        QString text;
    };
    const QList<Case> cases{
        {QStringLiteral(R"({"kol_vo":{"old":16,"new":30}})"), QStringLiteral("Кол-во: 16 → 30")},
        {QStringLiteral(R"({"brak":{"new":1},"cena":{"new":1.25}})"),
         QStringLiteral("Брак: 1; Цена итог: 1,25")},
        {QStringLiteral(R"({"data":{"old":"2026-03-02","new":"2026-03-03"}})"),
         QStringLiteral("Дата: 02.03.2026 → 03.03.2026")},
        {QStringLiteral(R"({"ok":{"old":"no","new":"ok"}})"), QStringLiteral("Принята: нет → да")},
        {QStringLiteral(R"({"ok":{"old":null,"new":"да"}})"), QStringLiteral("Принята: нет → да")},
        {QStringLiteral(
             R"({"vvod":{"old":"2026-12-10","new":"2026-12-10"},"kol_vo":{"old":1,"new":2}})"),
         QStringLiteral("Кол-во: 1 → 2")},
        {QStringLiteral("{}"), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(data::changesText(c.changes), c.text) << c.changes.toStdString();
    }
    EXPECT_EQ(data::actionText(QStringLiteral("insert")), QStringLiteral("Заведена"));
    EXPECT_EQ(data::actionText(QStringLiteral("accept")), QStringLiteral("Принята"));
    EXPECT_EQ(data::actionText(QStringLiteral("delete")), QStringLiteral("Удалена"));
    EXPECT_EQ(data::actionText(QStringLiteral("material_add")),
              QStringLiteral("Материал добавлен"));
}

// A batch that says the log no longer holds what was missed makes the shift log re-read its
// lists whole: an entry it was never told about appears, and the current row stays.
TEST_F(LiveRefreshTest, AWholeBatchReReadsEveryListKeepingTheCurrentRow) {
    data::Session session;
    ShiftLogWindow window(session);  // never shown: no feed of its own
    test::connectAs(session.connection, QStringLiteral("master"));
    test::ShiftLogControls(window).chooseDay(kMonday);
    data::Dataset& list = test::shiftList(window, 1);
    ASSERT_FALSE(list.isEmpty());
    list.setCurrentRow(list.recordCount() - 1);
    const int current = list.field(QStringLiteral("id")).asInteger();
    insertEntry(970, QStringLiteral("2026-03-02"), 1);
    insertEntry(971, QStringLiteral("2026-03-02"), 2);
    data::ChangeBatch whole;
    whole.makeWhole();
    emit session.changes.changed(whole);
    EXPECT_TRUE(list.locate(QStringLiteral("id"), 970));
    EXPECT_TRUE(test::shiftList(window, 2).locate(QStringLiteral("id"), 971));
    list.locate(QStringLiteral("id"), current);
    emit session.changes.changed(whole);
    EXPECT_EQ(list.field(QStringLiteral("id")).asInteger(), current);
}

}  // namespace
}  // namespace tabel::shiftlog
