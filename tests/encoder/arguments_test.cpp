// Reading the argument list handed to _X (compiled in from the engine's sources).
#include "engine_common.h"
#include "job.h"
#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Parse(std::vector<std::string> args, engine::Job &job, std::string &reason) {
    args.insert(args.begin(), "mavo-converter");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    return engine::ParseArguments(static_cast<int>(argv.size()), argv.data(), job, reason);
}

} // namespace

TEST(EngineArguments, TheFullListOfThirtyEight) {
    std::vector<std::string> list = {"mavo-converter",
                                     "-y",
                                     "-ss",
                                     "00:00:10",
                                     "-t",
                                     "60",
                                     "-i",
                                     "/v/party.avi",
                                     "-vol",
                                     "100",
                                     "-bitexact",
                                     "-vcodec",
                                     "mpeg4",
                                     "-padtop",
                                     "30",
                                     "-padbottom",
                                     "30",
                                     "-padleft",
                                     "0",
                                     "-padright",
                                     "0",
                                     "-s",
                                     "320x240",
                                     "-r",
                                     "29.97",
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
                                     "psp",
                                     "/out/party.MP4"};
    ASSERT_EQ(list.size(), 38u);
    std::vector<char *> argv;
    for (auto &a : list)
        argv.push_back(a.data());
    engine::Job job;
    std::string reason;
    ASSERT_TRUE(engine::ParseArguments(38, argv.data(), job, reason)) << reason;
    EXPECT_TRUE(job.overwrite);
    EXPECT_TRUE(job.bitexact);
    EXPECT_DOUBLE_EQ(job.start, 10.0);
    ASSERT_TRUE(job.length.has_value());
    EXPECT_DOUBLE_EQ(*job.length, 60.0);
    EXPECT_EQ(job.input, "/v/party.avi");
    EXPECT_EQ(job.output, "/out/party.MP4");
    EXPECT_EQ(job.volume, 100);
    EXPECT_EQ(job.vcodec, "mpeg4");
    EXPECT_EQ(job.acodec, "aac");
    EXPECT_EQ(job.pad_top, 30);
    EXPECT_EQ(job.pad_bottom, 30);
    EXPECT_EQ(job.width, 320);
    EXPECT_EQ(job.height, 240);
    EXPECT_EQ(job.rate.num, 30000);
    EXPECT_EQ(job.rate.den, 1001);
    EXPECT_EQ(job.video_bitrate, 768000);
    EXPECT_EQ(job.audio_bitrate, 128000);
    EXPECT_EQ(job.channels, 2);
    EXPECT_EQ(job.sample_rate, 44100);
    EXPECT_EQ(job.format, "psp");
}

TEST(EngineArguments, SubsetsInAnyOrderAndEmptyValues) {
    engine::Job job;
    std::string reason;
    ASSERT_TRUE(Parse({"-f", "3gp", "-i", "in.wmv", "-b", "300k", "-ss", "", "-t", "", "o.3gp"},
                      job, reason))
        << reason;
    EXPECT_EQ(job.format, "3gp");
    EXPECT_EQ(job.input, "in.wmv");
    EXPECT_EQ(job.video_bitrate, 300000);
    EXPECT_DOUBLE_EQ(job.start, 0.0);
    EXPECT_FALSE(job.length.has_value());
    EXPECT_FALSE(job.overwrite);
    EXPECT_EQ(job.width, 0);
    EXPECT_EQ(job.output, "o.3gp");

    ASSERT_TRUE(Parse({"-i", "a.avi", "-r", "30000/1001", "-s", "176X144", "b.mp4"}, job, reason));
    EXPECT_EQ(job.rate.num, 30000);
    EXPECT_EQ(job.rate.den, 1001);
    EXPECT_EQ(job.width, 176);
    EXPECT_EQ(job.height, 144);
}

TEST(EngineArguments, RefusalsNameTheProblem) {
    engine::Job job;
    std::string reason;
    EXPECT_FALSE(Parse({"-i", "a.avi", "-deinterlace", "b.mp4"}, job, reason));
    EXPECT_EQ(reason, "unknown option -deinterlace");
    EXPECT_FALSE(Parse({"-i", "a.avi", "-s", "320*240", "b.mp4"}, job, reason));
    EXPECT_EQ(reason, "bad value for -s: 320*240");
    EXPECT_FALSE(Parse({"-i", "a.avi", "-r", "fast", "b.mp4"}, job, reason));
    EXPECT_FALSE(Parse({"-i", "a.avi", "-ss", "1:75", "b.mp4"}, job, reason));
    EXPECT_FALSE(Parse({"-i", "a.avi", "-ar", "44.1", "b.mp4"}, job, reason));
    EXPECT_FALSE(
        Parse({"-i", "a.avi", "-s", "320x240", "-padtop", "120", "-padbottom", "120", "b.mp4"}, job,
              reason));
    EXPECT_FALSE(Parse({"-i", "a.avi"}, job, reason)); // the input taken as the output
    EXPECT_FALSE(Parse({"-y", "b.mp4"}, job, reason));
    EXPECT_EQ(reason, "no input file given");
    EXPECT_FALSE(Parse({"-i", "a.avi", "-t"}, job, reason));
}

TEST(EngineArguments, TimeTexts) {
    using engine::ParseTime;
    EXPECT_DOUBLE_EQ(ParseTime("12").value(), 12.0);
    EXPECT_DOUBLE_EQ(ParseTime("12.5").value(), 12.5);
    EXPECT_DOUBLE_EQ(ParseTime("01:30").value(), 90.0);
    EXPECT_DOUBLE_EQ(ParseTime("00:00:10").value(), 10.0);
    EXPECT_DOUBLE_EQ(ParseTime("01:02:03.5").value(), 3723.5);
    EXPECT_DOUBLE_EQ(ParseTime("24:00:00").value(), 86400.0);
    EXPECT_DOUBLE_EQ(ParseTime("25:00:01").value(), 90001.0); // hours past 24 stay hours
    EXPECT_DOUBLE_EQ(ParseTime("100:00:00").value(), 360000.0);
    EXPECT_FALSE(ParseTime("").has_value());
    EXPECT_FALSE(ParseTime("1:2:3:4").has_value());
    EXPECT_FALSE(ParseTime("-5").has_value());
    EXPECT_FALSE(ParseTime("00:60").has_value());
    EXPECT_FALSE(ParseTime("1,5").has_value());
    EXPECT_FALSE(ParseTime("1.5:00").has_value());
}

TEST(EngineArguments, RatesAndNumbersIgnoreTheLocale) {
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // a decimal comma where one exists
    auto r = engine::ParseRate("29.97");
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->num, 30000);
    EXPECT_EQ(r->den, 1001);
    r = engine::ParseRate("12.5");
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->num, 25);
    EXPECT_EQ(r->den, 2);
    EXPECT_EQ(engine::ParseRate("25")->num, 25);
    EXPECT_FALSE(engine::ParseRate("0").has_value());
    EXPECT_FALSE(engine::ParseRate("1/0").has_value());
    EXPECT_DOUBLE_EQ(engine::ReadNumber(" 44.1khps").value(), 44.1);
    std::setlocale(LC_ALL, "C");
}

// Each refusal as the clip's error line gives it: values the reader refuses, then the pairs of
// option, encoder and container judged before the source is opened; last, lists that fit.
TEST(EngineArguments, OptionsThatDoNotFitAreRefusedWithTheirReason) {
    struct Case {
        std::vector<std::string> args;
        std::string reason;
        std::string output = "b.mp4";
    };
    const Case cases[] = {
        {{"-preset", "warp"}, "bad value for -preset: warp"},
        {{"-vprofile", "extended"}, "bad value for -vprofile: extended"},
        {{"-level", "4.3"}, "bad value for -level: 4.3"},
        {{"-level", "7"}, "bad value for -level: 7"},
        {{"-vtag", "hvc"}, "bad value for -vtag: hvc"},
        {{"-fs", "99999"}, "bad value for -fs: 99999"},
        {{"-fs", "8MB"}, "bad value for -fs: 8MB"},
        {{"-fit", "-padleft", "8"},
         "-fit keeps the picture's own shape and takes no bands (-padtop, -padbottom, -padleft, "
         "-padright)"},
        {{"-preset", "fast"}, "-preset needs the libx264 or libx265 video encoder, not mpeg4"},
        {{"-vcodec", "mpeg4", "-vprofile", "main"},
         "-vprofile needs the libx264 or libx265 video encoder, not mpeg4"},
        {{"-vcodec", "libx265", "-vprofile", "high"}, "the profile high fits only H.264 video"},
        {{"-level", "3"}, "-level needs the libx264 or libx265 video encoder, not mpeg4"},
        {{"-vcodec", "hevc", "-level", "1b"}, "the level 1b fits only H.264 video"},
        {{"-vcodec", "h264", "-vtag", "hvc1"}, "the tag hvc1 fits only HEVC video"},
        {{"-vcodec", "libx265", "-vtag", "avc1"}, "the tag avc1 fits only H.264 video"},
        {{"-vcodec", "libx264", "-vtag", "XVID"},
         "the mp4 container has no tag XVID for h264 video"},
        {{"-vcodec", "libx264", "-vtag", "avc1", "-f", "mpegts"},
         "the mpegts container takes no tag for its video"},
        {{"-faststart", "-f", "avi"},
         "-faststart fits only the MP4 family of containers (mp4, mov, 3gp, 3g2, psp, m4v), not "
         "avi"},
        {{"-vcodec", "libx265", "-fs", "1000000"},
         "-fs needs the libx264 video encoder, not libx265"},
        // A .m4v name is written by the ipod muxer: of the MP4 family, but without HEVC.
        {{"-faststart", "-vcodec", "hevc", "-vtag", "hev1"},
         "the ipod container has no tag hev1 for hevc video",
         "b.m4v"},
        // And what fits.
        {{"-vcodec", "h264", "-preset", "veryslow", "-vprofile", "main", "-level", "1b", "-vtag",
          "avc1", "-faststart", "-fit", "-fs", "100000", "-f", "psp"},
         ""},
        {{"-vcodec", "hevc", "-vprofile", "main", "-level", "6.2", "-vtag", "hev1", "-faststart",
          "-f", "mov"},
         ""},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = {"-i", "a.avi"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(c.output);
        engine::Job job;
        std::string reason;
        if (Parse(args, job, reason))
            reason = engine::OptionsMisfit(job);
        EXPECT_EQ(reason, c.reason) << c.args[0] << " " << c.args[1];
    }
}

namespace {

// The encoder's settings for a picture of w x h at `fps` and `kbps` under the options.
struct Configured {
    std::string reason; // empty: configured
    int level = 0;
    int64_t max_rate = 0, buffer = 0;
};

Configured Configure(std::vector<std::string> options, int w, int h, int fps, int64_t kbps) {
    options.insert(options.begin(), {"-i", "a.avi", "-vcodec"});
    options.push_back("b.mp4");
    engine::Job job;
    Configured out;
    EXPECT_TRUE(Parse(options, job, out.reason)) << out.reason;
    const AVCodec *ec = engine::FindEncoder(job.vcodec, AVMEDIA_TYPE_VIDEO);
    AVCodecContext *e = avcodec_alloc_context3(ec);
    e->width = w;
    e->height = h;
    e->framerate = AVRational{fps, 1};
    e->bit_rate = kbps * 1000;
    AVDictionary *opts = nullptr;
    engine::ConfigureVideo(job, ec, e, &opts, out.reason);
    out.level = e->level;
    out.max_rate = e->rc_max_rate;
    out.buffer = e->rc_buffer_size;
    av_dict_free(&opts);
    avcodec_free_context(&e);
    return out;
}

} // namespace

TEST(EngineArguments, ALevelKeepsTheStreamWithinItsLimits) {
    // Twice the bit rate while the level allows it, else the level's own limits.
    Configured c = Configure({"libx264", "-level", "4.1"}, 1280, 720, 25, 600);
    EXPECT_EQ(c.reason, "");
    EXPECT_EQ(c.level, 41);
    EXPECT_EQ(c.max_rate, 1200000);
    EXPECT_EQ(c.buffer, 1200000);
    c = Configure({"libx264", "-level", "3"}, 720, 576, 25, 8000);
    EXPECT_TRUE(c.max_rate == 10000000 && c.buffer == 10000000) << c.max_rate << " " << c.buffer;
    c = Configure({"libx264", "-level", "3", "-vprofile", "high"}, 720, 576, 25, 8000);
    EXPECT_EQ(c.max_rate, 12500000);                             // High may carry a quarter more
    c = Configure({"libx264", "-level", "1b"}, 176, 144, 15, 0); // no bit rate: the level's limits
    EXPECT_TRUE(c.level == 9 && c.max_rate == 128000 && c.buffer == 350000);
    c = Configure({"libx265", "-level", "3.1"}, 1280, 720, 30, 0);
    EXPECT_EQ(c.reason, "");
    EXPECT_EQ(c.max_rate, 10000000);
    // Pictures, rates and bit rates beyond the level.
    EXPECT_EQ(Configure({"libx264", "-level", "3"}, 1920, 1080, 25, 0).reason,
              "a picture of 1920x1080 is too large for level 3");
    EXPECT_EQ(Configure({"libx264", "-level", "3.1"}, 1280, 720, 60, 0).reason,
              "1280x720 at 60 frames a second is too fast for level 3.1");
    EXPECT_EQ(Configure({"libx264", "-level", "3"}, 640, 480, 25, 12000).reason,
              "level 3 carries at most 10000 kbit/s, not 12000");
    EXPECT_EQ(Configure({"libx265", "-level", "1"}, 320, 240, 25, 0).reason,
              "a picture of 320x240 is too large for level 1");
}

// The edges the real conversions (options_test.cpp) do not reach.
TEST(EngineArguments, Mpeg4LevelsAndFitAtTheirEdges) {
    using engine::Mpeg4SimpleLevel;
    EXPECT_EQ(Mpeg4SimpleLevel(352, 288, {30, 1}, 384000), 3); // 11880 macroblocks a second
    EXPECT_EQ(Mpeg4SimpleLevel(352, 288, {30, 1}, 385000), 4);
    EXPECT_EQ(Mpeg4SimpleLevel(720, 576, {25, 1}, 2000000), 5);
    EXPECT_EQ(Mpeg4SimpleLevel(1280, 720, {30, 1}, 12000000), 6);
    EXPECT_EQ(Mpeg4SimpleLevel(1920, 1080, {30, 1}, 20000000), 6); // past every level: the highest
    struct Case {
        int box_w, box_h, disp_w, disp_h, w, h;
    };
    for (Case c : {Case{1920, 1080, 321, 241, 320, 240}, Case{321, 241, 1920, 1080, 320, 180},
                   Case{176, 144, 3000, 20, 176, 2}}) {
        int w = 0, h = 0;
        engine::FitFrame(c.box_w, c.box_h, c.disp_w, c.disp_h, w, h);
        EXPECT_EQ(std::to_string(w) + "x" + std::to_string(h),
                  std::to_string(c.w) + "x" + std::to_string(c.h))
            << c.disp_w << "x" << c.disp_h << " in " << c.box_w << "x" << c.box_h;
    }
}
