// The real program on a real X display (run under xvfb-run): what a user sees at start.
#include "desktop_support.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(Desktop, MainWindowAppearsWithItsCaptionAndClosesCleanly) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess converter;
    program.Start(converter, "");
    const QString id = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(converter);
    const QString geometry = XDoTool({"getwindowgeometry", id});
    EXPECT_TRUE(geometry.contains("792x566")) << geometry.toStdString();

    converter.terminate();
    ASSERT_TRUE(converter.waitForFinished(20000));
    EXPECT_EQ(converter.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(converter.exitCode(), 0) << ProgramCopy::Output(converter);
}

TEST(Desktop, TheCloseButtonEndsTheProgramWithZero) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    const QRect close = SkinPlace(program.Folder(), "MainWindow", "TB_Close");
    ASSERT_FALSE(close.isEmpty());

    QProcess converter;
    program.Start(converter, "");
    const QString id = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(converter);
    QThread::msleep(500);
    ClickAt(id, close.center());
    ASSERT_TRUE(converter.waitForFinished(20000)) << "the close button did not end the program";
    EXPECT_EQ(converter.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(converter.exitCode(), 0);
    EXPECT_TRUE(QFileInfo::exists(program.Home() + "/config/Vidore4.conf"))
        << "the settings are written at the end";
}

TEST(Desktop, MissingEngineShowsAnErrorBoxAndEndsWithZero) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make(/*without_engine=*/true));
    // What an earlier run left in the snapshot folder is not touched by a start that ends.
    program.WriteFile("Snapshot/snap0.pic");
    QProcess converter;
    program.Start(converter, "");
    const QString box = WaitForWindow("Mavo Video Converter");
    ASSERT_FALSE(box.isEmpty()) << ProgramCopy::Output(converter);
    EXPECT_TRUE(WaitForWindow("Vidore4 Converter", 500).isEmpty())
        << "no other window may appear after a failed engine load";
    XDoTool({"windowfocus", "--sync", box});
    XDoTool({"key", "--clearmodifiers", "Return"});
    ASSERT_TRUE(converter.waitForFinished(20000)) << "the error box did not end the program";
    EXPECT_EQ(converter.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(program.Home() + "/config/Vidore4.conf"))
        << "settings written after a failed start";
    EXPECT_TRUE(program.Exists("Snapshot/snap0.pic")) << "the snapshot folder was emptied";
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
