// The options beyond the classic list through _X, the outputs read back with
// Mydll_GetMediaFacts and checked against ffprobe.
#include "engine_session.h"
#include "media.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

MediaFacts Facts(const std::string &file) {
    MediaFacts f{};
    EXPECT_EQ(Mydll_GetMediaFacts(file.c_str(), &f), 0) << file;
    return f;
}

std::string LastLine(const EngineSession &engine) {
    auto lines = engine.Lines();
    return lines.empty() ? std::string() : lines.back();
}

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

} // namespace

TEST(EngineOptions, H264HighAtLevel41WithTheIndexInFront) {
    std::string out = media::ScratchDir("opt_h264") + "/high.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert({"-y", "-t", "2", "-i", media::Fixture("mp4"), "-vcodec", "libx264",
                              "-preset", "superfast", "-vprofile", "high", "-level", "4.1", "-b",
                              "600", "-faststart", "-acodec", "aac", out}),
              0)
        << LastLine(engine);
    MediaFacts f = Facts(out);
    EXPECT_STREQ(f.container, "mp4");
    EXPECT_EQ(f.index_at_front, 1);
    EXPECT_STREQ(f.video_codec, "h264");
    EXPECT_STREQ(f.video_tag, "avc1");
    EXPECT_STREQ(f.video_profile, "High");
    EXPECT_EQ(f.video_level, 41);
    EXPECT_EQ(f.bit_depth, 8);
    EXPECT_EQ(f.chroma_420, 1);
    EXPECT_STREQ(f.audio_profile, "LC");
    EXPECT_EQ(f.fps_milli, 25000);
    // The facts say what ffprobe says.
    auto v = media::Probe(out, "v:0", "profile,level,bit_rate");
    EXPECT_EQ(v["profile"] + " " + v["level"], "High 41");
    EXPECT_NEAR(f.video_kbps, std::stod(v["bit_rate"]) / 1000, 2);
    // x264 notes its settings in the stream: the buffer model of the level, twice the bit rate.
    EXPECT_NE(Slurp(out).find("vbv_maxrate=1200 vbv_bufsize=1200"), std::string::npos);
}

// A file still in its first half and all noise in its second: the second half's rate is told
// apart from the whole file's.
TEST(EngineOptions, TheFactsTellTheVideosSecondHalfApart) {
    const std::string file = media::ScratchDir("opt_late") + "/calm_then_busy.mp4";
    ASSERT_EQ(
        media::Run("ffmpeg -v error -f lavfi -i color=c=gray:s=320x240:r=25:d=2 -f lavfi "
                   "-i 'nullsrc=s=320x240:r=25:d=2,geq=random(1)*255:128:128' -filter_complex "
                   "'[0][1]concat=n=2' -c:v mpeg4 -q:v 4 -y " +
                   media::Quote(file)),
        0);
    const MediaFacts f = Facts(file);
    auto sizes = media::Probe(file, "v:0", "bit_rate");
    std::string late_bytes;
    ASSERT_EQ(media::Run("ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,size "
                         "-of csv=p=0 " +
                             media::Quote(file) + " | awk -F, '$1 >= 2 {s += $2} END {print s}'",
                         &late_bytes),
              0);
    EXPECT_NEAR(f.video_kbps, std::stod(sizes["bit_rate"]) / 1000, 2);
    EXPECT_NEAR(f.video_kbps_late, std::stod(late_bytes) * 8 / 2 / 1000, f.video_kbps_late * 0.03);
    EXPECT_GT(f.video_kbps_late, f.video_kbps * 1.8) << "the noise is nearly all of the file";
}

TEST(EngineOptions, HevcTaggedForApplePlayers) {
    std::string out = media::ScratchDir("opt_hevc") + "/hevc.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert({"-y",        "-t",      "2",       "-i",        media::Fixture("mp4"),
                              "-s",        "320x180", "-vcodec", "libx265",   "-preset",
                              "ultrafast", "-vtag",   "hvc1",    "-vprofile", "main",
                              "-level",    "3.1",     "-b",      "300",       out}),
              0)
        << LastLine(engine);
    MediaFacts f = Facts(out);
    EXPECT_STREQ(f.video_codec, "hevc");
    EXPECT_STREQ(f.video_tag, "hvc1");
    EXPECT_STREQ(f.video_profile, "Main");
    EXPECT_EQ(f.video_level, 31);
    EXPECT_EQ(f.index_at_front, 0); // without -faststart the index follows the media
    auto v = media::Probe(out, "v:0", "codec_tag_string,level");
    EXPECT_EQ(v["codec_tag_string"], "hvc1");
    EXPECT_EQ(v["level"], "93"); // thirty times the level
}

// The shape kept, rotation and pixel shape applied, never enlarged; -r a ceiling.
TEST(EngineOptions, FitPutsThePictureInsideTheBox) {
    std::string dir = media::ScratchDir("opt_fit");
    struct Case {
        const char *fixture, *box, *rate;
        std::string size, fps;
    };
    for (const Case &c : {Case{"xga60", "1280x720", "30", "960x720", "30/1"},
                          Case{"mp4", "1920x1080", "30", "320x240", "25/1"},
                          Case{"rotated", "320x240", "25", "240x320", "25/1"}, // the box turns
                          Case{"pal169", "640x480", "29.97", "640x360", "25/1"}}) {
        std::string out = dir + "/" + c.fixture + ".mp4";
        EngineSession engine;
        ASSERT_EQ(engine.Convert({"-y", "-t", "1", "-i", media::Fixture(c.fixture), "-fit", "-s",
                                  c.box, "-r", c.rate, out}),
                  0)
            << c.fixture << ": " << LastLine(engine);
        auto v = media::Probe(out, "v:0", "width,height,r_frame_rate,sample_aspect_ratio");
        EXPECT_EQ(v["width"] + "x" + v["height"], c.size) << c.fixture;
        EXPECT_EQ(v["r_frame_rate"], c.fps) << c.fixture;
        EXPECT_EQ(v["sample_aspect_ratio"], "1:1") << c.fixture;
    }
}

// The level each classic MPEG-4 job's header carries, and the container its brand names.
TEST(EngineOptions, Mpeg4JobsSignalTheLevelTheyKeep) {
    std::string dir = media::ScratchDir("opt_mpeg4");
    struct Case {
        const char *size, *rate, *kbps, *format;
        int level;
        const char *container;
    };
    for (const Case &c : {Case{"320x240", "25", "768", "mp4", 4, "mp4"},
                          Case{"176x144", "12.5", "64", "3gp", 0, "3gp"},
                          Case{"176x144", "15", "128", "psp", 2, "psp"}}) {
        std::string out = dir + "/" + c.format + ".mp4";
        auto args = IpodArgs(media::Fixture("avi"), out, "0", "1", c.format);
        args[21] = c.size;
        args[23] = c.rate;
        args[25] = c.kbps;
        EngineSession engine;
        ASSERT_EQ(engine.Convert(args), 0) << c.size << ": " << LastLine(engine);
        MediaFacts f = Facts(out);
        EXPECT_STREQ(f.video_profile, "Simple Profile") << c.size;
        EXPECT_EQ(f.video_level, c.level) << c.size << " " << c.kbps;
        EXPECT_STREQ(f.container, c.container);
        EXPECT_EQ(media::Probe(out, "v:0", "level")["level"], std::to_string(c.level));
    }
}
