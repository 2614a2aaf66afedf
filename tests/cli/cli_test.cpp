// mavo-convert as a separate process with a home of its own: its exit status, what it prints,
// and the files it writes, probed with ffprobe.

#include "ConvertCommand.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <unistd.h>

using namespace cli_test;

TEST(MavoConvert, ConvertsForTheChosenDeviceAndProfileAndReportsJson) {
    ConvertCommand cli;
    // A profile by name on one device, by number on another.
    const Outcome phone = cli.Run({"--device", "3gp", "--profile", "phone qcif", "--output",
                                   cli.Output(), "--json", Media("avi"), Media("mov")});
    ASSERT_EQ(phone.status, 0) << phone.err.toStdString();
    const QList<QJsonObject> reports = JsonLines(phone.out);
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[0]["source"].toString(), QFileInfo(Media("avi")).absoluteFilePath());
    EXPECT_EQ(reports[1]["source"].toString(), QFileInfo(Media("mov")).absoluteFilePath());
    for (const QJsonObject &report : reports) {
        EXPECT_EQ(report["result"].toString(), "converted");
        EXPECT_TRUE(report["reason"].isNull());
        EXPECT_TRUE(report["seconds"].isDouble());
        EXPECT_EQ(report["plays"].toString(), "plays on 3GP phone");
        const QString output = report["output"].toString();
        EXPECT_TRUE(output.startsWith(cli.Output() + "/") && output.endsWith(".3gp"))
            << output.toStdString();
        EXPECT_EQ(VideoSize(output), "176x144");
        EXPECT_EQ(Probe(output, "v:0", "codec_name")["codec_name"], "mpeg4");
        auto audio = Probe(output, "a:0", "codec_name,sample_rate,channels");
        EXPECT_EQ(audio["codec_name"], "aac");
        EXPECT_EQ(audio["sample_rate"], "22050");
        EXPECT_EQ(audio["channels"], "1");
        EXPECT_NE(
            Probe(output, "", "format_name:format_tags=major_brand")["major_brand"].find("3gp"),
            std::string::npos);
        // The whole clip: the fixtures are 6 s long.
        EXPECT_NEAR(media::ProbeNumber(output.toStdString(), "", "duration"), 6.0, 0.5);
    }

    const Outcome psp = cli.Run(
        {"--device", "psp", "--profile", "2", "--output", cli.Output(), "--quiet", Media("avi")});
    ASSERT_EQ(psp.status, 0) << psp.err.toStdString();
    EXPECT_TRUE(psp.out.isEmpty());
    const QString psp_file = cli.Output() + "/clip.MP4";
    EXPECT_EQ(VideoSize(psp_file), "480x272");
    EXPECT_EQ(Probe(psp_file, "a:0", "sample_rate")["sample_rate"], "48000");
    EXPECT_EQ(Probe(psp_file, "", "format_name:format_tags=major_brand")["major_brand"], "MSNV");
}

TEST(MavoConvert, StartsFromTheStoredDeviceFolderAndKeepRatio) {
    ConvertCommand cli;
    const QString stored_folder = cli.Home() + "/stored";
    cli.Store("OutputFolder=" + stored_folder + "/\nKeepRatio=1\nDeviceType=4\n");
    const Outcome outcome = cli.Run({Media("hd")});
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    // The "mp4" device's default profile is 640x480; a 16:9 clip gets bands above and below.
    const QString file = stored_folder + "/hd.MP4";
    ASSERT_TRUE(QFileInfo::exists(file)) << outcome.out.toStdString();
    EXPECT_EQ(VideoSize(file), "640x480");
    EXPECT_EQ(Probe(file, "", "format_name:format_tags=major_brand")["major_brand"], "isom");
    const auto px = media::GreyFrame(file.toStdString(), 4, 640, 480);
    ASSERT_EQ(px.size(), 640u * 480u);
    EXPECT_LT(RowsBrightness(px, 640, 0, 56), 20.0);
    EXPECT_LT(RowsBrightness(px, 640, 424, 480), 20.0);
    EXPECT_GT(RowsBrightness(px, 640, 100, 380), 40.0);

    // --output wins over the stored folder; the whole picture without bands when the stored
    // choice is off.
    cli.Store("OutputFolder=" + stored_folder + "/\nKeepRatio=0\nDeviceType=4\n");
    ASSERT_EQ(cli.Run({"--output", cli.Output(), Media("hd")}).status, 0);
    const auto full = media::GreyFrame((cli.Output() + "/hd.MP4").toStdString(), 4, 640, 480);
    ASSERT_EQ(full.size(), 640u * 480u);
    EXPECT_GT(RowsBrightness(full, 640, 0, 56), 20.0);
}

TEST(MavoConvert, NumbersOutputsInsteadOfOverwriting) {
    ConvertCommand cli;
    QFile existing(cli.Output() + "/clip.MP4");
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("not ours to overwrite");
    existing.close();
    const Outcome outcome =
        cli.Run({"--device", "ipod", "--output", cli.Output(), Media("avi"), Media("avi")});
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    EXPECT_EQ(cli.OutputFiles(), QStringList({"clip.MP4", "clip1.MP4", "clip2.MP4"}));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "not ours to overwrite");
    EXPECT_EQ(VideoSize(cli.Output() + "/clip2.MP4"), "320x240");
    // Each converted clip is named with its output.
    EXPECT_TRUE(outcome.out.contains(cli.Output() + "/clip1.MP4"));
    EXPECT_TRUE(outcome.out.contains(cli.Output() + "/clip2.MP4"));
    // Not on a terminal: no progress line in between.
    EXPECT_FALSE(outcome.err.contains("[1/2]")) << outcome.err.toStdString();
}

TEST(MavoConvert, OnATerminalShowsProgressOfTheClipAndTheList) {
    ConvertCommand cli;
    const QString command =
        QStringList({MAVO_CONVERT, "--output", cli.Output(), Media("avi"), Media("mov")})
            .replaceInStrings(QRegularExpression("^(.*)$"), "'\\1'")
            .join(' ');
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", cli.Home());
    env.insert("XDG_CONFIG_HOME", cli.Config());
    process.setProcessEnvironment(env);
    process.start("script", {"-qec", command, "/dev/null"});
    ASSERT_TRUE(process.waitForFinished(300000));
    EXPECT_EQ(process.exitCode(), 0);
    const QString screen = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpression clip_line(
        R"(\[(\d)/2\] (clip\.\w+)  \d+ %  .+ left  \|  all  \d+ %  .+ left)");
    QStringList seen;
    for (auto it = clip_line.globalMatch(screen); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        seen << m.captured(1) + " " + m.captured(2);
    }
    seen.removeDuplicates();
    EXPECT_EQ(seen, QStringList({"1 clip.avi", "2 clip.mov"})) << screen.toStdString();
    EXPECT_EQ(cli.OutputFiles(), QStringList({"clip.MP4", "clip1.MP4"}));
}

TEST(MavoConvert, ListNumbersTheProfilesThatProfileTakes) {
    ConvertCommand cli;
    cli.Store("DeviceType=1\n");
    const Outcome listing = cli.Run({"--list"});
    ASSERT_EQ(listing.status, 0) << listing.err.toStdString();
    for (const char *device : {"3gp", "psp", "ipod", "pda", "mp4"})
        EXPECT_TRUE(listing.out.contains(
            QRegularExpression(QString("^%1\\b").arg(device), QRegularExpression::MultilineOption)))
            << device;
    EXPECT_TRUE(listing.out.contains("psp (default device)"));
    EXPECT_FALSE(listing.out.contains("ipod (default device)"));
    // The psp profile listed as number 1 is the one "--profile 1" converts with.
    const QString psp = listing.out.section("psp (default device)\n", 1).section("ipod", 0, 0);
    const QRegularExpressionMatch one = QRegularExpression(R"(^\s+\*?\s*1\s+.*Video: (\d+x\d+),)",
                                                           QRegularExpression::MultilineOption)
                                            .match(psp);
    ASSERT_TRUE(one.hasMatch()) << psp.toStdString();
    ASSERT_EQ(cli.Run({"--profile", "1", "--output", cli.Output(), Media("mov")}).status, 0);
    EXPECT_EQ(VideoSize(cli.Output() + "/clip.MP4"), one.captured(1).toStdString());
}

TEST(MavoConvert, UsageErrorsEndWithStatusTwoAndWriteNothing) {
    ConvertCommand cli;
    struct Case {
        QStringList arguments;
        QString message;
    };
    const QList<Case> cases = {
        {{"--output", cli.Output()}, "no file to convert"},
        {{"--device", "walkman", Media("avi")}, "unknown device \"walkman\""},
        {{"--device", "psp", "--profile", "9", Media("avi")}, "unknown profile 9 for \"psp\""},
        {{"--profile", "No Such Player", Media("avi")}, "unknown profile \"No Such Player\""},
        {{"--profile"}, "--profile needs a value"},
        {{"--fast", Media("avi")}, "unknown option --fast"},
    };
    for (const Case &c : cases) {
        const Outcome outcome = cli.Run(c.arguments);
        EXPECT_EQ(outcome.status, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains("Usage: mavo-convert"));
    }
    EXPECT_TRUE(cli.OutputFiles().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(cli.Home() + "/MavoOutput"));
}

TEST(MavoConvert, FilesThatCannotBeConvertedAreNamedWithTheirReason) {
    ConvertCommand cli;
    const QString missing = cli.Home() + "/gone.avi";
    const QString text = QString::fromStdString(media::Fixture("text"));
    const Outcome outcome =
        cli.Run({"--output", cli.Output(), "--json", missing, Media("avi"), text});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.err.contains(missing + ": no such file")) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains(text + ": no video the engine can read"))
        << outcome.err.toStdString();
    EXPECT_EQ(cli.OutputFiles(), QStringList({"clip.MP4"}));
    int failed = 0;
    for (const QJsonObject &report : JsonLines(outcome.out)) {
        if (report["result"].toString() != "failed")
            continue;
        ++failed;
        EXPECT_TRUE(report["output"].isNull());
        EXPECT_FALSE(report["reason"].toString().isEmpty());
    }
    EXPECT_EQ(failed, 2);
}

TEST(MavoConvert, TheSoundTrackIsChosenByNumberOrLanguageAndAMissingOneIsAUsageError) {
    ConvertCommand cli;
    const Outcome chosen = cli.Run({"--output", cli.Output(), "--audio", "1", Media("tracks")});
    ASSERT_EQ(chosen.status, 0) << chosen.err.toStdString();
    ASSERT_EQ(cli.OutputFiles().size(), 1);
    EXPECT_EQ(Probe(cli.Output() + "/" + cli.OutputFiles().first(), "a:0",
                    "codec_name:stream_tags=language")["language"],
              "eng");
    const Outcome missing = cli.Run({"--output", cli.Output(), "--audio", "ger", Media("tracks")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains(Media("tracks") +
                                     " has no sound track \"ger\" (its sound tracks: 1: English, "
                                     "5.1; 2: French, stereo (default))"))
        << missing.err.toStdString();
    EXPECT_TRUE(missing.err.contains("Usage: mavo-convert"));
    const Outcome bad = cli.Run({"--audio", "0", Media("tracks")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains("bad sound track \"0\"")) << bad.err.toStdString();
    EXPECT_EQ(cli.OutputFiles().size(), 1);
    // The subtitle choice reaches the engine, which names what is missing.
    const Outcome burn =
        cli.Run({"--output", cli.Output(), "--subtitles", "burn:3", Media("tracks")});
    EXPECT_EQ(burn.status, 1);
    EXPECT_TRUE(burn.err.contains(Media("tracks") + ": no subtitle track 3 in the input"))
        << burn.err.toStdString();
    const Outcome bad_subtitles = cli.Run({"--subtitles", "burn:", Media("tracks")});
    EXPECT_EQ(bad_subtitles.status, 2);
    EXPECT_TRUE(bad_subtitles.err.contains("bad subtitle choice \"burn:\""));
    EXPECT_EQ(cli.OutputFiles().size(), 1);
}

TEST(MavoConvert, AVideoTheEngineHasNoDecoderForIsNamedByItsCodec) {
    const std::string vvc = media::TodayFile("real_vvc_320x180.mp4");
    if (vvc.empty())
        GTEST_SKIP() << "the real files of today's sources are not there";
    ConvertCommand cli;
    const Outcome outcome = cli.Run({"--output", cli.Output(), QString::fromStdString(vvc)});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.err.contains(": H.266/VVC video cannot be read"))
        << outcome.err.toStdString();
}

TEST(MavoConvert, InterruptStopsTheClipRemovesItsOutputAndEndsWith130) {
    ConvertCommand cli;
    const std::string clip = MakeClip("cli_long.mp4", "testsrc2=size=640x360:rate=30", 90);
    QProcess process;
    cli.Start(process, {"--device", "mp4", "--profile", "3", "--output", cli.Output(),
                        QString::fromStdString(clip), Media("avi")});
    // Interrupted once the engine is writing.
    bool writing = false;
    for (int i = 0; i < 1200 && !writing && process.state() == QProcess::Running; ++i) {
        const QStringList files = cli.OutputFiles();
        writing = !files.isEmpty() && QFileInfo(cli.Output() + "/" + files[0]).size() > 0;
        if (!writing)
            QThread::msleep(50);
    }
    ASSERT_TRUE(writing) << process.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_TRUE(cli.OutputFiles().isEmpty()) << cli.OutputFiles().join(' ').toStdString();
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains("stopped"));
}
