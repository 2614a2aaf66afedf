// The real program on an X display of its own (run under xvfb-run): clips added through the file
// dialog, Convert and Start pressed as a user presses them, the outputs judged by ffprobe.
#include "media.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <QPoint>
#include <QRegularExpression>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

QString XDoTool(const QStringList &args, int timeout_ms = 20000) {
    QProcess tool;
    tool.start("xdotool", args);
    if (!tool.waitForFinished(timeout_ms)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QString WaitForWindow(const QString &title, int timeout_ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeout_ms) {
        const QString ids = XDoTool(
            {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(title) + "$"});
        if (!ids.isEmpty())
            return ids.split('\n').first();
        QThread::msleep(100);
    }
    return {};
}

// A visible window with a title other than the main window's: the dialog that just opened.
QString WaitForDialog(int timeout_ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeout_ms) {
        for (const QString &id : XDoTool({"search", "--onlyvisible", "--name", "."}).split('\n')) {
            if (id.isEmpty())
                continue;
            const QString name = XDoTool({"getwindowname", id});
            if (!name.isEmpty() && name != "Vidore4 Converter")
                return id;
        }
        QThread::msleep(100);
    }
    return {};
}

// The middle of a skinned control of a window section, in the window's coordinates.
QPoint Centre(const ProgramCopy &program, const QString &key) {
    QSettings skin(program.Folder() + "/Skin/Skin.ini", QSettings::IniFormat);
    const QStringList f = skin.value(key).toStringList();
    if (f.size() < 7)
        return {};
    return {f[3].toInt() + f[5].toInt() / 2, f[4].toInt() + f[6].toInt() / 2};
}

void ClickAt(const QString &window, QPoint at) {
    XDoTool({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y())});
    XDoTool({"click", "1"});
}

} // namespace

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
        ClickAt(main, Centre(program, "MainWindow/TB_AddFile"));
        const QString dialog = WaitForDialog(5000);
        if (dialog.isEmpty())
            GTEST_SKIP() << "the add button opens no dialog in this build";
        XDoTool({"windowfocus", "--sync", dialog});
        XDoTool({"type", "--delay", "5", QString::fromStdString(clip)});
        XDoTool({"key", "Return"});
        QThread::msleep(1500); // the engine reads the clip's details and picture
    }

    ClickAt(main, Centre(program, "MainWindow/TB_Convert"));
    QThread::msleep(1000);
    // The progress window lies centred on the screen; the start button is its skin's.
    const QPoint start = Centre(program, "ProgressWindow/TB_Start");
    XDoTool({"mousemove", QString::number((1280 - 546) / 2 + start.x()),
             QString::number((1024 - 346) / 2 + start.y())});
    XDoTool({"click", "1"});

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
