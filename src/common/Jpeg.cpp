#include "common/Jpeg.h"

#include <QFile>
#include <turbojpeg.h>

QImage DecodeJpeg(const QByteArray &data) {
    if (data.isEmpty())
        return {};
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr)
        return {};
    QImage image;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    const auto size = static_cast<unsigned long>(data.size());
    if (tjDecompressHeader3(handle, bytes, size, &width, &height, &subsampling, &colorspace) == 0 &&
        width > 0 && height > 0 && width <= 16384 && height <= 16384) {
        QImage decoded(width, height, QImage::Format_RGB32);
        // Format_RGB32 is 0xffRRGGBB in native order: BGRX bytes on little-endian machines.
        const int pixel_format =
            QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
        if (!decoded.isNull() &&
            tjDecompress2(handle, bytes, size, decoded.bits(), width,
                          static_cast<int>(decoded.bytesPerLine()), height, pixel_format, 0) == 0)
            image = decoded;
    }
    tjDestroy(handle);
    return image;
}

QImage LoadJpegFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return DecodeJpeg(file.readAll());
}
