// The real program on a real X display (run under xvfb-run): a clip chosen in the real open
// dialog appears in the list with its thumbnail, and a double-click plays it in the panel; files
// the program is opened with are listed too.
#include "desktop_support.h"
#include "media.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <QImage>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// The part of the screen a window covers.
QRect WindowRect(const QString &id) {
    const QString geometry = XDoTool({"getwindowgeometry", id});
    const QRegularExpression re("Position: (\\d+),(\\d+).*Geometry: (\\d+)x(\\d+)",
                                QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(geometry);
    if (!m.hasMatch())
        return {};
    return QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                 m.captured(4).toInt());
}

// The screen as it is now, cut to a window.
QImage Shot(const QRect &window) {
    QProcess import;
    import.start("import", {"-window", "root", "png:-"});
    if (!import.waitForFinished(20000))
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG").copy(window);
}

// Mean difference of the grey levels of two equally sized pictures.
double MeanGreyDifference(const QImage &shown, const std::vector<unsigned char> &grey) {
    if (grey.size() != static_cast<size_t>(shown.width() * shown.height()))
        return 255;
    double sum = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            sum += std::abs(qGray(shown.pixel(x, y)) -
                            grey[static_cast<size_t>(y * shown.width() + x)]);
    return sum / static_cast<double>(grey.size());
}

int DifferentPixels(const QImage &a, const QImage &b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

bool Uniform(const QImage &image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

TEST(DesktopClips, AClipChosenInTheDialogShowsItsThumbnailAndPlaysInThePanel) {
    const std::string dir = media::ScratchDir("desktop_clip");
    const std::string clip = dir + "/holiday.mp4";
    ASSERT_EQ(media::Run("ffmpeg -nostdin -v error -y -f lavfi -i "
                         "testsrc2=size=320x240:rate=25:duration=20 -f lavfi -i "
                         "sine=frequency=440:duration=20 -c:v libx264 -preset ultrafast "
                         "-pix_fmt yuv420p -c:a aac " +
                         media::Quote(clip)),
              0);
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess converter;
    program.Start(converter, "");
    const QString id = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(converter);
    QThread::msleep(500);
    const QRect window = WindowRect(id);
    ASSERT_EQ(window.size(), QSize(792, 566));

    ClickAt(id, SkinPlace(program.Folder(), "MainWindow", "TB_AddFile").center());
    const QString dialog = WaitForWindow("Open");
    ASSERT_FALSE(dialog.isEmpty()) << "no open dialog";
    XDoTool({"windowfocus", "--sync", dialog});
    XDoTool({"type", "--delay", "20", QString::fromStdString(clip)});
    XDoTool({"key", "Return"});

    // The entry's thumbnail: 2 pixels into the list, 2 more into the entry.
    const QRect list = SkinPlace(program.Folder(), "MainWindow", "TP_ImageList");
    const QRect thumbnail(list.topLeft() + QPoint(4, 4), QSize(80, 60));
    const std::vector<unsigned char> expected = media::GreyFrame(clip, 5.0, 80, 60);
    double difference = 255;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000 && difference > 25) {
        QThread::msleep(200);
        difference = MeanGreyDifference(Shot(window).copy(thumbnail), expected);
    }
    EXPECT_LT(difference, 25) << "the list does not show the clip's picture";

    // A double-click on the entry plays it: the panel changes from one second to the next.
    const QRect panel(421, 68, 300, 224);
    const QImage resting = Shot(window).copy(panel);
    ClickAt(id, list.topLeft() + QPoint(200, 34), 2);
    QImage before;
    timer.restart();
    while (timer.elapsed() < 20000) {
        QThread::msleep(200);
        before = Shot(window).copy(panel);
        if (DifferentPixels(resting, before) > 300 * 224 / 10 && !Uniform(before))
            break;
    }
    ASSERT_GT(DifferentPixels(resting, before), 300 * 224 / 10) << "nothing plays in the panel";
    QThread::msleep(1000);
    const QImage after = Shot(window).copy(panel);
    EXPECT_GT(DifferentPixels(before, after), 300 * 224 / 50) << "the picture does not move";

    ClickAt(id, SkinPlace(program.Folder(), "MainWindow", "TB_Close").center());
    ASSERT_TRUE(converter.waitForFinished(20000));
    EXPECT_EQ(converter.exitCode(), 0) << ProgramCopy::Output(converter);
}

// A clip of a still picture from one of ffmpeg's test sources.
std::string MakeClip(const std::string &dir, const std::string &name, const std::string &source) {
    const std::string clip = dir + "/" + name;
    const int made = media::Run("ffmpeg -nostdin -v error -y -f lavfi -i " + source +
                                "=size=320x240:rate=25:duration=10 -c:v libx264 -preset "
                                "ultrafast -pix_fmt yuv420p " +
                                media::Quote(clip));
    return made == 0 ? clip : std::string();
}

// Whether entry `index` of the list comes to show the clip's picture.
bool ListShows(const QString &folder, const QRect &window, int index, const std::string &clip) {
    const QRect list = SkinPlace(folder, "MainWindow", "TP_ImageList");
    // 2 pixels into the list, 2 more into the entry; entries follow each other 66 pixels apart.
    const QRect thumbnail(list.topLeft() + QPoint(4, 4 + 66 * index), QSize(80, 60));
    const std::vector<unsigned char> expected = media::GreyFrame(clip, 5.0, 80, 60);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000) {
        if (MeanGreyDifference(Shot(window).copy(thumbnail), expected) < 25)
            return true;
        QThread::msleep(200);
    }
    return false;
}

// Files on the command line are listed at start, a plain path and a file:// address alike; a
// second start with a file hands it to the running program's list and ends at once with 255.
TEST(DesktopClips, FilesTheProgramIsOpenedWithAreListedAndALaterStartHandsItsFilesOver) {
    const std::string dir = media::ScratchDir("desktop_open_with");
    const std::string bars = MakeClip(dir, "bars.mp4", "smptebars");
    const std::string colours = MakeClip(dir, "colours 2.mp4", "rgbtestsrc");
    const std::string later = MakeClip(dir, "later.mp4", "testsrc2");
    ASSERT_FALSE(bars.empty() || colours.empty() || later.empty());
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess converter;
    program.Start(converter, "",
                  {QString::fromStdString(bars),
                   QUrl::fromLocalFile(QString::fromStdString(colours)).toString()});
    const QString id = WaitForWindow("Vidore4 Converter", 60000);
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(converter);
    QThread::msleep(500);
    const QRect window = WindowRect(id);
    EXPECT_TRUE(ListShows(program.Folder(), window, 0, bars)) << "the first file is not listed";
    EXPECT_TRUE(ListShows(program.Folder(), window, 1, colours)) << "the address is not listed";

    ASSERT_TRUE(program.WaitForInstance(60000));
    QProcess second;
    program.Start(second, "", {QString::fromStdString(later)});
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitCode(), 255) << ProgramCopy::Output(second);
    EXPECT_TRUE(ListShows(program.Folder(), window, 2, later))
        << "the handed-over file is not in the running program's list";
    EXPECT_EQ(converter.state(), QProcess::Running);

    converter.terminate();
    ASSERT_TRUE(converter.waitForFinished(60000));
    EXPECT_EQ(converter.exitCode(), 0) << ProgramCopy::Output(converter);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
