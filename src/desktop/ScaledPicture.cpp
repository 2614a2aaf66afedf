#include "desktop/ScaledPicture.h"

#include "desktop/Jpeg.h"

#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace {

QImage ReadPicture(const QString &path) {
    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        std::optional<QImage> jpeg = LoadJpegFile(path);
        return jpeg ? *jpeg : QImage();
    }
    QImage image;
    image.load(path);
    return image;
}

// The header tells the size of most pictures; the others are read whole.
QSize PictureSize(const QString &path) {
    if (!QFileInfo(path).isFile())
        return {};
    const QSize size = QImageReader(path).size();
    return size.isValid() ? size : ReadPicture(path).size();
}

} // namespace

QString TwiceScaleFile(const QString &path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    QString twice = path;
    twice.insert(dot > slash ? dot : path.size(), QLatin1String("@2x"));
    return twice;
}

bool WantsTwiceScale(qreal device_ratio) {
    return device_ratio >= 1.5;
}

QImage LoadScaledPicture(const QString &path, qreal device_ratio) {
    if (WantsTwiceScale(device_ratio)) {
        const QString twice_file = TwiceScaleFile(path);
        if (QFileInfo(twice_file).isFile()) {
            QImage twice = ReadPicture(twice_file);
            const QSize plain = PictureSize(path);
            if (!twice.isNull() && plain.isValid() && twice.size() == plain * 2) {
                twice.setDevicePixelRatio(2);
                return twice;
            }
        }
    }
    return ReadPicture(path);
}

QSize LogicalSize(const QImage &picture) {
    const qreal ratio = picture.devicePixelRatio();
    return {static_cast<int>(std::floor(picture.width() / ratio)),
            static_cast<int>(std::floor(picture.height() / ratio))};
}
