// mavo-convert on today's devices and sources: the files they play, the estimate before a run,
// refusals before anything is written, and what each result line says of the picture.

#include "ConvertCommand.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace cli_test;

TEST(MavoConvert, TodaysDevicesWriteFilesTheyPlayAndASizeLimitIsKeptOrRefused) {
    ConvertCommand cli;
    const QStringList json = {"--output", cli.Output(), "--json"};
    // A phone, from every kind of input: H.264 High indexed at the front, and a small clip is
    // never enlarged.
    QStringList inputs;
    for (const std::string &type : media::InputTypes())
        inputs << Media(type);
    const Outcome phone = cli.Run(QStringList{"--device", "phone"} + json + inputs);
    ASSERT_EQ(phone.status, 0) << phone.err.toStdString();
    const QList<QJsonObject> made = JsonLines(phone.out);
    ASSERT_EQ(made.size(), inputs.size());
    for (const QJsonObject &one : made)
        EXPECT_EQ(one["plays"].toString(), "plays on Phone / tablet")
            << one["source"].toString().toStdString();
    const QString file = made[inputs.indexOf(Media("mov"))]["output"].toString();
    EXPECT_EQ(VideoSize(file), "320x240");
    EXPECT_EQ(Probe(file, "v:0", "profile")["profile"], "High");
    // The 3000 kbit/s of the 720p frame shrink with the picture, to a quarter at the least.
    EXPECT_LT(media::ProbeNumber(file.toStdString(), "v:0", "bit_rate"), 1200000);
    EXPECT_GE(BoxAt(file, "moov"), 0);
    EXPECT_LT(BoxAt(file, "moov"), BoxAt(file, "mdat"));

    // A TV in HEVC, tagged so that every player opens it.
    const Outcome tv = cli.Run(QStringList{"--device", "tv", "--profile", "TV 1080p HEVC"} + json +
                               QStringList{Media("avi")});
    ASSERT_EQ(tv.status, 0) << tv.err.toStdString();
    const QString hevc = JsonLines(tv.out).value(0)["output"].toString();
    auto video = Probe(hevc, "v:0", "codec_name,codec_tag_string");
    EXPECT_EQ(video["codec_name"], "hevc");
    EXPECT_EQ(video["codec_tag_string"], "hvc1");

    // 90 s into 8 MB: the video gets what the length leaves, and the file fills the limit.
    const std::string long_clip = MakeClip("cli_long.mp4", "testsrc2=size=640x360:rate=30", 90);
    const Outcome share = cli.Run(QStringList{"--device", "share", "--profile", "Share 8 MB"} +
                                  json + QStringList{QString::fromStdString(long_clip)});
    ASSERT_EQ(share.status, 0) << share.err.toStdString();
    const QJsonObject shared = JsonLines(share.out).value(0);
    EXPECT_EQ(shared["plays"].toString(), "plays on Share");
    const long long bytes = media::FileSize(shared["output"].toString().toStdString());
    EXPECT_LE(bytes, 8000000);
    EXPECT_GE(bytes, 8000000 * 85 / 100);

    // Five minutes do not fit 8 MB at a watchable rate: refused before anything is written.
    const std::string too_long = MakeClip("cli_5min.mp4", "testsrc2=size=160x90:rate=5", 300);
    const Outcome refused = cli.Run(QStringList{"--device", "share", "--profile", "0"} + json +
                                    QStringList{QString::fromStdString(too_long)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(JsonLines(refused.out).value(0)["reason"].toString(),
              "the clip is too long for 8.0 MB: at most 4:07 fits");
    EXPECT_FALSE(cli.OutputFiles().contains("cli_5min.mp4"));

    // The listing says what each profile makes, the size limits included.
    const Outcome list = cli.Run({"--list", "--json"});
    ASSERT_EQ(list.status, 0);
    const QJsonArray devices = QJsonDocument::fromJson(list.out.toUtf8())["devices"].toArray();
    ASSERT_EQ(devices.size(), 8);
    const QJsonObject share_device = devices[7].toObject();
    EXPECT_EQ(share_device["device"].toString(), "share");
    EXPECT_EQ(share_device["profiles"][0]["size_limit_bytes"].toDouble(), 8000000);
    EXPECT_EQ(devices[6]["profiles"][1]["video_codec"].toString(), "hevc");
    EXPECT_TRUE(devices[2]["profiles"][0]["size_limit_bytes"].isNull());
}

// Each profile's prediction held against the file the same command then makes: a few seconds of
// moving noise, which every encoder spends its whole rate on.
TEST(MavoConvert, EstimatesTheFileItThenMakesAndWritesNothingBeforehand) {
    ConvertCommand cli;
    const QString never = cli.Home() + "/never";
    struct Case {
        QStringList profile;
        QString codec;
        QString seconds; // of the sample: the mpeg4 encoder needs a while to settle on its rate
    };
    const QList<Case> cases = {{{"--device", "ipod", "--profile", "0"}, "mpeg4", "24"},
                               {{"--device", "phone", "--profile", "1"}, "h264", "6"},
                               {{"--device", "tv", "--profile", "1"}, "hevc", "6"},
                               {{"--device", "share", "--profile", "0"}, "h264", "6"}};
    for (const Case &c : cases) {
        const std::string name = c.profile.join(' ').toStdString();
        const Outcome estimate =
            cli.Run(c.profile + QStringList{"--estimate", "--json", "--sample", c.seconds,
                                            "--output", never, Media("noise")});
        ASSERT_EQ(estimate.status, 0) << name << estimate.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(never)) << name;
        const QList<QJsonObject> lines = JsonLines(estimate.out);
        ASSERT_EQ(lines.size(), 1) << name;
        const QJsonObject predicted = lines[0];
        EXPECT_TRUE(predicted["converts"].toBool()) << name;
        EXPECT_TRUE(predicted["plays"].toString().startsWith("plays on")) << name;
        EXPECT_GT(predicted["seconds"].toDouble(), 0) << name;

        QDir(cli.Output()).removeRecursively();
        const Outcome made =
            cli.Run(c.profile + QStringList{"--json", "--sample", c.seconds, "--output",
                                            cli.Output(), Media("noise")});
        ASSERT_EQ(made.status, 0) << name << made.err.toStdString();
        ASSERT_EQ(cli.OutputFiles().size(), 1) << name;
        const QString file = cli.Output() + "/" + cli.OutputFiles()[0];
        EXPECT_TRUE(cli.OutputFiles()[0].startsWith("noise-sample.")) << name;
        EXPECT_NEAR(media::ProbeNumber(file.toStdString(), "", "duration"), c.seconds.toDouble(),
                    0.5)
            << name;
        EXPECT_EQ(Probe(file, "v:0", "codec_name")["codec_name"], c.codec.toStdString());
        EXPECT_EQ(predicted["frame"].toString().toStdString(), VideoSize(file)) << name;
        const double fps = media::ProbeNumber(file.toStdString(), "v:0", "nb_frames") /
                           media::ProbeNumber(file.toStdString(), "v:0", "duration");
        EXPECT_NEAR(predicted["fps"].toDouble(), fps, 0.5) << name;
        const double bytes = QFileInfo(file).size();
        EXPECT_NEAR(predicted["bytes"].toDouble() / bytes, 1.0, 0.10) << name;
    }
    // The finished clips taught the command this machine's speed, kept with the settings.
    QFile stored(cli.Config() + "/Vidore4.conf");
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QString settings = QString::fromUtf8(stored.readAll());
    for (const char *encoder : {"mpeg4", "libx264", "libx265"})
        EXPECT_TRUE(settings.contains(QRegularExpression(QString("\\b%1=[1-9]").arg(encoder))))
            << settings.toStdString();
}

// A clip whose pictures need far fewer bits than the profile offers comes out far smaller than
// its rates: the estimate converts it (a clip this short whole, a longer one in windows) and
// tells the size the file then has.
TEST(MavoConvert, EstimatesAClipThatNeedsFewerBitsThanItsProfileByConvertingPartsOfIt) {
    ConvertCommand cli;
    const QString calm = cli.Home() + "/calm.mp4";
    ASSERT_EQ(media::Run("ffmpeg -v error -f lavfi -i testsrc2=s=160x120:r=15:d=20 -c:v mpeg4 "
                         "-q:v 2 -y " +
                         media::Quote(calm.toStdString())),
              0);
    for (const QStringList &profile : {QStringList{"--device", "phone", "--profile", "1"},
                                       QStringList{"--device", "ipod", "--profile", "0"}}) {
        const std::string name = profile.join(' ').toStdString();
        const Outcome estimate = cli.Run(profile + QStringList{"--estimate", "--json", calm});
        ASSERT_EQ(estimate.status, 0) << name << estimate.err.toStdString();
        const QList<QJsonObject> lines = JsonLines(estimate.out);
        ASSERT_EQ(lines.size(), 1) << name;
        EXPECT_TRUE(lines[0]["measured"].toBool()) << name;
        EXPECT_TRUE(cli.OutputFiles().isEmpty()) << name;

        const Outcome made = cli.Run(profile + QStringList{"--output", cli.Output(), calm});
        ASSERT_EQ(made.status, 0) << name << made.err.toStdString();
        ASSERT_EQ(cli.OutputFiles().size(), 1) << name;
        const double bytes = QFileInfo(cli.Output() + "/" + cli.OutputFiles()[0]).size();
        EXPECT_NEAR(lines[0]["bytes"].toDouble() / bytes, 1.0, 0.10) << name;
        QDir(cli.Output()).removeRecursively();
    }
}

TEST(MavoConvert, RefusesBeforeWritingWhatWouldNotFitOrCannotBeMade) {
    ConvertCommand cli;
    // A disc nearly full: nothing is converted and nothing written.
    const Outcome full = cli.Run({"--device", "phone", "--output", cli.Output(), Media("noise")},
                                 {"MAVO_FREE_BYTES=3000000"});
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(full.err.contains(QRegularExpression(
        "nothing was converted: the files need [0-9.]+ MB and the output folder has 3.0 MB free")))
        << full.err.toStdString();
    EXPECT_TRUE(cli.OutputFiles().isEmpty());

    // Five minutes do not fit in 8 MB; a file that is no video cannot be read. Each says why,
    // and the estimate fails as the run would.
    const QString longer = cli.Home() + "/long.mp4";
    ASSERT_EQ(media::Run("ffmpeg -v error -f lavfi -i color=c=gray:s=64x64:r=1:d=300 -f lavfi -i "
                         "anullsrc=r=22050:cl=mono -t 300 -c:v libx264 -c:a aac -y " +
                         media::Quote(longer.toStdString())),
              0);
    const Outcome share = cli.Run({"--device", "share", "--profile", "0", "--estimate", "--json",
                                   longer, Media("text"), Media("noise")});
    EXPECT_EQ(share.status, 1);
    const QList<QJsonObject> lines = JsonLines(share.out);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_FALSE(lines[0]["converts"].toBool());
    EXPECT_TRUE(lines[0]["reason"].toString().startsWith("too long for 8.0 MB: at most"))
        << lines[0]["reason"].toString().toStdString();
    EXPECT_FALSE(lines[1]["converts"].toBool());
    EXPECT_EQ(lines[1]["reason"].toString(), "no video the engine can read");
    EXPECT_TRUE(lines[2]["converts"].toBool());
    EXPECT_TRUE(cli.OutputFiles().isEmpty());
}

// Today's sources: HDR is tone-mapped for the phone and kept by the TV's HDR profile, interlaced
// video deinterlaced, and each result line says so with the written colour.
TEST(MavoConvert, ResultLinesCarryTheColourAndWhatBecameOfThePicture) {
    ConvertCommand cli;
    const std::string dir = media::FixtureDir();
    const std::string hdr = dir + "/cli_hlg.mp4", interlaced = dir + "/cli_interlaced.mpg";
    if (!media::Exists(hdr)) {
        ASSERT_EQ(media::Run("ffmpeg -nostdin -v error -y -f lavfi -i "
                             "testsrc2=s=640x360:r=25:d=2 -vf "
                             "format=yuv444p,zscale=tin=709:pin=709:min=709:rin=tv:t=arib-std-"
                             "b67:p=2020:m=2020_ncl:r=tv:npl=100,format=yuv420p10le -c:v libx265 "
                             "-x265-params log-level=error -color_primaries bt2020 -color_trc "
                             "arib-std-b67 -colorspace bt2020nc " +
                             media::Quote(hdr)),
                  0);
    }
    if (!media::Exists(interlaced)) {
        ASSERT_EQ(media::Run("ffmpeg -nostdin -v error -y -f lavfi -i "
                             "testsrc2=s=720x576:r=50:d=2 -vf "
                             "tinterlace=mode=interleave_top,setfield=tff -c:v mpeg2video -flags "
                             "+ilme+ildct -top 1 -b:v 8M " +
                             media::Quote(interlaced)),
                  0);
    }
    const QStringList json = {"--output", cli.Output(), "--json"};
    const Outcome phone =
        cli.Run(QStringList{"--device", "phone"} + json +
                QStringList{QString::fromStdString(hdr), QString::fromStdString(interlaced)});
    ASSERT_EQ(phone.status, 0) << phone.err.toStdString();
    const QList<QJsonObject> lines = JsonLines(phone.out);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0]["colour"]["transfer"].toString(), "bt709");
    EXPECT_EQ(lines[0]["colour"]["range"].toString(), "tv");
    EXPECT_TRUE(lines[0]["tone_mapped"].toBool());
    EXPECT_FALSE(lines[0]["deinterlaced"].toBool());
    EXPECT_TRUE(lines[1]["deinterlaced"].toBool());
    EXPECT_FALSE(lines[1]["tone_mapped"].toBool());
    EXPECT_EQ(lines[1]["colour"]["matrix"].toString(), "bt470bg"); // 625-line video

    const Outcome tv = cli.Run(QStringList{"--device", "tv", "--profile", "TV 2160p HDR"} + json +
                               QStringList{QString::fromStdString(hdr)});
    ASSERT_EQ(tv.status, 0) << tv.err.toStdString();
    const QJsonObject kept = JsonLines(tv.out).value(0);
    EXPECT_EQ(kept["plays"].toString(), "plays on TV / computer");
    EXPECT_EQ(kept["colour"]["transfer"].toString(), "arib-std-b67");
    EXPECT_FALSE(kept["tone_mapped"].toBool());
}

namespace {

// mavo-convert run from a copy of the program folder whose catalogue has one text replaced.
class CopiedProgram {
public:
    bool Make(const QString &old_text, const QString &new_text) {
        const QDir bin = QFileInfo(MAVO_CONVERT).dir();
        for (const QFileInfo &entry : bin.entryInfoList(QDir::Files)) {
            const QString copy = folder_.filePath(entry.fileName());
            if (!QFile::copy(entry.absoluteFilePath(), copy))
                return false;
            QFile::setPermissions(copy, entry.permissions() | QFile::WriteOwner);
        }
        QFile catalogue(folder_.filePath("Output.dll"));
        if (!catalogue.open(QIODevice::ReadWrite))
            return false;
        QString text = QString::fromUtf8(catalogue.readAll());
        if (!text.contains(old_text))
            return false;
        text.replace(old_text, new_text);
        catalogue.resize(0);
        catalogue.write(text.toUtf8());
        return true;
    }
    Outcome Run(const ConvertCommand &home, const QStringList &arguments) const {
        return home.Run(arguments, {}, folder_.filePath("mavo-convert"));
    }

private:
    QTemporaryDir folder_;
};

} // namespace

// A profile above its device's level is refused before any clip is touched, naming the level; a
// file its device cannot play is a failed clip whose file is kept, and the report names it.
TEST(MavoConvert, AProfileAboveTheLevelIsRefusedAndAKeptFileIsNamed) {
    ConvertCommand cli;
    CopiedProgram program;
    // Profile4: 1080p at 60 needs H.264 level 4.2, the phone takes 4.1. Profile5 states no rate,
    // so a fast source keeps its own.
    ASSERT_TRUE(program.Make(
        "ProfileCount=4\nProfile0=Phone 480p",
        "ProfileCount=6\nProfile4=Fast 1080p : Video: 1920x1080, 8000 kbps, 60 fps, Audio: 160 "
        "kbps, 48 khps, 2 Channels Stereo\nProfile5=Any rate : Video: 320x240, 800 kbps,  fps, "
        "Audio: 128 kbps, 48 khps, 2 Channels Stereo\nProfile0=Phone 480p"));
    const Outcome refused = program.Run(cli, {"--device", "phone", "--profile", "Fast 1080p",
                                              "--output", cli.Output(), Media("avi")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains(
        "Phone / tablet cannot play profile 4 of \"phone\": it needs level 4.2 (at most 4.1)"))
        << refused.err.toStdString();
    EXPECT_TRUE(cli.OutputFiles().isEmpty());

    const std::string fast = MakeClip("cli_120fps.mp4", "testsrc2=size=320x240:rate=120", 2);
    const Outcome kept = program.Run(cli, {"--device", "phone", "--profile", "Any rate", "--output",
                                           cli.Output(), "--json", QString::fromStdString(fast)});
    EXPECT_EQ(kept.status, 1) << kept.err.toStdString();
    const QJsonObject report = JsonLines(kept.out).value(0);
    EXPECT_EQ(report["result"].toString(), "failed");
    EXPECT_TRUE(report["plays"].toString().contains("120 frames a second (at most 60)"))
        << report["plays"].toString().toStdString();
    EXPECT_EQ(report["output"].toString(), cli.Output() + "/cli_120fps.mp4");
    EXPECT_TRUE(QFileInfo(report["output"].toString()).isFile());
}

// A file whose first read stalls (a disk spinning up, a share) is waited for: the limit on
// reading headers is on the work, not on the wait. The stall is a lease on the file, which holds
// the engine's open until it is let go.
TEST(MavoConvert, AFileWhoseFirstReadStallsIsReadOnceItComesOrNamedAsLate) {
    ConvertCommand cli;
    const QString slow = cli.Home() + "/slow.avi";
    ASSERT_TRUE(QFile::copy(Media("avi"), slow));
    std::signal(SIGIO, SIG_IGN);
    const int fd = ::open(QFile::encodeName(slow).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) != 0) {
        ::close(fd);
        GTEST_SKIP() << "no file leases here: " << std::strerror(errno);
    }
    QProcess process;
    cli.Start(process, {"--output", cli.Output(), "--json", slow});
    QThread::msleep(3000);
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
    ::close(fd);
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(JsonLines(QString::fromUtf8(process.readAllStandardOutput())).value(0)["result"],
              "converted")
        << err.toStdString();

    // Past the limit (made tiny here) the file is named as not read in time.
    qputenv("MAVO_ENGINE_PROBE_SECONDS", "0.000001");
    const Outcome late = cli.Run({"--output", cli.Output(), slow});
    qunsetenv("MAVO_ENGINE_PROBE_SECONDS");
    EXPECT_EQ(late.status, 1);
    EXPECT_TRUE(late.err.contains(slow + ": the file could not be read in time"))
        << late.err.toStdString();
}
