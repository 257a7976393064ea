#pragma once
// The test cluster: its socket folder, connection strings for its logins, and fixture loading.

#include <QString>

namespace tabel::data {
class Connection;
}

namespace tabel::test {

// Socket folder of the cluster the `db` fixture started.
QString testServer();

// The login's connection string (demo and test passwords equal the login).
QString connectionStringFor(const QString& login, const QString& password = {});

// Opens `connection` as `login`.
void connectAs(data::Connection& connection, const QString& login = QStringLiteral("master"));

// The server ends the session of `connection`, as a restart or a broken network would; the
// connection notices at its next statement.
void dropConnection(data::Connection& connection);

// Runs SQL as the cluster's superuser; fails the calling test on error.
void adminExec(const QString& sql);
// Single value of a query run as the superuser, as text.
QString adminQuery(const QString& sql);

// Runs a file of SQL as the superuser; fails the calling test on error.
void adminExecFile(const QString& path);

// The program versions recorded in the database, "date.time" joined by commas; empty for none.
QString recordedVersion();

// Socket folder of the hot standby of the test cluster the `standby` fixture made.
QString testStandby();
// The login's connection string on the standby.
QString standbyConnectionStringFor(const QString& login);
// Single value of a query run as the superuser on the standby, as text.
QString standbyAdminQuery(const QString& sql);
// Waits until the standby has replayed all the primary has written so far; fails the calling
// test when it does not within a minute.
void waitForStandby();
// Stops and starts the standby's server, as a broken or mended server would.
void stopStandby();
void startStandby();

// Empties the program's relations and loads the small known data set (date 2026-03-02).
void loadBaseFixture();

// Runs a fixture script of the source tree ("tests/reports/fixture_reports.sql") as superuser.
void loadFixture(const QString& relativePath);

}  // namespace tabel::test
