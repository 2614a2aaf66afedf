// The real program on an X display of its own (run under xvfb-run): clips added through the file
// dialog, Convert and Start pressed as a user presses them, the outputs judged by ffprobe.
#include "desktop_support.h"
#include "media.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <QPoint>
#include <QRegularExpression>
#include <QSettings>
#include <gtest/gtest.h>

TEST(RunDesktop, ClipsAddedThroughTheDialogAreConvertedByConvertAndStart) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess converter;
    program.Start(converter, "");
    const QString main = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(main.isEmpty()) << ProgramCopy::Output(converter);
    QThread::msleep(500);

    const std::string clips[] = {media::Fixture("avi"), media::Fixture("wmv"),
                                 media::Fixture("mov")};
    for (const std::string &clip : clips) {
        ClickAt(main, SkinPlace(program.Folder(), "MainWindow", "TB_AddFile").center());
        const QString dialog = WaitForWindowOtherThan("Vidore4 Converter", 5000);
        ASSERT_FALSE(dialog.isEmpty()) << "the add button opened no dialog";
        XDoTool({"windowfocus", "--sync", dialog});
        XDoTool({"type", "--delay", "5", QString::fromStdString(clip)});
        XDoTool({"key", "Return"});
        QThread::msleep(1500); // the engine reads the clip's details and picture
    }

    ClickAt(main, SkinPlace(program.Folder(), "MainWindow", "TB_Convert").center());
    QThread::msleep(1000);
    ClickProgressStart(program.Folder());

    const QString out = program.Home() + "/MavoOutput/";
    QElapsedTimer waited;
    waited.start();
    QStringList files;
    while (waited.elapsed() < 120000) {
        files = QDir(out).entryList({"*.MP4"}, QDir::Files, QDir::Name);
        if (files.size() == 3)
            break;
        QThread::msleep(200);
    }
    ASSERT_EQ(files, QStringList({"clip.MP4", "clip1.MP4", "clip2.MP4"}))
        << ProgramCopy::Output(converter);
    QThread::msleep(1500); // the last file is closed before the end message
    for (const QString &name : files) {
        const std::string file = (out + name).toStdString();
        EXPECT_EQ(media::Probe(file, "v:0", "codec_name").at("codec_name"), "mpeg4");
        EXPECT_NEAR(media::ProbeNumber(file, "", "duration"), 6, 0.3) << file;
    }
    converter.terminate();
    ASSERT_TRUE(converter.waitForFinished(20000));
    EXPECT_EQ(converter.exitCode(), 0);
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
