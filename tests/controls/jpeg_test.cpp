// JPEG decoding and the picture control's file loading.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "ControlsTestSupport.h"
#include "controls/TImage.h"
#include "desktop/Jpeg.h"

using namespace controls_test;

namespace {

// Four flat quadrants, so that compression keeps the colours close.
QImage Quadrants() {
    QImage image(64, 48, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 32, 24, QColor(220, 30, 30));
    painter.fillRect(32, 0, 32, 24, QColor(30, 200, 40));
    painter.fillRect(0, 24, 32, 24, QColor(30, 40, 210));
    painter.fillRect(32, 24, 32, 24, QColor(240, 240, 240));
    return image;
}

QByteArray EncodeJpeg(const QImage &source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    tjhandle handle = tjInitCompress();
    unsigned char *out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(handle, image.constBits(), image.width(),
                               static_cast<int>(image.bytesPerLine()), image.height(), TJPF_RGB,
                               &out, &size, TJSAMP_444, 95, 0);
    QByteArray data =
        rc == 0 ? QByteArray(reinterpret_cast<char *>(out), static_cast<int>(size)) : QByteArray();
    tjFree(out);
    tjDestroy(handle);
    return data;
}

bool Near(const QColor &a, const QColor &b) {
    return std::abs(a.red() - b.red()) <= 10 && std::abs(a.green() - b.green()) <= 10 &&
           std::abs(a.blue() - b.blue()) <= 10;
}

TEST(Jpeg, DecodesColoursAndSize) {
    const QByteArray data = EncodeJpeg(Quadrants());
    ASSERT_FALSE(data.isEmpty());
    const std::optional<QImage> image = DecodeJpeg(data);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size(), QSize(64, 48));
    const QImage expected = Quadrants();
    for (const QPoint p : {QPoint(10, 10), QPoint(50, 10), QPoint(10, 40), QPoint(50, 40)})
        EXPECT_TRUE(Near(image->pixelColor(p), expected.pixelColor(p)))
            << p.x() << "," << p.y() << " " << image->pixelColor(p).name().toStdString();
    EXPECT_EQ(qAlpha(image->pixel(0, 0)), 255);
}

TEST(Jpeg, RefusesDamagedOrForeignData) {
    const QByteArray data = EncodeJpeg(Quadrants());
    EXPECT_FALSE(DecodeJpeg(QByteArray()).has_value());
    EXPECT_FALSE(DecodeJpeg(QByteArray("not a picture at all")).has_value());
    EXPECT_FALSE(DecodeJpeg(data.left(data.size() / 2)).has_value()) << "cut short";
    EXPECT_FALSE(DecodeJpeg(data.left(20)).has_value());
}

TEST(Jpeg, FilesAndThePictureControl) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString jpeg_path = dir.filePath("thumb.jpg");
    QFile file(jpeg_path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeJpeg(Quadrants()));
    file.close();
    EXPECT_TRUE(LoadJpegFile(jpeg_path).has_value());
    EXPECT_FALSE(LoadJpegFile(dir.filePath("missing.jpg")).has_value());

    TImage picture;
    ASSERT_TRUE(picture.LoadPictureFromFile(jpeg_path));
    EXPECT_EQ(picture.Picture().size(), QSize(64, 48));

    const QString bmp_path = dir.filePath("strip.bmp");
    ASSERT_TRUE(Solid(7, 5, Qt::magenta).save(bmp_path, "BMP"));
    ASSERT_TRUE(picture.LoadPictureFromFile(bmp_path));
    EXPECT_EQ(picture.Picture().pixelColor(3, 3), QColor(Qt::magenta));

    EXPECT_FALSE(picture.LoadPictureFromFile(dir.filePath("missing.bmp")));
    EXPECT_EQ(picture.Picture().size(), QSize(7, 5)) << "a failed load keeps the picture";
    // A BMP named like a JPEG is read as a JPEG, and fails.
    QFile::copy(bmp_path, dir.filePath("wrong.jpg"));
    EXPECT_FALSE(picture.LoadPictureFromFile(dir.filePath("wrong.jpg")));
}

TEST(PictureControl, DisabledPictureLetsClicksThrough) {
    Host host;
    auto *picture = new TImage(&host.window);
    picture->setGeometry(10, 10, 50, 50);
    picture->show();
    int presses = 0;
    QObject::connect(picture, &TImage::MouseDown, [&] { ++presses; });
    Click(picture, {5, 5});
    EXPECT_EQ(presses, 1);
    picture->setEnabled(false);
    EXPECT_TRUE(picture->testAttribute(Qt::WA_TransparentForMouseEvents));
    Click(picture, {5, 5});
    EXPECT_EQ(presses, 1);
}

TEST(PictureControl, TransparentLeavesOutTheBottomLeftColour) {
    Host host;
    host.window.setAutoFillBackground(true);
    QPalette palette = host.window.palette();
    palette.setColor(QPalette::Window, Qt::yellow);
    host.window.setPalette(palette);
    auto *picture = new TImage(&host.window);
    QImage image = Solid(20, 20, Qt::blue);
    image.setPixelColor(0, 19, Qt::red);
    image.setPixelColor(5, 5, Qt::red);
    picture->SetPicture(image);
    picture->setGeometry(0, 0, 20, 20);
    picture->show();
    EXPECT_EQ(At(Shown(&host.window), 5, 5), QColor(Qt::red));
    picture->SetTransparent(true);
    EXPECT_EQ(At(Shown(&host.window), 5, 5), QColor(Qt::yellow));
    EXPECT_EQ(At(Shown(&host.window), 6, 6), QColor(Qt::blue));
}

} // namespace
