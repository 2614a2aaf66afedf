#include "common/SharedFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <vector>

QString TwoDigitText(int32_t n) {
    const QString digits = QString::number(n);
    return n < 10 ? QStringLiteral("0") + digits : digits;
}

QString SecondsToTimeText(int32_t seconds) {
    if (seconds > 86400)
        return QStringLiteral("00:00:00");
    if (seconds < 0)
        seconds = 0;
    const int32_t h = seconds / 3600;
    const int32_t m = (seconds % 3600) / 60;
    const int32_t s = (seconds % 3600) % 60;
    return TwoDigitText(h) + QLatin1Char(':') + TwoDigitText(m) + QLatin1Char(':') +
           TwoDigitText(s);
}

int32_t GetFileSizeKB(const QString &path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const qint64 kb = file.size() / 1024;
    return kb > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                    : static_cast<int32_t>(kb);
}

void DeleteFilesInFolder(const QString &folder, bool include_subfolders) {
    if (folder.isEmpty())
        return;
    QDir dir(folder);
    // Hidden entries count too; "." and ".." never appear with NoDotAndDotDot.
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink()) {
            // The link itself goes, whatever it points to; its target is never touched.
            QFile::remove(entry.absoluteFilePath());
        } else if (entry.isDir()) {
            if (include_subfolders)
                DeleteFilesInFolder(entry.absoluteFilePath(), true);
        } else {
            QFile::remove(entry.absoluteFilePath());
        }
    }
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
