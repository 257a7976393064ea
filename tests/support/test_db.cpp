#include "test_db.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <QThread>

#include "data/connection.h"
#include "data/connection_string.h"

namespace tabel::test {

namespace {

QString sourceDir() {
    return qEnvironmentVariable("TABEL_SOURCE_DIR");
}

QString runDbctl(const QStringList& arguments) {
    QProcess dbctl;
    dbctl.start(sourceDir() + QStringLiteral("/scripts/dbctl"), arguments);
    dbctl.waitForFinished(120000);
    const QString errors = QString::fromUtf8(dbctl.readAllStandardError());
    EXPECT_EQ(dbctl.exitCode(), 0) << errors.toStdString();
    return QString::fromUtf8(dbctl.readAllStandardOutput()).trimmed();
}

QString runPsql(const QStringList& arguments, const QString& server = testServer()) {
    QProcess psql;
    psql.start(sourceDir() + QStringLiteral("/scripts/dbctl"),
               QStringList{QStringLiteral("psql"), server, QStringLiteral("-X"),
                           QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                           QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1")} +
                   arguments);
    psql.waitForFinished(120000);
    const QString errors = QString::fromUtf8(psql.readAllStandardError());
    EXPECT_EQ(psql.exitCode(), 0) << errors.toStdString();
    return QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
}

}  // namespace

QString testServer() {
    return qEnvironmentVariable("TABEL_TEST_SERVER");
}

QString connectionStringFor(const QString& login, const QString& password) {
    return data::composeConnectionString(
        {testServer(), QStringLiteral("tabel"), login, password.isEmpty() ? login : password});
}

void connectAs(data::Connection& connection, const QString& login) {
    connection.setConnectionString(connectionStringFor(login));
    connection.open();
}

void dropConnection(data::Connection& connection) {
    const int pid = connection.scalar(QStringLiteral("select pg_backend_pid()")).toInt();
    adminExec(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
}

void adminExec(const QString& sql) {
    runPsql({QStringLiteral("-c"), sql});
}

QString adminQuery(const QString& sql) {
    return runPsql({QStringLiteral("-c"), sql});
}

void adminExecFile(const QString& path) {
    runPsql({QStringLiteral("-f"), path});
}

QString testStandby() {
    return qEnvironmentVariable("TABEL_TEST_STANDBY");
}

QString standbyConnectionStringFor(const QString& login) {
    return data::composeConnectionString({testStandby(), QStringLiteral("tabel"), login, login});
}

QString standbyAdminQuery(const QString& sql) {
    return runPsql({QStringLiteral("-c"), sql}, testStandby());
}

void waitForStandby() {
    const QString written = adminQuery(QStringLiteral("select pg_current_wal_lsn()"));
    for (int i = 0; i < 600; ++i) {
        if (standbyAdminQuery(
                QStringLiteral("select pg_last_wal_replay_lsn() >= '%1'::pg_lsn").arg(written)) ==
            QLatin1String("t")) {
            return;
        }
        QThread::msleep(100);
    }
    ADD_FAILURE() << "the standby did not replay " << written.toStdString();
}

void stopStandby() {
    runDbctl({QStringLiteral("stop"), testStandby()});
}

void startStandby() {
    runDbctl({QStringLiteral("start-standby"), testServer(), testStandby()});
}

QString recordedVersion() {
    return adminQuery(QStringLiteral(
        "select coalesce(string_agg(d || '.' || t, ','), '') from accounts_dep.ver"));
}

namespace {

// Some fixtures give a worker more than 24 hours in a shift on one day, as a plant's rows from
// before that rule may: they are loaded past the rule, in one transaction, so that a failed
// load never leaves it off.
void loadScript(const QString& path) {
    runPsql(
        {QStringLiteral("-1"), QStringLiteral("-c"),
         QStringLiteral("alter table accounts_dep.smena disable trigger smena_day_hours_insert"),
         QStringLiteral("-f"), path, QStringLiteral("-c"),
         QStringLiteral("alter table accounts_dep.smena enable trigger smena_day_hours_insert")});
}

}  // namespace

void loadBaseFixture() {
    loadScript(sourceDir() + QStringLiteral("/tests/support/fixture_base.sql"));
}

void loadFixture(const QString& relativePath) {
    loadScript(sourceDir() + QLatin1Char('/') + relativePath);
}

}  // namespace tabel::test
