#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include "app/login_window.h"
#include "app/version_check.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/session.h"
#include "find_widget.h"
#include "focus_frame.h"
#include "login_probe.h"
#include "loopback_relay.h"
#include "message_recorder.h"
#include "shiftlog/shift_log_window.h"
#include "shown_lists.h"
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

// The login window's controls as the user finds them: fields by their labels, the button by
// its caption, the rest by name.
QLineEdit* loginEdit(const LoginWindow& login) {
    return test::fieldLabelled<QLineEdit>(login, "Логин");
}
QLineEdit* passwordEdit(const LoginWindow& login) {
    return test::fieldLabelled<QLineEdit>(login, "Пароль");
}
QPushButton* logInButton(const LoginWindow& login) {
    return test::buttonCaptioned<QPushButton>(login, "Вход");
}
QTimer* terminationTimer(const LoginWindow& login) {
    return login.findChild<QTimer*>(QStringLiteral("terminationTimer"));
}

// What the shift log window looked like while it was shown modally.
struct ShiftLogSeen {
    bool shown = false;
    QString caption;
    QString login;
    bool add = false, accept = false, references = false, reports = false, grid = false;
    int rows = -1;
    bool listFramed = false;  // the keyboard on the list's current row, framed
    int rowAfterDown = -1;    // the list's current row after one Down
};

class LoginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }

    void SetUp() override { setVersion({}); }

    // Sessions of `login` open on the test cluster.
    static int sessionsOf(const QString& login) {
        return test::adminQuery(
                   QStringLiteral("select count(*) from pg_stat_activity where usename = '%1'")
                       .arg(login))
            .toInt();
    }

    std::unique_ptr<LoginWindow> makeLogin(const QString& server, const QString& database,
                                           const Deployment& deployment = testDeployment()) {
        auto login = std::make_unique<LoginWindow>(session, shiftLog, deployment, server, database);
        login->build = kBuild;
        login->terminate = [this] { ++terminations; };
        return login;
    }

    ShiftLogSeen logIn(LoginWindow& login, const QString& user, const QString& password) {
        ShiftLogSeen seen;
        test::logInAndLook(login, shiftLog, user, password, [&] {
            seen.shown = shiftLog.isVisible();
            seen.caption = shiftLog.windowTitle();
            seen.login = shiftLog.loginState.login;
            const auto enabled = [this](const char* name) {
                return test::childNamed<QObject>(shiftLog, QString::fromLatin1(name))
                    ->property("enabled")
                    .toBool();
            };
            seen.add = enabled("addButton");
            seen.accept = enabled("acceptButton");
            seen.references = enabled("referencesMenu");
            seen.reports = enabled("reportsMenu");
            seen.grid = enabled("entriesGrid");
            seen.rows = test::shiftList(shiftLog, 1).isOpen()
                            ? test::shiftList(shiftLog, 1).recordCount()
                            : -1;
            // The window manager's part: the window shown gets the keyboard.
            QApplication::setActiveWindow(&shiftLog);
            auto* grid =
                test::childNamed<widgets::DataGrid>(shiftLog, QStringLiteral("entriesGrid"));
            seen.listFramed = test::showsFocusFrame(*grid);
            if (QWidget* focus = QApplication::focusWidget()) {
                QTest::keyClick(focus, Qt::Key_Down);
                seen.rowAfterDown = test::shiftList(shiftLog, 1).currentRow();
            }
            shiftLog.done(QDialog::Rejected);  // as the program ends, without the question
        });
        return seen;
    }

    data::Session session;
    shiftlog::ShiftLogWindow shiftLog{session};
    test::MessageRecorder messages;
    int terminations = 0;
};

TEST_F(LoginTest, ActivationShowsServerDatabaseAndBuildAndConnectsNobody) {
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    login->show();
    EXPECT_EQ(login->windowTitle(), QStringLiteral("Авторизация (build: 20261209.45000)"));
    EXPECT_EQ(login->findChild<QLabel*>(QStringLiteral("connectionLabel"))->text(),
              QStringLiteral("Сервер: ") + test::testServer() + QStringLiteral(", БД: tabel"));
    // Nothing is checked or stamped before a typed login has connected.
    EXPECT_EQ(test::recordedVersion(), QString());
    EXPECT_EQ(sessionsOf(QStringLiteral("sys")), 0);
    EXPECT_TRUE(login->enforceVersion());
    EXPECT_EQ(test::recordedVersion(), QString());
    EXPECT_EQ(passwordEdit(*login)->echoMode(), QLineEdit::Password);
    QTest::keyClicks(passwordEdit(*login), QStringLiteral("secret1"));
    EXPECT_EQ(passwordEdit(*login)->displayText(), QStringLiteral("*******"));
    passwordEdit(*login)->clear();
    EXPECT_TRUE(logInButton(*login)->isDefault());
    EXPECT_TRUE(messages.messages().isEmpty());
}

// The label names where the login connects: the names given at start-up, or the built-in
// server and database when not both are given (the menu entry gives none).
TEST_F(LoginTest, TheLabelNamesTheServerAndDatabaseTheLoginConnectsTo) {
    const QString builtIn =
        QStringLiteral("Сервер: ") + test::testServer() + QStringLiteral(", БД: tabel");
    const struct {
        const char* server;
        const char* database;
        QString label;
    } cases[] = {
        {"", "", builtIn},
        {"somewhere", "", builtIn},
        {"", "other", builtIn},
        {"db.plant", "plant", QStringLiteral("Сервер: db.plant, БД: plant")},
    };
    for (const auto& c : cases) {
        auto login = makeLogin(QString::fromUtf8(c.server), QString::fromUtf8(c.database));
        login->show();
        EXPECT_EQ(login->findChild<QLabel*>(QStringLiteral("connectionLabel"))->text(), c.label)
            << c.server << "/" << c.database;
    }
}

// The windows connect in the TLS mode of their deployment (built in, or --sslmode): over TCP to
// a server without TLS, prefer goes in and require ends in the usual message.
TEST_F(LoginTest, TheLoginConnectsInTheTlsModeOfTheDeployment) {
    test::LoopbackRelay relay(test::testServer());
    if (!relay.listening()) {
        GTEST_SKIP() << "no loopback address free at port 5432";
    }
    const struct {
        const char* mode;
        bool shown;
    } cases[] = {{"prefer", true}, {"require", false}, {"verify-full", false}};
    for (const auto& c : cases) {
        messages.clear();
        terminations = 0;
        Deployment deployment = testDeployment();
        deployment.sslMode = QString::fromLatin1(c.mode);
        const qsizetype seen = relay.clientBytes().size();
        auto login = makeLogin(relay.host(), QStringLiteral("tabel"), deployment);
        const ShiftLogSeen seenLog =
            logIn(*login, QStringLiteral("master"), QStringLiteral("master"));
        EXPECT_EQ(seenLog.shown, c.shown) << c.mode;
        const QList<QByteArray> sent = relay.clientBytes().mid(seen);
        ASSERT_FALSE(sent.isEmpty()) << c.mode;
        EXPECT_TRUE(sent.front().startsWith(test::LoopbackRelay::tlsRequest())) << c.mode;
        if (c.shown) {
            EXPECT_TRUE(messages.messages().isEmpty()) << c.mode;
            continue;
        }
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Подключение к БД отсутсвует (сервер: ") +
                              relay.host() + QStringLiteral(", БД: tabel)")})
            << c.mode;
        EXPECT_EQ(terminations, 1) << c.mode;
        for (const QByteArray& bytes : sent) {
            EXPECT_EQ(bytes, test::LoopbackRelay::tlsRequest()) << c.mode;
        }
    }
    session.connection.close();
}

TEST_F(LoginTest, VersionCheckStopsOlderProgramsAndOnlyTheServiceAccountStampsNewerOnes) {
    const struct {
        const char* login;
        const char* recorded;
        VersionVerdict verdict;
        const char* after;
    } cases[] = {
        {"sys", "", VersionVerdict::Stamped, "20261209.45000"},
        {"sys", "20261208, 86000", VersionVerdict::Stamped, "20261209.45000"},
        {"sys", "20261209, 44999", VersionVerdict::Stamped, "20261209.45000"},
        {"sys", "20261209, 45000", VersionVerdict::Current, "20261209.45000"},
        {"sys", "20261209, 45001", VersionVerdict::Older, "20261209.45001"},
        {"sys", "20270101, 0", VersionVerdict::Older, "20270101.0"},
        // Any other login reads the version and leaves it as it is, without an error.
        {"econom", "", VersionVerdict::Newer, ""},
        {"master", "20261208, 86000", VersionVerdict::Newer, "20261208.86000"},
        {"clerk_a", "20261209, 44999", VersionVerdict::Newer, "20261209.44999"},
        {"master", "20261209, 45000", VersionVerdict::Current, "20261209.45000"},
        {"econom", "20270101, 0", VersionVerdict::Older, "20270101.0"},
    };
    for (const auto& c : cases) {
        test::connectAs(session.connection, QString::fromUtf8(c.login));
        setVersion(QString::fromUtf8(c.recorded));
        EXPECT_EQ(checkVersion(shiftLog.versionRow(), kBuild), c.verdict)
            << c.login << " " << c.recorded;
        EXPECT_EQ(test::recordedVersion(), QString::fromUtf8(c.after))
            << c.login << " " << c.recorded;
        EXPECT_FALSE(shiftLog.versionRow().isOpen());
    }
}

TEST_F(LoginTest, TheVersionCheckRunsAsTheTypedLoginBeforeTheShiftLogIsShown) {
    const struct {
        const char* login;
        const char* recorded;
        bool shown;
        const char* after;
    } cases[] = {
        {"sys", "20261208, 0", true, "20261209.45000"},
        {"master", "20261208, 0", true, "20261208.0"},
        {"master", "20261210, 0", false, "20261210.0"},
        {"clerk_a", "20261210, 0", false, "20261210.0"},
    };
    for (const auto& c : cases) {
        messages.clear();
        terminations = 0;
        setVersion(QString::fromUtf8(c.recorded));
        auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
        const ShiftLogSeen seen =
            logIn(*login, QString::fromUtf8(c.login), QString::fromUtf8(c.login));
        EXPECT_EQ(seen.shown, c.shown) << c.login << " " << c.recorded;
        EXPECT_EQ(test::recordedVersion(), QString::fromUtf8(c.after)) << c.login;
        EXPECT_EQ(terminations, c.shown ? 0 : 1) << c.login;
        EXPECT_EQ(messages.texts(),
                  c.shown ? QStringList()
                          : QStringList{QStringLiteral("Версия программы не соответсвует БД! "
                                                       "Запустите программу через 5 мин.")})
            << c.login;
        terminationTimer(*login)->stop();
    }
}

TEST_F(LoginTest, OlderProgramIsToldAndEndsWithinFiveAndAHalfSeconds) {
    setVersion(QStringLiteral("20991231, 0"));
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    EXPECT_FALSE(logIn(*login, QStringLiteral("econom"), QStringLiteral("econom")).shown);
    ASSERT_EQ(messages.texts(),
              QStringList{QStringLiteral(
                  "Версия программы не соответсвует БД! Запустите программу через 5 мин.")});
    EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Ошибка"));
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(terminationTimer(*login)->isActive());
    EXPECT_EQ(terminationTimer(*login)->interval(), 5500);
    // The shift log window's timer repeats the check for the whole run.
    auto* versionTimer = test::childNamed<QTimer>(shiftLog, QStringLiteral("versionTimer"));
    EXPECT_EQ(versionTimer->interval(), 30000);
    versionTimer->setInterval(1);
    EXPECT_TRUE(QTest::qWaitFor([this] { return terminations >= 2; }, 5000));
}

TEST_F(LoginTest, VersionCheckStaysQuietWhileTheServerIsGoneAndReconnectsAfter) {
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    loginEdit(*login)->setText(QStringLiteral("sys"));
    passwordEdit(*login)->setText(QStringLiteral("sys"));
    ASSERT_TRUE(login->logIn());
    setVersion({});
    test::adminExec(QStringLiteral(
        "select pg_terminate_backend(pid) from pg_stat_activity where usename='sys'"));
    EXPECT_NO_THROW(EXPECT_TRUE(login->enforceVersion()));
    EXPECT_EQ(test::recordedVersion(), QString());
    EXPECT_TRUE(login->enforceVersion());
    EXPECT_EQ(test::recordedVersion(), QStringLiteral("20261209.45000"));
    EXPECT_TRUE(messages.messages().isEmpty());
}

// A login of no group of the program may connect but not read the recorded version: the login
// says so and stays, the periodic check says so again, and nothing ends the program or escapes
// the check.
TEST_F(LoginTest, AVersionThatCannotBeReadIsToldAtTheLoginAndAtTheNextCheck) {
    test::adminExec(QStringLiteral(
        "do $$ begin if not exists (select from pg_roles where rolname = 'tabel_outsider') then "
        "create role tabel_outsider login password 'tabel_outsider'; end if; end $$"));
    const QString refused = QStringLiteral("Недостаточно прав для этого действия.");
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    const ShiftLogSeen seen =
        logIn(*login, QStringLiteral("tabel_outsider"), QStringLiteral("tabel_outsider"));
    EXPECT_FALSE(seen.shown);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(refused)) << messages.texts()[0].toStdString();
    EXPECT_TRUE(login->isVisible());

    messages.clear();
    auto* check = test::childNamed<QTimer>(shiftLog, QStringLiteral("versionTimer"));
    check->setSingleShot(true);
    check->start(1);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !messages.texts().isEmpty(); }, 5000));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(refused)) << messages.texts()[0].toStdString();
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(terminationTimer(*login)->isActive());
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
    EXPECT_EQ(test::shiftList(shiftLog, 3).param(QStringLiteral("ok")).toString(),
              QStringLiteral("ta"));
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(messages.messages().isEmpty())
        << messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(login->isVisible());
}

// After the login the keyboard is on today's first entry, framed, and Down moves to the next.
TEST_F(LoginTest, AfterTheLoginTheKeyboardIsOnTheShiftList) {
    test::adminExec(QStringLiteral(
        "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, "
        "time, ok, vvod, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) "
        "select current_date, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, "
        "current_date, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use "
        "from accounts_dep.smena where id in (1, 2)"));
    const auto removeToday = qScopeGuard([] {
        test::adminExec(QStringLiteral("delete from accounts_dep.smena where data = current_date"));
    });
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    const ShiftLogSeen seen = logIn(*login, QStringLiteral("master"), QStringLiteral("master"));
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.rows, 2);
    EXPECT_TRUE(seen.listFramed);
    EXPECT_EQ(seen.rowAfterDown, 1);
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
    const ShiftLogSeen seen = logIn(*login, QStringLiteral("master"), QStringLiteral("1234"));
    EXPECT_FALSE(seen.shown);
    EXPECT_EQ(shiftLog.loginState.login, QStringLiteral("master"));
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Неверный логин или пароль")});
    EXPECT_EQ(terminations, 0);
}

// The menu entry starts the program without arguments: the built-in server and database, but
// the typed login and password, and the service password only behind the service code.
TEST_F(LoginTest, WithoutBothArgumentsTheTypedLoginAndPasswordConnectToTheBuiltInDatabase) {
    const struct {
        const char* server;
        const char* database;
        const char* login;
        const char* password;
        const char* connectedAs;  // nullptr: refused
        bool add, grid, reports;
    } cases[] = {
        {"", "", "econom", "econom", "econom", false, false, true},
        {"", "tabel", "master", "master", "master", true, true, true},
        {"somewhere", "", "clerk_a", "clerk_a", "clerk_a", false, true, false},
        {"", "", "econom", "1234", "sys", true, true, true},
        {"", "", "master", "any", nullptr, false, false, false},
        {"", "", "sys", "wrong", nullptr, false, false, false},
        {"", "tabel", "econom", "wrong", nullptr, false, false, false},
        {"", "", "nobody", "nobody", nullptr, false, false, false},
        {"", "", "master", "", nullptr, false, false, false},
    };
    for (const auto& c : cases) {
        messages.clear();
        auto login = makeLogin(QString::fromUtf8(c.server), QString::fromUtf8(c.database));
        const ShiftLogSeen seen =
            logIn(*login, QString::fromUtf8(c.login), QString::fromUtf8(c.password));
        const QString what = QString::fromUtf8(c.login) + QLatin1Char('/') +
                             QString::fromUtf8(c.password) + QLatin1Char('@') +
                             QString::fromUtf8(c.server) + QLatin1Char('/') +
                             QString::fromUtf8(c.database);
        EXPECT_EQ(terminations, 0) << what.toStdString();
        if (c.connectedAs == nullptr) {
            EXPECT_FALSE(seen.shown) << what.toStdString();
            EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Неверный логин или пароль")})
                << what.toStdString();
            EXPECT_TRUE(login->isVisible());
            EXPECT_TRUE(passwordEdit(*login)->text().isEmpty());
            EXPECT_TRUE(passwordEdit(*login)->hasFocus() ||
                        QApplication::focusWidget() == passwordEdit(*login) ||
                        login->focusWidget() == passwordEdit(*login))
                << what.toStdString();
            continue;
        }
        EXPECT_TRUE(seen.shown) << what.toStdString();
        EXPECT_EQ(seen.login, QString::fromUtf8(c.connectedAs));
        EXPECT_EQ(session.connection.scalar(QStringLiteral("select session_user")).toString(),
                  QString::fromUtf8(c.connectedAs))
            << what.toStdString();
        EXPECT_EQ(seen.add, c.add) << what.toStdString();
        EXPECT_EQ(seen.grid, c.grid) << what.toStdString();
        EXPECT_EQ(seen.reports, c.reports) << what.toStdString();
        EXPECT_TRUE(messages.messages().isEmpty()) << what.toStdString();
    }
}

// A refused login leaves the window open: the next try with the right password goes in.
TEST_F(LoginTest, AfterAWrongPasswordTheNextTryLogsIn) {
    auto login = makeLogin(test::testServer(), QStringLiteral("tabel"));
    EXPECT_FALSE(logIn(*login, QStringLiteral("master"), QStringLiteral("wrong")).shown);
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Неверный логин или пароль")});
    EXPECT_EQ(loginEdit(*login)->text(), QStringLiteral("master"));
    const ShiftLogSeen seen = logIn(*login, QStringLiteral("master"), QStringLiteral("master"));
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.add);
    EXPECT_EQ(terminations, 0);
}

TEST_F(LoginTest, FailedConnectionIsReportedAndEndsTheProgram) {
    const struct {
        QString server;
        const char* database;
        const char* login;
        const char* password;
    } cases[] = {
        {test::testServer() + QStringLiteral(";UID=sys"), "tabel", "master", "master"},
        {test::testServer(), "tabel", "master;UID=sys", "master"},
        {test::testServer(), "no_such_database", "master", "master"},
        {QStringLiteral("/nonexistent"), "tabel", "master", "master"},
    };
    for (const auto& c : cases) {
        messages.clear();
        terminations = 0;
        auto login = makeLogin(c.server, QString::fromUtf8(c.database));
        const ShiftLogSeen seen =
            logIn(*login, QString::fromUtf8(c.login), QString::fromUtf8(c.password));
        EXPECT_FALSE(seen.shown) << c.login;
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Подключение к БД отсутсвует (сервер: ") + c.server +
                              QStringLiteral(", БД: ") + QString::fromUtf8(c.database) +
                              QStringLiteral(")")});
        EXPECT_EQ(terminations, 1);
    }
}

}  // namespace
}  // namespace tabel::app
