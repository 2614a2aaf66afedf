#include "desktop/Jpeg.h"

#include <QFile>
#include <turbojpeg.h>

namespace {

// Larger pictures are refused rather than allocated.
constexpr int kMaxSide = 16384;

struct Decompressor {
    tjhandle handle = tjInitDecompress();
    ~Decompressor() {
        if (handle != nullptr)
            tjDestroy(handle);
    }
};

} // namespace

std::optional<QImage> DecodeJpeg(const QByteArray &data) {
    if (data.isEmpty())
        return std::nullopt;
    Decompressor dec;
    if (dec.handle == nullptr)
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    const auto size = static_cast<unsigned long>(data.size());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(dec.handle, bytes, size, &width, &height, &subsampling, &colorspace) !=
        0)
        return std::nullopt;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return std::nullopt;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    // Format_RGB32 keeps each pixel as 0xffRRGGBB, which is B, G, R, X in memory on
    // little-endian machines and X, R, G, B on big-endian ones.
    const int pixel_format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    if (tjDecompress2(dec.handle, bytes, size, image.bits(), width,
                      static_cast<int>(image.bytesPerLine()), height, pixel_format,
                      TJFLAG_STOPONWARNING) != 0)
        return std::nullopt;
    // The padding byte is undefined after decoding; RGB32 wants it opaque.
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] |= 0xFF000000u;
    }
    return image;
}

std::optional<QImage> LoadJpegFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return DecodeJpeg(file.readAll());
}
