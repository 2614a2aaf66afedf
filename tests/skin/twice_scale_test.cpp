// The pictures the generator draws at twice the scale: each is the same drawing as its plain
// picture on a grid twice as fine, not an enlarged copy of it.

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QString kSkinDir = QStringLiteral(MAVO_BIN_DIR "/Skin/");

bool IsKey(QRgb c) {
    return (c & 0xFFFFFF) == 0xFF00FF;
}

QImage Read(const QString &name) {
    return QImage(kSkinDir + name).convertToFormat(QImage::Format_RGB32);
}

QString Twice(QString name) {
    return name.insert(name.lastIndexOf('.'), "@2x");
}

// Mean difference per channel between the plain picture and the means of the 2 x 2 blocks of
// the twice-scale one, over the blocks without magenta (whose edges may fall a pixel apart), and
// whether any block holds more than one colour (an enlarged copy has none).
struct Comparison {
    double difference = 0;
    bool finer = false;
};

Comparison Compare(const QImage &plain, const QImage &twice) {
    Comparison c;
    double sum = 0;
    int blocks = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const QRgb block[4] = {twice.pixel(2 * x, 2 * y), twice.pixel(2 * x + 1, 2 * y),
                                   twice.pixel(2 * x, 2 * y + 1),
                                   twice.pixel(2 * x + 1, 2 * y + 1)};
            bool key = IsKey(plain.pixel(x, y));
            int r = 0, g = 0, b = 0;
            for (QRgb p : block) {
                key = key || IsKey(p);
                c.finer = c.finer || p != block[0];
                r += qRed(p), g += qGreen(p), b += qBlue(p);
            }
            if (key)
                continue;
            const QRgb q = plain.pixel(x, y);
            sum += std::abs(r / 4.0 - qRed(q)) + std::abs(g / 4.0 - qGreen(q)) +
                   std::abs(b / 4.0 - qBlue(q));
            ++blocks;
        }
    c.difference = blocks > 0 ? sum / (3.0 * blocks) : 0;
    return c;
}

} // namespace

TEST(SkinAtTwiceTheScale, EveryPictureIsDrawnAgainOnAGridTwiceAsFine) {
    const QStringList pictures =
        QDir(kSkinDir).entryList({"*.bmp", "*.jpg"}).filter(QRegularExpression("^[^@]*$"));
    ASSERT_GT(pictures.size(), 40);
    for (const QString &name : pictures) {
        const QImage plain = Read(name), twice = Read(Twice(name));
        ASSERT_FALSE(twice.isNull()) << name.toStdString() << " has no companion";
        ASSERT_EQ(twice.size(), plain.size() * 2) << name.toStdString();
        // Another picture, or this one a pixel off, differs by 2.7 and more.
        EXPECT_LT(Compare(plain, twice).difference, 2.0)
            << name.toStdString() << ": not the same drawing";
    }
}

TEST(SkinAtTwiceTheScale, WindowsAndTheirOutlinesAreDrawnAnew) {
    for (const char *window : {"main", "progress", "profile", "about"}) {
        const QString name = window;
        const QImage bg = Read(name + "_bg.bmp"), bg2 = Read(Twice(name + "_bg.bmp"));
        const QImage mask = Read(name + "_mask.bmp"), mask2 = Read(Twice(name + "_mask.bmp"));
        // Text and round shapes drawn anew, not enlarged; the corners cut on the finer grid.
        EXPECT_TRUE(Compare(bg, bg2).finer) << window;
        bool doubled = true;
        for (int j = 0; j < mask2.height() && doubled; ++j)
            for (int i = 0; i < mask2.width() && doubled; ++i)
                doubled = IsKey(mask2.pixel(i, j)) == IsKey(mask.pixel(i / 2, j / 2));
        EXPECT_FALSE(doubled) << window;
        EXPECT_TRUE(IsKey(mask2.pixel(0, 0))) << window;
        EXPECT_TRUE(IsKey(mask2.pixel(mask2.width() - 1, mask2.height() - 1))) << window;
    }
}
