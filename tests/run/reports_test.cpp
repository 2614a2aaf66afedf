// Reading the engine's status lines, and how the lines reach the user-interface thread.
#include "engine/EngineReports.h"
#include "engine/SpeedRecord.h"

#include "common/MessagePort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

namespace {
const QString kLine = "frame=  250 fps= 61 q=3.1 size=    1024kB time=12.34 bitrate= 838.9kbits/s";
}

TEST(ParseEngineInfo, PositionAfterTimeMovesTheClipAndTheCurrentTime) {
    std::optional<EngineInfo> info = ParseEngineInfo(kLine, 30, 60);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Percent, 20); // 1234 / 60 = 20.56
    EXPECT_EQ(info->CurrentSeconds, 42);
    EXPECT_NEAR(info->Position, 12.34, 1e-5);

    // Below length + 1 still counts (the window clamps 102 to 100); at or beyond it nothing.
    info = ParseEngineInfo(kLine, 0, 12);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Percent, 102);
    EXPECT_FALSE(ParseEngineInfo(kLine, 0, 11));
    EXPECT_FALSE(ParseEngineInfo("frame= 1 time=11.00 bitrate= 1.0kbits/s", 0, 10));
    EXPECT_TRUE(ParseEngineInfo("frame= 1 time=10.99 bitrate= 1.0kbits/s", 0, 10));

    // A clip of length 0 shows 0 %.
    info = ParseEngineInfo("time=0.50 bitrate=1", 5, 0);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Percent, 0);
}

TEST(ParseEngineInfo, TextsWithoutTheWordsGoBackToTheStart) {
    for (const QString &text : {QString("no words here at all"), QString("frame= 3 time=12.34 "),
                                QString("bitrate= 9 time=12.34 "), QString()}) {
        const std::optional<EngineInfo> info = ParseEngineInfo(text, 30, 60);
        ASSERT_TRUE(info) << text.toStdString();
        EXPECT_EQ(info->Percent, 0) << text.toStdString();
        EXPECT_EQ(info->CurrentSeconds, 30) << text.toStdString();
    }
    // "bitrate" at position 12 and no "time": characters 5 to 11 are the field.
    const std::optional<EngineInfo> info = ParseEngineInfo("abcd7.5   zbitrate", 0, 60);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Percent, 12); // 750 / 60
    EXPECT_EQ(info->CurrentSeconds, 7);
}

TEST(RunSpeedometer, SpeedAndTimeLeftFollowTheReportedPositions) {
    RunSpeedometer meter;
    meter.StartClip(60, 30, 10.0); // 60 s clip, 30 s of clips after it
    EXPECT_FALSE(meter.Speed());
    EXPECT_EQ(SpeedText(meter.Speed()), QString::fromUtf8("\u2013"));
    EXPECT_EQ(TimeLeftText(meter.SecondsLeft()), QString::fromUtf8("\u2013"));
    // A short clip's first line already tells its speed, counted from the clip's start.
    meter.Observe(2.0, 10.5);
    ASSERT_TRUE(meter.Speed());
    EXPECT_NEAR(*meter.Speed(), 4.0, 1e-9);
    for (int i = 3; i <= 20; ++i)
        meter.Observe(i * 1.0, 10.0 + i * 0.25); // 4 s of clip per second
    ASSERT_TRUE(meter.Speed());
    EXPECT_NEAR(*meter.Speed(), 4.0, 1e-9);
    ASSERT_TRUE(meter.SecondsLeft());
    EXPECT_NEAR(*meter.SecondsLeft(), (60 - 20 + 30) / 4.0, 1e-9);
    EXPECT_EQ(SpeedText(meter.Speed()), QString::fromUtf8("4.0\u00d7 real time"));
    EXPECT_EQ(TimeLeftText(meter.SecondsLeft()), "00:00:18"); // 17.5 rounds up

    // The speed follows the last seconds only: the clip slows to 2x.
    for (int i = 1; i <= 20; ++i)
        meter.Observe(20 + i * 0.5, 15.0 + i * 0.25);
    EXPECT_NEAR(*meter.Speed(), 2.0, 1e-9);

    // The next clip starts with the last known speed until it has its own.
    meter.StartClip(10, 0, 21.0);
    ASSERT_TRUE(meter.Speed());
    EXPECT_NEAR(*meter.Speed(), 2.0, 1e-9);
    EXPECT_NEAR(*meter.SecondsLeft(), 5.0, 1e-9);
    EXPECT_EQ(SpeedText(4.25), QString::fromUtf8("4.3\u00d7 real time"));
}

// Lines reported on the engine's threads arrive on this thread in the order they were reported,
// tagged with the clip that was current when they were reported, and in order with a message
// posted after them.
TEST(EngineReportQueue, LinesArriveInOrderTaggedWithTheirClip) {
    std::vector<std::pair<quint64, QString>> seen;
    QObject guard;
    QObject::connect(EngineReportQueue::Instance(), &EngineReportQueue::Line, &guard,
                     [&](quint64 serial, const QString &text) {
                         EXPECT_EQ(QThread::currentThread(), qApp->thread());
                         seen.emplace_back(serial, text);
                     });
    std::vector<QString> order;
    MessagePort port([&](UINT msg, WPARAM, LPARAM) {
        order.push_back(QString("message %1 after %2 lines").arg(msg).arg(seen.size()));
        return LRESULT{0};
    });
    SetReportingClip(7);
    std::thread engine([&] {
        EngineInfoReport("time=1.00 bitrate=1");
        EngineInfoReport("time=2.00 bitrate=1");
        PostMessageA(port.Handle(), 1212, 0, 0);
    });
    engine.join();
    SetReportingClip(8);
    EngineInfoReport("time=0.50 bitrate=1");
    EXPECT_EQ(EnginePercentReport(55), 0);
    QElapsedTimer waited;
    waited.start();
    while (seen.size() < 3 && waited.elapsed() < 5000)
        QCoreApplication::processEvents();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], std::make_pair(quint64{7}, QString("time=1.00 bitrate=1")));
    EXPECT_EQ(seen[1].second, "time=2.00 bitrate=1");
    EXPECT_EQ(seen[2], std::make_pair(quint64{8}, QString("time=0.50 bitrate=1")));
    ASSERT_EQ(order.size(), 1u);
    EXPECT_EQ(order[0], "message 1212 after 2 lines");
}

// The record's time for a clip like the one it saw is the time that clip took; a clip of twice
// the pixels takes less than twice as long, the cost of any clip being counted once.
TEST(SpeedRecord, AClipLikeTheOneSeenIsExpectedToTakeAsLong) {
    SpeedRecord record;
    record.Observe("libx264", 90e6, 3.0);
    EXPECT_NEAR(record.ExpectedSeconds("libx264", 90e6), 3.0, 1e-9);
    const double twice = record.ExpectedSeconds("libx264", 180e6);
    EXPECT_GT(twice, 5.0);
    EXPECT_LT(twice, 6.0);
    // A clip shorter than the cost of any clip still gives a speed that expects it to be short.
    record.Observe("mpeg4", 1e6, 0.3);
    EXPECT_LT(record.ExpectedSeconds("mpeg4", 1e6), 0.75);
    EXPECT_EQ(record.ExpectedSeconds("mpeg4", 0), 0);
}
