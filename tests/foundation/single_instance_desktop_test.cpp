// The single-instance rule with the real program on an X display (run under xvfb-run).
#include "desktop_support.h"
#include "program_copy.h"

#include <QFile>
#include <QRegularExpression>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Bounds for waits on the programs, generous because the machine may be busy.
constexpr int kPatienceMs = 60000;

// The ids of the visible windows whose title matches exactly, once there are at least count of
// them; empty after the timeout.
QStringList WaitForWindows(const QString &title, int count, int timeout_ms = kPatienceMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeout_ms) {
        const QString ids = XDoTool(
            {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(title) + "$"});
        const QStringList found = ids.split('\n', Qt::SkipEmptyParts);
        if (found.size() >= count)
            return found;
        QThread::msleep(100);
    }
    return {};
}

// Holds the lock file beside the socket, as a program does while it checks for a live
// instance and starts listening.
class HeldNameLock {
public:
    explicit HeldNameLock(const QString &socket_path)
        : fd_(::open(QFile::encodeName(socket_path + ".lock").constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX) == 0;
    }
    ~HeldNameLock() { Release(); }
    bool Held() const { return held_; }
    void Release() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
    bool held_ = false;
};

// Starts two copies of the program a tenth of a second apart, so the second one starts while
// the first still shows its splash, and waits until both main windows are up. The lock is held
// meanwhile, so neither listens before both have passed their start-up check, however the
// machine's load shifts their timing; then both claim the name at once.
bool StartTwoInOneSecond(ProgramCopy &program, QProcess &first, QProcess &second) {
    HeldNameLock lock(program.SocketPath());
    if (!lock.Held())
        return false;
    program.Start(first, "");
    QThread::msleep(100);
    program.Start(second, "");
    const bool both_up = WaitForWindows("Vidore4 Converter", 2).size() == 2;
    lock.Release();
    return both_up && program.WaitForInstance(kPatienceMs);
}

// For failure messages: how a program ended, or that it still runs.
std::string HowItEnded(QProcess &process) {
    if (!process.waitForFinished(1000))
        return "still running. ";
    return "ended, status " + std::to_string(process.exitStatus()) + " code " +
           std::to_string(process.exitCode()) + ": " + ProgramCopy::Output(process) + ". ";
}

// A polite end (the window closes as if the user had closed it); true when it ended with 0.
bool CloseNormally(QProcess &process) {
    process.terminate();
    return process.waitForFinished(kPatienceMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// True when a start ends by itself with 255.
bool StartIsRefused(ProgramCopy &program) {
    QProcess refused;
    program.Start(refused, "");
    if (!refused.waitForFinished(kPatienceMs)) {
        refused.kill();
        refused.waitForFinished(10000);
        return false;
    }
    return refused.exitStatus() == QProcess::NormalExit && refused.exitCode() == 255;
}

} // namespace

// Two starts within the same second both run (the first had no caption yet when the second
// looked), but only one keeps the single-instance socket: closing either of them leaves the rule
// in force for as long as the other runs, and a crash of the last one leaves the next start free.
TEST(Desktop, TwoStartsInOneSecondLeaveTheRuleToTheOneThatStaysOpen) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess first;
    QProcess second;
    ASSERT_TRUE(StartTwoInOneSecond(program, first, second))
        << "first " << HowItEnded(first) << "second " << HowItEnded(second);

    ASSERT_TRUE(CloseNormally(second)) << ProgramCopy::Output(second);
    ASSERT_TRUE(program.WaitForInstance(kPatienceMs)) << "nobody answers while the first one runs";
    EXPECT_TRUE(StartIsRefused(program)) << "a third start ran beside the first";
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    ASSERT_TRUE(first.waitForFinished(10000));
    QProcess next;
    program.Start(next, "");
    ASSERT_FALSE(WaitForWindow("Vidore4 Converter", kPatienceMs).isEmpty())
        << "a crashed instance blocks the next start: " << HowItEnded(next);
    ASSERT_TRUE(program.WaitForInstance(kPatienceMs));
    EXPECT_EQ(next.state(), QProcess::Running);
    EXPECT_TRUE(StartIsRefused(program)) << "the start after a crash does not keep the rule";
    EXPECT_TRUE(CloseNormally(next)) << ProgramCopy::Output(next);
}

TEST(Desktop, WhenTheFirstOfTwoStartsClosesTheSecondKeepsTheRule) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess first;
    QProcess second;
    ASSERT_TRUE(StartTwoInOneSecond(program, first, second))
        << "first " << HowItEnded(first) << "second " << HowItEnded(second);

    ASSERT_TRUE(CloseNormally(first)) << ProgramCopy::Output(first);
    ASSERT_TRUE(program.WaitForInstance(kPatienceMs)) << "nobody answers while the second one runs";
    EXPECT_TRUE(StartIsRefused(program)) << "a third start ran beside the second";
    EXPECT_EQ(second.state(), QProcess::Running);
    EXPECT_TRUE(CloseNormally(second)) << ProgramCopy::Output(second);
}
