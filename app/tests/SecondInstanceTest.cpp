// The real program, started twice: the second start ends at once and quietly while the
// first keeps running; once the first has gone, a new start runs again.
#include "app/tests/ProgramEnvironment.h"
#include "platform/SingleInstance.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <chrono>

namespace {

using namespace std::chrono_literals;

class SecondInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QDir root(dir_.path());
        env_ = ProgramEnvironment(root);
        ASSERT_FALSE(env_.isEmpty());
        lockPath_ = root.filePath("runtime/Dabrix_Instance").toStdString();
    }

    void Start(QProcess& process)
    {
        process.setProcessEnvironment(env_);
        process.setProgram(QStringLiteral(DABRIX_TEST_PROGRAM));
        process.start();
        ASSERT_TRUE(process.waitForStarted(5000)) << process.errorString().toStdString();
    }

    // True once some process holds the instance lock.
    bool LockTaken() const
    {
        dabrix::platform::SingleInstance probe;
        return probe.Acquire(lockPath_) == dabrix::platform::SingleInstance::Result::AlreadyRunning;
    }

    static void Stop(QProcess& process)
    {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    QTemporaryDir dir_;
    QProcessEnvironment env_;
    std::string lockPath_;
};

TEST_F(SecondInstance, EndsAtOnceWhileTheFirstRuns)
{
    QProcess first;
    Start(first);
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return LockTaken(); }, 10s))
        << first.readAllStandardError().toStdString();

    QProcess second;
    QElapsedTimer clock;
    clock.start();
    Start(second);
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().isEmpty());
    // The second start wrote nothing: no settings file exists before the first closes.
    EXPECT_FALSE(QDir(dir_.path()).exists("config/Dabrix/MSave.ini"));

    EXPECT_EQ(first.state(), QProcess::Running);
    Stop(first);

    // The lock went with the first process, however it ended.
    QProcess third;
    Start(third);
    EXPECT_FALSE(third.waitForFinished(1500));
    EXPECT_EQ(third.state(), QProcess::Running);
    Stop(third);
}

} // namespace
