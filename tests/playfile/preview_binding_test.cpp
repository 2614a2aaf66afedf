// The program's binding to the player: refusals, the way player events reach the main window's
// port, dropping of events of closed clips, and the two forwarding functions.

#include "PlayerTestSupport.h"
#include "common/Globals.h"
#include "common/MessagePort.h"
#include "preview/PreviewPlayer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <cstring>
#include <memory>
#include <thread>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "preview_binding_tests";
        static char *argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};
const auto *const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

struct Received {
    UINT msg;
    WPARAM w;
    LPARAM l;
};

// Runs the event loop until pred holds; false on timeout.
bool ProcessUntil(const std::function<bool()> &pred, int timeout_ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void ProcessFor(int ms) {
    ProcessUntil([] { return false; }, ms);
}

class PreviewBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = std::make_unique<MessagePort>([this](UINT msg, WPARAM w, LPARAM l) -> LRESULT {
            received.push_back({msg, w, l});
            if (on_message)
                on_message(msg, w, l);
            return 0;
        });
        SetPreviewEventPort(port.get());
    }
    void TearDown() override {
        ClosePreview();
        SetPreviewEventPort(nullptr);
        SetPlayerNotifyHandler({});
        SetPreviewSeekHandler({});
        ProcessFor(50);
    }

    std::vector<int> PlayerEvents() const {
        std::vector<int> events;
        for (const Received &r : received)
            if (r.msg == WM_PLAYEREVENT)
                events.push_back(static_cast<int>(r.w));
        return events;
    }
    bool HasPlayerEvent(int event) const {
        for (int e : PlayerEvents())
            if (e == event)
                return true;
        return false;
    }

    std::unique_ptr<MessagePort> port;
    std::vector<Received> received;
    std::function<void(UINT, WPARAM, LPARAM)> on_message;
};

TEST_F(PreviewBindingTest, OpenPreviewFileRefusesWhatCannotBeOpened) {
    const QString clip = QString::fromStdString(AudioVideoClip());
    const QString missing = QString(MAVO_FIXTURE_DIR) + "/no such clip.avi";
    EXPECT_FALSE(OpenPreviewFile(missing));
    EXPECT_FALSE(OpenPreviewFile(MAVO_FIXTURE_DIR)); // a folder
    EXPECT_FALSE(OpenPreviewFile(QString()));
    SetPreviewEventPort(nullptr);
    EXPECT_FALSE(OpenPreviewFile(clip)) << "no port to receive the events";
    // A port that went away counts as none.
    {
        MessagePort gone([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
        SetPreviewEventPort(&gone);
    }
    EXPECT_FALSE(OpenPreviewFile(clip));
    // The player was not initialised by any of these: it opens nothing and posts nothing.
    EXPECT_EQ(PlayerOpen(clip.toUtf8().constData(), 0), 0);
    ProcessFor(300);
    EXPECT_TRUE(PlayerEvents().empty());
}

TEST_F(PreviewBindingTest, AttachPreviewWindowRefusesHandleZero) {
    EXPECT_FALSE(AttachPreviewWindow(0));
    EXPECT_TRUE(AttachPreviewWindow(0x400001));
    EXPECT_FALSE(b_AttachingPreview);
}

TEST_F(PreviewBindingTest, ClipOpensPlaysAndPausesThroughThePort) {
    const QString clip = QString::fromStdString(AudioVideoClip());
    double duration = -1.0;
    int seekable = -1;
    bool started = false;
    // What the main window does on event 3.
    on_message = [&](UINT msg, WPARAM w, LPARAM l) {
        if (msg != WM_PLAYEREVENT || w != PLAYFILE_EVENT_OPENED)
            return;
        const auto *record = reinterpret_cast<const unsigned char *>(l);
        std::memcpy(&duration, record, sizeof duration);
        seekable = record[8];
        EXPECT_TRUE(AttachPreviewWindow(0x400001));
        started = StartPreview();
    };
    EXPECT_FALSE(StartPreview()) << "nothing is open yet";
    ASSERT_TRUE(OpenPreviewFile(clip));
    ASSERT_TRUE(ProcessUntil([&] { return HasPlayerEvent(PLAYFILE_EVENT_PLAYING); }));
    EXPECT_TRUE(started);
    EXPECT_NEAR(duration, 3.0, 0.1);
    EXPECT_EQ(seekable, 1);

    ASSERT_TRUE(PausePreview());
    ASSERT_TRUE(ProcessUntil([&] { return HasPlayerEvent(PLAYFILE_EVENT_PAUSED); }));
    EXPECT_EQ(PlayerEvents(), (std::vector<int>{3, 1, 4}));

    ClosePreview();
    ClosePreview();
    EXPECT_FALSE(StartPreview());
    EXPECT_FALSE(b_OpeningPreview || b_StartingPreview || b_PausingPreview || b_AttachingPreview);
}

TEST_F(PreviewBindingTest, QueuedPlayerEventsAreDroppedWhenAClipOpensOrCloses) {
    const QString clip = QString::fromStdString(AudioVideoClip());
    // Left over from an earlier clip: an event 3 whose record would be gone, and an end.
    constexpr LPARAM kStaleRecord = 0x5a5a;
    PostMessageA(port->Handle(), WM_PLAYEREVENT, PLAYFILE_EVENT_OPENED, kStaleRecord);
    PostMessageA(port->Handle(), WM_PLAYEREVENT, PLAYFILE_EVENT_ENDED, -1);
    PostMessageA(port->Handle(), WM_USER + 188, 0, 0); // other messages stay
    ASSERT_TRUE(OpenPreviewFile(clip));
    ASSERT_TRUE(ProcessUntil([&] { return HasPlayerEvent(PLAYFILE_EVENT_OPENED); }));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].msg, WM_USER + 188u);
    EXPECT_EQ(received[1].msg, WM_PLAYEREVENT);
    EXPECT_EQ(received[1].w, WPARAM{PLAYFILE_EVENT_OPENED});
    EXPECT_NE(received[1].l, kStaleRecord);

    // Queued when the clip is closed: dropped too.
    PostMessageA(port->Handle(), WM_PLAYEREVENT, PLAYFILE_EVENT_PLAYING, 0);
    ClosePreview();
    PostMessageA(port->Handle(), WM_PLAYEREVENT, PLAYFILE_EVENT_PAUSED, 0); // after: delivered
    ProcessFor(300);
    EXPECT_EQ(PlayerEvents(), (std::vector<int>{3, 4}));
}

TEST_F(PreviewBindingTest, EachWrapperRefusesACallWhileItRuns) {
    const QString clip = QString::fromStdString(AudioVideoClip());
    ASSERT_TRUE(OpenPreviewFile(clip));
    ASSERT_TRUE(ProcessUntil([&] { return HasPlayerEvent(PLAYFILE_EVENT_OPENED); }));

    b_StartingPreview = true;
    EXPECT_FALSE(StartPreview());
    EXPECT_TRUE(b_StartingPreview) << "the running call keeps its flag";
    b_StartingPreview = false;
    b_PausingPreview = true;
    EXPECT_FALSE(PausePreview());
    b_PausingPreview = false;
    b_AttachingPreview = true;
    EXPECT_FALSE(AttachPreviewWindow(0x400001));
    b_AttachingPreview = false;
    b_OpeningPreview = true;
    EXPECT_FALSE(OpenPreviewFile(clip));
    b_OpeningPreview = false;
    ProcessFor(300);
    EXPECT_EQ(PlayerEvents(), (std::vector<int>{3})) << "refused calls reached the player";

    // One flag does not refuse the others, and every call clears its own.
    b_OpeningPreview = true;
    EXPECT_TRUE(StartPreview());
    b_OpeningPreview = false;
    EXPECT_TRUE(PausePreview());
    EXPECT_FALSE(b_StartingPreview || b_PausingPreview);
}

TEST_F(PreviewBindingTest, PlayerNotifyForwardsToTheHandlerOnTheUserInterfaceThread) {
    struct Call {
        int event, value1, value2;
        bool ui_thread;
    };
    std::vector<Call> calls;
    SetPlayerNotifyHandler([&](int event, int value1, int value2) {
        calls.push_back({event, value1, value2,
                         QThread::currentThread() == QCoreApplication::instance()->thread()});
    });
    std::thread([] { PlayerNotify(3, -7, 42); }).join();
    EXPECT_TRUE(calls.empty()) << "the player's thread only queues";
    ASSERT_TRUE(ProcessUntil([&] { return !calls.empty(); }));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].event, 3);
    EXPECT_EQ(calls[0].value1, -7);
    EXPECT_EQ(calls[0].value2, 42);
    EXPECT_TRUE(calls[0].ui_thread);

    // A notification of a clip that is closed before it is handled is dropped.
    std::thread([] { PlayerNotify(1, 0, 0); }).join();
    ClosePreview();
    ProcessFor(200);
    EXPECT_EQ(calls.size(), 1u);

    // An error in the handler goes to the error report, not into the event loop.
    QString reported;
    SetEventErrorReporter([&](const QString &what) { reported = what; });
    SetPlayerNotifyHandler([](int, int, int) { throw std::runtime_error("notify failed"); });
    PlayerNotify(1, 0, 0);
    ASSERT_TRUE(ProcessUntil([&] { return !reported.isEmpty(); }));
    EXPECT_EQ(reported, "notify failed");
    SetEventErrorReporter({});
}

TEST_F(PreviewBindingTest, PositionCallbackPassesItsArgumentsUnchanged) {
    QObject bar;
    std::vector<std::tuple<double, bool, QObject *>> calls;
    PreviewPositionChanged(10.0, true, &bar); // no handler yet: nothing
    SetPreviewSeekHandler([&](double position, bool pressed, QObject *sender) {
        calls.emplace_back(position, pressed, sender);
    });
    PreviewPositionChanged(37.25, true, &bar);
    PreviewPositionChanged(100.0, false, nullptr);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_tuple(37.25, true, &bar));
    EXPECT_EQ(calls[1], std::make_tuple(100.0, false, static_cast<QObject *>(nullptr)));
}

} // namespace
