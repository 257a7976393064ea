// The month rebuild on the server: the same table as the statement-per-cell way, and no hours
// posting of another workstation lost while it runs.
#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "data/connection.h"
#include "data/errors.h"
#include "data/hours.h"
#include "per_cell_rebuild.h"
#include "test_db.h"

namespace tabel::timesheet {
namespace {

// Every row of the month but its id, one per line, in a fixed order.
QString monthTable(int month, int year) {
    QStringList days;
    for (int day = 1; day <= 31; ++day) {
        days.append(QStringLiteral("d%1").arg(day));
    }
    return test::adminQuery(
        QStringLiteral("select coalesce(string_agg(format('%s/%s: %s', w_id, smena, array[%1]), "
                       "E'\\n' order by w_id, smena), '') from accounts_dep.h_tabel "
                       "where month = %2 and year = %3")
            .arg(days.join(u','))
            .arg(month)
            .arg(year));
}

// Rows of the month that differ from the sums of the entries (either way round).
QString mismatches(int month, int year) {
    QStringList sums;
    for (int day = 1; day <= 31; ++day) {
        sums.append(
            QStringLiteral("coalesce(sum(time) filter (where extract(day from data) = %1), 0)")
                .arg(day));
    }
    return test::adminQuery(
        QStringLiteral(
            "with truth as (select w_id, smena, array[%1]::int[] as days from accounts_dep.smena "
            "where extract(month from data) = %2 and extract(year from data) = %3 "
            "group by w_id, smena), "
            "kept as (select w_id, smena, array[d1,d2,d3,d4,d5,d6,d7,d8,d9,d10,d11,d12,d13,d14,"
            "d15,d16,d17,d18,d19,d20,d21,d22,d23,d24,d25,d26,d27,d28,d29,d30,d31]::int[] as days "
            "from accounts_dep.h_tabel where month = %2 and year = %3) "
            "select coalesce(string_agg(format('%s/%s', coalesce(t.w_id, k.w_id), "
            "coalesce(t.smena, k.smena)), ' '), '') from truth t full join kept k "
            "using (w_id, smena) where t.days is distinct from k.days")
            .arg(sums.join(u','))
            .arg(month)
            .arg(year));
}

class RebuildTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { test::loadBaseFixture(); }
    void SetUp() override { test::connectAs(connection); }

    data::Connection connection{QStringLiteral("rebuild_test")};
};

TEST_F(RebuildTest, GivesTheTableOfTheStatementPerCellWayOnAGeneratedMonth) {
    test::adminExecFile(qEnvironmentVariable("TABEL_SOURCE_DIR") +
                        QStringLiteral("/src/data/sql/generate.sql"));
    // About two and a half months ending today, so the previous month is whole and both of
    // its neighbours have entries.
    test::adminExec(QStringLiteral("select bench_gen.generate(60, 75, 90)"));
    // The generator is no part of the schema the other suites compare against.
    test::adminExec(QStringLiteral("drop schema bench_gen cascade"));
    const QDate previous = QDate::currentDate().addMonths(-1);
    const int month = previous.month();
    const int year = previous.year();
    const QString first = QDate(year, month, 1).toString(Qt::ISODate);
    const QString last = QDate(year, month, previous.daysInMonth()).toString(Qt::ISODate);
    // Entries without hours, on the month's first and last day, of a worker nobody knows,
    // and of a shift the timesheet has no page for (older rows, from before the entries'
    // rules refused such a shift).
    test::adminExec(
        QStringLiteral(
            "alter table accounts_dep.smena disable trigger smena_check_row, "
            "disable trigger smena_day_hours_insert; "
            "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, time) "
            "select d::date, s, w, 1, 1, t from (values ('%1', 1, 1001, 0), ('%1', 1, 1001, 0), "
            "('%2', 3, 1002, 7), ('%2', 3, 1002, 0), ('%2', 2, 99999, 5), ('%1', 5, 1003, 3)) "
            "as v (d, s, w, t); "
            "alter table accounts_dep.smena enable trigger smena_check_row, "
            "enable trigger smena_day_hours_insert")
            .arg(first, last));

    const auto spoil = [&] {
        test::adminExec(
            QStringLiteral("update accounts_dep.h_tabel set d5 = 99 where month = %1 and year = "
                           "%2; insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) "
                           "values (77777, 1, %1, %2, 3)")
                .arg(month)
                .arg(year));
    };
    spoil();
    test::rebuildPerCell(connection, month, year);
    const QString perCell = monthTable(month, year);
    const QString before = monthTable(month % 12 + 1, month == 12 ? year + 1 : year);

    spoil();
    const int made = data::rebuildHoursMonth(connection, month, year);
    const QString setBased = monthTable(month, year);

    EXPECT_FALSE(perCell.isEmpty());
    EXPECT_EQ(setBased, perCell);
    EXPECT_EQ(made, int(perCell.count(u'\n')) + 1);
    EXPECT_EQ(mismatches(month, year), QString());
    // The next month is not touched.
    EXPECT_EQ(monthTable(month % 12 + 1, month == 12 ? year + 1 : year), before);
}

TEST_F(RebuildTest, LosesNothingWhileOthersPostHoursAndRebuildTheSameMonth) {
    test::loadBaseFixture();
    // Another workstation posts entries with their hours, each in its own transaction that
    // holds the month's lock shared, as every hours posting does.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QString script;
    for (int n = 0; n < 300; ++n) {
        const int day = 1 + n % 28;
        // Known workers, and new ones whose hours row the posting makes.
        const int worker = n % 2 == 0 ? 101 + n % 6 : 500 + n;
        const int shift = 1 + n % 3;
        script += QStringLiteral(
                      "begin;\n"
                      "select accounts_dep.lock_hours_month(2026, 3, false);\n"
                      "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, time) "
                      "values ('2026-03-%1', %3, %2, 1, 1, %4);\n"
                      "select pg_sleep(0.002);\n"
                      "insert into accounts_dep.h_tabel as h (w_id, smena, month, year, d%1) "
                      "select %2, %3, 3, 2026, coalesce(sum(time), 0) from accounts_dep.smena "
                      "where w_id = %2 and smena = %3 and data = '2026-03-%1' "
                      "on conflict (w_id, smena, month, year) do update set d%1 = excluded.d%1;\n"
                      "select pg_sleep(0.002);\n"
                      "commit;\n")
                      .arg(day)
                      .arg(worker)
                      .arg(shift)
                      .arg(1 + n % 4);
    }
    const QString path = folder.filePath(QStringLiteral("post.sql"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script.toUtf8());
    file.close();

    // and a second workstation rebuilds the same month over and over.
    QString rebuilds;
    for (int n = 0; n < 150; ++n) {
        rebuilds += QStringLiteral("select accounts_dep.h_tabel_rebuild(3, 2026);\n");
    }
    const QString rebuildPath = folder.filePath(QStringLiteral("rebuild.sql"));
    QFile rebuildFile(rebuildPath);
    ASSERT_TRUE(rebuildFile.open(QIODevice::WriteOnly));
    rebuildFile.write(rebuilds.toUtf8());
    rebuildFile.close();

    const auto startPsql = [](QProcess& process, const QString& file) {
        process.start(
            qEnvironmentVariable("TABEL_SOURCE_DIR") + QStringLiteral("/scripts/dbctl"),
            {QStringLiteral("psql"), test::testServer(), QStringLiteral("-X"), QStringLiteral("-q"),
             QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-o"),
             QStringLiteral("/dev/null"), QStringLiteral("-f"), file});
        return process.waitForStarted();
    };
    QProcess poster;
    QProcess rebuilder;
    ASSERT_TRUE(startPsql(poster, path));
    ASSERT_TRUE(startPsql(rebuilder, rebuildPath));
    int rebuilt = 0;
    while (poster.state() != QProcess::NotRunning) {
        data::rebuildHoursMonth(connection, 3, 2026);
        ++rebuilt;
        poster.waitForFinished(5);
    }
    rebuilder.waitForFinished(120000);
    EXPECT_EQ(poster.exitCode(), 0) << poster.readAllStandardError().toStdString();
    EXPECT_EQ(rebuilder.exitCode(), 0) << rebuilder.readAllStandardError().toStdString();
    EXPECT_GT(rebuilt, 1);
    EXPECT_EQ(test::adminQuery(QStringLiteral(
                  "select count(*) from accounts_dep.smena where data between '2026-03-01' and "
                  "'2026-03-28' and id > 9")),
              QStringLiteral("300"));
    EXPECT_EQ(mismatches(3, 2026), QString());
}

TEST_F(RebuildTest, IsRefusedToLoginsThatMayNotWriteHours) {
    test::loadBaseFixture();
    const QString before = monthTable(3, 2026);
    const struct {
        const char* login;
        bool may;
    } cases[] = {{"master", true}, {"sys", true}, {"econom", false}, {"clerk_a", false}};
    for (const auto& c : cases) {
        data::Connection as(QStringLiteral("rebuild_as"));
        test::connectAs(as, QString::fromLatin1(c.login));
        EXPECT_EQ(data::mayRebuildHours(as), c.may) << c.login;
        if (!c.may) {
            EXPECT_THROW(data::rebuildHoursMonth(as, 3, 2026), data::DbError) << c.login;
        }
    }
    EXPECT_EQ(monthTable(3, 2026), before);
}

TEST_F(RebuildTest, RefusesAMonthThatIsNoMonth) {
    for (const auto& [month, year] : {std::pair{0, 2026}, {13, 2026}, {3, 0}}) {
        try {
            data::rebuildHoursMonth(connection, month, year);
            ADD_FAILURE() << month << '.' << year;
        } catch (const data::DbError& error) {
            EXPECT_TRUE(error.message().contains(QStringLiteral("Неверный месяц табеля")))
                << error.message().toStdString();
        }
    }
}

}  // namespace
}  // namespace tabel::timesheet
