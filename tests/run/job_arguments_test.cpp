// The job record and the 38 texts handed to the engine.
#include "engine/JobArguments.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kMyPlayer = "My Player : Video: 320x240, 768 kbps, 25 fps, Audio: 128 kbps, "
                          "44.1 khps, 2 Channels Stereo";

ProfileSettings Profile(const QString &text = kMyPlayer) {
    const std::optional<ProfileSettings> settings = ReadProfileSettings(text, ".MP4", "mp4");
    EXPECT_TRUE(settings.has_value()) << text.toStdString();
    return settings.value_or(ProfileSettings{});
}

bool NothingTaken(const QString &) {
    return false;
}

} // namespace

TEST(ArgumentList, TheExampleJobGivesThe38TextsInOrder) {
    const ClipSource clip{"/videos/party.avi", 10, 70, 640, 480};
    const TConvertDef job = PrepareClip(clip, Profile(), "/MavoOutput/", false, NothingTaken);
    const QStringList expected = {"Clipmorph.exe",
                                  "-y",
                                  "-ss",
                                  "00:00:10",
                                  "-t",
                                  "60",
                                  "-i",
                                  "/videos/party.avi",
                                  "-vol",
                                  "100",
                                  "-bitexact",
                                  "-vcodec",
                                  "mpeg4",
                                  "-padtop",
                                  "0",
                                  "-padbottom",
                                  "0",
                                  "-padleft",
                                  "0",
                                  "-padright",
                                  "0",
                                  "-s",
                                  "320x240",
                                  "-r",
                                  "25",
                                  "-b",
                                  "768",
                                  "-acodec",
                                  "aac",
                                  "-ac",
                                  "2",
                                  "-ar",
                                  "44100",
                                  "-ab",
                                  "128",
                                  "-f",
                                  "mp4",
                                  "/MavoOutput/party.MP4"};
    EXPECT_EQ(ArgumentList(job), expected);
    EXPECT_EQ(job.Length, 60);
    EXPECT_EQ(job.StopText, "00:01:10");
}

TEST(ArgumentList, ProfileTextsAreReadTheEnginesWay) {
    // Either case of the separator; the size goes to the engine lower-cased.
    const ProfileSettings upper =
        Profile("Big : Video: 320X240, 768 kbps, 29.97 fps, Audio: 96 kbps, 22.05 khps, "
                "1 Channel Mono");
    EXPECT_EQ(upper.Size, "320x240");
    EXPECT_EQ(upper.ProfileWidth, 320);
    EXPECT_EQ(upper.ProfileHeight, 240);
    EXPECT_EQ(upper.FrameRate, "29.97");
    EXPECT_EQ(upper.SamplingRate, "22050");
    EXPECT_EQ(upper.Channels, "1");
    EXPECT_EQ(Profile("A : Video: 176x144, 64 kbps, 15 fps, Audio: 16 kbps, 8 khps, 1 Channel "
                      "Mono")
                  .SamplingRate,
              "8000");
    // Without a usable resolution there are no settings.
    EXPECT_FALSE(ReadProfileSettings("Add my profile...", ".MP4", "mp4").has_value());
    EXPECT_FALSE(ReadProfileSettings("A : Video: 1x, 64 kbps", ".MP4", "mp4").has_value());
}

TEST(ArgumentList, KeepRatioPadsTheFrameAndEveryListStays38Long) {
    struct Case {
        int32_t w, h, pw, ph;
        Padding pad;
    };
    const Case cases[] = {
        {640, 480, 320, 240, {0, 0, 0, 0}},     // same shape: 320 / 1.3333334 gives 239
        {1280, 720, 320, 240, {30, 30, 0, 0}},  // just under 180 truncates to 179
        {720, 480, 320, 240, {12, 12, 0, 0}},   // 213: 27 / 2 = 13, odd, 12
        {720, 576, 320, 240, {0, 0, 10, 10}},   // narrower: 300 wide
        {352, 288, 320, 240, {0, 0, 12, 12}},   // 293: 13, odd, 12
        {1920, 1080, 720, 480, {38, 38, 0, 0}}, // 16:9 into 3:2: 404 high
        {0, 0, 320, 240, {0, 0, 0, 0}},         // no size known: no bands
    };
    const ProfileSettings base = Profile();
    for (const Case &c : cases) {
        ProfileSettings profile = base;
        profile.ProfileWidth = c.pw;
        profile.ProfileHeight = c.ph;
        const ClipSource clip{"/v/clip.mpg", 0, 5, c.w, c.h};
        const QStringList on = ArgumentList(PrepareClip(clip, profile, "/o/", true, NothingTaken));
        ASSERT_EQ(on.size(), kArgumentCount);
        const std::string at = std::to_string(c.w) + "x" + std::to_string(c.h);
        EXPECT_EQ(on[14], QString::number(c.pad.Top)) << at;
        EXPECT_EQ(on[16], QString::number(c.pad.Bottom)) << at;
        EXPECT_EQ(on[18], QString::number(c.pad.Left)) << at;
        EXPECT_EQ(on[20], QString::number(c.pad.Right)) << at;
        const QStringList off =
            ArgumentList(PrepareClip(clip, profile, "/o/", false, NothingTaken));
        ASSERT_EQ(off.size(), kArgumentCount);
        EXPECT_EQ(QStringList({off[14], off[16], off[18], off[20]}),
                  QStringList({"0", "0", "0", "0"}));
    }
}

TEST(ArgumentList, OutputNamesNeverOverwriteAndKeepOddNames) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    const ProfileSettings profile = Profile();
    auto output = [&](const QString &input) {
        return PrepareClip({input, 0, 5, 320, 240}, profile, folder, false).Output;
    };
    EXPECT_EQ(output("/videos/party.avi"), folder + "party.MP4");
    for (const char *taken : {"party.MP4", "party1.MP4"}) {
        QFile file(folder + taken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(output("/videos/party.avi"), folder + "party2.MP4");
    // A dangling link is taken too: writing there would write somewhere else.
    ASSERT_TRUE(QFile::link(folder + "nowhere", folder + "party2.MP4"));
    EXPECT_EQ(output("/videos/party.avi"), folder + "party3.MP4");
    EXPECT_EQ(output("/videos/party"), folder + "party3.MP4") << "no extension: the whole name";
    EXPECT_EQ(output("/videos/my.holiday.mpg"), folder + "my.holiday.MP4");
    EXPECT_EQ(output("/videos/.avi"), folder + ".avi.MP4");
}

TEST(ArgumentList, StartTextsPastADayAndOptionLikeNames) {
    const ProfileSettings profile = Profile();
    const TConvertDef day =
        PrepareClip({"/v/a.avi", 86400, 86410, 0, 0}, profile, "/o/", false, NothingTaken);
    EXPECT_EQ(ArgumentList(day)[3], "24:00:00");
    const TConvertDef later =
        PrepareClip({"/v/a.avi", 90000, 90061, 0, 0}, profile, "/o/", false, NothingTaken);
    const QStringList args = ArgumentList(later);
    EXPECT_EQ(args[3], "25:00:00") << "the engine must start 25 hours in";
    EXPECT_EQ(args[5], "61");
    EXPECT_EQ(later.StopText, "00:00:00") << "the display keeps its own rule";
    EXPECT_EQ(EngineTimeText(3599), "00:59:59");
    EXPECT_EQ(EngineTimeText(360000), "100:00:00");

    // Names that look like options stay values: the input after "-i", the output last.
    const QStringList odd = ArgumentList(
        PrepareClip({"/v/-y.avi", 0, 4, 320, 240}, profile, "/o/", false, NothingTaken));
    EXPECT_EQ(odd[6], "-i");
    EXPECT_EQ(odd[7], "/v/-y.avi");
    EXPECT_EQ(odd[37], "/o/-y.MP4");
    EXPECT_EQ(odd.count("-y"), 1);
}
