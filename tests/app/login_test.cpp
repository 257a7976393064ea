#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "app/login_window.h"
#include "app/version_check.h"
#include "data/data_module.h"
#include "data/errors.h"
#include "message_recorder.h"
#include "shiftlog/shift_log_window.h"
#include "test_db.h"
#include "widgets/data_grid.h"

namespace tabel::app {
namespace {

const BuildStamp kBuild{20261209, 45000};

Deployment testDeployment() {
    return {test::testServer(), QStringLiteral("tabel"), QStringLiteral("sys"),
            QStringLiteral("1234")};
}

QString setVersion(const QString& values) {
    test::adminExec(QStringLiteral("delete from accounts_dep.ver"));
    if (!values.isEmpty()) {
        test::adminExec(
            QStringLiteral("insert into accounts_dep.ver(d, t) values (%1)").arg(values));
    }
    return test::recordedVersion();
}

// What the shift log window looked like while it was shown modally.
struct ShiftLogSeen {
    bool shown = false;
    QString caption;
    QString login;
    bool add = false, accept = false, references = false, reports = false, grid = false;
    int rows = -1;
};

class LoginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }

    void SetUp() override {
        setVersion({});
        // The data module opens with the built-in settings before the login window exists.
        test::connectAs(dm.connection, QStringLiteral("sys"));
    }

    std::unique_ptr<LoginWindow> makeLogin(const QString& server, const QString& database,
                                           const Deployment& deployment = testDeployment()) {
        auto login = std::make_unique<LoginWindow>(dm, shiftLog, deployment, server, database);
        login->build = kBuild;
        login->terminate = [this] { ++terminations; };
        return login;
    }

    ShiftLogSeen logIn(LoginWindow& login, const QString& user, const QString& password) {
        login.show();
        login.loginEdit->setText(user);
        login.passwordEdit->setText(password);
        ShiftLogSeen seen;
        QTimer::singleShot(0, &shiftLog, [&] {
            seen.shown = shiftLog.isVisible();
            seen.caption = shiftLog.windowTitle();
            seen.login = shiftLog.loginState.login;
            seen.add = shiftLog.addButton->isEnabled();
            seen.accept = shiftLog.acceptButton->isEnabled();
            seen.references = shiftLog.referencesMenu->isEnabled();
            seen.reports = shiftLog.reportsMenu->isEnabled();
            seen.grid = shiftLog.entriesGrid->isEnabled();
            seen.rows = dm.shift1Entries.isOpen() ? dm.shift1Entries.recordCount() : -1;
            shiftLog.reject();
        });
        login.logInButton->click();
        return seen;
    }

    data::DataModule dm;
    shiftlog::ShiftLogWindow shiftLog{dm};
    test::MessageRecorder messages;
    int terminations = 0;
};

TEST_F(LoginTest, ActivationShowsServerDatabaseAndBuildAndStampsTheVersion) {
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    login->show();
    EXPECT_EQ(login->windowTitle(), QStringLiteral("Авторизация (build: 20261209.45000)"));
    EXPECT_EQ(login->connectionLabel->text(),
              QStringLiteral("Сервер: ") + test::testServer() + QStringLiteral(", БД: tabel"));
    EXPECT_EQ(test::recordedVersion(), QStringLiteral("20261209.45000"));
    EXPECT_EQ(login->passwordEdit->echoMode(), QLineEdit::Password);
    QTest::keyClicks(login->passwordEdit, QStringLiteral("secret1"));
    EXPECT_EQ(login->passwordEdit->displayText(), QStringLiteral("*******"));
    login->passwordEdit->clear();
    EXPECT_TRUE(login->logInButton->isDefault());
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(LoginTest, VersionCheckStampsNewerProgramsAndStopsOlderOnes) {
    const struct {
        const char* recorded;
        VersionVerdict verdict;
        const char* after;
    } cases[] = {
        {"", VersionVerdict::Stamped, "20261209.45000"},
        {"20261208, 86000", VersionVerdict::Stamped, "20261209.45000"},
        {"20261209, 44999", VersionVerdict::Stamped, "20261209.45000"},
        {"20261209, 45000", VersionVerdict::Current, "20261209.45000"},
        {"20261209, 45001", VersionVerdict::Older, "20261209.45001"},
        {"20270101, 0", VersionVerdict::Older, "20270101.0"},
    };
    for (const auto& c : cases) {
        setVersion(QString::fromUtf8(c.recorded));
        EXPECT_EQ(checkVersion(*shiftLog.versionRow, kBuild), c.verdict) << c.recorded;
        EXPECT_EQ(test::recordedVersion(), QString::fromUtf8(c.after)) << c.recorded;
        EXPECT_FALSE(shiftLog.versionRow->isOpen());
    }
}

TEST_F(LoginTest, OlderProgramIsToldAndEndsWithinFiveAndAHalfSeconds) {
    setVersion(QStringLiteral("20991231, 0"));
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    login->show();
    ASSERT_EQ(messages.texts(),
              QStringList{QStringLiteral(
                  "Версия программы не соответсвует БД! Запустите программу через 5 мин.")});
    EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Ошибка"));
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(login->terminationTimer->isActive());
    EXPECT_EQ(login->terminationTimer->interval(), 5500);
    // The shift log window's timer repeats the check for the whole run.
    EXPECT_EQ(shiftLog.versionTimer->interval(), 30000);
    shiftLog.versionTimer->setInterval(1);
    EXPECT_TRUE(QTest::qWaitFor([this] { return terminations >= 2; }, 5000));
}

TEST_F(LoginTest, VersionCheckStaysQuietWhileTheServerIsGoneAndReconnectsAfter) {
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    test::adminExec(QStringLiteral(
        "select pg_terminate_backend(pid) from pg_stat_activity where usename='sys'"));
    EXPECT_NO_THROW(login->enforceVersion());
    EXPECT_EQ(test::recordedVersion(), QString());
    login->enforceVersion();
    EXPECT_EQ(test::recordedVersion(), QStringLiteral("20261209.45000"));
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(LoginTest, ForemanLogsInWithArgumentsAndSeesTheShiftLog) {
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    const ShiftLogSeen seen =
        logIn(*login, QStringLiteral("  master "), QStringLiteral(" master  "));
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.caption, QStringLiteral("Табель (Сервер: ") + test::testServer() +
                                QStringLiteral(", БД: tabel, пользователь: master)"));
    EXPECT_EQ(seen.login, QStringLiteral("master"));
    EXPECT_TRUE(seen.add);
    EXPECT_FALSE(seen.accept);
    EXPECT_TRUE(seen.references);
    EXPECT_EQ(seen.rows, 0);  // today has no entries in the fixture
    EXPECT_EQ(dm.shift3Entries.param(QStringLiteral("ok")).toString(), QStringLiteral("ta"));
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(messages.messages().isEmpty())
        << messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(login->isVisible());
}

TEST_F(LoginTest, ServiceCodeLogsInAsSysWithTheServiceAccount) {
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    const ShiftLogSeen seen = logIn(*login, QStringLiteral("clerk_a"), QStringLiteral("1234"));
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.login, QStringLiteral("sys"));
    EXPECT_TRUE(seen.add);
    EXPECT_TRUE(seen.accept);
    EXPECT_EQ(shiftLog.loginState.password, QStringLiteral("sys"));
}

TEST_F(LoginTest, EmptyServiceCodeSwitchesTheServiceLoginOff) {
    Deployment noCode = testDeployment();
    noCode.serviceCode.clear();
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"), noCode);
    const ShiftLogSeen seen = logIn(*login, QStringLiteral("master"), QString());
    EXPECT_FALSE(seen.shown);
    EXPECT_EQ(shiftLog.loginState.login, QStringLiteral("master"));
    EXPECT_EQ(terminations, 1);
}

TEST_F(LoginTest, WithoutBothArgumentsTheBuiltInSettingsConnectAndTheLoginStillDecidesTheRole) {
    const struct {
        const char* server;
        const char* database;
    } cases[] = {{"", ""}, {"", "tabel"}, {"somewhere", ""}};
    for (const auto& c : cases) {
        auto login = makeLogin(QString::fromUtf8(c.server), QString::fromUtf8(c.database));
        const ShiftLogSeen seen = logIn(*login, QStringLiteral("econom"), QStringLiteral("wrong"));
        EXPECT_TRUE(seen.shown) << c.server << "/" << c.database;
        EXPECT_EQ(seen.caption, QStringLiteral("Табель"));
        EXPECT_FALSE(seen.add);
        EXPECT_FALSE(seen.grid);
        EXPECT_TRUE(seen.reports);
        EXPECT_EQ(terminations, 0);
    }
}

TEST_F(LoginTest, FailedConnectionIsReportedAndEndsTheProgram) {
    const struct {
        QString server;
        const char* login;
        const char* password;
    } cases[] = {
        {test::testServer(), "master", "bad"},
        {test::testServer(), "nobody", "nobody"},
        {test::testServer() + QStringLiteral(";UID=sys"), "master", "master"},
        {test::testServer(), "master;UID=sys", "master"},
    };
    for (const auto& c : cases) {
        messages.clear();
        terminations = 0;
        auto login = makeLogin(c.server, QStringLiteral("tabel"));
        const ShiftLogSeen seen =
            logIn(*login, QString::fromUtf8(c.login), QString::fromUtf8(c.password));
        EXPECT_FALSE(seen.shown) << c.login;
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Подключение к БД отсутсвует (сервер: ") + c.server +
                              QStringLiteral(", БД: tabel)")});
        EXPECT_EQ(terminations, 1);
    }
}

}  // namespace
}  // namespace tabel::app
