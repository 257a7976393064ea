// What the server keeps exact whoever writes: saves and accepts as of the version the user
// saw, the entry's values checked, hours posted under one lock, no empty timesheet rows, and
// every person with a numeric code in the hours and pay.
#include <gtest/gtest.h>

#include <QDate>
#include <atomic>
#include <chrono>
#include <limits>
#include <thread>

#include "data/brigade.h"
#include "data/connection.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "test_db.h"

namespace tabel::data {
namespace {

const QDate kDay(2021, 3, 5);

core::Decimal decimal(const char* text) {
    return *core::Decimal::fromText(QString::fromLatin1(text));
}

Entry entryOf(int worker, int hours, int quantity = 10, int defects = 0) {
    Entry e;
    e.workerId = worker;
    e.productId = 1;
    e.operationId = 1;
    e.price = decimal("1.25");
    e.quantity = core::Decimal::fromInteger(quantity);
    e.defects = defects;
    e.date = kDay;
    e.shift = 1;
    e.hours = hours;
    e.docId = 1;
    e.itemId = 11;
    return e;
}

QString cell(int worker) {
    return test::adminQuery(
        QStringLiteral("select coalesce((select d%1::text from accounts_dep.h_tabel where w_id=%2 "
                       "and smena=1 and month=%3 and year=%4), 'none')")
            .arg(kDay.day())
            .arg(worker)
            .arg(kDay.month())
            .arg(kDay.year()));
}

QString entryValues(int id) {
    return test::adminQuery(
        QStringLiteral("select kol_vo || '/' || brak || '/' || time || '/' || ok from "
                       "accounts_dep.smena where id = %1")
            .arg(id));
}

class ExactWritesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(master);
        test::connectAs(other);
        test::connectAs(clerk, QStringLiteral("clerk_a"));
    }

    // What the shift list shows of an entry: its own version and that with its materials.
    QString entryVersion(int id) {
        return master
            .scalar(
                QStringLiteral("select entry_version::text from accounts_dep.smena where id = :id"),
                {{QStringLiteral("id"), id}})
            .toString();
    }
    QString listVersion(int id) {
        return clerk
            .scalar(
                QStringLiteral("select row_version::text from accounts_dep.smena where id = :id"),
                {{QStringLiteral("id"), id}})
            .toString();
    }

    DbError refusal(const std::function<void()>& action) {
        try {
            action();
        } catch (const DbError& error) {
            return error;
        }
        ADD_FAILURE() << "not refused";
        return DbError(QString());
    }

    Connection master{QStringLiteral("master")};
    Connection other{QStringLiteral("other")};
    Connection clerk{QStringLiteral("clerk")};
};

TEST_F(ExactWritesTest, TheLaterOfTwoSavesOfOneEntryIsRefusedNotWrittenOver) {
    const int id = saveEntry(master, entryOf(101, 2)).id;
    Entry mine = entryOf(101, 3, 12);
    mine.id = id;
    mine.version = entryVersion(id);  // both workstations open the entry

    Entry theirs = entryOf(101, 5, 20);
    theirs.id = id;
    theirs.version = mine.version;
    const QString theirNewVersion = saveEntry(other, theirs).version;
    EXPECT_NE(theirNewVersion, mine.version);

    const DbError error = refusal([&] { saveEntry(master, mine); });
    EXPECT_EQ(error.kind(), DbErrorKind::RowChanged);
    EXPECT_EQ(userMessageOf(error), QStringLiteral("Запись изменена другим пользователем"));
    EXPECT_EQ(entryValues(id), QStringLiteral("20/0/5/no"));
    EXPECT_EQ(cell(101), QStringLiteral("5"));

    // Reopened, the entry carries the other change's version and saves.
    mine.version = theirNewVersion;
    const QString newest = saveEntry(master, mine).version;
    EXPECT_EQ(entryValues(id), QStringLiteral("12/0/3/no"));
    EXPECT_EQ(newest, entryVersion(id));
}

TEST_F(ExactWritesTest, AnAcceptIsRefusedWhenTheEntryOrItsMaterialsChangedSinceTheClerksLook) {
    const int id = saveEntry(master, entryOf(101, 2)).id;
    ASSERT_TRUE(addMaterial(master, id, 1001, decimal("1")).saved);
    const struct {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"quantity",
         [&] {
             other.run(QStringLiteral("update accounts_dep.smena set kol_vo = 99 "
                                      "where id = %1")
                           .arg(id));
         }},
        {"material added", [&] { addMaterial(other, id, 1001, decimal("2")); }},
        {"material changed",
         [&] {
             other.run(QStringLiteral("update accounts_dep.smena_gds_use "
                                      "set f_qty_use = 3 where id_smena = %1")
                           .arg(id));
         }},
        {"material removed",
         [&] {
             other.run(QStringLiteral("delete from accounts_dep.smena_gds_use "
                                      "where id = (select max(id) from "
                                      "accounts_dep.smena_gds_use where "
                                      "id_smena = %1)")
                           .arg(id));
         }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        const QString seen = listVersion(id);
        c.change();
        const DbError error = refusal([&] { acceptEntry(clerk, id, seen); });
        EXPECT_EQ(error.kind(), DbErrorKind::RowChanged);
        EXPECT_EQ(userMessageOf(error), QStringLiteral("Запись изменена другим пользователем"));
        EXPECT_TRUE(entryValues(id).endsWith(QStringLiteral("/no")));
    }
    acceptEntry(clerk, id, listVersion(id));
    EXPECT_TRUE(entryValues(id).endsWith(QStringLiteral("/ok")));
}

// The entry function as any ODBC tool may call it, with figures no entry value can hold.
void saveAsAnyTool(Connection& connection, int worker, int hours, double quantity, int defects) {
    connection.scalar(QStringLiteral("select accounts_dep.smena_save(0, :w_id, 1, 1, 1.25, "
                                     ":kol_vo, :brak, '2021-03-05', 1, :time, 1, 11)"),
                      {{QStringLiteral("w_id"), worker},
                       {QStringLiteral("kol_vo"), quantity},
                       {QStringLiteral("brak"), defects},
                       {QStringLiteral("time"), hours}});
}

TEST_F(ExactWritesTest, TheServerRefusesEntriesNoDialogCanProduceAndWritesNothing) {
    saveEntry(master, entryOf(102, 20));
    const QString before = test::adminQuery(
        QStringLiteral("select count(*) || '/' || sum(time) from accounts_dep.smena"));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        int worker;
        int hours;
        double quantity;
        int defects;
        const char* message;
    } cases[] = {
        {"defects above quantity", 101, 1, 5, 500, "Брак не может быть больше количества!"},
        {"quantity NaN", 101, 1, nan, 0, "Количество \"NaN\" не является числом!"},
        {"quantity infinite", 101, 1, infinity, 0, "Количество \"Infinity\" не является числом!"},
        {"quantity negative", 101, 1, -1, 0, "Количество \"-1\" не является числом!"},
        {"negative defects", 101, 1, 5, -1, "Брак \"-1\" не является целым числом!"},
        {"negative hours", 101, -1, 10, 0, "Время за день не может быть больше 24 часов!"},
        {"hours of a smallint's end", 101, 32767, 10, 0,
         "Время за день не может быть больше 24 часов!"},
        {"day over 24 hours", 102, 5, 10, 0,
         "Время за день не может быть больше 24 часов! У рабочего уже 20 ч за 05.03.2021 в этой "
         "смене."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DbError error =
            refusal([&] { saveAsAnyTool(master, c.worker, c.hours, c.quantity, c.defects); });
        EXPECT_EQ(userMessageOf(error), QString::fromUtf8(c.message));
    }
    // Through the entry service as well.
    EXPECT_EQ(userMessageOf(refusal([&] { saveEntry(master, entryOf(101, 1, 5, 500)); })),
              QStringLiteral("Брак не может быть больше количества!"));
    EXPECT_EQ(test::adminQuery(
                  QStringLiteral("select count(*) || '/' || sum(time) from accounts_dep.smena")),
              before);
    EXPECT_EQ(cell(102), QStringLiteral("20"));
    EXPECT_EQ(cell(101), QStringLiteral("none"));
}

TEST_F(ExactWritesTest, DeletingAWorkersOnlyEntryOfTheMonthRemovesHisTimesheetRow) {
    const int only = saveEntry(master, entryOf(103, 4)).id;
    const int kept = saveEntry(master, entryOf(104, 0)).id;
    EXPECT_EQ(cell(103), QStringLiteral("4"));
    deleteEntry(master, only);
    EXPECT_EQ(cell(103), QStringLiteral("none"));
    // A worker with an entry of the month keeps his row, hours or not (as the rebuild makes it).
    EXPECT_EQ(cell(104), QStringLiteral("0"));
    EXPECT_GT(kept, 0);
}

// The brigade's share is posted under the same locks as any save: a save of one of its
// workers' day elsewhere waits for the division and sums its entry too.
TEST_F(ExactWritesTest, ADivisionAndASaveOfTheSameDayAtOnceLeaveTheSumOfTheEntries) {
    const int id = saveEntry(master, entryOf(101, 3)).id;
    saveEntry(master, entryOf(102, 1));            // the brigade member's row exists already
    ASSERT_TRUE(addBrigadeMember(master, id, 2));  // person 2: code 102
    std::atomic<bool> divided{false};
    std::thread division([&] {
        Connection own(QStringLiteral("division"));
        own.setConnectionString(test::connectionStringFor(QStringLiteral("master")));
        own.open();
        own.inTransaction([&] {
            divideEntry(own, id, core::BrigadeSplit::Even);
            divided = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        });
    });
    while (!divided) {
        std::this_thread::yield();
    }
    saveEntry(other, entryOf(102, 4));
    division.join();
    EXPECT_EQ(test::adminQuery(QStringLiteral("select sum(time) from accounts_dep.smena where "
                                              "w_id = 102 and data = '2021-03-05'")),
              QStringLiteral("8"));
    EXPECT_EQ(cell(102), QStringLiteral("8"));
}

// A row held by another workstation: every write path reads the Russian sentence of the
// lock's kind, and nothing of the server's English words.
TEST_F(ExactWritesTest, ALockedEntryReadsInRussianOnEveryWritePath) {
    const int id = saveEntry(master, entryOf(101, 2)).id;
    ASSERT_TRUE(addMaterial(master, id, 1001, decimal("1")).saved);
    Entry change = entryOf(101, 3);
    change.id = id;
    const struct {
        const char* what;
        Connection* as;
        std::function<void()> action;
    } paths[] = {
        {"save", &master, [&] { saveEntry(master, change); }},
        {"delete", &master, [&] { deleteEntry(master, id); }},
        {"material", &master, [&] { addMaterial(master, id, 1001, decimal("1")); }},
        {"accept", &clerk, [&] { acceptEntry(clerk, id, listVersion(id)); }},
    };
    other.inTransaction([&] {
        other.run(
            QStringLiteral("select 1 from accounts_dep.smena where id = %1 for update").arg(id));
        for (const auto& p : paths) {
            SCOPED_TRACE(p.what);
            const DbError error = refusal(p.action);
            EXPECT_EQ(error.kind(), DbErrorKind::LockTimeout);
            const QString shown = userMessageOf(error);
            EXPECT_EQ(shown,
                      QStringLiteral("Запись заблокирована другим пользователем, повторите позже"));
        }
    });
}

// Persons the plant does not flag as employees still worked: their entries count.
TEST_F(ExactWritesTest, EveryPersonWithANumericCodeIsAWorkerOncePerCode) {
    test::adminExec(QStringLiteral(
        "insert into cmn_contractor.person (id, s_code, s_caption, b_employee) values "
        "(20, '120', 'Совместитель Олег', false), (21, '101', 'Двойник Ивана', false), "
        "(22, 'б/н', 'Без номера', true)"));
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select string_agg(s_code || ':' || s_caption, ', ' order by s_code) from "
                  "accounts_dep.v_worker where s_code in (101, 120)")),
              QStringLiteral("101:Иванов Иван Иванович, 120:Совместитель Олег"));
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select count(*) = count(distinct s_code) from accounts_dep.v_worker")),
              QStringLiteral("t"));
}

}  // namespace
}  // namespace tabel::data
