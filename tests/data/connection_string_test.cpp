#include <gtest/gtest.h>

#include "data/connection_string.h"
#include "data/credentials.h"
#include "data/notifications.h"

namespace tabel::data {
namespace {

TEST(ConnectionString, ComposesDriverCredentialsAndOptionsInOrder) {
    const QString text =
        composeConnectionString({QStringLiteral("/run/db"), QStringLiteral("tabel"),
                                 QStringLiteral("master"), QStringLiteral("secret")});
    EXPECT_EQ(text, QStringLiteral("DRIVER={PostgreSQL UNICODE};DATABASE=tabel;SERVER=/run/db;"
                                   "PORT=5432;UID=master;PWD={secret};SSLmode=prefer;") +
                        odbcOptionList());
    EXPECT_TRUE(odbcOptionList().startsWith(QStringLiteral("ReadOnly=0;Protocol=7.4;")));
    EXPECT_TRUE(odbcOptionList().contains(QStringLiteral("Debug=0;CommLog=0;")));
    EXPECT_TRUE(odbcOptionList().endsWith(QStringLiteral("OptionalErrors=0;XaOpt=1")));
}

// TLS is asked for first unless the plant chose otherwise; the mode chosen reaches the ODBC
// connection and the live connection beside it, through the login's rules.
TEST(ConnectionString, TheTlsModeChosenReachesBothConnections) {
    EXPECT_EQ(ConnectionParams().sslMode, QStringLiteral("prefer"));
    EXPECT_EQ(Deployment().sslMode, QStringLiteral("prefer"));
    for (const char* mode : {"disable", "allow", "prefer", "require", "verify-ca", "verify-full"}) {
        const QString chosen = QString::fromLatin1(mode);
        EXPECT_TRUE(isSslMode(chosen)) << mode;
        Deployment deployment{QStringLiteral("plant"), QStringLiteral("main"),
                              QStringLiteral("svc"), QStringLiteral("1234")};
        deployment.sslMode = chosen;
        const QString text =
            loginCredentials(deployment, {}, {}, QStringLiteral("master"), QStringLiteral("secret"))
                .connectionString;
        EXPECT_TRUE(text.contains(QStringLiteral(";PWD={secret};SSLmode=") + chosen +
                                  QStringLiteral(";ReadOnly=0;")))
            << text.toStdString();
        EXPECT_EQ(text.count(QStringLiteral("SSLmode="), Qt::CaseInsensitive), 1) << mode;
        EXPECT_EQ(connectionParamsOf(text).sslMode, chosen) << mode;
    }
    for (const char* other : {"", "Prefer", "off", "true", "require;UID=sys", " require"}) {
        EXPECT_FALSE(isSslMode(QString::fromLatin1(other))) << other;
    }
}

// What a failed connection's text means to the user: the server's and libpq's own words, in
// English or Russian, as psqlODBC hands them on.
TEST(ConnectionFailure, TextsOfRefusedLoginsOfTlsAndOfUnreachableServers) {
    const struct {
        const char* text;
        ConnectionFailure failure;
    } cases[] = {
        {"connection to server on socket \"/run/db/.s.PGSQL.5432\" failed: FATAL:  password "
         "authentication failed for user \"master\"",
         ConnectionFailure::LoginRefused},
        {"connection to server on socket \"/run/db/.s.PGSQL.5432\" failed: fe_sendauth: no "
         "password supplied",
         ConnectionFailure::LoginRefused},
        {"FATAL:  role \"nobody\" does not exist", ConnectionFailure::LoginRefused},
        {"ВАЖНО:  пользователь \"master\" не прошёл проверку подлинности (по паролю)",
         ConnectionFailure::LoginRefused},
        // A rule that admits TLS connections only: the login is refused, whatever it says of SSL.
        {"FATAL:  no pg_hba.conf entry for host \"10.0.0.5\", user \"master\", database "
         "\"tabel\", no encryption",
         ConnectionFailure::LoginRefused},
        {"connection to server at \"db.plant\" (10.0.0.1), port 5432 failed: server does not "
         "support SSL, but SSL was required",
         ConnectionFailure::TlsRefused},
        {"connection to server at \"db.plant\" (10.0.0.1), port 5432 failed: root certificate "
         "file \"/home/u/.postgresql/root.crt\" does not exist",
         ConnectionFailure::TlsRefused},
        {"сервер не поддерживает SSL, но SSL требуется", ConnectionFailure::TlsRefused},
        {"connection to server on socket \"/nonexistent/.s.PGSQL.5432\" failed: No such file or "
         "directory",
         ConnectionFailure::Unreachable},
        {"connection to server on socket \"/run/db/.s.PGSQL.5432\" failed: FATAL:  database "
         "\"no_such_database\" does not exist",
         ConnectionFailure::Unreachable},
        {"could not translate host name \"db.plant\" to address: Name or service not known",
         ConnectionFailure::Unreachable},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(connectionFailureOf(text), c.failure) << c.text;
        EXPECT_EQ(isLoginRefused(text), c.failure == ConnectionFailure::LoginRefused) << c.text;
    }
}

TEST(ConnectionString, PasswordIsAlwaysBracedWithClosingBracesDoubled) {
    const struct {
        const char* password;
        const char* braced;
    } cases[] = {
        {"", "{}"}, {"a;b", "{a;b}"}, {"p+q%20", "{p+q%20}"}, {"x}y", "{x}}y}"}, {"{z}", "{{z}}}"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bracedPassword(QString::fromUtf8(c.password)), QString::fromUtf8(c.braced))
            << c.password;
    }
}

TEST(ConnectionString, SemicolonIsRefusedInServerDatabaseAndLoginOnly) {
    const ConnectionParams good{QStringLiteral("srv"), QStringLiteral("db"), QStringLiteral("user"),
                                QStringLiteral("pa;ss")};
    EXPECT_TRUE(isComposable(good));
    ConnectionParams bad = good;
    bad.server = QStringLiteral("srv;UID=sys");
    EXPECT_FALSE(isComposable(bad));
    bad = good;
    bad.database = QStringLiteral("db;");
    EXPECT_FALSE(isComposable(bad));
    bad = good;
    bad.login = QStringLiteral("a;b");
    EXPECT_FALSE(isComposable(bad));
}

}  // namespace
}  // namespace tabel::data

namespace tabel::data {
namespace {

TEST(LoginCredentials, ServiceCodeSwapComposabilityAndConnectionString) {
    const Deployment deployment{QStringLiteral("plant"), QStringLiteral("main"),
                                QStringLiteral("svc"), QStringLiteral("1234")};
    const struct {
        const char* server;
        const char* database;
        const char* login;
        const char* password;
        const char* effectiveLogin;
        const char* effectivePassword;
        bool composable;
        ConnectionParams target;
    } cases[] = {
        {"srv",
         "db",
         " ivanov ",
         " secret ",
         "ivanov",
         "secret",
         true,
         {"srv", "db", "ivanov", "secret"}},
        {"srv", "db", "ivanov", "1234", "sys", "svc", true, {"srv", "db", "sys", "svc"}},
        {"srv", "db", "a;b", "x", "a;b", "x", false, {}},
        {"s;rv", "db", "a", "x", "a", "x", false, {}},
        {"srv", "db", "a", "p;w", "a", "p;w", true, {"srv", "db", "a", "p;w"}},
        // Without both names the deployment's server and database, still with the typed login.
        {"",
         "db",
         "ivanov",
         "secret",
         "ivanov",
         "secret",
         true,
         {"plant", "main", "ivanov", "secret"}},
        {"srv", "", "master", "any", "master", "any", true, {"plant", "main", "master", "any"}},
        {"", "", "sys", "wrong", "sys", "wrong", true, {"plant", "main", "sys", "wrong"}},
        {"", "", "econom", "1234", "sys", "svc", true, {"plant", "main", "sys", "svc"}},
        {"", "", "a;b", "x", "a;b", "x", false, {}},
    };
    for (const auto& c : cases) {
        const LoginCredentials result =
            loginCredentials(deployment, QString::fromUtf8(c.server), QString::fromUtf8(c.database),
                             QString::fromUtf8(c.login), QString::fromUtf8(c.password));
        EXPECT_EQ(result.login, QString::fromUtf8(c.effectiveLogin)) << c.login;
        EXPECT_EQ(result.password, QString::fromUtf8(c.effectivePassword)) << c.password;
        EXPECT_EQ(result.composable, c.composable) << c.server << " " << c.login;
        EXPECT_EQ(result.connectionString,
                  c.composable ? composeConnectionString(c.target) : QString())
            << c.server << " " << c.login;
    }
}

// The primary a session on a standby listens for changes on: the one named by --primary-server,
// else the deployment's own server when the login named another; never the login's own server,
// and never one that cannot be composed. The same database, login, password and TLS mode, as
// for the report server.
TEST(LoginCredentials, ThePrimaryOfAStandbySessionTakesTheSameLogin) {
    const struct {
        const char* primaryOption;  // --primary-server
        const char* server;         // named at start-up
        const char* database;
        const char* login;
        const char* primary;  // the primary's server; empty for none
        const char* primaryLogin;
        const char* primaryPassword;
    } cases[] = {
        {"", "standby1", "plantdb", "ivanov", "plant", "ivanov", "secret"},
        {"", "standby1", "plantdb", "econom", "plant", "sys", "svc"},  // the service code
        {"", "", "", "ivanov", "", "", ""},  // the deployment's own server is the login's
        {"", "plant", "main", "ivanov", "", "", ""},
        {"db1", "standby1", "plantdb", "ivanov", "db1", "ivanov", "secret"},
        {"db1", "", "", "ivanov", "db1", "ivanov", "secret"},
        {"standby1", "standby1", "plantdb", "ivanov", "", "", ""},
        {"d;b1", "standby1", "plantdb", "ivanov", "", "", ""},
        {"", "standby1", "plantdb", "a;b", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.primaryOption) + " " + c.server + " " + c.login);
        Deployment deployment{QStringLiteral("plant"), QStringLiteral("main"),
                              QStringLiteral("svc"), QStringLiteral("1234")};
        deployment.sslMode = QStringLiteral("require");
        deployment.reportServer = QStringLiteral("reports1");
        deployment.primaryServer = QString::fromUtf8(c.primaryOption);
        const QString password = QString::fromUtf8(c.login) == QLatin1String("econom")
                                     ? QStringLiteral("1234")
                                     : QStringLiteral("secret");
        const LoginCredentials result =
            loginCredentials(deployment, QString::fromUtf8(c.server), QString::fromUtf8(c.database),
                             QString::fromUtf8(c.login), password);
        const ConnectionTarget target = connectionTarget(deployment, QString::fromUtf8(c.server),
                                                         QString::fromUtf8(c.database));
        const QString expected =
            *c.primary == '\0'
                ? QString()
                : composeConnectionString({QString::fromUtf8(c.primary), target.database,
                                           QString::fromUtf8(c.primaryLogin),
                                           QString::fromUtf8(c.primaryPassword),
                                           QStringLiteral("require")});
        EXPECT_EQ(result.primaryConnectionString, expected);
        // The report server's string is composed the same way, from the same login.
        if (result.composable) {
            ConnectionParams reports = connectionParamsOf(result.connectionString);
            reports.server = QStringLiteral("reports1");
            EXPECT_EQ(result.reportConnectionString, composeConnectionString(reports));
        }
    }
}

}  // namespace
}  // namespace tabel::data
