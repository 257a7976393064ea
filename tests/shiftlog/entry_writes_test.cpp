// The writes of an entry against the test cluster: hours posting, moves, deletions, failures
// that roll back both halves, and two workstations posting at once.
#include <gtest/gtest.h>

#include <QDate>
#include <atomic>
#include <chrono>
#include <thread>

#include "data/connection.h"
#include "data/entry_writes.h"
#include "data/errors.h"
#include "test_db.h"

namespace tabel::data {
namespace {

core::Decimal decimal(const char* text) {
    return *core::Decimal::fromText(QString::fromLatin1(text));
}

Entry entryOf(int worker, int shift, const QDate& date, int hours) {
    Entry e;
    e.workerId = worker;
    e.productId = 1;
    e.operationId = 1;
    e.price = decimal("1.25");
    e.quantity = decimal("10");
    e.date = date;
    e.shift = shift;
    e.hours = hours;
    e.docId = 1;
    e.itemId = 11;
    return e;
}

// "d<day>" of the worker's row, or "none" when the row does not exist.
QString cell(int worker, int shift, const QDate& date) {
    const QString value = test::adminQuery(
        QStringLiteral("select coalesce((select d%1::text from accounts_dep.h_tabel where w_id=%2 "
                       "and smena=%3 and month=%4 and year=%5), 'none')")
            .arg(date.day())
            .arg(worker)
            .arg(shift)
            .arg(date.month())
            .arg(date.year()));
    return value;
}

// Every field of an entry, for comparing it at once.
QString described(const Entry& e) {
    return QStringLiteral("%1 %2 %3/%4 w%5 i%6 o%7 %8×%9 brak %10 time %11 doc %12/%13 %14; %15")
        .arg(e.id)
        .arg(e.version, e.date.toString(Qt::ISODate))
        .arg(e.shift)
        .arg(e.workerId)
        .arg(e.productId)
        .arg(e.operationId)
        .arg(e.price.toString(), e.quantity.toString())
        .arg(e.defects)
        .arg(e.hours)
        .arg(e.docId)
        .arg(e.itemId)
        .arg(e.workerName, e.operationText);
}

class EntryWritesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(connection);
    }
    Connection connection{QStringLiteral("writes")};
};

TEST_F(EntryWritesTest, SavingPostsTheSumOfTheWorkersEntriesOfThatDayAndShift) {
    const QDate day(2021, 3, 5);
    // Other shift-2 entries of worker 17 that day hold 3 hours; one of shift 1 does not count.
    saveEntry(connection, entryOf(17, 2, day, 1));
    EXPECT_EQ(cell(17, 2, day), QStringLiteral("1"));  // the row is inserted
    saveEntry(connection, entryOf(17, 2, day, 2));
    saveEntry(connection, entryOf(17, 1, day, 5));
    const int id = saveEntry(connection, entryOf(17, 2, day, 4)).id;
    EXPECT_GT(id, 9);
    EXPECT_EQ(cell(17, 2, day), QStringLiteral("7"));
    EXPECT_EQ(cell(17, 1, day), QStringLiteral("5"));
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select count(*) from accounts_dep.h_tabel where w_id=17 and smena=2")),
              QStringLiteral("1"));
    // Saving the entry again with other hours rewrites the cell, not adds to it.
    Entry again = entryOf(17, 2, day, 6);
    again.id = id;
    EXPECT_EQ(saveEntry(connection, again).id, id);
    EXPECT_EQ(cell(17, 2, day), QStringLiteral("9"));
}

TEST_F(EntryWritesTest, AnEditThatMovesTheEntryPostsTheDayItLeftAndTheDayItReaches) {
    // Entry 1: worker 101, shift 1, 2 March 2026, 4 hours; entry 2 of the same day has 4 more.
    const QDate monday(2026, 3, 2);
    const struct {
        const char* what;
        int worker;
        int shift;
        QDate date;
    } moves[] = {
        {"to another worker", 104, 1, monday},
        {"to another date", 104, 1, monday.addDays(2)},
        {"to another shift", 104, 2, monday.addDays(2)},
        {"back", 101, 1, monday},
    };
    int fromWorker = 101;
    int fromShift = 1;
    QDate fromDate = monday;
    for (const auto& m : moves) {
        Entry e = entryOf(m.worker, m.shift, m.date, 4);
        e.id = 1;
        saveEntry(connection, e);
        // The day's sum; a row left with no entry in its month and shift is gone.
        const QString left = test::adminQuery(
            QStringLiteral("select case when exists (select 1 from accounts_dep.smena where "
                           "w_id=%1 and smena=%2 and date_trunc('month', data) = "
                           "date_trunc('month', '%3'::date)) then (select coalesce(sum(time), "
                           "0)::text from accounts_dep.smena where w_id=%1 and smena=%2 and "
                           "data='%3') else 'none' end")
                .arg(fromWorker)
                .arg(fromShift)
                .arg(fromDate.toString(Qt::ISODate)));
        EXPECT_EQ(cell(fromWorker, fromShift, fromDate), left) << m.what;
        const QString reached = test::adminQuery(
            QStringLiteral("select sum(time) from accounts_dep.smena where w_id=%1 and smena=%2 "
                           "and data='%3'")
                .arg(m.worker)
                .arg(m.shift)
                .arg(m.date.toString(Qt::ISODate)));
        EXPECT_EQ(cell(m.worker, m.shift, m.date), reached) << m.what;
        fromWorker = m.worker;
        fromShift = m.shift;
        fromDate = m.date;
    }
    EXPECT_EQ(cell(101, 1, monday), QStringLiteral("8"));
    EXPECT_EQ(cell(104, 1, monday), QStringLiteral("8"));  // entry 4 stays there
}

TEST_F(EntryWritesTest, DeletingRewritesOnlyThatDayAndKeepsTheOtherDaysOfTheRow) {
    const QDate monday(2026, 3, 2);
    test::adminExec(QStringLiteral(
        "update accounts_dep.h_tabel set d9 = 6 where w_id in (101, 102) and smena in (1, 2)"));
    deleteEntry(connection, 1);  // 4 of Иванов's 8 hours; the accepted entry 2 keeps 4
    EXPECT_EQ(cell(101, 1, monday), QStringLiteral("4"));
    EXPECT_EQ(cell(101, 1, QDate(2026, 3, 9)), QStringLiteral("6"));
    deleteEntry(connection, 6);  // Ивашов's only entry of that day in shift 2
    EXPECT_EQ(cell(102, 2, monday), QStringLiteral("0"));
    EXPECT_EQ(cell(102, 2, QDate(2026, 3, 9)), QStringLiteral("6"));
}

TEST_F(EntryWritesTest, EntriesWithoutHoursCountAsNothing) {
    const QDate day(2021, 4, 1);
    saveEntry(connection, entryOf(18, 1, day, 0));
    EXPECT_EQ(cell(18, 1, day), QStringLiteral("0"));
    saveEntry(connection, entryOf(18, 1, day, 3));
    EXPECT_EQ(cell(18, 1, day), QStringLiteral("3"));
}

TEST_F(EntryWritesTest, AFailingHalfLeavesNeitherTheEntryNorItsHours) {
    const QString before = test::adminQuery(QStringLiteral(
        "select count(*) || '/' || (select string_agg(d2::text, ',' order by id) from "
        "accounts_dep.h_tabel) from accounts_dep.smena"));
    const struct {
        const char* what;
        Entry entry;
    } cases[] = {
        // The posting fails: the day's sum does not fit the hours column.
        {"hours beyond the timesheet", entryOf(101, 1, QDate(2026, 3, 2), 40000)},
        // The entry's own write fails.
        {"unknown operation",
         [] {
             Entry e = entryOf(101, 1, QDate(2026, 3, 2), 4);
             e.operationId = 999;
             return e;
         }()},
        {"entry deleted meanwhile",
         [] {
             Entry e = entryOf(101, 1, QDate(2026, 3, 2), 4);
             e.id = 999;
             return e;
         }()},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(saveEntry(connection, c.entry), DbError) << c.what;
    }
    EXPECT_THROW(deleteEntry(connection, 999), DbError);
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select count(*) || '/' || (select string_agg(d2::text, ',' order by id) from "
                  "accounts_dep.h_tabel) from accounts_dep.smena")),
              before);
}

TEST_F(EntryWritesTest, ServerRefusalsReadAsTheServerWroteThem) {
    try {
        deleteEntry(connection, 999);
        FAIL() << "no refusal";
    } catch (const DbError& error) {
        EXPECT_EQ(error.kind(), DbErrorKind::RaisedByServer);
        EXPECT_EQ(userMessageOf(error),
                  QStringLiteral("Позиция уже удалена с другого рабочего места."));
    }
}

TEST_F(EntryWritesTest, TwoWorkstationsPostingTheSameCellEndWithTheRightSum) {
    const QDate day(2021, 3, 5);
    // Few enough that no day passes 24 hours, which a save refuses.
    constexpr int kRounds = 30;
    std::atomic<int> failures{0};
    auto workstation = [&](int station) {
        {
            Connection own(QStringLiteral("station%1").arg(station));
            own.setConnectionString(test::connectionStringFor(QStringLiteral("master")));
            own.open();
            for (int i = 0; i < kRounds; ++i) {
                try {
                    // Same worker and month; the stations share a day every other round.
                    const int id =
                        saveEntry(own, entryOf(77, 1, day.addDays(i % 2 * station), 1)).id;
                    if (i % 3 == 0) {
                        deleteEntry(own, id);
                    }
                } catch (const DbError&) {
                    ++failures;
                }
            }
        }
    };
    std::thread first(workstation, 1);
    std::thread second(workstation, 2);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select count(*) from accounts_dep.h_tabel where w_id=77 and smena=1")),
              QStringLiteral("1"));
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select count(*) from accounts_dep.h_tabel h where w_id=77 and smena=1 and "
                  "(d5, d6, d7) is distinct from ((select coalesce(sum(time), 0) from "
                  "accounts_dep.smena where w_id=77 and data='2021-03-05'), (select "
                  "coalesce(sum(time), 0) from accounts_dep.smena where w_id=77 and "
                  "data='2021-03-06'), (select coalesce(sum(time), 0) from accounts_dep.smena "
                  "where w_id=77 and data='2021-03-07'))")),
              QStringLiteral("0"));
    // Per station 15 rounds on the shared day, 5 of them deleted again.
    EXPECT_EQ(cell(77, 1, day), QStringLiteral("20"));
}

TEST_F(EntryWritesTest, APostingWaitsForTheOtherWorkstationsPostingOfTheSameDayToCommit) {
    const QDate day(2021, 3, 5);
    const int first = saveEntry(connection, entryOf(78, 1, day, 3)).id;
    saveEntry(connection, entryOf(78, 1, day, 2));
    std::atomic<bool> posted{false};
    std::thread slow([&] {
        Connection own(QStringLiteral("slow"));
        own.setConnectionString(test::connectionStringFor(QStringLiteral("master")));
        own.open();
        // Deleted and posted, but committed only a while later (a slow link, say).
        own.inTransaction([&] {
            deleteEntry(own, first);
            posted = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        });
    });
    while (!posted) {
        std::this_thread::yield();
    }
    // Posted before the deletion commits, the day would still count its 3 hours.
    saveEntry(connection, entryOf(78, 1, day, 4));
    slow.join();
    EXPECT_EQ(cell(78, 1, day), QStringLiteral("6"));
}

TEST_F(EntryWritesTest, ASavedEntryComesBackWithItsIdAndVersionAndReadsAsTheListsShowIt) {
    Entry e = entryOf(103, 2, QDate(2026, 3, 2), 4);
    e.price = decimal("1.0312");
    e.quantity = decimal("12.5");
    e.defects = 1;
    const Entry saved = saveEntry(connection, e);
    EXPECT_GT(saved.id, 9);
    EXPECT_EQ(saved.version,
              test::adminQuery(
                  QStringLiteral("select entry_version::text from accounts_dep.smena where id = %1")
                      .arg(saved.id)));
    const Entry read = readEntry(connection, saved.id);
    EXPECT_EQ(described(read),
              QStringLiteral("%1 %2 2026-03-02/2 w103 i1 o1 1.0312×12.5 brak 1 time 4 doc 1/11 "
                             "Петров Пётр Петрович; КР-1; Резка; Готовая продукция")
                  .arg(saved.id)
                  .arg(saved.version));

    // Saved again as of that version: a new one.
    Entry again = read;
    again.hours = 5;
    const Entry resaved = saveEntry(connection, again);
    EXPECT_EQ(resaved.id, saved.id);
    EXPECT_NE(resaved.version, saved.version);

    deleteEntry(connection, saved.id);
    try {
        readEntry(connection, saved.id);
        FAIL() << "a deleted entry was read";
    } catch (const DbError& error) {
        EXPECT_EQ(error.kind(), DbErrorKind::RowGone);
    }
}

TEST_F(EntryWritesTest, AMaterialIsCheckedAgainstTheStockReadWhereItIsWritten) {
    // Entry 1 draws from requisition 1 item 11: goods 1001 free 10, reserved 2.5.
    EXPECT_EQ(availableStock(connection, 1, 1001), decimal("12.5"));
    MaterialResult first = addMaterial(connection, 1, 1001, decimal("12.5004"));
    EXPECT_TRUE(first.saved);
    // Another workstation used part of the stock meanwhile.
    test::adminExec(QStringLiteral("update stk_remainder.remainder set f_qty = 5 where id = 1"));
    MaterialResult second = addMaterial(connection, 1, 1001, decimal("12.5"));
    EXPECT_FALSE(second.saved);
    EXPECT_EQ(second.available, decimal("7.5"));
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select string_agg(f_qty_use::text, ',') from accounts_dep.smena_gds_use "
                  "where id_smena = 1")),
              QStringLiteral("12.5004"));
}

TEST_F(EntryWritesTest, APersonJoinsTheBrigadeOnceAndLeavesItAlone) {
    EXPECT_TRUE(addBrigadeMember(connection, 1, 3));
    EXPECT_FALSE(addBrigadeMember(connection, 1, 3));
    EXPECT_TRUE(addBrigadeMember(connection, 1, 2));
    EXPECT_TRUE(addBrigadeMember(connection, 6, 3));  // another entry's brigade
    const qint64 member =
        test::adminQuery(
            QStringLiteral(
                "select id from accounts_dep.person_temp where id_smena = 1 and id_person = 3"))
            .toLongLong();
    removeBrigadeMember(connection, member);
    EXPECT_EQ(test::adminQuery(QStringLiteral("select string_agg(id_smena || ':' || id_person, "
                                              "',' order by id) from accounts_dep.person_temp")),
              QStringLiteral("1:2,6:3"));
}

}  // namespace
}  // namespace tabel::data
