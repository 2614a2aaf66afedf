// The real program on an X display of its own (xvfb-run, a black root window) at twice the scale,
// asked for with QT_SCALE_FACTOR=2 or by the display's Xft.dpi of 192: the main window covers
// twice its size in screen pixels, its outline cuts the four corners on the screen's grid, and
// it shows the skin's pictures of twice the resolution.
#include "desktop_support.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kBlack = 0xFF000000;

QRect WindowRect(const QString &id) {
    const QString geometry = XDoTool({"getwindowgeometry", id});
    const QRegularExpression re("Position: (\\d+),(\\d+).*Geometry: (\\d+)x(\\d+)",
                                QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(geometry);
    return m.hasMatch() ? QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                m.captured(4).toInt())
                        : QRect();
}

// Black pixels at the left (or right) end of row y of the picture.
int CutAt(const QImage &image, int y, bool from_right) {
    int run = 0;
    while (run < image.width() &&
           image.pixel(from_right ? image.width() - 1 - run : run, y) == kBlack)
        ++run;
    return run;
}

void ExpectTwiceTheScale() {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess converter;
    program.Start(converter, "");
    const QString id = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(converter);
    QThread::msleep(1500);
    const QRect place = WindowRect(id);
    const QImage shot = ShotOfWindow("root").convertToFormat(QImage::Format_RGB32).copy(place);
    converter.terminate();
    converter.waitForFinished(20000);

    const QRect logical = SkinPlace(program.Folder(), "MainWindow", "Img_Background");
    ASSERT_EQ(place.size(), logical.size() * 2);
    ASSERT_EQ(shot.size(), place.size());
    const QImage plain =
        QImage(program.Folder() + "/Skin/main_bg.bmp").convertToFormat(shot.format());
    const QImage mask = QImage(program.Folder() + "/Skin/main_mask.bmp");
    // Sharp: the frame line at the left edge is one screen pixel wide.
    const int y = logical.height() / 2;
    EXPECT_EQ(shot.pixel(0, 2 * y), plain.pixel(0, y));
    EXPECT_EQ(shot.pixel(1, 2 * y), plain.pixel(1, y));
    // Every corner cut alike, about twice as far as the plain mask cuts its own corner.
    int plain_cut = 0;
    while ((mask.pixel(plain_cut, 0) & 0xFFFFFF) == 0xFF00FF)
        ++plain_cut;
    const int cut = CutAt(shot, 0, false);
    EXPECT_GE(cut, 2 * plain_cut - 3);
    EXPECT_LE(cut, 2 * plain_cut);
    EXPECT_EQ(CutAt(shot, 0, true), cut);
    EXPECT_EQ(CutAt(shot, shot.height() - 1, false), cut);
    EXPECT_EQ(CutAt(shot, shot.height() - 1, true), cut);
    EXPECT_NE(shot.pixel(shot.width() / 2, 0), kBlack);
    // The magenta that shapes the bar's thumb and marks never shows.
    int magenta = 0;
    for (int j = 0; j < shot.height(); ++j)
        for (int i = 0; i < shot.width(); ++i)
            magenta += (shot.pixel(i, j) & 0xFFFFFF) == 0xFF00FF ? 1 : 0;
    EXPECT_EQ(magenta, 0);
}

TEST(DesktopScale, TwiceTheScaleByQtScaleFactor) {
    qputenv("QT_SCALE_FACTOR", "2");
    ExpectTwiceTheScale();
    qunsetenv("QT_SCALE_FACTOR");
}

TEST(DesktopScale, TwiceTheScaleByTheDisplaysXftDpi) {
    // Qt reads the resource from the root window when it starts.
    QProcess::execute("xprop", {"-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
                                "Xft.dpi:\t192\n"});
    ExpectTwiceTheScale();
    QProcess::execute("xprop", {"-root", "-remove", "RESOURCE_MANAGER"});
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
