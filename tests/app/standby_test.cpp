// A hot standby of the test cluster (made by dbctl start-standby): the reports, the timesheet's
// printing and the batch jobs read it with the freshness of its data under their titles, fall
// back to the primary while it is down or behind, and a session opened on it reads only.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>
#include <optional>

#include "app/login_window.h"
#include "app/start_arguments.h"
#include "batch/batch.h"
#include "data/connection.h"
#include "data/connection_string.h"
#include "data/errors.h"
#include "data/hours.h"
#include "data/replay_gate.h"
#include "data/report_source.h"
#include "data/session.h"
#include "find_widget.h"
#include "login_probe.h"
#include "message_recorder.h"
#include "outputwindows/report_preview.h"
#include "outputwindows/reports_dialog.h"
#include "outputwindows/timesheet_window.h"
#include "report_texts.h"
#include "reports/period_reports.h"
#include "reports/spreadsheet.h"
#include "shiftlog/shift_log_controls.h"
#include "shiftlog/shift_log_window.h"
#include "shown_lists.h"
#include "silent_server.h"
#include "test_db.h"
#include "xlsx_reader.h"

namespace tabel::app {
namespace {

const QString kStandbyDown =
    QStringLiteral("Резервный сервер недоступен, отчет построен по основному серверу");
const QRegularExpression kFreshness(
    QStringLiteral("^Данные на (\\d\\d\\.\\d\\d\\.\\d{4} )?\\d\\d:\\d\\d:\\d\\d$"));

// The standby's last replayed commit as the report prints it.
QString standbyFreshness() {
    const QString epoch = test::standbyAdminQuery(
        QStringLiteral("select extract(epoch from pg_last_xact_replay_timestamp())::float8"));
    return reports::dataAsOfText(QDateTime::fromMSecsSinceEpoch(qint64(epoch.toDouble() * 1000)),
                                 QDate::currentDate());
}

bool readsStandby(data::Connection& connection) {
    return connection.scalar(QStringLiteral("select pg_is_in_recovery()::int4")).toInt() == 1;
}

class StandbyTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        test::loadBaseFixture();
        test::loadFixture(QStringLiteral("tests/reports/fixture_reports.sql"));
    }

    void SetUp() override {
        // A commit the standby replays, so that it has a time to tell.
        test::adminExec(QStringLiteral("select txid_current()"));
        test::waitForStandby();
    }

    // Stops the standby; it is started again when the returned guard ends.
    [[nodiscard]] static auto standbyDown() {
        test::stopStandby();
        return qScopeGuard([] { test::startStandby(); });
    }

    // The freshness lines of a prepared report; the first text is its title.
    static QStringList freshnessOf(const QStringList& texts) {
        return texts.filter(QRegularExpression(QStringLiteral("^Данные на ")));
    }
};

TEST_F(StandbyTest, ReportsReadTheStandbyWhileItIsUpAndThePrimaryWhileItIsDown) {
    data::Connection primary;
    test::connectAs(primary, QStringLiteral("econom"));
    data::ReportSource source(primary);
    const data::ReportRead none = source.choose();
    EXPECT_EQ(none.connection, &primary);
    EXPECT_FALSE(none.standby);
    EXPECT_TRUE(none.notice.isEmpty());

    source.setStandby(test::standbyConnectionStringFor(QStringLiteral("econom")));
    const QString before = standbyFreshness();
    const data::ReportRead up = source.choose();
    ASSERT_TRUE(up.standby) << up.notice.toStdString();
    EXPECT_EQ(up.connection, source.standby());
    EXPECT_TRUE(readsStandby(*up.connection));
    EXPECT_TRUE(up.notice.isEmpty());
    const QString printed = reports::dataAsOfText(up.dataAsOf, QDate::currentDate());
    EXPECT_TRUE(printed == before || printed == standbyFreshness()) << printed.toStdString();
    const QString count = QStringLiteral("select count(*)::int4 from accounts_dep.smena");
    EXPECT_EQ(up.connection->scalar(count), primary.scalar(count));

    {
        const auto restart = standbyDown();
        // Each report tries the standby again, and each reads the primary and says why.
        for (int report = 0; report < 2; ++report) {
            const data::ReportRead down = source.choose();
            EXPECT_EQ(down.connection, &primary);
            EXPECT_FALSE(down.standby);
            EXPECT_FALSE(down.dataAsOf.isValid());
            EXPECT_EQ(down.notice, kStandbyDown);
        }
    }
    const data::ReportRead again = source.choose();
    EXPECT_TRUE(again.standby) << again.notice.toStdString();
    EXPECT_TRUE(readsStandby(*again.connection));

    // A report server that never answers, or refuses the login, is as good as down.
    const QString unreachable[] = {
        data::composeConnectionString({QStringLiteral("/nonexistent/standby"),
                                       QStringLiteral("tabel"), QStringLiteral("econom"),
                                       QStringLiteral("econom")}),
        data::composeConnectionString({test::testStandby(), QStringLiteral("tabel"),
                                       QStringLiteral("econom"), QStringLiteral("wrong")}),
    };
    for (const QString& connectionString : unreachable) {
        source.setStandby(connectionString);
        const data::ReportRead read = source.choose();
        EXPECT_EQ(read.connection, &primary);
        EXPECT_EQ(read.notice, kStandbyDown);
    }
}

TEST_F(StandbyTest, AStandbyTooFarBehindIsNotRead) {
    data::Connection primary;
    test::connectAs(primary, QStringLiteral("econom"));
    data::ReportSource source(primary);
    test::standbyAdminQuery(QStringLiteral("select pg_wal_replay_pause()"));
    const auto resume = qScopeGuard([] {
        test::standbyAdminQuery(QStringLiteral("select pg_wal_replay_resume()"));
        test::waitForStandby();
    });
    // The primary commits what the standby receives and does not replay. A record already
    // awaited when the pause came is still replayed: commits follow until one is held back.
    bool held = false;
    for (int i = 0; i < 100 && !held; ++i) {
        test::adminExec(QStringLiteral("select txid_current()"));
        QThread::msleep(100);
        held = test::standbyAdminQuery(
                   QStringLiteral("select pg_last_wal_receive_lsn() > pg_last_wal_replay_lsn()")) ==
               QLatin1String("t");
    }
    ASSERT_TRUE(held) << "the standby replays on while paused";
    QThread::msleep(1100);  // its last replayed commit now more than a second old

    source.setStandby(test::standbyConnectionStringFor(QStringLiteral("econom")), 1);
    const data::ReportRead behind = source.choose();
    EXPECT_EQ(behind.connection, &primary);
    EXPECT_TRUE(behind.notice.startsWith(QStringLiteral("Резервный сервер отстает на ")))
        << behind.notice.toStdString();
    EXPECT_TRUE(behind.notice.contains(QStringLiteral("(допустимо до 1 с)")))
        << behind.notice.toStdString();
    EXPECT_TRUE(behind.notice.endsWith(QStringLiteral(", отчет построен по основному серверу")));

    source.setStandby(test::standbyConnectionStringFor(QStringLiteral("econom")),
                      data::ReportSource::kDefaultMaxLagSeconds);
    EXPECT_TRUE(source.choose().standby);
}

TEST_F(StandbyTest, LagsAreToldInMinutesAndSeconds) {
    const struct {
        qint64 seconds;
        const char* text;
    } cases[] = {{0, "0 с"},          {59, "59 с"},        {60, "1 мин"},      {300, "5 мин"},
                 {432, "7 мин 12 с"}, {3600, "1 ч 0 мин"}, {7322, "2 ч 2 мин"}};
    for (const auto& c : cases) {
        EXPECT_EQ(data::lagText(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
    }
}

// A write that reaches a standby, from any window or job, is refused in Russian.
TEST_F(StandbyTest, WritesOnTheStandbyAreRefusedInRussian) {
    data::Connection standby;
    standby.setConnectionString(test::standbyConnectionStringFor(QStringLiteral("master")));
    standby.open();
    EXPECT_TRUE(standby.readOnlyServer());
    data::Connection primary;
    test::connectAs(primary, QStringLiteral("master"));
    EXPECT_FALSE(primary.readOnlyServer());

    const std::function<void()> writes[] = {
        [&] { standby.execute(QStringLiteral("update accounts_dep.smena set kol_vo = kol_vo")); },
        [&] {
            standby.run(QStringLiteral("select 1 from accounts_dep.hours_month_lock for update"));
        },
        [&] { data::rebuildHoursMonth(standby, 3, 2026); },
    };
    for (const auto& write : writes) {
        try {
            write();
            ADD_FAILURE() << "a standby took a write";
        } catch (const data::DbError& error) {
            EXPECT_EQ(error.kind(), data::DbErrorKind::ReadOnlyServer);
            EXPECT_EQ(data::userMessageOf(error),
                      QStringLiteral("Сервер доступен только для чтения"));
        }
    }
}

// What the shift log showed while it was shown modally after the login.
struct SessionSeen {
    bool shown = false;
    bool add = false, edit = false, remove = false, accept = false, references = false;
    bool timesheet = false, reports = false, refresh = false, rebuild = false;
    bool readOnlyShown = false;
    QString readOnlyText;
    bool liveOffShown = false;
    QString liveText;
    bool feedStarted = true;
    int rows = -1;
};

TEST_F(StandbyTest, ASessionOnTheStandbyOpensReadOnly) {
    const struct {
        bool onStandby;
        const char* login;
    } cases[] = {{true, "master"}, {true, "sys"}, {false, "master"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.login) + (c.onStandby ? " on the standby" : " on the primary"));
        data::Session session;
        shiftlog::ShiftLogWindow shiftLog(session);
        outputwindows::TimesheetWindow timesheet(session);
        shiftLog.setTimesheetWindow(&timesheet);
        test::MessageRecorder messages;
        const QString server = c.onStandby ? test::testStandby() : test::testServer();
        LoginWindow login(
            session, shiftLog,
            {server, QStringLiteral("tabel"), QStringLiteral("sys"), QStringLiteral("1234")},
            server, QStringLiteral("tabel"));
        login.terminate = [] {};
        SessionSeen seen;
        const QString user = QString::fromUtf8(c.login);
        const QString password = user == QLatin1String("sys") ? QStringLiteral("1234") : user;
        test::logInAndLook(login, shiftLog, user, password, [&] {
            const auto enabled = [&](const char* name) {
                return test::childNamed<QObject>(shiftLog, QString::fromLatin1(name))
                    ->property("enabled")
                    .toBool();
            };
            seen.shown = shiftLog.isVisible();
            seen.add = enabled("addButton");
            seen.edit = enabled("editButton");
            seen.remove = enabled("deleteButton");
            seen.accept = enabled("acceptButton");
            seen.references = enabled("referencesMenu");
            seen.timesheet = enabled("timesheetAction");
            seen.reports = enabled("reportsMenu");
            seen.refresh = enabled("refreshButton");
            seen.rebuild = test::childNamed<QPushButton>(timesheet, QStringLiteral("rebuildButton"))
                               ->isEnabled();
            auto* readOnly = test::childNamed<QLabel>(shiftLog, QStringLiteral("readOnlyLabel"));
            seen.readOnlyShown = readOnly->isVisibleTo(&shiftLog);
            seen.readOnlyText = readOnly->text();
            auto* live = test::childNamed<QLabel>(shiftLog, QStringLiteral("liveStatusLabel"));
            seen.liveOffShown = live->isVisibleTo(&shiftLog);
            seen.liveText = live->text();
            seen.feedStarted = session.changes.isStarted();
            seen.rows = test::shiftList(shiftLog, 1).isOpen()
                            ? test::shiftList(shiftLog, 1).recordCount()
                            : -1;
            shiftLog.done(QDialog::Rejected);
        });

        ASSERT_TRUE(seen.shown) << messages.texts().join(u'\n').toStdString();
        EXPECT_TRUE(messages.messages().isEmpty()) << messages.texts().join(u'\n').toStdString();
        EXPECT_EQ(session.readOnly, c.onStandby);
        // Every write control off on a standby; reading stays.
        EXPECT_EQ(seen.add, !c.onStandby);
        EXPECT_EQ(seen.edit, !c.onStandby);
        EXPECT_EQ(seen.remove, !c.onStandby);
        EXPECT_EQ(seen.accept, !c.onStandby && QByteArray(c.login) == "sys");
        EXPECT_EQ(seen.references, !c.onStandby);
        EXPECT_EQ(seen.rebuild, !c.onStandby);
        EXPECT_TRUE(seen.timesheet);
        EXPECT_TRUE(seen.reports);
        EXPECT_TRUE(seen.refresh);
        EXPECT_GE(seen.rows, 0);
        EXPECT_EQ(seen.readOnlyShown, c.onStandby);
        EXPECT_EQ(seen.readOnlyText, QStringLiteral("Только чтение: резервный сервер"));
        // A standby takes no LISTEN: nothing listens, the lists refresh with F5.
        EXPECT_EQ(seen.feedStarted, !c.onStandby);
        if (c.onStandby) {
            EXPECT_TRUE(seen.liveOffShown);
            EXPECT_EQ(seen.liveText, QStringLiteral("Обновление по сети отключено: резервный "
                                                    "сервер, списки обновляются клавишей F5"));
        }
        session.changes.stop();
    }
}

// The server behind the session's address becomes a standby (a failover met on reconnect): the
// next timed check turns the windows read-only; a promoted one makes them writable again.
TEST_F(StandbyTest, AServerThatTurnsStandbyWhileOpenTurnsTheWindowsReadOnly) {
    data::Session session;
    shiftlog::ShiftLogWindow shiftLog(session);
    test::MessageRecorder messages;
    LoginWindow login(session, shiftLog,
                      {test::testServer(), QStringLiteral("tabel"), QStringLiteral("sys"),
                       QStringLiteral("1234")},
                      test::testServer(), QStringLiteral("tabel"));
    login.terminate = [] {};
    struct Seen {
        bool add = false;
        bool readOnlyShown = false;
        bool feedStarted = false;
    };
    QList<Seen> seen;
    const auto look = [&] {
        seen.append(
            {test::childNamed<QPushButton>(shiftLog, QStringLiteral("addButton"))->isEnabled(),
             test::childNamed<QLabel>(shiftLog, QStringLiteral("readOnlyLabel"))
                 ->isVisibleTo(&shiftLog),
             session.changes.isStarted()});
    };
    const auto reconnectTo = [&](const QString& connectionString) {
        session.connection.setConnectionString(connectionString);
        session.connection.close();
        emit shiftLog.versionCheckDue();
    };
    test::logInAndLook(login, shiftLog, QStringLiteral("master"), QStringLiteral("master"), [&] {
        look();
        reconnectTo(test::standbyConnectionStringFor(QStringLiteral("master")));
        look();
        reconnectTo(test::connectionStringFor(QStringLiteral("master")));
        look();
        shiftLog.done(QDialog::Rejected);
    });
    session.changes.stop();

    ASSERT_EQ(seen.size(), 3) << messages.texts().join(u'\n').toStdString();
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.texts().join(u'\n').toStdString();
    const bool primary[] = {true, false, true};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].add, primary[i]);
        EXPECT_EQ(seen[i].readOnlyShown, !primary[i]);
        EXPECT_EQ(seen[i].feedStarted, primary[i]);
    }
}

// Where the standby stands, asked by a plain login: behind or at the primary's position, which
// a plain login reads there too; the primary, out of recovery, has everything.
TEST_F(StandbyTest, APlainLoginAsksHowFarTheStandbyHasReplayed) {
    data::Connection primary;
    test::connectAs(primary, QStringLiteral("econom"));
    data::Connection standby;
    standby.setConnectionString(test::standbyConnectionStringFor(QStringLiteral("econom")));
    standby.open();
    EXPECT_EQ(data::replayedWalPosition(primary), data::ReplayGate::kEverything);
    const quint64 written =
        primary
            .scalar(QStringLiteral(
                "select pg_catalog.pg_wal_lsn_diff(pg_catalog.pg_current_wal_lsn(), '0/0')::text"))
            .toString()
            .toULongLong();
    ASSERT_GT(written, 0u);
    EXPECT_LE(data::replayedWalPosition(standby), written);
    test::waitForStandby();
    EXPECT_GE(data::replayedWalPosition(standby), written);
}

// A session on the standby follows what is committed on a known primary without F5: the feed
// listens there and each batch waits until the standby has replayed it. A primary that is down,
// never answers or is a standby itself leaves the lists to F5 and the status line says live
// refresh is off; a standby alone stays as it was.
TEST_F(StandbyTest, ASessionOnTheStandbyFollowsTheChangesOfAKnownPrimary) {
    test::SilentServer silent;
    enum class Feed { Live, Down, None };
    const struct {
        const char* what;
        QString deploymentServer;
        QString primaryOption;  // --primary-server
        Feed feed;
    } cases[] = {
        {"the deployment's own server", test::testServer(), {}, Feed::Live},
        {"named by --primary-server", test::testStandby(), test::testServer(), Feed::Live},
        {"a standby alone", test::testStandby(), {}, Feed::None},
        {"a primary that is a standby too", test::testStandby(),
         test::testStandby() + QLatin1Char('/'), Feed::Down},
        {"no server there", test::testStandby(), QStringLiteral("/nonexistent/primary"),
         Feed::Down},
        {"a server that never answers", test::testStandby(), silent.folder(), Feed::Down},
    };
    data::Connection writer;
    test::connectAs(writer, QStringLiteral("master"));
    const QDate day(2026, 3, 2);
    int id = 9100;
    const auto cleanUp = qScopeGuard([] {
        test::adminExec(
            QStringLiteral("delete from accounts_dep.smena where id between 9101 and 9199"));
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ++id;
        data::Session session;
        shiftlog::ShiftLogWindow shiftLog(session);
        test::MessageRecorder messages;
        data::Deployment deployment{c.deploymentServer, QStringLiteral("tabel"),
                                    QStringLiteral("sys"), QStringLiteral("1234")};
        deployment.primaryServer = c.primaryOption;
        LoginWindow login(session, shiftLog, deployment, test::testStandby(),
                          QStringLiteral("tabel"));
        login.terminate = [] {};
        struct {
            bool shown = false;
            bool feedStarted = false;
            bool feedSettled = false;  // live or down, as the case expects
            bool readOnlyShown = false;
            bool liveOffShown = false;
            QString liveText;
            bool withoutF5 = false;
            bool withF5 = false;
        } seen;
        test::logInAndLook(
            login, shiftLog, QStringLiteral("clerk_a"), QStringLiteral("clerk_a"), [&] {
                const test::ShiftLogControls controls(shiftLog);
                controls.chooseDay(day);
                seen.shown = shiftLog.isVisible();
                seen.feedStarted = session.changes.isStarted();
                seen.feedSettled = c.feed == Feed::None ||
                                   QTest::qWaitFor(
                                       [&] {
                                           return c.feed == Feed::Live ? session.changes.isLive()
                                                                       : session.changes.isDown();
                                       },
                                       20000);
                seen.readOnlyShown =
                    test::childNamed<QLabel>(shiftLog, QStringLiteral("readOnlyLabel"))
                        ->isVisibleTo(&shiftLog);
                seen.liveOffShown = controls.liveStatusLabel->isVisibleTo(&shiftLog);
                seen.liveText = controls.liveStatusLabel->text();

                writer.execute(
                    QStringLiteral(
                        "insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, "
                        "cena, kol_vo, time, ok) values (:id, :day, 1, 101, 1, 1, 1, 16, "
                        "0, 'no')"),
                    {{QStringLiteral("id"), id}, {QStringLiteral("day"), day}});
                data::Dataset& list = test::shiftList(shiftLog, 1);
                const auto shown = [&] { return list.holdsKey(QStringLiteral("id"), id); };
                if (c.feed == Feed::Live) {
                    seen.withoutF5 = QTest::qWaitFor(shown, 20000);
                } else {
                    // Nothing refreshes the list even once the standby has the entry.
                    test::waitForStandby();
                    QCoreApplication::processEvents();
                    seen.withoutF5 = shown();
                }
                test::waitForStandby();
                QTest::keyClick(controls.entriesGrid, Qt::Key_F5);
                seen.withF5 = shown();
                shiftLog.done(QDialog::Rejected);
            });

        ASSERT_TRUE(seen.shown) << messages.texts().join(u'\n').toStdString();
        EXPECT_TRUE(messages.messages().isEmpty()) << messages.texts().join(u'\n').toStdString();
        EXPECT_TRUE(session.readOnly);
        EXPECT_TRUE(seen.readOnlyShown);
        EXPECT_EQ(seen.feedStarted, c.feed != Feed::None);
        EXPECT_TRUE(seen.feedSettled);
        EXPECT_EQ(seen.liveOffShown, c.feed != Feed::Live);
        if (c.feed != Feed::Live) {
            EXPECT_EQ(seen.liveText,
                      c.feed == Feed::None
                          ? QStringLiteral("Обновление по сети отключено: резервный сервер, "
                                           "списки обновляются клавишей F5")
                          : QStringLiteral("Обновление по сети отключено"));
        }
        EXPECT_EQ(seen.withoutF5, c.feed == Feed::Live);
        EXPECT_TRUE(seen.withF5);
    }
}

TEST_F(StandbyTest, TheReportsDialogPrintsTheFreshnessAndSaysWhyItReadThePrimary) {
    data::Session session;
    test::connectAs(session.connection, QStringLiteral("econom"));
    session.reports.setStandby(test::standbyConnectionStringFor(QStringLiteral("econom")));
    outputwindows::ReportsDialog dialog(session);
    dialog.show();
    test::fieldLabelled<QDateEdit>(dialog, "с")->setDate(QDate(2026, 4, 1));
    test::fieldLabelled<QDateEdit>(dialog, "по")->setDate(QDate(2026, 5, 1));
    auto* status = test::childNamed<QLabel>(dialog, QStringLiteral("statusLabel"));

    const auto preview = [&](const char* caption) {
        test::buttonCaptioned<QPushButton>(dialog, QString::fromUtf8(caption))->click();
        auto* shown = dialog.findChild<outputwindows::ReportPreview*>();
        EXPECT_NE(shown, nullptr);
        QStringList texts;
        if (shown != nullptr) {
            texts = test::textsOf(shown->document());
            shown->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return texts;
    };

    const QString before = standbyFreshness();
    const QStringList onStandby = preview("Отчет по рабочим");
    ASSERT_GE(onStandby.size(), 3);
    EXPECT_EQ(onStandby[0],
              QStringLiteral("   Отчет по рабочим за период с 01.04.2026 по 01.05.2026"));
    // Right under the title, before the column captions.
    EXPECT_TRUE(kFreshness.match(onStandby[1]).hasMatch()) << onStandby[1].toStdString();
    EXPECT_TRUE(onStandby[1] == before || onStandby[1] == standbyFreshness());
    EXPECT_TRUE(onStandby.contains(QStringLiteral("1125,00")));
    EXPECT_FALSE(status->isVisibleTo(&dialog));

    QStringList onPrimary;
    {
        const auto restart = standbyDown();
        onPrimary = preview("Отчет по рабочим");
        EXPECT_TRUE(status->isVisibleTo(&dialog));
        EXPECT_EQ(status->text(), kStandbyDown);
    }
    // The same figures from the books themselves, without a freshness line.
    EXPECT_TRUE(freshnessOf(onPrimary).isEmpty());
    QStringList withoutFreshness = onStandby;
    withoutFreshness.removeAt(1);
    EXPECT_EQ(onPrimary, withoutFreshness);

    const QStringList again = preview("Детальный отчет по продукции");
    EXPECT_EQ(freshnessOf(again).size(), 1);
    EXPECT_FALSE(status->isVisibleTo(&dialog));

    // The product summary too: its freshness under the title.
    QStringList opened;
    reports::Spreadsheet::setOpener([&](const QString& path) {
        opened.append(path);
        return true;
    });
    const auto noOpener = qScopeGuard([] { reports::Spreadsheet::setOpener({}); });
    dialog.findChild<QPushButton*>(QStringLiteral("excelButton"))->click();
    ASSERT_EQ(opened.size(), 1);
    const test::XlsxBook book = test::readXlsx(opened.front());
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    ASSERT_NE(book.cell(2, 1), nullptr);
    EXPECT_TRUE(kFreshness.match(book.cell(2, 1)->value).hasMatch());
    ASSERT_NE(book.cell(3, 1), nullptr);
    EXPECT_EQ(book.cell(3, 1)->value, QStringLiteral("Наименование"));
}

TEST_F(StandbyTest, TheTimesheetPrintReadsTheStandby) {
    data::Session session;
    test::connectAs(session.connection, QStringLiteral("master"));
    session.reports.setStandby(test::standbyConnectionStringFor(QStringLiteral("master")));
    outputwindows::TimesheetWindow window(session);
    window.selectMonth(QDate(2026, 3, 1));
    const auto print = [&] {
        test::childNamed<QPushButton>(window, QStringLiteral("printButton"))->click();
        QStringList texts;
        QList<outputwindows::ReportPreview*> previews;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* preview = qobject_cast<outputwindows::ReportPreview*>(top)) {
                previews.append(preview);
            }
        }
        for (outputwindows::ReportPreview* preview : previews) {
            texts += test::textsOf(preview->document());
            preview->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return texts;
    };
    const QStringList texts = print();
    ASSERT_GE(texts.size(), 2);
    EXPECT_EQ(texts[0], QStringLiteral("Март 2026 г."));
    EXPECT_TRUE(kFreshness.match(texts[1]).hasMatch()) << texts[1].toStdString();
    {
        const auto restart = standbyDown();
        EXPECT_TRUE(freshnessOf(print()).isEmpty());
        EXPECT_EQ(test::childNamed<QLabel>(window, QStringLiteral("statusLabel"))->text(),
                  kStandbyDown);
    }
}

// A period report's title band: the line goes in under the title and everything below moves
// down by it; taken away, the band is as it was.
TEST_F(StandbyTest, TheFreshnessLineMovesWhatStandsUnderTheTitle) {
    data::Connection unused;
    auto layout = reports::makePeriodLayout(reports::PeriodReport::Products, unused);
    const reportengine::Band original = layout->report().reportHeader;
    layout->setDataAsOf(QStringLiteral("Данные на 14:05:03"));
    layout->setDataAsOf(QStringLiteral("Данные на 14:06:00"));  // replaces, never adds
    const reportengine::Band& band = layout->report().reportHeader;
    ASSERT_EQ(band.items.size(), original.items.size() + 1);
    EXPECT_EQ(layout->dataAsOf(), QStringLiteral("Данные на 14:06:00"));
    const double line = band.height - original.height;
    EXPECT_GT(line, 0);
    for (size_t i = 0; i < original.items.size(); ++i) {
        const bool below = original.items[i].rect.top() >= original.items[0].rect.bottom();
        const reportengine::ReportItem& moved = band.items[i == 0 ? 0 : i + 1];
        EXPECT_EQ(moved.rect.top(), original.items[i].rect.top() + (below ? line : 0))
            << original.items[i].text.toStdString();
    }
    EXPECT_EQ(band.items[1].text, QStringLiteral("Данные на 14:06:00"));
    EXPECT_EQ(band.items[1].rect.top(), original.items[0].rect.bottom());
    layout->setDataAsOf({});
    ASSERT_EQ(layout->report().reportHeader.items.size(), original.items.size());
    EXPECT_EQ(layout->report().reportHeader.height, original.height);
    for (size_t i = 0; i < original.items.size(); ++i) {
        EXPECT_EQ(layout->report().reportHeader.items[i].rect, original.items[i].rect);
    }
    const QDateTime asOf(QDate(2026, 12, 10), QTime(14, 5, 3));
    EXPECT_EQ(reports::dataAsOfText(asOf, QDate(2026, 12, 10)),
              QStringLiteral("Данные на 14:05:03"));
    EXPECT_EQ(reports::dataAsOfText(asOf, QDate(2026, 12, 11)),
              QStringLiteral("Данные на 10.12.2026 14:05:03"));
}

TEST_F(StandbyTest, TheCommandLinesTakeTheReportServerAndThePrimary) {
    const struct {
        QStringList arguments;
        const char* reportServer;
        int maxLag;
        const char* error;
        const char* primaryServer = "";
        const char* server = "";
    } cases[] = {
        {{"tabel", "--report-server", "/run/standby"}, "/run/standby", 300, ""},
        {{"tabel", "--report-server=db2.plant", "db1.plant", "plant"},
         "db2.plant",
         300,
         "",
         "",
         "db1.plant"},
        {{"tabel", "--report-max-lag", "60", "--sslmode", "disable"}, "", 60, ""},
        {{"tabel", "--report-max-lag=5m"},
         "",
         300,
         "Неверное отставание резервного сервера (--report-max-lag): 5m; нужно число секунд"},
        {{"tabel", "--report-server"}, "", 300, "Не задано значение после --report-server"},
        {{"tabel", "--primary-server", "db1.plant", "db2.plant", "plant"},
         "",
         300,
         "",
         "db1.plant",
         "db2.plant"},
        {{"tabel", "db2.plant", "--primary-server= /run/primary ", "plant"},
         "",
         300,
         "",
         "/run/primary",
         "db2.plant"},
        {{"tabel", "--primary-server", "db1", "--report-server", "db3", "db2", "plant"},
         "db3",
         300,
         "",
         "db1",
         "db2"},
        {{"tabel", "db2.plant", "plant", "--primary-server"},
         "",
         300,
         "Не задано значение после --primary-server"},
        // A ';' would end the connection string early: said, not silently dropped.
        {{"tabel", "--report-server", "db2;Port=1"},
         "",
         300,
         "Имя сервера (--report-server) не может содержать ';': db2;Port=1"},
        {{"tabel", "--primary-server=db1;x", "db2", "plant"},
         "",
         300,
         "Имя сервера (--primary-server) не может содержать ';': db1;x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        data::Deployment deployment;
        const StartArguments start = startArguments(c.arguments, deployment);
        EXPECT_EQ(start.error, QString::fromUtf8(c.error));
        if (start.error.isEmpty()) {
            EXPECT_EQ(deployment.reportServer, QString::fromUtf8(c.reportServer));
            EXPECT_EQ(deployment.reportMaxLagSeconds, c.maxLag);
            EXPECT_EQ(deployment.primaryServer, QString::fromUtf8(c.primaryServer));
            EXPECT_EQ(start.server, QString::fromUtf8(c.server));
        }
        // The windows' own options never make a batch job.
        std::vector<QByteArray> bytes;
        std::vector<char*> argv;
        for (const QString& a : c.arguments) {
            bytes.push_back(a.toUtf8());
        }
        for (QByteArray& b : bytes) {
            argv.push_back(b.data());
        }
        EXPECT_FALSE(batch::isBatchInvocation(int(argv.size()), argv.data()));
    }
}

struct Outcome {
    int exitCode = -1;
    QString err;
};

Outcome runBatch(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TABEL_PASSWORD"), QStringLiteral("master"));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(TABEL_PROGRAM_FOR_TESTS), arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

QString pdfText(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST_F(StandbyTest, BatchJobsReadTheStandbyAndFallBackWithOneLine) {
    QTemporaryDir dir;
    const QStringList login{QStringLiteral("--user"), QStringLiteral("master"),
                            QStringLiteral("--report-server"), test::testStandby()};
    const struct {
        QStringList job;
        const char* title;
    } jobs[] = {
        {{"--report", "workers", "--from", "01.04.2026", "--to", "01.05.2026"},
         "Отчет по рабочим за период с 01.04.2026 по 01.05.2026"},
        {{"--timesheet", "3", "2026"}, "Март 2026 г."},
    };
    const QRegularExpression freshness(
        QStringLiteral("Данные на (\\d\\d\\.\\d\\d\\.\\d{4} )?\\d\\d:\\d\\d:\\d\\d"));
    for (const auto& j : jobs) {
        SCOPED_TRACE(j.title);
        const QString path = dir.filePath(QStringLiteral("up.pdf"));
        const Outcome up = runBatch(login + j.job + QStringList{"--pdf", path});
        ASSERT_EQ(up.exitCode, 0) << up.err.toStdString();
        EXPECT_TRUE(up.err.isEmpty()) << up.err.toStdString();
        const QString upText = pdfText(path);
        EXPECT_TRUE(upText.contains(QString::fromUtf8(j.title)));
        EXPECT_TRUE(upText.contains(freshness)) << upText.toStdString();

        const auto restart = standbyDown();
        const QString downPath = dir.filePath(QStringLiteral("down.pdf"));
        const Outcome down = runBatch(login + j.job + QStringList{"--pdf", downPath});
        ASSERT_EQ(down.exitCode, 0) << down.err.toStdString();
        EXPECT_EQ(down.err, kStandbyDown + QLatin1Char('\n'));
        const QString downText = pdfText(downPath);
        EXPECT_TRUE(downText.contains(QString::fromUtf8(j.title)));
        EXPECT_FALSE(downText.contains(QStringLiteral("Данные на")));
    }
    // The spreadsheets: the freshness under the title moves the table down a row; from the
    // primary the table stays where it always was.
    const struct {
        QStringList job;
        const char* header;  // the first column's caption
    } sheets[] = {
        {{"--report", "summary", "--from", "01.04.2026", "--to", "01.05.2026"}, "Наименование"},
        {{"--timesheet", "3", "2026"}, "Фамилия И.О."},
    };
    for (const auto& sheet : sheets) {
        SCOPED_TRACE(sheet.header);
        for (const bool up : {true, false}) {
            std::optional<decltype(standbyDown())> restart;
            if (!up) {
                restart.emplace(standbyDown());
            }
            const QString path =
                dir.filePath(up ? QStringLiteral("up.xlsx") : QStringLiteral("down.xlsx"));
            const Outcome run = runBatch(login + sheet.job + QStringList{"--xlsx", path});
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(run.err, up ? QString() : kStandbyDown + QLatin1Char('\n'));
            const test::XlsxBook book = test::readXlsx(path);
            ASSERT_TRUE(book.ok) << book.error.toStdString();
            const test::XlsxCell* second = book.cell(2, 1);
            ASSERT_NE(second, nullptr);
            if (up) {
                EXPECT_TRUE(kFreshness.match(second->value).hasMatch())
                    << second->value.toStdString();
                ASSERT_NE(book.cell(3, 1), nullptr);
                EXPECT_EQ(book.cell(3, 1)->value, QString::fromUtf8(sheet.header));
            } else {
                EXPECT_EQ(second->value, QString::fromUtf8(sheet.header));
            }
        }
    }
    const Outcome badLag = runBatch(
        login + QStringList{"--report-max-lag", "x", "--report", "summary", "--from", "01.04.2026",
                            "--to", "01.05.2026", "--xlsx", dir.filePath("t.xlsx")});
    EXPECT_EQ(badLag.exitCode, 2) << badLag.err.toStdString();
}

}  // namespace
}  // namespace tabel::app
