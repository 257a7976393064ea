#include <gtest/gtest.h>

#include "data/errors.h"
#include "data/parameters.h"

namespace tabel::data {
namespace {

TEST(Parameters, PlaceholdersBecomePositionalAndCastsAndLiteralsStay) {
    const struct {
        const char* statement;
        const char* positional;
    } cases[] = {
        {"select * from t where data=:data and ok!=:ok", "select * from t where data=? and ok!=?"},
        {"select now()::public.t_date, id::public.t_id from t where id=:id",
         "select now()::public.t_date, id::public.t_id from t where id=?"},
        {"select ':notparam', \"a:b\" from t where x=:x",
         "select ':notparam', \"a:b\" from t where x=?"},
        {"select 'it''s :x' where a=:a", "select 'it''s :x' where a=?"},
        {"select accounts_dep.smena__accept_row_hwo(:id)\n",
         "select accounts_dep.smena__accept_row_hwo(?)\n"},
    };
    for (const auto& c : cases) {
        Parameters params;
        params.parse(QString::fromUtf8(c.statement));
        EXPECT_EQ(params.positionalText(), QString::fromUtf8(c.positional)) << c.statement;
    }
}

TEST(Parameters, NamesMatchWithoutRegardToCase) {
    Parameters params;
    params.parse(QStringLiteral("select 1 where ok<>:ok and data=:Data"));
    params.setValue(QStringLiteral("OK"), QStringLiteral("ta"));
    params.setValue(QStringLiteral("DATA"), 5);
    EXPECT_EQ(params.value(QStringLiteral("ok")).toString(), QStringLiteral("ta"));
    EXPECT_EQ(params.value(QStringLiteral("data")).toInt(), 5);
    EXPECT_THROW(params.setValue(QStringLiteral("missing"), 1), DataError);
}

TEST(Parameters, ValuesSurviveAReparseOfTheSameNames) {
    Parameters params;
    params.parse(QStringLiteral("select 1 where id=:id"));
    params.setValue(QStringLiteral("id"), 7);
    params.parse(QStringLiteral("select 2 where id=:ID or other=:id"));
    EXPECT_EQ(params.value(QStringLiteral("id")).toInt(), 7);
    EXPECT_EQ(params.positionalText(), QStringLiteral("select 2 where id=? or other=?"));
}

}  // namespace
}  // namespace tabel::data
