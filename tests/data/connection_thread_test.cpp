// The connection's own thread: a caller that waits for a statement keeps its event loop, sees the
// wait presenter after half a second, can cancel, and gets a dropped connection (and a fresh one
// next) when the server does not answer at all. The server is made to hang by stopping the
// test session's own backend process (the test cluster runs as the same user).
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <signal.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "data/connection.h"
#include "data/errors.h"
#include "data/notifications.h"
#include "data/wait_presenter.h"
#include "test_db.h"

namespace tabel::data {
namespace {

const QString kNoAnswer = QStringLiteral(
    "Сервер не отвечает. Соединение разорвано, при следующем действии оно будет установлено "
    "заново.");

// Records what the data layer shows and presses "Отмена" when told to.
class RecordingPresenter : public WaitPresenter {
public:
    RecordingPresenter() { install(this); }
    ~RecordingPresenter() override { install(nullptr); }

    void showWait(std::function<void()> cancel) override {
        ++shows;
        shown = true;
        cancel_ = std::move(cancel);
        if (cancelAtOnce) {
            cancel_();
        }
    }
    void hideWait() override {
        shown = false;
        cancel_ = nullptr;
    }
    bool ownsInput(const QObject*) const override { return false; }

    bool cancelAtOnce = false;
    int shows = 0;
    bool shown = false;

private:
    std::function<void()> cancel_;
};

// A server process that hangs: stopped with SIGSTOP, continued when the scope ends (or by a
// watchdog, so that a caller that never comes back cannot leave it stopped).
class FrozenBackend {
public:
    explicit FrozenBackend(qint64 pid) : pid_(pid_t(pid)) {
        ::kill(pid_, SIGSTOP);
        watchdog_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            if (!ended_.wait_for(lock, std::chrono::seconds(60), [this] { return thawed_; })) {
                ::kill(pid_, SIGCONT);
            }
        });
    }
    ~FrozenBackend() {
        thaw();
        watchdog_.join();
    }
    FrozenBackend(const FrozenBackend&) = delete;
    FrozenBackend& operator=(const FrozenBackend&) = delete;

    void thaw() {
        const std::lock_guard lock(mutex_);
        if (!thawed_) {
            ::kill(pid_, SIGCONT);
            thawed_ = true;
            ended_.notify_all();
        }
    }

private:
    pid_t pid_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool thawed_ = false;
    std::thread watchdog_;
};

class ConnectionThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(connection);
    }

    qint64 backendPid() {
        return connection.scalar(QStringLiteral("select pg_backend_pid()")).toLongLong();
    }
    static bool backendGone(qint64 pid) {
        return test::adminQuery(QStringLiteral("select count(*) from pg_stat_activity "
                                               "where pid = %1")
                                    .arg(pid)) == QStringLiteral("0");
    }
    static QString markedNorms() {
        return test::adminQuery(
            QStringLiteral("select count(*) from accounts_dep.norm where norma = 777"));
    }
    void insertMarkedNorm() {
        connection.run(QStringLiteral(
            "insert into accounts_dep.norm (o_id, norma, prize, price) values (1, 777, 0, 1)"));
    }

    // What `action` threw: its kind and message.
    static std::optional<DbError> failureOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const DbError& error) {
            return error;
        }
        return std::nullopt;
    }

    Connection connection;
};

TEST_F(ConnectionThreadTest, TheCallerKeepsItsEventLoopAndSeesThePresenterAfterHalfASecond) {
    RecordingPresenter presenter;
    const qint64 pid = backendPid();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    {
        FrozenBackend frozen(pid);
        std::optional<bool> shownEarly;
        std::optional<bool> shownLater;
        QTimer::singleShot(200, [&] { shownEarly = presenter.shown; });
        // Only a loop that runs while the statement waits can thaw the server.
        QTimer::singleShot(1500, [&] {
            shownLater = presenter.shown;
            frozen.thaw();
        });
        EXPECT_EQ(connection.scalar(QStringLiteral("select 41 + 1")).toInt(), 42);
        EXPECT_EQ(shownEarly, false);
        EXPECT_EQ(shownLater, true);
    }
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(presenter.shows, 1);
    EXPECT_FALSE(presenter.shown);

    // A statement the server answers at once shows nothing, and the session is the same one.
    EXPECT_EQ(backendPid(), pid);
    EXPECT_EQ(presenter.shows, 1);
    EXPECT_FALSE(connection.busy());
}

TEST_F(ConnectionThreadTest, CancelStopsALongStatementAndTheSessionGoesOn) {
    RecordingPresenter presenter;
    presenter.cancelAtOnce = true;
    const qint64 pid = backendPid();
    const std::optional<DbError> failure =
        failureOf([&] { connection.run(QStringLiteral("select pg_sleep(30)")); });
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind(), DbErrorKind::Cancelled);
    EXPECT_EQ(userMessageOf(*failure), QStringLiteral("Запрос отменен пользователем"));
    EXPECT_FALSE(presenter.shown);
    EXPECT_EQ(backendPid(), pid);
}

TEST_F(ConnectionThreadTest, AServerThatDoesNotTakeTheCancelIsDroppedAndTheNextActionConnects) {
    RecordingPresenter presenter;
    presenter.cancelAtOnce = true;
    const qint64 pid = backendPid();
    {
        FrozenBackend frozen(pid);
        const std::optional<DbError> failure =
            failureOf([&] { connection.scalar(QStringLiteral("select 1")); });
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->kind(), DbErrorKind::ConnectionLost);
        EXPECT_EQ(failure->message(), kNoAnswer);
        EXPECT_TRUE(userMessageOf(*failure).contains(kNoAnswer));
        EXPECT_FALSE(presenter.shown);

        // The old session still hangs; the next action gets a session of its own, set up as
        // every session is.
        const qint64 fresh = backendPid();
        EXPECT_NE(fresh, pid);
        EXPECT_EQ(connection.scalar(QStringLiteral("show lock_timeout")).toString(),
                  QStringLiteral("3s"));
    }
    // Once the server answers, the abandoned thread closes the old session by itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return backendGone(pid); }, 20000));
    EXPECT_EQ(connection.scalar(QStringLiteral("select 1")).toInt(), 1);
}

TEST_F(ConnectionThreadTest, ATransactionThatFailsMidwayLeavesNothingWritten) {
    RecordingPresenter presenter;
    presenter.cancelAtOnce = true;
    const struct {
        const char* how;
        std::function<void(Connection&, qint64 pid)> fail;
        DbErrorKind kind;
    } cases[] = {
        {"a refused statement",
         [](Connection& c, qint64) { c.run(QStringLiteral("select 1 / 0")); }, DbErrorKind::Other},
        {"cancelled by the user",
         [](Connection& c, qint64) { c.run(QStringLiteral("select pg_sleep(30)")); },
         DbErrorKind::Cancelled},
        {"the server hangs",
         [](Connection& c, qint64 pid) {
             FrozenBackend frozen(pid);
             c.run(QStringLiteral("select 1"));
         },
         DbErrorKind::ConnectionLost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const qint64 pid = backendPid();
        const std::optional<DbError> failure = failureOf([&] {
            connection.inTransaction([&] {
                insertMarkedNorm();
                c.fail(connection, pid);
                insertMarkedNorm();
            });
        });
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->kind(), c.kind);
        // A dropped session's transaction ends with the session.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return backendPid() == pid || backendGone(pid); }, 20000));
        EXPECT_EQ(markedNorms(), QStringLiteral("0"));
    }
}

TEST_F(ConnectionThreadTest, AfterADropTheTransactionsLaterStatementsRunNowhere) {
    RecordingPresenter presenter;
    presenter.cancelAtOnce = true;
    const qint64 pid = backendPid();
    std::optional<DbError> swallowed;
    std::optional<DbError> after;
    const std::optional<DbError> failure = failureOf([&] {
        connection.inTransaction([&] {
            insertMarkedNorm();
            {
                FrozenBackend frozen(pid);
                swallowed = failureOf([&] { insertMarkedNorm(); });
            }
            // Work that goes on regardless must not write outside its transaction.
            after = failureOf([&] { insertMarkedNorm(); });
        });
    });
    ASSERT_TRUE(swallowed.has_value());
    EXPECT_EQ(swallowed->message(), kNoAnswer);
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->kind(), DbErrorKind::ConnectionLost);
    ASSERT_TRUE(failure.has_value());  // and so does its commit
    EXPECT_EQ(failure->kind(), DbErrorKind::ConnectionLost);
    EXPECT_TRUE(QTest::qWaitFor([&] { return backendGone(pid); }, 20000));
    EXPECT_EQ(markedNorms(), QStringLiteral("0"));
}

TEST_F(ConnectionThreadTest, FailuresOnTheThreadReachTheCallerAsTheyWere) {
    const struct {
        const char* what;
        std::function<void(Connection&)> action;
        DbErrorKind kind;
        const char* sqlState;
    } cases[] = {
        {"a statement", [](Connection& c) { c.run(QStringLiteral("select 1 / 0")); },
         DbErrorKind::Other, "22012"},
        {"a write",
         [](Connection& c) {
             c.execute(
                 QStringLiteral("insert into accounts_dep.norm (id, o_id, norma, prize, price) "
                                "values (1, 1, 1, 0, 1)"));
         },
         DbErrorKind::UniqueViolation, "23505"},
        {"a login",
         [](Connection& c) {
             c.setConnectionString(
                 test::connectionStringFor(QStringLiteral("master"), QStringLiteral("wrong")));
             c.open();
         },
         DbErrorKind::ConnectionLost, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<DbError> failure = failureOf([&] { c.action(connection); });
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->kind(), c.kind);
        EXPECT_EQ(failure->sqlState(), QString::fromLatin1(c.sqlState));
        EXPECT_FALSE(failure->message().isEmpty());
    }
}

TEST_F(ConnectionThreadTest, ACallMadeDuringAWaitQueuesBehindItOutsideATransaction) {
    std::optional<bool> busy;
    QVariant inner;
    QTimer::singleShot(50, [&] {
        busy = connection.busy();
        inner = connection.scalar(QStringLiteral("select clock_timestamp()"));
    });
    const StatementResult outer =
        connection.run(QStringLiteral("select pg_sleep(0.5), clock_timestamp()"));
    EXPECT_EQ(busy, true);
    ASSERT_TRUE(inner.isValid());
    // It ran after the statement it waited behind.
    EXPECT_GE(inner.toDateTime(), outer.rows.value(0).value(1).toDateTime());
}

TEST_F(ConnectionThreadTest, ACallMadeDuringAWaitInsideATransactionIsRefused) {
    const qint64 pid = backendPid();
    std::optional<DbError> refused;
    connection.inTransaction([&] {
        QTimer::singleShot(50, [&] {
            refused = failureOf([&] { connection.scalar(QStringLiteral("select 2")); });
        });
        connection.run(QStringLiteral("select pg_sleep(0.5)"));
        insertMarkedNorm();
    });
    ASSERT_TRUE(refused.has_value());
    // Background callers skip it as they skip an unreachable server; nothing was lost.
    EXPECT_EQ(refused->kind(), DbErrorKind::ConnectionLost);
    EXPECT_EQ(markedNorms(), QStringLiteral("1"));
    EXPECT_EQ(backendPid(), pid);
}

TEST_F(ConnectionThreadTest, LiveChangesArriveAfterTheWaitTheyCameIn) {
    ChangeFeed feed;
    feed.start(connection.connectionString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return feed.isLive(); }, 10000));
    std::optional<bool> busyWhenApplied;
    QObject::connect(&feed, &ChangeFeed::changed, [&] { busyWhenApplied = Connection::anyBusy(); });
    QTimer::singleShot(50, [] {
        test::adminExec(QStringLiteral("update accounts_dep.norm set price = price where id = 1"));
    });
    connection.run(QStringLiteral("select pg_sleep(1)"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return busyWhenApplied.has_value(); }, 10000));
    EXPECT_FALSE(*busyWhenApplied);
}

TEST_F(ConnectionThreadTest, ConnectionsMadeAndEndedInTurnUnderOneNameNeverShareASession) {
    // Each one ends while its thread may still be putting its last call away.
    for (int i = 0; i < 200; ++i) {
        Connection same(QStringLiteral("same"));
        test::connectAs(same);
        ASSERT_EQ(same.scalar(QStringLiteral("select 1")).toInt(), 1) << i;
    }
}

TEST_F(ConnectionThreadTest, StreamedBlocksAreTakenOnTheCallingThread) {
    int blocks = 0;
    bool elsewhere = false;
    connection.stream(
        QStringLiteral("select n from generate_series(1, 10) n"), {}, {},
        [&](const StatementResult&) {
            ++blocks;
            elsewhere = elsewhere || QThread::currentThread() != qApp->thread();
        },
        3);
    EXPECT_EQ(blocks, 4);
    EXPECT_FALSE(elsewhere);
}

}  // namespace
}  // namespace tabel::data
