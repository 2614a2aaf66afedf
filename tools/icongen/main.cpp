// icongen: draws the program's desktop icon, the skin's badge, in the sizes of an icon theme.
//
//   icongen OUTPUT_DIR
//
// Writes OUTPUT_DIR/<n>x<n>/apps/mavo-converter.png for every size below, laid out like the
// hicolor theme so the folder can be installed as it is. Drawing uses paths on the raster engine
// only, so every build writes the same bytes.

#include "../skingen/Paint.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The badge keeps a margin that grows with the size, as theme icons do; the smallest sizes use
// every pixel so the play sign stays readable.
QImage DrawIconImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    const qreal margin = size < 32 ? 0 : std::round(size / 16.0);
    DrawLogo(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

bool WritePng(const QString &path, const QImage &img) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(img)) {
        std::fprintf(stderr, "icongen: cannot encode %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTPUT_DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (const int size : kSizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "icongen: cannot make %s\n", qPrintable(folder));
            return 1;
        }
        if (!WritePng(folder + "/mavo-converter.png", DrawIconImage(size)))
            return 1;
    }
    return 0;
}
