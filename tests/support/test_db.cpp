#include "test_db.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include "data/connection.h"
#include "data/connection_string.h"

namespace tabel::test {

namespace {

QString sourceDir() {
    return qEnvironmentVariable("TABEL_SOURCE_DIR");
}

QString runPsql(const QStringList& arguments) {
    QProcess psql;
    psql.start(sourceDir() + QStringLiteral("/scripts/dbctl"),
               QStringList{QStringLiteral("psql"), testServer(), QStringLiteral("-X"),
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
