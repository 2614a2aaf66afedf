#include "controls/MaskRegion.h"

#include "desktop/ScaledPicture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QWidget>

namespace {

// The bitmap at one pixel per window pixel: a pixel is the key colour when every bitmap pixel
// it covers is, black otherwise. Bitmaps of one pixel per window pixel are returned as they are.
QImage KeyAtWindowPixels(const QImage &bitmap) {
    const int scale = static_cast<int>(std::floor(bitmap.devicePixelRatio()));
    if (scale <= 1)
        return bitmap;
    const QImage image = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb key = 0xFF000000u | ColorRefToRgb(kMaskKeyColor);
    const QSize size = LogicalSize(bitmap);
    QImage keyed(size, QImage::Format_RGB32);
    keyed.fill(Qt::black);
    std::vector<const QRgb *> rows(static_cast<size_t>(scale));
    for (int y = 0; y < size.height(); ++y) {
        for (int dy = 0; dy < scale; ++dy)
            rows[dy] = reinterpret_cast<const QRgb *>(image.constScanLine(y * scale + dy));
        auto *out = reinterpret_cast<QRgb *>(keyed.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            bool all_key = true;
            for (int dy = 0; dy < scale && all_key; ++dy)
                for (int dx = 0; dx < scale && all_key; ++dx)
                    all_key = (rows[dy][x * scale + dx] | 0xFF000000u) == key;
            if (all_key)
                out[x] = key;
        }
    }
    return keyed;
}

} // namespace

QRegion MaskShape(const QImage &bitmap, int width, int height) {
    QRegion shape(0, 0, width, height);
    if (std::optional<QRegion> key = BitmapColorRegion(KeyAtWindowPixels(bitmap), kMaskKeyColor))
        shape -= *key;
    return shape;
}

void SetWidgetShape(QWidget *widget, const QRegion &shape) {
    if (shape.isEmpty())
        widget->setMask(QRegion(-1, -1, 1, 1));
    else
        widget->setMask(shape);
}

bool ShapeWindowByMask(QWidget *window, const QImage &mask) {
    if (window == nullptr || mask.isNull())
        return false;
    const QSize size = LogicalSize(mask);
    SetWidgetShape(window, MaskShape(mask, size.width(), size.height()));
    return true;
}

QRgb ColorRefToRgb(uint32_t colorref) {
    return qRgb(colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF);
}

std::optional<QRegion> BitmapColorRegion(const QImage &bitmap, uint32_t key) {
    if (bitmap.isNull())
        return std::nullopt;
    // Opaque 32-bit pixels compare as whole words; anything else is brought to that form.
    const QImage image = bitmap.format() == QImage::Format_RGB32
                             ? bitmap
                             : bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb wanted =
        0xFF000000u | ((key == 0 ? image.pixel(0, 0) : ColorRefToRgb(key)) & 0x00FFFFFF);

    // One rectangle per horizontal run of key pixels. Runs of a row share top and height, never
    // touch each other and come left to right, rows top to bottom: the banded order QRegion
    // takes as it is.
    std::vector<QRect> runs;
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        const QRgb *end = row + w;
        const QRgb *p = row;
        while (p != end) {
            p = std::find(p, end, wanted);
            const QRgb *start = p;
            while (p != end && *p == wanted)
                ++p;
            if (p != start)
                runs.emplace_back(static_cast<int>(start - row), y, static_cast<int>(p - start), 1);
        }
    }
    QRegion region;
    if (!runs.empty())
        region.setRects(runs.data(), static_cast<int>(runs.size()));
    return region;
}
