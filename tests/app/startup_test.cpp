// Start-up as main() wires it (every window, the login window shown), against the test
// cluster: nothing connects before a login is typed, the typed login is the one connected,
// and a program older than the database's recorded version ends at that login or at the next
// 30-second check, without anyone acknowledging the message.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/start_arguments.h"
#include "app/window_set.h"
#include "batch/batch.h"
#include "data/connection.h"
#include "find_widget.h"
#include "login_probe.h"
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
        bool shown = false;
        test::logInAndLook(*windows->login, *windows->shiftLog, user, password, [&] {
            shown = windows->shiftLog->isVisible();
            caption = windows->shiftLog->windowTitle();
            session = windows->session.connection.scalar(QStringLiteral("select session_user"))
                          .toString();
            windows->shiftLog->done(
                QDialog::Rejected);  // as the program ends, without the question
        });
        return shown;
    }

    std::unique_ptr<WindowSet> windows;
    test::MessageRecorder messages;
    int terminations = 0;
    QString session;
    QString caption;  // the shift log's, while it was shown
};

// Started from the menu, without a server or database: the login window and the shift log
// name the built-in ones, where the typed login connected.
TEST_F(StartupTest, WithoutArgumentsTheWindowsNameTheBuiltInServerAndDatabase) {
    windows->login->show();
    EXPECT_EQ(windows->login->findChild<QLabel*>(QStringLiteral("connectionLabel"))->text(),
              QStringLiteral("Сервер: ") + test::testServer() + QStringLiteral(", БД: tabel"));
    ASSERT_TRUE(logIn(QStringLiteral("master"), QStringLiteral("master")));
    EXPECT_EQ(caption, QStringLiteral("Табель (Сервер: ") + test::testServer() +
                           QStringLiteral(", БД: tabel, пользователь: master)"));
}

// `tabel [--sslmode MODE] [SERVER DATABASE]`: the option may stand anywhere and sets the TLS
// mode of the run; the other words are the server and the database. --sslmode alone does not
// make a batch job.
TEST(StartArgumentsTest, TheTlsModeAndTheNamesAreReadFromTheCommandLine) {
    const struct {
        QStringList arguments;
        const char* server;
        const char* database;
        const char* mode;
        const char* error;  // how the message starts; empty for none
    } cases[] = {
        {{"tabel"}, "", "", "prefer", ""},
        {{"tabel", "srv", "db"}, "srv", "db", "prefer", ""},
        {{"tabel", "--sslmode", "require", "srv", "db"}, "srv", "db", "require", ""},
        {{"tabel", "srv", "--sslmode=verify-full", "db"}, "srv", "db", "verify-full", ""},
        {{"tabel", "--sslmode", "disable"}, "", "", "disable", ""},
        {{"tabel", "--sslmode", "bogus", "srv", "db"},
         "",
         "",
         "prefer",
         "Неверный режим TLS (--sslmode): bogus; допустимы: disable, allow, prefer, require, "
         "verify-ca, verify-full"},
        {{"tabel", "srv", "db", "--sslmode"},
         "",
         "",
         "prefer",
         "Не задано значение после --sslmode"},
    };
    for (const auto& c : cases) {
        Deployment deployment;
        const StartArguments start = startArguments(c.arguments, deployment);
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(start.error, QString::fromUtf8(c.error)) << what;
        EXPECT_EQ(deployment.sslMode, QString::fromLatin1(c.mode)) << what;
        if (start.error.isEmpty()) {
            EXPECT_EQ(start.server, QString::fromUtf8(c.server)) << what;
            EXPECT_EQ(start.database, QString::fromUtf8(c.database)) << what;
        }
        std::vector<QByteArray> words;
        for (const QString& a : c.arguments) {
            words.push_back(a.toUtf8());
        }
        std::vector<char*> argv;
        for (QByteArray& w : words) {
            argv.push_back(w.data());
        }
        EXPECT_FALSE(batch::isBatchInvocation(int(argv.size()), argv.data())) << what;
    }
    const char* job[] = {"tabel", "--sslmode", "require", "--user", "econom"};
    EXPECT_TRUE(batch::isBatchInvocation(5, const_cast<char**>(job)));
}

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
