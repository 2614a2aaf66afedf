#include "common/MessagePort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Received {
    UINT msg;
    WPARAM w;
    LPARAM l;
    bool on_ui_thread;
};

// Handles events until the predicate holds or five seconds pass.
template <typename Pred> bool PumpUntil(Pred pred) {
    QElapsedTimer timer;
    timer.start();
    while (!pred() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return pred();
}

class MessageLayer : public ::testing::Test {
protected:
    MessageLayer()
        : port([this](UINT m, WPARAM w, LPARAM l) {
              got.push_back({m, w, l, QThread::currentThread() == qApp->thread()});
              return static_cast<LRESULT>(w + 1);
          }) {}
    std::vector<Received> got;
    MessagePort port;
};

} // namespace

TEST_F(MessageLayer, PostsFromAnotherThreadArriveOnTheUiThreadInOrder) {
    ASSERT_TRUE(IsWindow(port.Handle()));
    constexpr int kCount = 500;
    std::thread worker([h = port.Handle()] {
        for (int i = 0; i < kCount; ++i)
            EXPECT_EQ(PostMessageA(h, WM_USER + 188, static_cast<WPARAM>(i), -i), 1);
    });
    worker.join();
    EXPECT_TRUE(got.empty()) << "a post must not be handled inside PostMessageA";
    ASSERT_TRUE(PumpUntil([&] { return got.size() == kCount; }));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(got[i].msg, WM_USER + 188u);
        EXPECT_EQ(got[i].w, static_cast<WPARAM>(i));
        EXPECT_EQ(got[i].l, -i);
        EXPECT_TRUE(got[i].on_ui_thread);
    }
}

TEST_F(MessageLayer, SendRunsOnTheUiThreadAndReturnsTheResult) {
    EXPECT_EQ(SendMessageA(port.Handle(), 1157, 41, 0), 42);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(got[0].on_ui_thread);

    LRESULT from_worker = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        from_worker = SendMessageA(port.Handle(), 1159, 9, 0);
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(from_worker, 10);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(got[1].on_ui_thread) << "a send from a worker runs its handler on the UI thread";
}

TEST(MessageLayerHandles, UnknownAndUnregisteredWindowsDropMessages) {
    int handled = 0;
    int dummy = 0;
    EXPECT_EQ(PostMessageA(&dummy, 1212, 0, 0), 0);
    EXPECT_EQ(SendMessageA(&dummy, 1212, 0, 0), 0);
    EXPECT_EQ(PostMessageA(nullptr, 1212, 0, 0), 0);
    EXPECT_FALSE(IsWindow(nullptr));

    auto port = std::make_unique<MessagePort>([&](UINT, WPARAM, LPARAM) {
        ++handled;
        return 0;
    });
    const HWND gone = port->Handle();
    EXPECT_EQ(PostMessageA(gone, 1212, 0, 0), 1);
    // The port goes away with the message still queued.
    port.reset();
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(PostMessageA(gone, 1212, 0, 0), 0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 0);

    // Unregistered while the port lives: queued messages are dropped at delivery.
    MessagePort live([&](UINT, WPARAM, LPARAM) {
        ++handled;
        return 0;
    });
    EXPECT_EQ(PostMessageA(live.Handle(), 1158, 0, 0), 1);
    winmsg_unregister(live.Handle());
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 0);
}

TEST_F(MessageLayer, DropQueuedRemovesOnlyEarlierMessagesOfThatNumber) {
    PostMessageA(port.Handle(), 1158, 1, 0);
    PostMessageA(port.Handle(), 1212, 2, 0);
    PostMessageA(port.Handle(), 1158, 3, 0);
    port.DropQueued(1158);
    PostMessageA(port.Handle(), 1158, 4, 0);
    ASSERT_TRUE(PumpUntil([&] { return got.size() == 2; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].msg, 1212u);
    EXPECT_EQ(got[0].w, 2u);
    EXPECT_EQ(got[1].msg, 1158u);
    EXPECT_EQ(got[1].w, 4u);
}

TEST(MessageLayerErrors, AnExceptionInAHandlerGoesToTheReport) {
    QStringList reported;
    SetEventErrorReporter([&](const QString &what) { reported << what; });
    MessagePort port([](UINT, WPARAM, LPARAM) -> LRESULT { throw std::runtime_error("boom"); });
    PostMessageA(port.Handle(), 1157, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !reported.isEmpty(); }));
    EXPECT_EQ(reported, QStringList{"boom"});
    EXPECT_EQ(SendMessageA(port.Handle(), 1157, 0, 0), 0);
    EXPECT_EQ(reported.size(), 2);
    SetEventErrorReporter(nullptr);
}
