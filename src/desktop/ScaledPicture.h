#pragma once
// Pictures for screens of any pixel density. Beside a picture "name.ext" a folder may hold
// "name@2x.ext", the same picture drawn at twice the resolution. A window whose device pixel
// ratio is 1.5 or more shows that one; it carries a device pixel ratio of 2, so that painters
// draw it at the size of the plain picture and its pixels land one to one on the screen's.

#include <QImage>
#include <QSize>
#include <QString>

// The file of the picture at twice the resolution: "Skin/a.bmp" gives "Skin/a@2x.bmp".
QString TwiceScaleFile(const QString &path);

// Whether a window of this device pixel ratio shows the pictures at twice the resolution.
bool WantsTwiceScale(qreal device_ratio);

// Reads the picture for a window of the given device pixel ratio: the one at twice the
// resolution when the ratio asks for it and that file reads and is exactly twice the size of the
// plain picture; otherwise the plain picture (JPEG through our own decoder, the rest as Qt reads
// them). A null image when the plain picture is needed and cannot be read.
QImage LoadScaledPicture(const QString &path, qreal device_ratio);

// The size a picture covers in a window (its pixels divided by its device pixel ratio).
QSize LogicalSize(const QImage &picture);
