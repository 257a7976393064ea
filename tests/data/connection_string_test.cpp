#include <gtest/gtest.h>

#include "data/connection_string.h"
#include "data/credentials.h"

namespace tabel::data {
namespace {

TEST(ConnectionString, ComposesDriverCredentialsAndOptionsInOrder) {
    const QString text =
        composeConnectionString({QStringLiteral("/run/db"), QStringLiteral("tabel"),
                                 QStringLiteral("master"), QStringLiteral("secret")});
    EXPECT_EQ(text, QStringLiteral("DRIVER={PostgreSQL UNICODE};DATABASE=tabel;SERVER=/run/db;"
                                   "PORT=5432;UID=master;PWD={secret};SSLmode=allow;") +
                        odbcOptionList());
    EXPECT_TRUE(odbcOptionList().startsWith(QStringLiteral("ReadOnly=0;Protocol=7.4;")));
    EXPECT_TRUE(odbcOptionList().contains(QStringLiteral("Debug=0;CommLog=0;")));
    EXPECT_TRUE(odbcOptionList().endsWith(QStringLiteral("OptionalErrors=0;XaOpt=1")));
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

}  // namespace
}  // namespace tabel::data
