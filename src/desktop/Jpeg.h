#pragma once
// JPEG pictures (clip thumbnails, device and splash pictures) decoded into bitmaps.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

// Decodes a whole JPEG held in memory into an RGB32 image. No image for anything that is not a
// complete, undamaged JPEG (a damaged stream fails instead of giving a partly grey picture).
std::optional<QImage> DecodeJpeg(const QByteArray &data);

// Reads and decodes a JPEG file; no image when the file cannot be read or decoded.
std::optional<QImage> LoadJpegFile(const QString &path);
