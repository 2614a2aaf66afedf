// The real program on a real X display (run under xvfb-run): the help button, its menu and the
// about window.
#include "desktop_support.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// The geometry "WxH" of a window as xdotool reports it.
QString SizeOf(const QString &id) {
    const QString geometry = XDoTool({"getwindowgeometry", id});
    const QRegularExpressionMatch size =
        QRegularExpression("Geometry: (\\d+x\\d+)").match(geometry);
    return size.hasMatch() ? size.captured(1) : geometry;
}

// True once no visible window has the title.
bool WaitUntilGone(const QString &title, int timeout_ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeout_ms) {
        if (WaitForWindow(title, 0).isEmpty())
            return true;
        QThread::msleep(100);
    }
    return false;
}

} // namespace

TEST(HelpDesktop, HelpButtonAboutEntryShowsTheAboutWindowAndItsCloseButtonClosesIt) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    const QRect help_place = SkinPlace(program.Folder(), "MainWindow", "TB_Help");
    const QRect close_place = SkinPlace(program.Folder(), "AboutWindow", "TB_Close");
    ASSERT_FALSE(help_place.isEmpty());
    ASSERT_FALSE(close_place.isEmpty());
    const QPoint help = help_place.center();
    const QPoint close = close_place.center();

    QProcess converter;
    program.Start(converter, "");
    const QString main = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(main.isEmpty()) << ProgramCopy::Output(converter);
    QThread::msleep(500);

    // The menu pops up at the cursor; its last entry is "About".
    ClickAt(main, help);
    QThread::msleep(500);
    XDoTool({"key", "--clearmodifiers", "Up"});
    XDoTool({"key", "--clearmodifiers", "Return"});
    const QString about = WaitForWindow("About Mavo Video Converter");
    ASSERT_FALSE(about.isEmpty()) << "no about window after the menu's About entry";
    EXPECT_EQ(SizeOf(about), "392x216");

    QThread::msleep(300);
    ClickAt(about, close);
    EXPECT_TRUE(WaitUntilGone("About Mavo Video Converter")) << "its close button did not close it";
    EXPECT_EQ(converter.state(), QProcess::Running) << "closing the about window ends nothing else";
    EXPECT_FALSE(WaitForWindow("Vidore4 Converter", 2000).isEmpty());

    converter.terminate();
    ASSERT_TRUE(converter.waitForFinished(20000));
    EXPECT_EQ(converter.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(converter.exitCode(), 0) << ProgramCopy::Output(converter);
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
