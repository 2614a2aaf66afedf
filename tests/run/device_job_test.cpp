// The jobs of today's devices and the read-back check of what a device plays.
#include "engine/DeviceJob.h"
#include "engine/PlayCheck.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const QString kPhone720 = "Phone 720p : Video: 1280x720, 3000 kbps, 30 fps, Audio: 160 kbps, "
                          "48 khps, 2 Channels Stereo";
const QString kShare8 = "Share 8 MB : Video: 1280x720, 5000 kbps, 30 fps, Audio: 96 kbps, "
                        "48 khps, 2 Channels Stereo";
const ClipSource kClip{"/videos/party.avi", 0, 20, 640, 480};

bool NothingTaken(const QString &) {
    return false;
}

ProfileSettings Settings(const QString &text, int32_t device, ProfileExtras extras = {}) {
    auto settings = DeviceProfileSettings(text, *DeviceRowFor(device), extras);
    EXPECT_TRUE(settings.has_value());
    return settings.value_or(ProfileSettings{});
}

QStringList Arguments(const ProfileSettings &profile, ClipSource clip = kClip) {
    return EngineArguments(PrepareDeviceClip(clip, profile, "/out/", true, NothingTaken));
}

void Put(char *field, size_t size, const char *text) {
    std::strncpy(field, text, size - 1);
}

// What a 1280x720 H.264 High 3.1 file made for a phone reads back as.
MediaFacts PhoneFile() {
    MediaFacts f{};
    f.readable = 1;
    Put(f.container, sizeof f.container, "mp4");
    f.index_at_front = 1;
    Put(f.video_codec, sizeof f.video_codec, "h264");
    Put(f.video_profile, sizeof f.video_profile, "High");
    f.video_level = 31;
    f.width = 1280;
    f.height = 720;
    f.fps_milli = 29970;
    f.video_kbps = 2900;
    f.bit_depth = 8;
    f.chroma_420 = 1;
    Put(f.audio_codec, sizeof f.audio_codec, "aac");
    Put(f.audio_profile, sizeof f.audio_profile, "LC");
    f.sample_rate = 48000;
    f.channels = 2;
    return f;
}

} // namespace

TEST(DeviceJob, TodaysDevicesFitThePictureWithTheirOptionsAndTheClassicListStays38Texts) {
    const QStringList phone = Arguments(Settings(kPhone720, 5), {"/v/party.avi", 0, 20, 1280, 720});
    ASSERT_EQ(phone.size(), 38 + 10);
    // The level is the most the device's row allows, so the encoder keeps to it.
    EXPECT_EQ(phone.mid(37, 10),
              (QStringList{"-fit", "-preset", "fast", "-vprofile", "high", "-faststart", "-level",
                           "4.1", "-subtitles", "keep"}));
    EXPECT_EQ(phone.last(), "/out/party.mp4");
    EXPECT_EQ(phone[phone.indexOf("-vcodec") + 1], "libx264");
    // Keep-ratio bands belong to the classic players: a fitted picture has none.
    EXPECT_EQ(phone[phone.indexOf("-padtop") + 1], "0");
    EXPECT_EQ(phone[phone.indexOf("-padleft") + 1], "0");

    const QStringList hevc = Arguments(Settings(kPhone720, 6, {"hevc", 0}));
    EXPECT_EQ(hevc[hevc.indexOf("-vcodec") + 1], "libx265");
    EXPECT_EQ(hevc[hevc.indexOf("-vprofile") + 1], "main");
    EXPECT_EQ(hevc[hevc.indexOf("-vtag") + 1], "hvc1");
    EXPECT_EQ(hevc[hevc.indexOf("-level") + 1], "5.1");
    const QStringList tv = Arguments(Settings(kPhone720, 6));
    EXPECT_EQ(tv[tv.indexOf("-level") + 1], "4.2");

    const QString ipod = "iPod Video : Video: 320x240, 768 kbps, 29.97 fps, Audio: 128 kbps, "
                         "44.1 khps, 2 Channels Stereo";
    const ProfileSettings classic = Settings(ipod, 2);
    const ClipSource wide{"/videos/party.avi", 0, 20, 1280, 720};
    const TConvertDef job = PrepareDeviceClip(wide, classic, "/out/", true, NothingTaken);
    EXPECT_EQ(EngineArguments(job), ArgumentList(job));
    EXPECT_EQ(ArgumentList(job).size(), kArgumentCount);
    EXPECT_EQ(job.PadTop, "30"); // the classic players still get their bands
}

TEST(DeviceJob, ASizeCappedClipGetsTheFrameItsBitRateCarriesAndTheTarget) {
    const ProfileSettings share = Settings(kShare8, 7, {{}, 8000000});
    const auto frame_for = [&](int32_t seconds) {
        const QStringList args = Arguments(share, {"/v/a.avi", 0, seconds, 1920, 1080});
        EXPECT_EQ(args[args.indexOf("-fs") + 1], "8000000");
        EXPECT_FALSE(args.contains("-subtitles"));
        return args[args.indexOf("-s") + 1];
    };
    EXPECT_EQ(frame_for(20), "1280x720"); // 2.9 Mbit/s left for the video
    EXPECT_EQ(frame_for(45), "960x540");  // 1.25 Mbit/s
    EXPECT_EQ(frame_for(60), "854x480");  // 0.92 Mbit/s
    EXPECT_EQ(frame_for(150), "640x360"); // 0.31 Mbit/s
    // A trimmed clip counts its marks, not the whole source.
    EXPECT_EQ(Arguments(share, {"/v/a.avi", 100, 120, 1920, 1080}).at(22), "1280x720");
}

TEST(PlayCheck, AFileIsHeldAgainstItsDevicesLimitsAndEveryFaultIsNamed) {
    const DeviceRow phone = *DeviceRowFor(5);
    EXPECT_TRUE(JudgePlayback(PhoneFile(), phone).Plays);
    EXPECT_EQ(JudgePlayback(PhoneFile(), phone).Text, "plays on Phone / tablet");
    // Portrait is the same frame turned.
    MediaFacts portrait = PhoneFile();
    portrait.width = 1080;
    portrait.height = 1920;
    EXPECT_TRUE(JudgePlayback(portrait, phone).Plays);

    MediaFacts bad = PhoneFile();
    bad.index_at_front = 0;
    bad.video_level = 51;
    bad.width = 3840;
    bad.height = 2160;
    Put(bad.audio_profile, sizeof bad.audio_profile, "HE-AAC");
    const PlayVerdict verdict = JudgePlayback(bad, phone);
    EXPECT_FALSE(verdict.Plays);
    EXPECT_EQ(verdict.Text, "Phone / tablet cannot play it: its index at the end of the file, "
                            "level 5.1 (at most 4.1), the frame 3840x2160 (at most 1920x1080), "
                            "AAC of the HE-AAC profile");

    // The classic iPod: MPEG-4 Simple Profile at a level whose limits the file keeps.
    MediaFacts ipod = PhoneFile();
    Put(ipod.video_codec, sizeof ipod.video_codec, "mpeg4");
    Put(ipod.video_profile, sizeof ipod.video_profile, "Simple Profile");
    ipod.video_level = 1;
    ipod.width = 320;
    ipod.height = 240;
    ipod.video_kbps = 700;
    ipod.index_at_front = 0;
    EXPECT_TRUE(JudgePlayback(ipod, *DeviceRowFor(2)).Plays);
    // A clip of one picture is judged over a second: its key picture alone is no sustained rate.
    MediaFacts one = ipod;
    one.duration_ms = 42;
    one.video_kbps = 4390;
    EXPECT_TRUE(JudgePlayback(one, *DeviceRowFor(2)).Plays);
    one.duration_ms = 2000;
    EXPECT_EQ(JudgePlayback(one, *DeviceRowFor(2)).Text,
              "iPod cannot play it: 4390 kbps of video (at most 2500)");
    EXPECT_EQ(JudgePlayback(PhoneFile(), *DeviceRowFor(2)).Text, "iPod cannot play it: h264 video");
    MediaFacts unread{};
    EXPECT_EQ(JudgePlayback(unread, phone).Text,
              "Phone / tablet cannot play it: the file cannot be read back");
}

// PQ, HLG and 10-bit pictures play only where the TV's HDR profile made them.
TEST(PlayCheck, HighDynamicRangeFailsEveryDeviceButTheHdrProfile) {
    const DeviceRow tv = *DeviceRowFor(6);
    MediaFacts hdr = PhoneFile();
    Put(hdr.video_codec, sizeof hdr.video_codec, "hevc");
    Put(hdr.video_profile, sizeof hdr.video_profile, "Main 10");
    hdr.video_level = 51;
    hdr.bit_depth = 10;
    Put(hdr.color_transfer, sizeof hdr.color_transfer, "smpte2084");
    EXPECT_EQ(JudgePlayback(hdr, tv).Text, "TV / computer cannot play it: HDR video (PQ), "
                                           "pictures other than 8-bit 4:2:0");
    EXPECT_TRUE(JudgePlayback(hdr, tv, true).Plays);
    MediaFacts phone_file = PhoneFile();
    Put(phone_file.color_transfer, sizeof phone_file.color_transfer, "arib-std-b67");
    EXPECT_EQ(JudgePlayback(phone_file, *DeviceRowFor(5)).Text,
              "Phone / tablet cannot play it: HDR video (HLG)");
    // The HDR profile's settings: HEVC Main 10 that keeps the range.
    const ProfileSettings kept =
        Settings("TV 2160p HDR : Video: 3840x2160, 16000 kbps, 30 fps, Audio: 192 kbps, 48 khps, 2 "
                 "Channels Stereo",
                 6, {QStringLiteral("hevc-hdr"), 0});
    EXPECT_TRUE(kept.KeepsHdr);
    const QStringList args = Arguments(kept, {"/v/a.mov", 0, 10, 3840, 2160});
    EXPECT_EQ(args[args.indexOf("-vprofile") + 1], "main10");
    EXPECT_TRUE(args.contains("-hdr"));
}
