// Adding many clips and opening the first preview, measured in the real main window with the
// real engine and player. Usage: mainwindow_addpreview CLIP...
// Prints: wall time until the last entry is listed, the longest time the user-interface thread
// did not answer during the add, the resident memory with the clips listed, and the time from
// opening the first clip to the first picture in the preview panel.
#include "app/ClipAdder.h"
#include "app/MainWindow.h"
#include "common/Globals.h"
#include "controls/ListPanel.h"
#include "desktop/MessageBox.h"
#include "preview/PreviewController.h"
#include "skin/SkinLoader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

long ResidentKiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

QImage Panel(QWidget *panel) {
    return panel->screen()->grabWindow(panel->winId()).toImage();
}

// The panel shows a picture of the clip: not how it looked at rest, and not one plain colour
// (the still picture is hidden before the first frame is drawn).
bool ShowsPicture(const QImage &shot, const QImage &resting) {
    if (shot == resting || shot.isNull())
        return false;
    const QRgb first = shot.pixel(0, 0);
    for (int y = 0; y < shot.height(); y += 4)
        for (int x = 0; x < shot.width(); x += 4)
            if (shot.pixel(x, y) != first)
                return true;
    return false;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QStringList clips;
    for (int i = 1; i < argc; ++i)
        clips << QString::fromLocal8Bit(argv[i]);
    if (clips.size() < 2) {
        std::fprintf(stderr, "usage: %s CLIP CLIP...\n", argv[0]);
        return 2;
    }
    QTemporaryDir home;
    InitFolderPaths(home.path() + "/", true);
    path_Skin = QStringLiteral(MAVO_BIN_DIR "/Skin/");
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    SetMessageBoxHandler([](BoxKind, const QString &text, BoxButtons) {
        std::fprintf(stderr, "box: %s\n", text.toUtf8().constData());
        return static_cast<int>(IDOK);
    });
    TMainWindow window;
    if (!window.StartedUp() || !ApplySkin(&window, path_Skin))
        return 1;
    window.show();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    // A 1 ms timer: the longest gap between its ticks is the longest the window did not answer.
    qint64 last_tick = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last_tick != 0)
            longest = std::max(longest, now - last_tick);
        last_tick = now;
    });
    bool finished = false;
    QObject::connect(window.Adder(), &ClipAdder::Finished, [&] { finished = true; });
    const long rss_before = ResidentKiB();
    tick.start(1);
    const qint64 start = clock.nsecsElapsed();
    window.Adder()->Add(clips, 0);
    while (window.TP_ImageList->Count() < clips.size() && !finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 listed = clock.nsecsElapsed() - start;
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    tick.stop();
    const long rss = ResidentKiB();
    std::printf("add %lld clips: %.3f s until the last entry was listed (%d listed)\n",
                static_cast<long long>(clips.size()), listed / 1e9, window.TP_ImageList->Count());
    std::printf("longest time the window did not answer during the add: %.1f ms\n", longest / 1e6);
    std::printf("resident memory: %.1f MB with the clips listed (%.1f MB before the add)\n",
                rss / 1024.0, rss_before / 1024.0);

    // The first picture of the clip in the panel.
    const QImage resting = Panel(window.Panel_Preview);
    const qint64 open = clock.nsecsElapsed();
    window.Preview()->PlaySelectedClip();
    qint64 shown = -1;
    while (clock.nsecsElapsed() - open < 20'000'000'000LL) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (ShowsPicture(Panel(window.Panel_Preview), resting)) {
            shown = clock.nsecsElapsed() - open;
            break;
        }
    }
    if (shown < 0)
        std::printf("preview: no picture within 20 s\n");
    else
        std::printf("preview: %.3f s from opening the clip to its first picture in the panel\n",
                    shown / 1e9);
    window.StopPreview();
    return 0;
}
