#pragma once
// JPEG files decoded into images (thumbnails, device pictures, the splash picture).

#include <QImage>
#include <QString>

// The decoded picture, or a null image when the file is missing or is no readable JPEG.
QImage LoadJpegFile(const QString &path);
QImage DecodeJpeg(const QByteArray &data);
