// What the user reads when the database refuses what he did: Russian, with the server's own
// text on a detail line; our own refusals exactly as the server raised them.
#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/errors.h"
#include "silent_server.h"
#include "test_db.h"

namespace tabel::data {
namespace {

// Every kind's sentence, and what the message made of an error of that kind shows.
TEST(ErrorMessagesTest, EachKindHasOneSentenceAndTheServerWordsGoBelowIt) {
    const QString server =
        QStringLiteral("ERROR:  something the server said;\nError while executing the query");
    const struct {
        DbErrorKind kind;
        const char* sqlState;
        const char* text;   // userTextOf
        const char* shown;  // userMessageOf, before the detail line
        bool detail;        // the server's words follow on a line of their own
    } cases[] = {
        {DbErrorKind::ConnectionLost, "08S01", "Подключение к БД отсутсвует",
         "Подключение к БД отсутсвует", true},
        {DbErrorKind::UniqueViolation, "23505", "Такая запись уже есть", "Такая запись уже есть",
         true},
        {DbErrorKind::ForeignKeyViolation, "23503",
         "Запись связана с другими данными: она используется или связанная запись удалена",
         "Запись связана с другими данными: она используется или связанная запись удалена", true},
        {DbErrorKind::CheckViolation, "23514", "Недопустимое значение", "Недопустимое значение",
         true},
        {DbErrorKind::LockTimeout, "55P03",
         "Запись заблокирована другим пользователем, повторите позже",
         "Запись заблокирована другим пользователем, повторите позже", false},
        {DbErrorKind::PermissionDenied, "42501", "Недостаточно прав для этого действия.",
         "Недостаточно прав для этого действия.", true},
        {DbErrorKind::RowGone, "", "Запись удалена другим пользователем",
         "Запись удалена другим пользователем", false},
        {DbErrorKind::RowChanged, "",
         "Запись изменена другим пользователем. Список перечитан, введённое вами показано "
         "снова: проверьте и сохраните ещё раз.",
         "Запись изменена другим пользователем. Список перечитан, введённое вами показано "
         "снова: проверьте и сохраните ещё раз.",
         false},
        // The program's own version check: the server's sentence as it raised it.
        {DbErrorKind::RowChanged, "P0T01",
         "Запись изменена другим пользователем. Список перечитан, введённое вами показано "
         "снова: проверьте и сохраните ещё раз.",
         "something the server said", false},
        {DbErrorKind::TransactionConflict, "40001",
         "Сервер не смог выполнить действие из-за одновременной работы других пользователей. "
         "Повторите действие.",
         "Сервер не смог выполнить действие из-за одновременной работы других пользователей. "
         "Повторите действие.",
         true},
        {DbErrorKind::TransactionConflict, "40P01",
         "Сервер не смог выполнить действие из-за одновременной работы других пользователей. "
         "Повторите действие.",
         "Сервер не смог выполнить действие из-за одновременной работы других пользователей. "
         "Повторите действие.",
         true},
        {DbErrorKind::RaisedByServer, "P0001", "", "something the server said", false},
        {DbErrorKind::Cancelled, "57014", "Запрос отменен пользователем",
         "Запрос отменен пользователем", false},
        // A write that reached a hot standby: the server's English stays out.
        {DbErrorKind::ReadOnlyServer, "25006", "Сервер доступен только для чтения",
         "Сервер доступен только для чтения", false},
        {DbErrorKind::Other, "22012", "", "Недопустимое значение", true},
        {DbErrorKind::Other, "42703", "", "Ошибка базы данных", true},
    };
    for (const auto& c : cases) {
        const QString state = QString::fromLatin1(c.sqlState);
        SCOPED_TRACE(state.toStdString());
        EXPECT_EQ(userTextOf(c.kind), QString::fromUtf8(c.text));
        const DbError error(server, c.kind, state, server);
        const QString expected = QString::fromUtf8(c.shown);
        EXPECT_EQ(userMessageOf(error),
                  c.detail ? expected + QStringLiteral("\n\n") + server.trimmed() : expected);
    }
    // The data layer's own words, with no server behind them, stay as they are.
    EXPECT_EQ(userMessageOf(DbError(QStringLiteral("Драйвер ODBC недоступен"))),
              QStringLiteral("Драйвер ODBC недоступен"));
}

TEST(ErrorMessagesTest, TheServerMessageLosesItsSeverityAndTheDriversAdditions) {
    const struct {
        const char* serverText;
        const char* message;
    } cases[] = {
        {"ERROR:  Позиция принята, изменить её нельзя;\nError while executing the query",
         "Позиция принята, изменить её нельзя"},
        {"ОШИБКА:  Не заведен расход ТМЦ!\nCONTEXT:  PL/pgSQL function", "Не заведен расход ТМЦ!"},
        {"FATAL: terminating connection;", "terminating connection"},
        {"ВАЖНО:  нет подключения", "нет подключения"},
        {"  plain text  ", "plain text"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(serverMessageOf(QString::fromUtf8(c.serverText)), QString::fromUtf8(c.message))
            << c.serverText;
    }
}

TEST(ErrorMessagesTest, RefusalsAUserCanCauseReadInRussianWithTheServerTextBelow) {
    test::loadBaseFixture();
    const struct {
        const char* login;
        const char* statement;
        const char* shown;  // the first line(s) the user reads
        bool serverDetail;  // the server's text follows on a line of its own
    } cases[] = {
        {"master", "insert into accounts_dep.vid_oper (vid) values ('РЕЗКА')",
         "Такая операция уже заведена!", true},
        {"master", "insert into accounts_dep.oper (vid, naimen, i_id) values (1, 0, 1)",
         "Операция с такими параметрами уже заведена!", true},
        {"master",
         "insert into accounts_dep.h_tabel (w_id, smena, month, year) values (101, 1, 3, 2026)",
         "Такая запись уже есть", true},
        {"master", "delete from accounts_dep.vid_oper where id = 1",
         "Запись связана с другими данными: она используется или связанная запись удалена", true},
        {"econom", "delete from accounts_dep.smena where id = 1",
         "Недостаточно прав для этого действия.", true},
        {"master", "update accounts_dep.smena set kol_vo = 1 where id = 2",
         "Позиция принята, изменить её нельзя", false},
        {"master", "delete from accounts_dep.norm where id = 3",
         "У операции должна остаться хотя бы одна норма", false},
        {"clerk_a", "select accounts_dep.smena__accept_row_hwo(1)", "Не заведен расход ТМЦ!",
         false},
        // The program's own version checks: a save or an acceptance of what changed meanwhile.
        {"master",
         "select accounts_dep.smena_save(1, 101, 1, 1, 1.25, 100, 2, '2026-03-02', 1, 4, 1, 11, "
         "'0')",
         "Запись изменена другим пользователем", false},
        {"clerk_a", "select accounts_dep.smena__accept_row_hwo(1, '0/')",
         "Запись изменена другим пользователем", false},
        {"master", "select 1/0", "Недопустимое значение", true},
        {"master", "insert into accounts_dep.vid_oper (vid) select repeat('ж', 51)",
         "Недопустимое значение", true},
    };
    for (const auto& c : cases) {
        Connection as(QStringLiteral("as"));
        test::connectAs(as, QString::fromLatin1(c.login));
        try {
            as.run(QString::fromUtf8(c.statement));
            ADD_FAILURE() << "not refused: " << c.statement;
        } catch (const DbError& error) {
            const QString shown = userMessageOf(error);
            const QString expected = QString::fromUtf8(c.shown);
            if (c.serverDetail) {
                EXPECT_EQ(shown, expected + QStringLiteral("\n\n") + error.serverText().trimmed())
                    << c.statement;
                EXPECT_FALSE(error.serverText().isEmpty()) << c.statement;
            } else {
                EXPECT_EQ(shown, expected) << c.statement << "\n" << shown.toStdString();
            }
        }
    }
}

// Two serializable transactions on one row: the server gives the second up with 40001. That is
// no row changed by a user, and the user is told to repeat the action.
TEST(ErrorMessagesTest, ARealSerializationFailureIsNoChangedRow) {
    test::loadBaseFixture();
    Connection first(QStringLiteral("first"));
    Connection second(QStringLiteral("second"));
    test::connectAs(first);
    test::connectAs(second);
    first.run(QStringLiteral("set default_transaction_isolation = 'serializable'"));
    const QString read = QStringLiteral("select kol_vo from accounts_dep.smena where id = 1");
    const QString write =
        QStringLiteral("update accounts_dep.smena set kol_vo = kol_vo where id = 1");
    try {
        first.inTransaction([&] {
            first.run(read);    // the transaction's snapshot is taken here
            second.run(write);  // committed meanwhile
            first.run(write);
        });
        FAIL() << "the second writer of the row was not refused";
    } catch (const DbError& error) {
        EXPECT_EQ(error.sqlState(), QStringLiteral("40001"));
        EXPECT_EQ(error.kind(), DbErrorKind::TransactionConflict);
        const QString shown = userMessageOf(error);
        EXPECT_TRUE(shown.startsWith(QStringLiteral(
            "Сервер не смог выполнить действие из-за одновременной работы других пользователей. "
            "Повторите действие.\n\n")))
            << shown.toStdString();
        EXPECT_FALSE(shown.contains(QStringLiteral("изменена"))) << shown.toStdString();
    }
    // Repeated, it goes through.
    first.inTransaction([&] {
        first.run(read);
        first.run(write);
    });
}

TEST(ErrorMessagesTest, ALostConnectionIsTheConnectionMessage) {
    Connection connection;
    test::connectAs(connection);
    const QString pid =
        connection.run(QStringLiteral("select pg_backend_pid()::text")).rows[0][0].toString();
    test::adminExec(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
    try {
        connection.run(QStringLiteral("select 1"));
        FAIL() << "a dead connection answered";
    } catch (const DbError& error) {
        const QString shown = userMessageOf(error);
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Подключение к БД отсутсвует\n\n")))
            << shown.toStdString();
    }
}

// A server that never answers the login costs a message, never a frozen window.
TEST(ErrorMessagesTest, AServerThatNeverAnswersIsALostConnectionNotAWaitWithoutEnd) {
    test::SilentServer silent;
    Connection connection(QStringLiteral("silent"));
    connection.setConnectionString(
        composeConnectionString({silent.folder(), QStringLiteral("tabel"), QStringLiteral("master"),
                                 QStringLiteral("master")}));
    try {
        connection.open();
        FAIL() << "a silent server let the login in";
    } catch (const DbError& error) {
        EXPECT_EQ(error.kind(), DbErrorKind::ConnectionLost);
        EXPECT_TRUE(userMessageOf(error).startsWith(QStringLiteral("Подключение к БД отсутсвует")));
    }
}

}  // namespace
}  // namespace tabel::data
