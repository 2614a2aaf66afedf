#pragma once
// Pictures that are not buttons: the splash picture and the device pictures shown in the
// preview panel while nothing plays.

#include "Paint.h"

enum class Device {
    Phone3gp,
    Handheld,
    MediaPlayer,
    Pda,
    Mp4Player,
    Smartphone,
    Television,
    Share
};

// 300 x 224, the size of the preview panel, at a scale (see NewPicture).
QImage DevicePicture(const Typeface &type, Device d, int scale);
// The splash picture, 446 x 243, at a scale.
QImage SplashPicture(const Typeface &type, int scale);
// The silhouette of the device kind, drawn into box (brushes in a 100 x 100 design box).
void DrawDevice(QPainter &p, Device d, const QRectF &box, const QBrush &body, const QBrush &screen,
                const QColor &detail);
