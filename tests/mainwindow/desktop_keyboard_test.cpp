// The real program on an X display of its own (run under xvfb-run), used without the mouse: a
// clip added with Ctrl+O, a device chosen from the picture's menu, the clip previewed and trimmed
// with I and O, another device chosen in the device list and a profile in the profile list,
// converted with Ctrl+Return and Space, and the window closed with Escape.
#include "desktop_support.h"
#include "media.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

void Keys(const QStringList &keys) {
    for (const QString &key : keys) {
        XDoTool({"key", "--clearmodifiers", key});
        QThread::msleep(150);
    }
}

} // namespace

TEST(DesktopKeyboard, AWholeConversionWithoutTheMouse) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    const QString clip = QString::fromStdString(media::Fixture("avi")); // 6 s
    QProcess converter;
    program.Start(converter, "");
    const QString main = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(main.isEmpty()) << ProgramCopy::Output(converter);
    XDoTool({"windowfocus", "--sync", main});
    QThread::msleep(500);

    Keys({"ctrl+o"});
    const QString dialog = WaitForWindowOtherThan("Vidore4 Converter", 10000);
    ASSERT_FALSE(dialog.isEmpty()) << "Ctrl+O opened no dialog";
    XDoTool({"type", "--delay", "5", clip});
    Keys({"Return"});
    QThread::msleep(2000);
    XDoTool({"windowfocus", "--sync", main});

    // Back from the list past its two buttons to the device panel: its menu, the first device
    // (the 3GP phone).
    Keys({"shift+Tab", "shift+Tab", "shift+Tab", "space", "Down", "Return"});
    // Forward to the list: preview, then the marks at about 1 s and 3 s.
    Keys({"Tab", "Tab", "Tab", "Return"});
    QThread::msleep(1000);
    Keys({"i"});
    QThread::msleep(2000);
    Keys({"o", "space"});
    // To the profile list (nine stops on) and back one to the device list: five down from the
    // 3GP phone is the Phone / tablet; then its profile list, the profile above its default
    // (480p), and convert.
    for (int i = 0; i < 9; ++i)
        Keys({"Tab"});
    Keys({"shift+Tab", "Down", "Down", "Down", "Down", "Down", "Tab", "Up", "ctrl+Return"});
    QThread::msleep(1000);
    Keys({"space"});

    const QString out = program.Home() + "/MavoOutput/";
    QElapsedTimer waited;
    waited.start();
    QStringList files;
    while (waited.elapsed() < 60000 && files.isEmpty()) {
        files = QDir(out).entryList(QDir::Files);
        QThread::msleep(200);
    }
    QThread::msleep(2000); // the file is closed before the end message
    ASSERT_EQ(files, QStringList{"clip.mp4"}) << ProgramCopy::Output(converter);
    const std::string file = (out + files[0]).toStdString();
    EXPECT_NEAR(media::ProbeNumber(file, "", "duration"), 2, 1.01) << "trimmed by I and O";
    EXPECT_EQ(media::Probe(file, "v:0", "codec_name")["codec_name"], "h264");

    // Escape closes the progress window: the main window is the only one left.
    Keys({"Escape"});
    QThread::msleep(500);
    EXPECT_EQ(XDoTool({"search", "--onlyvisible", "--name", "."}).split('\n').size(), 1)
        << "the progress window is still open";
    converter.terminate();
    ASSERT_TRUE(converter.waitForFinished(20000));
    EXPECT_EQ(converter.exitCode(), 0);
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
