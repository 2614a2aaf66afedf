// Time of the window-shape region of a 792 x 566 mask with rounded corners: our run-based
// BitmapColorRegion against the pixel-by-pixel rule (subtract one 1x1 rectangle per key pixel,
// then exclusive-or with the whole), measured in the same run.
#include "controls/MaskRegion.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QImage RoundedMask(int w, int h, int radius) {
    QImage mask(w, h, QImage::Format_RGB32);
    mask.fill(QColor(255, 0, 255));
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, w, h), radius, radius);
    painter.fillPath(path, Qt::black);
    return mask;
}

QRegion PixelByPixel(const QImage &image, QRgb key) {
    const QRegion whole(0, 0, image.width(), image.height());
    QRegion rest = whole;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (key & 0xFFFFFF))
                rest -= QRegion(x, y, 1, 1);
    return whole ^ rest;
}

template <typename Fn> double MedianMs(int runs, Fn fn) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        fn();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QImage mask = RoundedMask(792, 566, 24);
    const QRgb magenta = qRgb(255, 0, 255);

    QRegion runs, pixels;
    const double run_ms = MedianMs(51, [&] { runs = *BitmapColorRegion(mask, 0xFF00FF); });
    const double pixel_ms = MedianMs(7, [&] { pixels = PixelByPixel(mask, magenta); });
    const bool same = (runs ^ pixels).isEmpty();

    std::printf("region of a 792x566 mask with rounded corners (median)\n");
    std::printf("  BitmapColorRegion (runs) : %8.3f ms\n", run_ms);
    std::printf("  pixel by pixel           : %8.3f ms\n", pixel_ms);
    std::printf("  ratio                    : %8.1f x faster, same region: %s\n", pixel_ms / run_ms,
                same ? "yes" : "NO");
    return same ? 0 : 1;
}
