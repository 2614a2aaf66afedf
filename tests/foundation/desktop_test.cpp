// The real program on a real X display (run under xvfb-run): what a user sees at start.
#include "desktop_tools.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSettings>
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
    // Where the skin puts the close button: fields 4 to 7 are left, top, width and height.
    QSettings skin(program.Folder() + "/Skin/Skin.ini", QSettings::IniFormat);
    const QStringList fields = skin.value("MainWindow/TB_Close").toStringList();
    ASSERT_GE(fields.size(), 7);
    const int x = fields[3].toInt() + fields[5].toInt() / 2;
    const int y = fields[4].toInt() + fields[6].toInt() / 2;

    QProcess converter;
    program.Start(converter, "");
    const QString id = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(id.isEmpty()) << ProgramCopy::Output(converter);
    QThread::msleep(500);
    XDoTool({"mousemove", "--window", id, QString::number(x), QString::number(y)});
    XDoTool({"click", "1"});
    ASSERT_TRUE(converter.waitForFinished(20000)) << "the close button did not end the program";
    EXPECT_EQ(converter.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(converter.exitCode(), 0);
    EXPECT_TRUE(QFileInfo::exists(program.Home() + "/config/Vidore4.conf"))
        << "the settings are written at the end";
}

TEST(Desktop, MissingEngineShowsAnErrorBoxAndEndsWithZero) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make(/*without_engine=*/true));
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
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
