// Start-up as main() wires it (every window, the login window shown), against the test
// cluster: nothing connects before a login is typed, the typed login is the one connected,
// and a program older than the database's recorded version ends at that login or at the next
// 30-second check, without anyone acknowledging the message.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/window_set.h"
#include "data/connection.h"
#include "find_widget.h"
#include "message_recorder.h"
#include "test_db.h"

namespace tabel::app {
namespace {

class StartupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }

    void SetUp() override {
        test::adminExec(QStringLiteral("delete from accounts_dep.ver"));
        // The menu entry: no server or database named, the built-in ones reach the cluster.
        windows =
            std::make_unique<WindowSet>(Deployment{test::testServer(), QStringLiteral("tabel"),
                                                   QStringLiteral("sys"), QStringLiteral("1234")},
                                        QString(), QString());
        windows->login->terminate = [this] { ++terminations; };
    }

    void TearDown() override {
        windows->login->findChild<QTimer*>(QStringLiteral("terminationTimer"))->stop();
        test::adminExec(QStringLiteral("delete from accounts_dep.ver"));
    }

    // Types the login and presses "Вход"; true when the shift log window was shown.
    bool logIn(const QString& user, const QString& password) {
        windows->login->show();
        test::fieldLabelled<QLineEdit>(*windows->login, "Логин")->setText(user);
        test::fieldLabelled<QLineEdit>(*windows->login, "Пароль")->setText(password);
        bool shown = false;
        // Runs inside the shift log's own loop; dropped on return when it was never shown.
        // The login's statements turn the event loop first: it waits until none is waited for.
        QTimer probe;
        probe.setSingleShot(true);
        QObject::connect(&probe, &QTimer::timeout, windows->shiftLog.get(), [&] {
            if (data::Connection::anyBusy()) {
                probe.start(0);
                return;
            }
            shown = windows->shiftLog->isVisible();
            session = windows->session.connection.scalar(QStringLiteral("select session_user"))
                          .toString();
            windows->shiftLog->done(
                QDialog::Rejected);  // as the program ends, without the question
        });
        probe.start(0);
        test::buttonCaptioned<QPushButton>(*windows->login, "Вход")->click();
        return shown;
    }

    std::unique_ptr<WindowSet> windows;
    test::MessageRecorder messages;
    int terminations = 0;
    QString session;
};

TEST_F(StartupTest, NothingConnectsBeforeTheLoginAndTheTypedLoginIsTheOneConnected) {
    windows->login->show();
    EXPECT_EQ(test::adminQuery(
                  QStringLiteral("select count(*) from pg_stat_activity where usename = 'sys'")),
              QStringLiteral("0"));
    ASSERT_TRUE(logIn(QStringLiteral("master"), QStringLiteral("master")));
    EXPECT_EQ(session, QStringLiteral("master"));
    // A foreman's program is newer than the (empty) record, but only the service account
    // records a version.
    EXPECT_EQ(test::recordedVersion(), QString());
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(terminations, 0);
}

TEST_F(StartupTest, OlderProgramEndsAtLoginWithoutAnyoneAcknowledgingTheMessage) {
    test::adminExec(QStringLiteral("insert into accounts_dep.ver values (20991231, 0)"));
    EXPECT_FALSE(logIn(QStringLiteral("econom"), QStringLiteral("econom")));
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral(
                  "Версия программы не соответсвует БД! Запустите программу через 5 мин.")});
    EXPECT_GE(terminations, 1);
    EXPECT_TRUE(windows->login->findChild<QTimer*>(QStringLiteral("terminationTimer"))->isActive());
    EXPECT_EQ(test::recordedVersion(), QStringLiteral("20991231.0"));
}

TEST_F(StartupTest, OlderProgramFoundByTheThirtySecondCheckEndsAfterTheMessage) {
    // The service account's login records its build.
    windows->login->build = {20261209, 45000};
    test::fieldLabelled<QLineEdit>(*windows->login, "Логин")->setText(QStringLiteral("sys"));
    test::fieldLabelled<QLineEdit>(*windows->login, "Пароль")->setText(QStringLiteral("sys"));
    ASSERT_TRUE(windows->login->logIn());
    EXPECT_EQ(test::recordedVersion(), QStringLiteral("20261209.45000"));
    // Another workstation's newer program is installed meanwhile.
    test::adminExec(QStringLiteral("update accounts_dep.ver set d = 20991231, t = 0"));
    auto* versionTimer =
        test::childNamed<QTimer>(*windows->shiftLog, QStringLiteral("versionTimer"));
    EXPECT_EQ(versionTimer->interval(), 30000);
    versionTimer->setInterval(1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return terminations >= 1; }, 10000));
    versionTimer->stop();
    EXPECT_EQ(
        messages.texts().value(0),
        QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин."));
}

}  // namespace
}  // namespace tabel::app
