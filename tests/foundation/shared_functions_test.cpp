#include "common/FloatToInt.h"
#include "common/SharedFunctions.h"
#include "controls/MaskRegion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {

void WriteBytes(const QString &path, qint64 count) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(QByteArray(count, 'x')), count);
}

// The plain rule: one rectangle per key pixel.
QRegion PerPixelRegion(const QImage &image, QRgb key) {
    QRegion region;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (key & 0xFFFFFF))
                region += QRect(x, y, 1, 1);
    return region;
}

bool SameArea(const QRegion &a, const QRegion &b) {
    return (a ^ b).isEmpty();
}

} // namespace

TEST(TimeText, BoundariesAndPadding) {
    EXPECT_EQ(TwoDigitText(0), "00");
    EXPECT_EQ(TwoDigitText(9), "09");
    EXPECT_EQ(TwoDigitText(10), "10");
    EXPECT_EQ(TwoDigitText(123), "123");
    EXPECT_EQ(SecondsToTimeText(0), "00:00:00");
    EXPECT_EQ(SecondsToTimeText(59), "00:00:59");
    EXPECT_EQ(SecondsToTimeText(3599), "00:59:59");
    EXPECT_EQ(SecondsToTimeText(3600), "01:00:00");
    EXPECT_EQ(SecondsToTimeText(3661), "01:01:01");
    EXPECT_EQ(SecondsToTimeText(-5), "00:00:00");
    EXPECT_EQ(SecondsToTimeText(86399), "23:59:59");
    EXPECT_EQ(SecondsToTimeText(86400), "24:00:00");
    EXPECT_EQ(SecondsToTimeText(86401), "00:00:00");
    EXPECT_EQ(SecondsToTimeText(std::numeric_limits<int32_t>::min()), "00:00:00");
    EXPECT_EQ(SecondsToTimeText(std::numeric_limits<int32_t>::max()), "00:00:00");
}

TEST(FileSize, WholeKibibytesAndMissingFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(GetFileSizeKB(dir.filePath("missing.jpg")), 0);
    EXPECT_EQ(GetFileSizeKB(""), 0);
    EXPECT_EQ(GetFileSizeKB(dir.path()), 0) << "a folder is not a file";
    const std::pair<qint64, int32_t> cases[] = {
        {0, 0}, {1023, 0}, {1024, 1}, {3000, 2}, {1024 * 1024 + 5, 1024}};
    for (const auto &[bytes, kb] : cases) {
        const QString path = dir.filePath(QString("f%1").arg(bytes));
        WriteBytes(path, bytes);
        EXPECT_EQ(GetFileSizeKB(path), kb) << bytes << " bytes";
    }
}

TEST(FileSize, UnreadableFileCountsAsAbsent) {
    QTemporaryDir dir;
    const QString path = dir.filePath("fifo");
    // A socket or fifo is not a regular file; a dangling link neither.
    ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), path));
    EXPECT_EQ(GetFileSizeKB(path), 0);
}

class EmptyFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + "/snap/";
        ASSERT_TRUE(QDir().mkpath(root + "sub/deeper"));
        WriteBytes(root + "a.jpg", 10);
        WriteBytes(root + ".hidden", 10);
        WriteBytes(root + "sub/b.jpg", 10);
        WriteBytes(root + "sub/deeper/c.jpg", 10);
        // Something outside the folder that a followed link would reach.
        ASSERT_TRUE(QDir().mkpath(dir.path() + "/outside"));
        WriteBytes(dir.path() + "/outside/keep.txt", 10);
        ASSERT_TRUE(QFile::link(dir.path() + "/outside", root + "linkdir"));
        ASSERT_TRUE(QFile::link(dir.path() + "/outside/keep.txt", root + "linkfile"));
    }
    QStringList Files(const QString &folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    QTemporaryDir dir;
    QString root;
};

TEST_F(EmptyFolder, WithoutSubfoldersKeepsThemWhole) {
    DeleteFilesInFolder(root, false);
    EXPECT_TRUE(Files(root).isEmpty()) << Files(root).join(",").toStdString();
    EXPECT_TRUE(QFileInfo(root + "sub/b.jpg").exists());
    EXPECT_TRUE(QFileInfo(root + "sub/deeper/c.jpg").exists());
    EXPECT_TRUE(QFileInfo(root).isDir());
    EXPECT_TRUE(QFileInfo(dir.path() + "/outside/keep.txt").exists()) << "link followed";
}

TEST_F(EmptyFolder, WithSubfoldersEmptiesTheTreeButKeepsFolders) {
    // Without the trailing separator too.
    DeleteFilesInFolder(dir.path() + "/snap", true);
    EXPECT_TRUE(Files(root).isEmpty());
    EXPECT_TRUE(Files(root + "sub").isEmpty());
    EXPECT_TRUE(Files(root + "sub/deeper").isEmpty());
    EXPECT_TRUE(QFileInfo(root + "sub/deeper").isDir());
    EXPECT_TRUE(QFileInfo(dir.path() + "/outside/keep.txt").exists()) << "link followed";
}

TEST_F(EmptyFolder, EmptyTextDeletesNothing) {
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root));
    DeleteFilesInFolder("", true);
    QDir::setCurrent(cwd);
    EXPECT_TRUE(QFileInfo(root + "a.jpg").exists());
    EXPECT_TRUE(QFileInfo(root + "sub/b.jpg").exists());
}

TEST(ColorRegion, MatchesThePerPixelRuleOnRandomMasks) {
    QRandomGenerator rng(20261207);
    const QRgb magenta = qRgb(255, 0, 255);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + rng.bounded(60), h = 1 + rng.bounded(40);
        QImage image(w, h, QImage::Format_RGB32);
        const int density = rng.bounded(100);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y,
                               rng.bounded(100) < density
                                   ? magenta
                                   : qRgb(rng.bounded(256), rng.bounded(2) * 255, 0));
        const auto region = BitmapColorRegion(image, 0xFF00FF);
        ASSERT_TRUE(region.has_value());
        ASSERT_TRUE(SameArea(*region, PerPixelRegion(image, magenta)))
            << "round " << round << " " << w << "x" << h;
        // Key 0: the top-left colour, whatever it is.
        const auto by_corner = BitmapColorRegion(image, 0);
        ASSERT_TRUE(by_corner.has_value());
        ASSERT_TRUE(SameArea(*by_corner, PerPixelRegion(image, image.pixel(0, 0))));
    }
}

TEST(ColorRegion, KeyIsGivenAsBlueGreenRed) {
    QImage image(4, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0x11, 0x22, 0x33));
    image.setPixel(1, 0, qRgb(0x33, 0x22, 0x11));
    image.setPixel(2, 0, qRgb(0x11, 0x22, 0x33));
    image.setPixel(3, 0, qRgb(0, 0, 0));
    const auto region = BitmapColorRegion(image, 0x00332211);
    ASSERT_TRUE(region.has_value());
    EXPECT_TRUE(SameArea(*region, QRegion(0, 0, 1, 1) + QRegion(2, 0, 1, 1)));
}

TEST(ColorRegion, EdgeCases) {
    EXPECT_FALSE(BitmapColorRegion(QImage(), 0xFF00FF).has_value());

    QImage plain(30, 20, QImage::Format_RGB32);
    plain.fill(qRgb(10, 20, 30));
    auto none = BitmapColorRegion(plain, 0xFF00FF);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->isEmpty());

    // Key 0 with a magenta corner: all magenta pixels, black ones not.
    QImage corners(30, 20, QImage::Format_RGB32);
    corners.fill(Qt::black);
    QPainter painter(&corners);
    painter.fillRect(0, 0, 5, 5, QColor(255, 0, 255));
    painter.fillRect(25, 15, 5, 5, QColor(255, 0, 255));
    painter.end();
    auto keyed = BitmapColorRegion(corners, 0);
    ASSERT_TRUE(keyed.has_value());
    EXPECT_TRUE(SameArea(*keyed, QRegion(0, 0, 5, 5) + QRegion(25, 15, 5, 5)));

    // Other pixel formats give the same answer.
    auto indexed = BitmapColorRegion(corners.convertToFormat(QImage::Format_RGB888), 0xFF00FF);
    ASSERT_TRUE(indexed.has_value());
    EXPECT_TRUE(SameArea(*indexed, *keyed));
}

TEST(FloatToInt, DefinedForEveryDouble) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FloatToInt(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(FloatToInt(inf), std::numeric_limits<int>::max());
    EXPECT_EQ(FloatToInt(-inf), std::numeric_limits<int>::min());
    EXPECT_EQ(FloatToInt(3e9), std::numeric_limits<int>::max());
    EXPECT_EQ(FloatToInt(-3e9), std::numeric_limits<int>::min());
    EXPECT_EQ(FloatToInt(2147483647.0), 2147483647);
    EXPECT_EQ(FloatToInt(-2147483648.0), std::numeric_limits<int>::min());
    EXPECT_EQ(FloatToInt(2.9), 2);
    EXPECT_EQ(FloatToInt(-2.9), -2);
    EXPECT_EQ(FloatToInt(2.5, FloatRound::Nearest), 3);
    EXPECT_EQ(FloatToInt(-2.5, FloatRound::Nearest), -3);
    EXPECT_EQ(FloatToInt<int64_t>(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(FloatToInt<uint8_t>(-1.0), 0);
    EXPECT_EQ(FloatToInt<uint8_t>(300.0), 255);
}
