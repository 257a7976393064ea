// The program itself, started as a user starts it (offscreen, against the test cluster): a
// program older than the database's recorded version must end by itself.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include "test_db.h"

namespace tabel::app {
namespace {

class StartupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::loadBaseFixture(); }

    void SetUp() override {
        program.setProgram(QStringLiteral(TABEL_PROGRAM_FOR_TESTS));
        program.setArguments({test::testServer(), QStringLiteral("tabel")});
        program.setProcessChannelMode(QProcess::ForwardedChannels);
    }

    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(10000);
        }
        test::adminExec(QStringLiteral("delete from accounts_dep.ver"));
    }

    // Seconds the program ran before it ended, or -1 when it was still running after `limit`.
    double secondsUntilEnd(int limitMs) {
        if (!program.waitForFinished(limitMs)) {
            return -1;
        }
        return clock.elapsed() / 1000.0;
    }

    QProcess program;
    QElapsedTimer clock;
};

TEST_F(StartupTest, OlderProgramEndsAtStartUpWithoutAnyoneAcknowledgingTheMessage) {
    test::adminExec(QStringLiteral(
        "delete from accounts_dep.ver; insert into accounts_dep.ver values (20991231, 0)"));
    clock.start();
    program.start();
    ASSERT_TRUE(program.waitForStarted());
    // 5.5 s after the message, plus the start-up of the program on a busy machine.
    const double seconds = secondsUntilEnd(30000);
    EXPECT_GT(seconds, 0) << "the program is still running";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_EQ(test::recordedVersion(), QStringLiteral("20991231.0"));
}

TEST_F(StartupTest, OlderProgramFoundByTheThirtySecondCheckEndsAfterTheMessage) {
    test::adminExec(QStringLiteral("delete from accounts_dep.ver"));
    clock.start();
    program.start();
    ASSERT_TRUE(program.waitForStarted());
    // The first check stamps the program's own build.
    ASSERT_TRUE(QTest::qWaitFor([] { return !test::recordedVersion().isEmpty(); }, 30000));
    ASSERT_EQ(program.state(), QProcess::Running);
    // Another workstation runs a newer program meanwhile.
    test::adminExec(QStringLiteral("update accounts_dep.ver set d = 20991231, t = 0"));
    // The next check, 30 s after start, finds it; 5.5 s later the program has ended.
    const double seconds = secondsUntilEnd(90000);
    EXPECT_GT(seconds, 0) << "the program is still running";
    EXPECT_EQ(program.exitCode(), 1);
}

}  // namespace
}  // namespace tabel::app
