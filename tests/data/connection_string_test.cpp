#include <gtest/gtest.h>

#include "data/connection_string.h"

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
