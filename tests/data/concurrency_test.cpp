// Two workstations at once: a second connection changes, deletes or locks rows while the
// first one works on what it read.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "test_db.h"

namespace tabel::data {
namespace {

class ConcurrencyTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::loadBaseFixture();
        test::connectAs(connection);
        test::connectAs(other);
        norms.setSql({QStringLiteral("select * from accounts_dep.norm order by id")});
        norms.setTableName(QStringLiteral("accounts_dep.norm"));
        norms.open();
        ASSERT_TRUE(norms.locate(QStringLiteral("id"), 1));  // 100 / 0 / 1.5 of operation 1
    }

    QString normRow(int id) {
        return test::adminQuery(
            QStringLiteral("select norma || '/' || prize || '/' || price from accounts_dep.norm "
                           "where id = %1")
                .arg(id));
    }

    DbErrorKind kindOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const DbError& error) {
            message = userMessageOf(error);
            return error.kind();
        }
        ADD_FAILURE() << "no error";
        return DbErrorKind::Other;
    }

    Connection connection;
    Connection other{QStringLiteral("other")};
    Dataset norms{&connection, QStringLiteral("norm")};
    QString message;
};

TEST_F(ConcurrencyTest, PostOverARowChangedMeanwhileKeepsBothChangesAfterASecondStore) {
    other.run(QStringLiteral("update accounts_dep.norm set price = 1.4 where id = 1"));
    norms.edit();
    norms.field(QStringLiteral("norma")).setValue(110);
    EXPECT_EQ(kindOf([&] { norms.post(); }), DbErrorKind::RowChanged);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Запись изменена другим пользователем")));
    EXPECT_EQ(normRow(1), QStringLiteral("100/0/1.4"));  // nothing overwritten

    // The list is re-read and the typed value waits on the same row to be stored again.
    EXPECT_EQ(norms.state(), Dataset::State::Edit);
    EXPECT_EQ(norms.field(QStringLiteral("id")).asInteger(), 1);
    EXPECT_EQ(norms.field(QStringLiteral("norma")).asInteger(), 110);
    EXPECT_DOUBLE_EQ(norms.field(QStringLiteral("price")).asFloat(), 1.4);
    norms.post();
    EXPECT_EQ(normRow(1), QStringLiteral("110/0/1.4"));

    // The stored row carries its new version: the next change goes through at once.
    norms.edit();
    norms.field(QStringLiteral("prize")).setValue(3);
    norms.post();
    EXPECT_EQ(normRow(1), QStringLiteral("110/3/1.4"));
}

TEST_F(ConcurrencyTest, RowDeletedMeanwhileIsReportedAndTheListReRead) {
    other.run(QStringLiteral("delete from accounts_dep.norm where id = 1"));
    norms.edit();
    norms.field(QStringLiteral("norma")).setValue(110);
    EXPECT_EQ(kindOf([&] { norms.post(); }), DbErrorKind::RowGone);
    EXPECT_EQ(message, QStringLiteral("Запись удалена другим пользователем"));
    EXPECT_EQ(norms.state(), Dataset::State::Browse);
    EXPECT_FALSE(norms.locate(QStringLiteral("id"), 1));
    EXPECT_EQ(normRow(1), QString());
}

TEST_F(ConcurrencyTest, DeletingARowChangedMeanwhileIsRefusedUntilSeenAgain) {
    other.run(QStringLiteral("update accounts_dep.norm set price = 1.4 where id = 1"));
    EXPECT_EQ(kindOf([&] { norms.deleteRow(); }), DbErrorKind::RowChanged);
    EXPECT_EQ(normRow(1), QStringLiteral("100/0/1.4"));
    ASSERT_TRUE(norms.locate(QStringLiteral("id"), 1));
    EXPECT_DOUBLE_EQ(norms.field(QStringLiteral("price")).asFloat(), 1.4);
    norms.deleteRow();
    EXPECT_EQ(normRow(1), QString());
}

TEST_F(ConcurrencyTest, RowLockedElsewhereEndsInAMessageAfterAFewSecondsWithNothingWritten) {
    // The other workstation holds the row in a transaction of its own until it rolls back.
    struct RollBack {};
    EXPECT_THROW(other.inTransaction([&] {
        other.run(QStringLiteral("update accounts_dep.norm set price = 1.4 where id = 1"));

        QElapsedTimer clock;
        clock.start();
        // An insert and the update of the locked row belong together: neither stays.
        EXPECT_EQ(kindOf([&] {
                      connection.inTransaction([&] {
                          connection.run(QStringLiteral(
                              "insert into accounts_dep.norm (o_id, norma, prize, price) "
                              "values (1, 300, 0, 1)"));
                          norms.edit();
                          norms.field(QStringLiteral("norma")).setValue(110);
                          norms.post();
                      });
                  }),
                  DbErrorKind::LockTimeout);
        EXPECT_LT(clock.elapsed(), 30000);  // a wait with a limit, not a frozen window
        EXPECT_TRUE(message.startsWith(
            QStringLiteral("Запись заблокирована другим пользователем, повторите позже")));
        norms.cancel();
        throw RollBack{};
    }),
                 RollBack);
    EXPECT_EQ(normRow(1), QStringLiteral("100/0/1.5"));
    EXPECT_EQ(test::adminQuery(
                  QStringLiteral("select count(*) from accounts_dep.norm where norma = 300")),
              QStringLiteral("0"));

    // Once the other workstation is done the same change goes through.
    norms.edit();
    norms.field(QStringLiteral("norma")).setValue(110);
    norms.post();
    EXPECT_EQ(normRow(1), QStringLiteral("110/0/1.5"));
}

TEST_F(ConcurrencyTest, EverySessionHasAShortLockTimeout) {
    EXPECT_EQ(connection.run(QStringLiteral("show lock_timeout")).rows.value(0).value(0),
              QStringLiteral("3s"));
}

}  // namespace
}  // namespace tabel::data
