// The player drawing into a native window of a real X server (a private Xvfb started by the test):
// a picture appears and moves, keep-ratio letterboxes and switches at once, and a window that
// cannot be drawn into is reported.

#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts Xvfb on a free display (it writes the number it chose to a pipe) and a Qt application on
// it. When no X server can be started, every test is skipped and says why.
class XvfbEnvironment : public ::testing::Environment {
public:
    static inline std::string skip_reason;

    void SetUp() override {
        int fds[2];
        if (pipe(fds) != 0) {
            skip_reason = "no pipe for Xvfb";
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            // The server ends with the test, and keeps away from the test's output (a server
            // holding it open would keep the test runner waiting).
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
                   "-nolisten", "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 10000) > 0) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        close(fds[0]);
        if (pid_ < 0 || number.empty()) {
            skip_reason = "Xvfb could not be started (is the xvfb package installed?)";
            Stop();
            return;
        }
        setenv("DISPLAY", (":" + number).c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "playfile_x11_tests";
        static char *argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }

    void TearDown() override {
        app_.reset();
        Stop();
    }

private:
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::unique_ptr<QApplication> app_;
};
const auto *const kXvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

std::atomic<int> g_notifications{0};
std::atomic<int> g_last_notification{0};

void CountNotification(int event, int, int) {
    g_last_notification = event;
    ++g_notifications;
}

bool IsBlack(QRgb c) {
    return qRed(c) < 24 && qGreen(c) < 24 && qBlue(c) < 24;
}

// Share of pixels in row y that are not black.
double LitShare(const QImage &image, int y) {
    int lit = 0;
    for (int x = 0; x < image.width(); ++x)
        lit += IsBlack(image.pixel(x, y)) ? 0 : 1;
    return static_cast<double>(lit) / image.width();
}

double LitShare(const QImage &image) {
    double sum = 0.0;
    for (int y = 0; y < image.height(); ++y)
        sum += LitShare(image, y);
    return sum / image.height();
}

// Black bands above and below, picture in the middle.
bool Letterboxed(const QImage &image) {
    for (int y : {0, 5, 15, 20, image.height() - 21, image.height() - 6, image.height() - 1})
        if (LitShare(image, y) > 0.0)
            return false;
    return LitShare(image, image.height() / 2) > 0.5;
}

// The picture reaches the top and the bottom row.
bool FillsTheWindow(const QImage &image) {
    return LitShare(image, 1) > 0.5 && LitShare(image, image.height() - 2) > 0.5;
}

int DifferingPixels(const QImage &a, const QImage &b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

class PlayerX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XvfbEnvironment::skip_reason.empty())
            GTEST_SKIP() << XvfbEnvironment::skip_reason;
        clip = MakeClip("player_x11_6s.mp4", "-f lavfi -i testsrc2=size=640x360:rate=25:duration=6 "
                                             "-f lavfi -i sine=frequency=440:duration=6 "
                                             "-c:v mpeg4 -q:v 4 -g 25 -c:a aac -shortest");
        ASSERT_FALSE(clip.empty());
        // A frameless parent with the preview panel inside, as in the main window.
        frame = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        frame->setGeometry(0, 0, 400, 300);
        frame->setStyleSheet("background: rgb(90, 90, 90)");
        panel = new QWidget(frame.get());
        panel->setAttribute(Qt::WA_NativeWindow);
        panel->setAttribute(Qt::WA_DontCreateNativeAncestors);
        panel->setGeometry(50, 40, 300, 224);
        panel->setStyleSheet("background: black");
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        g_notifications = 0;
        PlayerSetNotify(&CountNotification);
        ASSERT_EQ(PlayerInit(sink.Handle()), 1);
    }

    void TearDown() override {
        // The player lets go of the window before it is destroyed.
        PlayerStop();
        PlayerRelease();
        PlayerSetNotify(nullptr);
        frame.reset();
    }

    QImage Capture(QWidget *of = nullptr) {
        QCoreApplication::processEvents();
        QWidget *widget = of != nullptr ? of : panel;
        const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
            .toImage();
    }

    // Polls the panel until pred holds for a capture.
    bool CaptureUntil(const std::function<bool(const QImage &)> &pred, QImage *last = nullptr,
                      int timeout_ms = 10000, QWidget *of = nullptr) {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            const QImage image = Capture(of);
            if (last != nullptr)
                *last = image;
            if (pred(image))
                return true;
            if (timer.elapsed() > timeout_ms)
                return false;
            QThread::msleep(20);
        }
    }

    // Opens the clip, shows it in the panel and plays it, as the main window does on event 3.
    void OpenAndPlay(unsigned char keep_ratio) {
        ASSERT_EQ(PlayerOpen(clip.c_str(), 0), 1);
        ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_OPENED));
        PlayerSetVideoWindow(panel->winId(), 0, keep_ratio);
        ASSERT_EQ(PlayerPlay(1.0), 1);
        ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_PLAYING));
    }

    std::string clip;
    std::unique_ptr<QWidget> frame;
    QWidget *panel = nullptr;
    EventSink sink;
};

TEST_F(PlayerX11Test, PictureAppearsInTheWindowAndMoves) {
    const QImage before = Capture();
    EXPECT_EQ(LitShare(before), 0.0) << "the panel starts black";

    QElapsedTimer timer;
    timer.start();
    OpenAndPlay(1);
    QImage first;
    ASSERT_TRUE(CaptureUntil([](const QImage &i) { return LitShare(i) > 0.3; }, &first))
        << "no picture in the window";
    const qint64 first_picture_ms = timer.elapsed();
    RecordProperty("open_to_first_picture_ms", static_cast<int>(first_picture_ms));
    std::cout << "open to first picture: " << first_picture_ms << " ms\n";

    const QImage a = Capture();
    QThread::msleep(500);
    const QImage b = Capture();
    EXPECT_GT(LitShare(a), 0.3);
    EXPECT_GT(LitShare(b), 0.3);
    EXPECT_GT(DifferingPixels(a, b), 200) << "the picture does not move";
    EXPECT_EQ(g_notifications.load(), 0);
}

TEST_F(PlayerX11Test, KeepRatioLetterboxesAndSwitchesAtOnce) {
    OpenAndPlay(1);
    QImage last;
    EXPECT_TRUE(CaptureUntil(Letterboxed, &last))
        << "16:9 in 300x224 with keep-ratio: bands above and below";

    PlayerSetVideoWindow(panel->winId(), 0, 0);
    EXPECT_TRUE(CaptureUntil(FillsTheWindow, &last, 3000)) << "stretched: no bands";
    EXPECT_FALSE(Letterboxed(last));

    PlayerSetVideoWindow(panel->winId(), 0, 1);
    EXPECT_TRUE(CaptureUntil(Letterboxed, &last, 3000)) << "bands back";

    // Paused, the switch still shows at once.
    PlayerPause();
    ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_PAUSED));
    PlayerSetVideoWindow(panel->winId(), 0, 0);
    EXPECT_TRUE(CaptureUntil(FillsTheWindow, &last, 3000));
    EXPECT_EQ(g_notifications.load(), 0);
}

TEST_F(PlayerX11Test, PictureMovesToAnotherWindow) {
    auto *second = new QWidget(frame.get());
    second->setAttribute(Qt::WA_NativeWindow);
    second->setAttribute(Qt::WA_DontCreateNativeAncestors);
    second->setGeometry(10, 270, 120, 24);
    second->setStyleSheet("background: black");
    second->show();
    OpenAndPlay(0);
    ASSERT_TRUE(CaptureUntil([](const QImage &i) { return LitShare(i) > 0.3; }));
    EXPECT_EQ(LitShare(Capture(second)), 0.0);

    PlayerSetVideoWindow(second->winId(), 0, 0);
    EXPECT_TRUE(
        CaptureUntil([](const QImage &i) { return LitShare(i) > 0.3; }, nullptr, 5000, second));
    EXPECT_EQ(g_notifications.load(), 0);
}

// With a display the player asks for a real sound device; where there is none (as here) it goes
// on without sound instead of failing the clip.
TEST_F(PlayerX11Test, ClipPlaysToTheEndWithOrWithoutASoundDevice) {
    ASSERT_EQ(PlayerOpen(clip.c_str(), 0), 1);
    ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_OPENED));
    PlayerSetVideoWindow(panel->winId(), 0, 1);
    ASSERT_EQ(PlayerPlay(4.0), 1);
    auto ended = sink.WaitFor(PLAYFILE_EVENT_ENDED);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->value, -1);
    EXPECT_FALSE(sink.WaitFor(PLAYFILE_EVENT_FAILED, 0, 0ms));
    // The last picture stays.
    EXPECT_GT(LitShare(Capture()), 0.3);
}

TEST_F(PlayerX11Test, AWindowThatCannotBeDrawnIntoIsNotified) {
    ASSERT_EQ(PlayerOpen(clip.c_str(), 0), 1);
    ASSERT_TRUE(sink.WaitFor(PLAYFILE_EVENT_OPENED));
    PlayerSetVideoWindow(0x7ffff0, 0, 1); // no such window on this server
    ASSERT_EQ(PlayerPlay(1.0), 1);
    ASSERT_TRUE(WaitUntil([] { return g_notifications.load() > 0; }));
    EXPECT_EQ(g_last_notification.load(), PLAYFILE_NOTIFY_NO_PICTURE);
    // The clip itself goes on: the position rises.
    std::optional<Position> p;
    EXPECT_TRUE(WaitUntil([&] { return (p = GetPosition()) && p->seconds > 0.5; }));
    EXPECT_EQ(LitShare(Capture()), 0.0);
}

} // namespace
