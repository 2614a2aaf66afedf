#include "common/Globals.h"
#include "desktop/Jpeg.h"
#include "skin/Splash.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <turbojpeg.h>

namespace {

// Writes a JPEG of the given size with the turbojpeg encoder.
bool WriteJpeg(const QString &path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(30, 120, 200));
    tjhandle handle = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    const int rc =
        tjCompress2(handle, image.constBits(), width, static_cast<int>(image.bytesPerLine()),
                    height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
    tjDestroy(handle);
    if (rc != 0)
        return false;
    QFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(reinterpret_cast<const char *>(jpeg), static_cast<qint64>(size)) ==
                        static_cast<qint64>(size);
    tjFree(jpeg);
    return ok;
}

} // namespace

TEST(Splash, WithoutThePictureNothingIsShown) {
    QTemporaryDir skin;
    path_Skin = skin.path() + "/";
    TStartUp splash;
    splash.ShowSplash();
    EXPECT_FALSE(splash.SplashShown());
    EXPECT_FALSE(splash.isVisible());
    splash.HideSplash();
    EXPECT_TRUE(splash.OpacitySteps().empty()) << "no fade without a picture";
}

TEST(Splash, TakesThePictureSizeAndFadesInAndOut) {
    QTemporaryDir skin;
    path_Skin = skin.path() + "/";
    ASSERT_TRUE(WriteJpeg(path_Skin + "startup.jpg", 300, 150));
    ASSERT_TRUE(LoadJpegFile(path_Skin + "startup.jpg").has_value());

    TStartUp splash;
    splash.ShowSplash();
    EXPECT_TRUE(splash.SplashShown());
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.size(), QSize(300, 150)) << "the design size must give way to the picture's";
    std::vector<int> fade_in = splash.OpacitySteps();
    ASSERT_EQ(fade_in.size(), 26u);
    EXPECT_EQ(fade_in.front(), 10);
    EXPECT_EQ(fade_in[24], 250);
    EXPECT_EQ(fade_in.back(), 255);
    EXPECT_DOUBLE_EQ(splash.windowOpacity(), 1.0);

    splash.HideSplash();
    const std::vector<int> &all = splash.OpacitySteps();
    ASSERT_EQ(all.size(), 26u + 51u);
    EXPECT_EQ(all[26], 250);
    EXPECT_EQ(all.back(), 0);
    for (size_t i = 1; i < all.size(); ++i) {
        EXPECT_GE(all[i], 0);
        EXPECT_LE(all[i], 255);
        if (i < 26) {
            EXPECT_GT(all[i], all[i - 1]) << "fade-in must rise";
        } else if (i > 26) {
            EXPECT_LT(all[i], all[i - 1]) << "fade-out must fall";
        }
    }
}
