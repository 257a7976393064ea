// The driver's communication log stays off whatever the system's driver settings say (Debian's
// switch it on): connecting and disconnecting leaves no /tmp/psqlodbc_*.log of this process.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include "data/connection.h"
#include "test_db.h"

namespace tabel::data {
namespace {

// The driver's log files of the process `pid` in /tmp.
QStringList driverLogsOf(qint64 pid) {
    QStringList logs;
    for (const QString& name :
         QDir(QStringLiteral("/tmp")).entryList({QStringLiteral("psqlodbc_*.log")}, QDir::Files)) {
        if (name.endsWith(QStringLiteral("%1.log").arg(pid))) {
            logs.append(name);
        }
    }
    return logs;
}

TEST(DriverLog, ConnectingAndDisconnectingLeavesNoLogFile) {
    const qint64 pid = QCoreApplication::applicationPid();
    ASSERT_EQ(driverLogsOf(pid), QStringList());
    for (int round = 0; round < 2; ++round) {
        Connection connection;
        test::connectAs(connection);
        connection.run(QStringLiteral("select 1"));
        connection.close();
    }
    EXPECT_EQ(driverLogsOf(pid), QStringList());
}

}  // namespace
}  // namespace tabel::data
