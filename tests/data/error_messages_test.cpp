// What the user reads when the database refuses what he did: Russian, with the server's own
// text on a detail line; our own refusals exactly as the server raised them.
#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/errors.h"
#include "test_db.h"
#include "widgets/error_display.h"

namespace tabel::data {
namespace {

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
         "Недостаточно прав для этого действия", true},
        {"master", "update accounts_dep.smena set kol_vo = 1 where id = 2",
         "Позиция принята, изменить её нельзя", false},
        {"master", "delete from accounts_dep.norm where id = 3",
         "У операции должна остаться хотя бы одна норма", false},
        {"clerk_a", "select accounts_dep.smena__accept_row_hwo(1)", "Не заведен расход ТМЦ!",
         false},
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
            const QString shown = widgets::userMessageOf(error);
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
        const QString shown = widgets::userMessageOf(error);
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Подключение к БД отсутсвует\n\n")))
            << shown.toStdString();
    }
}

}  // namespace
}  // namespace tabel::data
