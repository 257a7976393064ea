// The change feed against the test cluster: what other sessions commit arrives as batches read
// from the change log, also when it was committed while the feed's connection was down or out
// of number order; forged notices and floods of changes leave no keys behind.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "data/change_trace.h"
#include "data/connection.h"
#include "data/connection_string.h"
#include "data/notifications.h"
#include "loopback_relay.h"
#include "silent_server.h"
#include "test_db.h"

namespace tabel::data {
namespace {

// A change reaches the feed within 2 s and a lost connection is found within 2 s; the tests
// wait longer so that a busy machine does not fail them.
constexpr int kWaitMs = 15000;

// A reader of its own, so that a test may keep it from logging in.
const QString kReader = QStringLiteral("feed_reader");

EntryChange entry(int id, const QDate& date, int shift, const QDate& oldDate, int oldShift,
                  char action) {
    return {id, date, shift, oldDate, oldShift, QLatin1Char(action)};
}

bool sameEntries(const QList<EntryChange>& actual, const QList<EntryChange>& expected) {
    if (actual.size() != expected.size()) {
        return false;
    }
    for (qsizetype i = 0; i < actual.size(); ++i) {
        const EntryChange& a = actual[i];
        const EntryChange& e = expected[i];
        if (a.id != e.id || a.date != e.date || a.shift != e.shift || a.oldDate != e.oldDate ||
            a.oldShift != e.oldShift || a.action != e.action) {
            return false;
        }
    }
    return true;
}

std::string describe(const ChangeBatch& batch) {
    QStringList parts;
    for (const EntryChange& e : batch.entries) {
        parts.append(QStringLiteral("entry %1 %2/%3 from %4/%5 %6")
                         .arg(e.id)
                         .arg(e.date.toString(Qt::ISODate))
                         .arg(e.shift)
                         .arg(e.oldDate.toString(Qt::ISODate))
                         .arg(e.oldShift)
                         .arg(e.action));
    }
    const auto list = [](const QSet<int>& keys) {
        QList<int> sorted(keys.begin(), keys.end());
        std::sort(sorted.begin(), sorted.end());
        QStringList texts;
        for (const int key : sorted) {
            texts.append(QString::number(key));
        }
        return texts.join(QLatin1Char(','));
    };
    parts.append(QStringLiteral("kinds %1").arg(list(batch.operationKinds)));
    parts.append(QStringLiteral("operations %1").arg(list(batch.operations)));
    parts.append(QStringLiteral("norms %1").arg(list(batch.norms)));
    parts.append(QStringLiteral("products %1").arg(list(batch.products)));
    for (auto page = batch.hourWorkers.cbegin(); page != batch.hourWorkers.cend(); ++page) {
        parts.append(QStringLiteral("hours %1.%2/%3: %4")
                         .arg(page.key().month)
                         .arg(page.key().year)
                         .arg(page.key().shift)
                         .arg(list(page.value())));
    }
    if (batch.whole) {
        parts.append(QStringLiteral("whole"));
    }
    return parts.join(QStringLiteral("; ")).toStdString();
}

// The hours rows of March 2026 by page, as the admin sees them.
QHash<HoursPage, QSet<int>> hoursOfMarch() {
    QHash<HoursPage, QSet<int>> pages;
    const QString rows = test::adminQuery(
        QStringLiteral("select string_agg(smena || ':' || w_id, ',') from accounts_dep.h_tabel "
                       "where month = 3 and year = 2026"));
    for (const QString& row : rows.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        pages[{2026, 3, row.section(QLatin1Char(':'), 0, 0).toInt()}].insert(
            row.section(QLatin1Char(':'), 1, 1).toInt());
    }
    return pages;
}

class ChangeFeedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::adminExec(QStringLiteral(
            "DO $$ BEGIN "
            "IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'feed_reader') THEN "
            "CREATE ROLE feed_reader LOGIN PASSWORD 'feed_reader' IN ROLE tabel_read; END IF; "
            "ALTER ROLE feed_reader LOGIN; END $$"));
    }

    void SetUp() override {
        test::loadBaseFixture();
        QObject::connect(&feed, &ChangeFeed::changed, &feed, [this](const ChangeBatch& batch) {
            ++batches;
            ChangeBatch copy = batch;
            received.merge(std::move(copy));
        });
        startFeed();
    }

    void TearDown() override {
        feed.stop();
        test::adminExec(QStringLiteral("ALTER ROLE feed_reader LOGIN"));
    }

    void startFeed() {
        feed.start(test::connectionStringFor(kReader));
        ASSERT_TRUE(QTest::qWaitFor([this] { return feed.isLive(); }, kWaitMs));
    }

    void forget() {
        received = {};
        batches = 0;
    }

    // Waits until what arrived satisfies `done`.
    bool arrives(const std::function<bool(const ChangeBatch&)>& done) {
        return QTest::qWaitFor([&] { return done(received); }, kWaitMs);
    }
    bool kindArrives(int id) {
        return arrives([id](const ChangeBatch& b) { return b.operationKinds.contains(id); });
    }

    // Cuts the feed's connection and keeps its login out until `allow`.
    void cutOff() {
        test::adminExec(QStringLiteral("ALTER ROLE feed_reader NOLOGIN"));
        test::adminExec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(feed.listenerPid()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return feed.isDown(); }, kWaitMs));
    }
    void allow() {
        test::adminExec(QStringLiteral("ALTER ROLE feed_reader LOGIN"));
        ASSERT_TRUE(QTest::qWaitFor([this] { return feed.isLive(); }, kWaitMs));
    }

    ChangeFeed feed;
    ChangeBatch received;
    int batches = 0;
};

TEST_F(ChangeFeedTest, EveryChangeArrivesWithItsKeys) {
    const QDate tuesday(2026, 3, 3);
    const QDate wednesday(2026, 3, 4);
    struct Case {
        const char* name;
        const char* sql;
        std::function<bool(const ChangeBatch&)> expected;
    };
    const QList<Case> cases{
        {"a new entry",
         "INSERT INTO accounts_dep.smena (id, data, smena, w_id, i_id, o_id) "
         "VALUES (700, '2026-03-03', 2, 101, 1, 1)",
         [&](const ChangeBatch& b) {
             return sameEntries(b.entries, {entry(700, tuesday, 2, {}, 0, 'I')});
         }},
        {"an entry moved to another day and shift",
         "UPDATE accounts_dep.smena SET data = '2026-03-04', smena = 3 WHERE id = 700",
         [&](const ChangeBatch& b) {
             return sameEntries(b.entries, {entry(700, wednesday, 3, tuesday, 2, 'U')});
         }},
        {"a material added to an entry",
         "INSERT INTO accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) "
         "VALUES (700, 1001, 1.5)",
         [&](const ChangeBatch& b) {
             return sameEntries(b.entries, {entry(700, wednesday, 3, {}, 0, 'U')});
         }},
        {"a material removed", "DELETE FROM accounts_dep.smena_gds_use WHERE id_smena = 700",
         [&](const ChangeBatch& b) {
             return sameEntries(b.entries, {entry(700, wednesday, 3, {}, 0, 'U')});
         }},
        {"a brigade line added",
         "INSERT INTO accounts_dep.person_temp (id_smena, id_person) VALUES (700, 2)",
         [&](const ChangeBatch& b) {
             return sameEntries(b.entries, {entry(700, wednesday, 3, {}, 0, 'U')});
         }},
        {"an entry deleted with its brigade", "DELETE FROM accounts_dep.smena WHERE id = 700",
         [&](const ChangeBatch& b) {
             return sameEntries(b.entries, {entry(700, wednesday, 3, {}, 0, 'D')});
         }},
        {"an operation kind",
         "INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (70, 'Полировка')",
         [](const ChangeBatch& b) {
             return b.operationKinds == QSet<int>{70} && b.keyCount() == 1;
         }},
        {"an operation", "UPDATE accounts_dep.oper SET naimen = 1 WHERE id = 5",
         [](const ChangeBatch& b) { return b.operations == QSet<int>{5} && b.keyCount() == 1; }},
        {"a norm moved to another operation names both",
         "UPDATE accounts_dep.norm SET o_id = 2 WHERE id = 1",
         [](const ChangeBatch& b) {
             return b.norms == QSet<int>{1} && b.operations == QSet<int>{1, 2} && b.keyCount() == 3;
         }},
        {"a product", "UPDATE accounts_dep.izdel SET marka = 'КР-1М' WHERE id = 1",
         [](const ChangeBatch& b) { return b.products == QSet<int>{1} && b.keyCount() == 1; }},
        {"an hours row",
         "UPDATE accounts_dep.h_tabel SET d5 = 4 "
         "WHERE w_id = 103 AND smena = 1 AND month = 3 AND year = 2026",
         [](const ChangeBatch& b) {
             return b.hourWorkers == QHash<HoursPage, QSet<int>>{{{2026, 3, 1}, {103}}} &&
                    b.hourMonths == QSet<std::pair<int, int>>{{2026, 3}} && b.entries.isEmpty();
         }},
        {"an hours row moved to another shift names both pages",
         "UPDATE accounts_dep.h_tabel SET smena = 2 "
         "WHERE w_id = 104 AND smena = 1 AND month = 3 AND year = 2026",
         [](const ChangeBatch& b) {
             return b.hourWorkers ==
                    QHash<HoursPage, QSet<int>>{{{2026, 3, 1}, {104}}, {{2026, 3, 2}, {104}}};
         }},
    };
    for (const Case& c : cases) {
        forget();
        test::adminExec(QString::fromUtf8(c.sql));
        EXPECT_TRUE(arrives(c.expected)) << c.name << ": " << describe(received);
    }

    // A month rebuild: every worker's row of every page it deleted or wrote.
    QHash<HoursPage, QSet<int>> expected = hoursOfMarch();
    forget();
    test::adminExec(QStringLiteral("SELECT accounts_dep.h_tabel_rebuild(3, 2026)"));
    const QHash<HoursPage, QSet<int>> rebuilt = hoursOfMarch();
    for (auto page = rebuilt.cbegin(); page != rebuilt.cend(); ++page) {
        expected[page.key()].unite(page.value());
    }
    EXPECT_TRUE(arrives([&](const ChangeBatch& b) { return b.hourWorkers == expected; }))
        << describe(received);
}

// Asked for, the trace has a line for each change once it is applied, with the statements the
// handling ran; no longer asked for, it gets nothing more.
TEST_F(ChangeFeedTest, TheTraceNamesEachAppliedChangeOnlyWhileAsked) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace"));
    Connection reader;
    reader.setConnectionString(test::connectionStringFor(kReader));
    reader.open();
    // What a window does with a batch that names its row: one keyed read.
    QObject::connect(&feed, &ChangeFeed::changed, &feed,
                     [&reader](const ChangeBatch&) { reader.run(QStringLiteral("select 1")); });
    struct Case {
        bool traced;
        int id;
    };
    for (const Case c : {Case{true, 710}, Case{false, 711}}) {
        feed.stop();
        if (c.traced) {
            qputenv(ChangeTrace::kVariable, path.toLocal8Bit());
        } else {
            qunsetenv(ChangeTrace::kVariable);
        }
        startFeed();
        forget();
        test::adminExec(QStringLiteral("INSERT INTO accounts_dep.smena (id, data, smena, w_id, "
                                       "i_id, o_id) VALUES (%1, '2026-03-03', 2, 101, 1, 1)")
                            .arg(c.id));
        const int id = c.id;
        ASSERT_TRUE(arrives([id](const ChangeBatch& b) {
            return !b.entries.isEmpty() && b.entries.last().id == id;
        })) << describe(received);
    }
    QFile trace(path);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly | QIODevice::Text));
    const QList<QByteArray> lines = trace.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1) << trace.fileName().toStdString();
    const QList<QByteArray> fields = lines.first().split(' ');
    ASSERT_EQ(fields.size(), 12) << lines.first().toStdString();
    EXPECT_EQ(fields.mid(3).join(' '), QByteArray("E 710 I 2026-03-03 2 - 0 1 1"));
    EXPECT_GT(fields[1].toLongLong(), 0);  // the monotonic clock
}

TEST_F(ChangeFeedTest, AChangeMadeWhileDisconnectedArrivesAfterReconnect) {
    cutOff();
    test::adminExec(QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (71, 'Х')"));
    allow();
    EXPECT_TRUE(kindArrives(71)) << describe(received);
    EXPECT_FALSE(received.whole);
}

TEST_F(ChangeFeedTest, APrunedGapGivesAWholeBatch) {
    cutOff();
    test::adminExec(QStringLiteral(
        "INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (72, 'Х'); "
        "DO $$ BEGIN WHILE accounts_dep.change_log_prune('0') > 0 LOOP END LOOP; END $$"));
    allow();
    EXPECT_TRUE(arrives([](const ChangeBatch& b) { return b.whole; })) << describe(received);
    EXPECT_EQ(received.keyCount(), 0);

    // Then on as before, a change at a time.
    forget();
    test::adminExec(QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (73, 'Ц')"));
    EXPECT_TRUE(kindArrives(73)) << describe(received);
    EXPECT_FALSE(received.whole);
}

TEST_F(ChangeFeedTest, ForgedNoticesCostNoBatchAndNoKeys) {
    const qint64 readsBefore = feed.logReads();
    const qint64 noticesBefore = feed.noticesReceived();
    qsizetype mostPending = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &sample,
                     [&] { mostPending = std::max(mostPending, feed.pendingKeys()); });
    sample.start(5);
    QElapsedTimer flood;
    flood.start();
    // Payloads of every shape, the earlier versions' JSON among them; distinct, so that none is
    // folded. Then one real change, whose notice comes after all of them.
    test::adminExec(QStringLiteral(
        "SELECT pg_notify('tabel_changes', CASE g % 4 "
        "WHEN 0 THEN format('{\"t\":\"smena\",\"a\":\"I\",\"id\":%s,\"d\":\"2026-03-02\","
        "\"s\":1}', g) "
        "WHEN 1 THEN format('{\"t\":\"h_tabel\",\"m\":3,\"y\":2026,\"s\":1,\"w\":[%s]}', g) "
        "WHEN 2 THEN repeat('x', g % 500) || g ELSE g::text END) "
        "FROM generate_series(1, 10000) g"));
    test::adminExec(QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (74, 'Ч')"));
    ASSERT_TRUE(kindArrives(74)) << describe(received);
    const qint64 elapsed = flood.elapsed();
    sample.stop();

    EXPECT_EQ(batches, 1) << describe(received);
    EXPECT_EQ(received.keyCount(), 1) << describe(received);
    EXPECT_LE(mostPending, 1);
    EXPECT_EQ(feed.pendingKeys(), 0);
    EXPECT_GE(feed.noticesReceived() - noticesBefore, 10001);
    // At most one read of the log per batch interval, whatever the number of notices.
    EXPECT_LE(feed.logReads() - readsBefore, 1 + elapsed / ChangeFeed::kBatchMs + 1);
}

TEST_F(ChangeFeedTest, MoreChangesThanABatchKeepsAreOneWholeBatch) {
    qsizetype mostPending = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &sample,
                     [&] { mostPending = std::max(mostPending, feed.pendingKeys()); });
    sample.start(5);
    const int rows = ChangeFeed::kPageRows * ChangeFeed::kMaxPages + 500;
    test::adminExec(QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) "
                                   "SELECT 1000 + g, 'Поток ' || g FROM generate_series(1, %1) g")
                        .arg(rows));
    EXPECT_TRUE(arrives([](const ChangeBatch& b) { return b.whole; })) << describe(received);
    sample.stop();
    EXPECT_EQ(received.keyCount(), 0);
    EXPECT_LE(mostPending, 1);

    forget();
    test::adminExec(QStringLiteral("DELETE FROM accounts_dep.vid_oper WHERE id = 1001"));
    EXPECT_TRUE(kindArrives(1001)) << describe(received);
    EXPECT_EQ(received.keyCount(), 1) << describe(received);
}

// A transaction that took its number of the log before another one but commits after it:
// its change still arrives, also when it was running while the feed started.
TEST_F(ChangeFeedTest, ACommitOutOfNumberOrderIsNotMissed) {
    const QString name = QStringLiteral("change_feed_test_writer");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(test::testServer());
        db.setPort(5432);
        db.setDatabaseName(QStringLiteral("tabel"));
        db.setUserName(QStringLiteral("master"));
        db.setPassword(QStringLiteral("master"));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);

        ASSERT_TRUE(db.transaction());
        ASSERT_TRUE(query.exec(
            QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (75, 'Ш')")));
        test::adminExec(
            QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (76, 'Щ')"));
        EXPECT_TRUE(kindArrives(76)) << describe(received);
        EXPECT_FALSE(received.operationKinds.contains(75));
        ASSERT_TRUE(db.commit());
        EXPECT_TRUE(kindArrives(75)) << describe(received);

        forget();
        feed.stop();
        ASSERT_TRUE(db.transaction());
        ASSERT_TRUE(query.exec(
            QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (77, 'Э')")));
        test::adminExec(
            QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (78, 'Ю')"));
        startFeed();
        ASSERT_TRUE(db.commit());
        EXPECT_TRUE(kindArrives(77)) << describe(received);
        EXPECT_FALSE(received.operationKinds.contains(78)) << "history was replayed";
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// Batches merged: an entry named twice keeps where it was before and where it is after, and a
// batch past its bound keeps no keys.
// For a session on a hot standby each batch carries where the primary's WAL stood when the log
// was read, past the commits it tells of, and waits until the standby (here its stand-in) has
// replayed that far; back on the login's own server, batches pass at once.
TEST_F(ChangeFeedTest, OnAStandbyABatchWaitsUntilTheStandbyHasReplayedWhereTheLogWasRead) {
    quint64 replayed = 0;
    int asked = 0;
    // The same server: the listener goes on, its batches now held for the standby.
    feed.start(test::connectionStringFor(kReader), [&] {
        ++asked;
        return replayed;
    });
    ASSERT_TRUE(feed.isLive());
    forget();
    // Where the inserting transaction had got to before its commit was written.
    const quint64 beforeCommit =
        test::adminQuery(
            QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (79, 'Я'); "
                           "SELECT pg_wal_lsn_diff(pg_current_wal_insert_lsn(), '0/0')::text"))
            .toULongLong();
    ASSERT_GT(beforeCommit, 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked >= 2; }, kWaitMs));
    EXPECT_EQ(batches, 0);
    EXPECT_EQ(feed.pendingKeys(), 1);
    // Replayed up to the change but not its commit: still held.
    replayed = beforeCommit;
    const int askedBefore = asked;
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked > askedBefore + 1; }, kWaitMs));
    EXPECT_EQ(batches, 0);

    replayed =
        test::adminQuery(
            QStringLiteral("SELECT pg_wal_lsn_diff(pg_current_wal_insert_lsn(), '0/0')::text"))
            .toULongLong();
    EXPECT_TRUE(kindArrives(79)) << describe(received);
    EXPECT_EQ(batches, 1);
    EXPECT_GT(received.walPosition, beforeCommit);
    EXPECT_LE(received.walPosition, replayed);

    feed.start(test::connectionStringFor(kReader));
    forget();
    const int askedAtStart = asked;
    test::adminExec(QStringLiteral("INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (80, 'Ё')"));
    EXPECT_TRUE(kindArrives(80)) << describe(received);
    EXPECT_EQ(asked, askedAtStart);
}

// A server that takes the connection and never answers (a hung host) holds up no window: the
// feed says it is down once an attempt runs out, and stopping it does not wait for the attempt
// under way; the listener started next is not told down by the one still ending.
TEST(ChangeFeedSilentServerTest, AServerThatNeverAnswersHoldsUpNoWindow) {
    test::SilentServer silent;
    ChangeFeed feed;
    feed.start(composeConnectionString({silent.folder(), QStringLiteral("tabel"),
                                        QStringLiteral("master"), QStringLiteral("master")}));
    EXPECT_TRUE(feed.isStarted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return feed.isDown(); }, kWaitMs));
    // The next attempt waits in the server...
    ASSERT_TRUE(QTest::qWaitFor([&] { return silent.waitingClients() == 1; }, kWaitMs));
    feed.stop();
    // ...and still does once stop has returned.
    EXPECT_EQ(silent.waitingClients(), 1);
    EXPECT_FALSE(feed.isStarted());
    EXPECT_FALSE(feed.isDown());

    feed.start(test::connectionStringFor(QStringLiteral("master")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return feed.isLive(); }, kWaitMs));
    // The stopped listener gives up its attempt and ends, and tries no more.
    EXPECT_TRUE(QTest::qWaitFor([&] { return silent.waitingClients() == 0; }, kWaitMs));
    EXPECT_TRUE(feed.isLive());
    EXPECT_FALSE(feed.isDown());
}

// The live connection takes the TLS mode of the program's own: over TCP to a server without
// TLS (the test cluster behind a loopback relay), prefer listens and require never logs in
// in plain text.
TEST(ChangeFeedTlsTest, TheListenerKeepsTheTlsModeOfTheLogin) {
    test::LoopbackRelay relay(test::testServer());
    if (!relay.listening()) {
        GTEST_SKIP() << "no loopback address free at port 5432";
    }
    const struct {
        const char* mode;
        bool live;
    } cases[] = {{"prefer", true}, {"disable", true}, {"require", false}};
    for (const auto& c : cases) {
        const qsizetype seen = relay.clientBytes().size();
        ChangeFeed feed;
        feed.start(composeConnectionString({relay.host(), QStringLiteral("tabel"),
                                            QStringLiteral("master"), QStringLiteral("master"),
                                            QString::fromLatin1(c.mode)}));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return c.live ? feed.isLive() : feed.isDown(); }, kWaitMs))
            << c.mode;
        feed.stop();
        const QList<QByteArray> sent = relay.clientBytes().mid(seen);
        ASSERT_FALSE(sent.isEmpty()) << c.mode;
        EXPECT_EQ(sent.front().startsWith(test::LoopbackRelay::tlsRequest()),
                  QLatin1String(c.mode) != QLatin1String("disable"))
            << c.mode;
        if (!c.live) {
            for (const QByteArray& bytes : sent) {
                EXPECT_EQ(bytes, test::LoopbackRelay::tlsRequest()) << c.mode;
            }
        }
    }
}

TEST(ChangeBatchTest, MergesEntriesAndStaysBounded) {
    const QDate a(2026, 3, 2);
    const QDate b(2026, 3, 3);
    struct Case {
        const char* name;
        EntryChange first;
        EntryChange second;
        EntryChange merged;
    };
    const Case cases[] = {
        {"inserted, then moved", entry(1, a, 1, {}, 0, 'I'), entry(1, b, 2, a, 1, 'U'),
         entry(1, b, 2, {}, 0, 'U')},
        {"moved, then changed", entry(1, b, 1, a, 1, 'U'), entry(1, b, 1, {}, 0, 'U'),
         entry(1, b, 1, a, 1, 'U')},
        {"moved there and back", entry(1, b, 1, a, 1, 'U'), entry(1, a, 1, b, 1, 'U'),
         entry(1, a, 1, {}, 0, 'U')},
        {"changed, then deleted", entry(1, a, 1, {}, 0, 'U'), entry(1, a, 1, {}, 0, 'D'),
         entry(1, a, 1, {}, 0, 'D')},
        {"changed, then moved", entry(1, a, 1, {}, 0, 'U'), entry(1, a, 3, a, 1, 'U'),
         entry(1, a, 3, a, 1, 'U')},
    };
    for (const Case& c : cases) {
        ChangeBatch batch;
        batch.entries = {c.first, entry(2, a, 4, {}, 0, 'U')};
        ChangeBatch later;
        later.entries = {c.second};
        batch.merge(std::move(later));
        EXPECT_TRUE(sameEntries(batch.entries, {c.merged, entry(2, a, 4, {}, 0, 'U')}))
            << c.name << ": " << describe(batch);
    }

    ChangeLogRow row;
    row.subject = QStringLiteral("other");
    ChangeBatch batch;
    EXPECT_FALSE(batch.add(row));
    EXPECT_TRUE(batch.isEmpty());
    row.subject = QStringLiteral("vid_oper");
    for (int id = 1; id <= ChangeBatch::kMaxKeys; ++id) {
        row.keyId = id;
        ASSERT_TRUE(batch.add(row));
    }
    EXPECT_FALSE(batch.whole);
    row.keyId = 0;
    batch.add(row);
    EXPECT_TRUE(batch.whole);
    EXPECT_EQ(batch.keyCount(), 0);
    EXPECT_FALSE(batch.isEmpty());
    ChangeBatch more;
    more.operations = {1};
    batch.merge(std::move(more));
    EXPECT_EQ(batch.keyCount(), 0);
}

}  // namespace
}  // namespace tabel::data
