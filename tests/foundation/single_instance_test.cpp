// The single-instance socket inside one process: each beacon stands for one running program.
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Runs the event loop until done() holds; false after the timeout.
bool ProcessEventsUntil(const std::function<bool()> &done, int timeout_ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// The socket file a crashed program leaves: bound, never listened on again, never removed.
bool LeaveStaleSocket(const QString &path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    if (fd < 0 || encoded.size() >= static_cast<int>(sizeof(address.sun_path)))
        return false;
    memcpy(address.sun_path, encoded.constData(), encoded.size());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

class SingleInstance : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    const QString name_ = dir_.path() + "/Vidore4 Converter";
};

} // namespace

// The second of two programs that both passed the start-up check must not take the live
// socket of the first; it waits, and takes the name only when the first ends.
TEST_F(SingleInstance, ALaterBeaconLeavesTheLiveSocketAloneAndTakesOverWhenItEnds) {
    auto first = std::make_unique<InstanceBeacon>();
    ASSERT_TRUE(first->Listen(name_));
    {
        InstanceBeacon second;
        EXPECT_FALSE(second.Listen(name_)) << "two beacons listen under one name";
        EXPECT_TRUE(AnotherInstanceRuns(name_));
    }
    ProcessEventsUntil([] { return false; }, 200);
    EXPECT_TRUE(first->Listening());
    EXPECT_TRUE(AnotherInstanceRuns(name_)) << "the second one's end took the first one's socket";

    InstanceBeacon second;
    InstanceBeacon third;
    EXPECT_FALSE(second.Listen(name_));
    EXPECT_FALSE(third.Listen(name_));
    first.reset();
    ASSERT_TRUE(ProcessEventsUntil([&] { return second.Listening() || third.Listening(); }))
        << "nobody took the name over";
    ProcessEventsUntil([] { return false; }, 200);
    EXPECT_NE(second.Listening(), third.Listening()) << "exactly one of them listens";
    EXPECT_TRUE(AnotherInstanceRuns(name_));
}

TEST_F(SingleInstance, OnlyASocketNobodyAnswersOnIsReplaced) {
    ASSERT_TRUE(LeaveStaleSocket(name_));
    EXPECT_FALSE(AnotherInstanceRuns(name_));
    InstanceBeacon beacon;
    ASSERT_TRUE(beacon.Listen(name_)) << "a crashed program's socket blocks the next one";
    EXPECT_TRUE(AnotherInstanceRuns(name_));
    EXPECT_EQ(QFileInfo(name_).permissions() & (QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions())
        << "other users can reach the socket";
}

// Another program holds the lock while it looks at the name: nothing is removed or taken
// until it lets go.
TEST_F(SingleInstance, TheLockKeepsTheCheckAndTheListeningInOneStep) {
    ASSERT_TRUE(LeaveStaleSocket(name_));
    const int lock = ::open(QFile::encodeName(name_ + ".lock").constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    InstanceBeacon beacon;
    EXPECT_FALSE(beacon.Listen(name_)) << "listened while another program held the lock";
    EXPECT_FALSE(AnotherInstanceRuns(name_));
    ::close(lock);
    EXPECT_TRUE(ProcessEventsUntil([&] { return beacon.Listening(); }))
        << "the name was not claimed after the lock was let go";
    EXPECT_TRUE(AnotherInstanceRuns(name_));
}

// Every start probes the running program; its answers must not run out however many came.
TEST_F(SingleInstance, ManyProbesAreAllAnswered) {
    InstanceBeacon beacon;
    ASSERT_TRUE(beacon.Listen(name_));
    int answered = 0;
    for (int probe = 0; probe < 150; ++probe) {
        answered += AnotherInstanceRuns(name_) ? 1 : 0;
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(answered, 150);
}

// A later start with files hands them to the running program, which gets them all at once, in
// order, with names outside ASCII intact; a start without files hands over nothing.
TEST_F(SingleInstance, FilesOfALaterStartReachTheRunningProgram) {
    InstanceBeacon running;
    QList<QStringList> received;
    running.OnFilesHandedOver([&](const QStringList &files) { received << files; });
    ASSERT_TRUE(running.Listen(name_));

    const QStringList files = {"/clips/holiday.mp4",
                               QString::fromUtf8("/clips/\xc3\xa9t\xc3\xa9 2.avi")};
    // The kernel takes the connection and the lines before the running program looks.
    EXPECT_TRUE(AnotherInstanceRuns(name_, files));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !received.isEmpty(); }));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.first(), files);

    EXPECT_TRUE(AnotherInstanceRuns(name_));
    ProcessEventsUntil([] { return false; }, 300);
    EXPECT_EQ(received.size(), 1) << "a start without files handed something over";
}
