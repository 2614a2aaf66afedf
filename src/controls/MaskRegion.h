#pragma once
// Shapes taken from bitmaps: magenta (red 255, green 0, blue 255, compared exactly) marks the
// pixels that do not belong to the shape; every other pixel inside the bitmap does.

#include <QImage>
#include <QRegion>
#include <cstdint>
#include <optional>

class QWidget;

// The key colour in the 0x00BBGGRR form.
inline constexpr uint32_t kMaskKeyColor = 0xFF00FF;

// The rectangle (0, 0, width, height) less the magenta pixels of bitmap that lie inside it.
// width, height and the shape are in the window's pixels: of a bitmap with a device pixel ratio
// of 2 or more a window pixel is cut away only when all the bitmap pixels it covers are magenta,
// so the shape holds every pixel the bitmap draws (the rest of them are left out in painting).
QRegion MaskShape(const QImage &bitmap, int width, int height);

// Gives widget the shape of its region. An empty shape hides the whole widget (a region that
// lies outside it), since an empty mask would show all of it.
void SetWidgetShape(QWidget *widget, const QRegion &shape);

// Window shaping for the skin loader: the window becomes the mask bitmap's rectangle (in the
// window's pixels) less its magenta pixels. A null mask sets no shape and returns false.
bool ShapeWindowByMask(QWidget *window, const QImage &mask);

// A colour given the Windows way, 0x00BBGGRR, as a Qt colour value.
QRgb ColorRefToRgb(uint32_t colorref);

// The region of every pixel whose colour equals the key (0x00BBGGRR). A key of 0 means the colour
// of the top-left pixel. No region for a null image.
std::optional<QRegion> BitmapColorRegion(const QImage &bitmap, uint32_t key);
