// Today's sources through the engine: high dynamic range, portrait pictures, variable frame rates
// and interlaced video, each judged by ffmpeg's own measuring filters on what the engine wrote.
#include "engine_session.h"
#include "media.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

namespace {

// A source made from ffmpeg's colour test picture (moving, with sound) by `filters`, encoded
// with `codec`; made once per scratch folder.
std::string Made(const std::string &dir, const std::string &name, const std::string &input,
                 const std::string &filters, const std::string &codec) {
    const std::string path = dir + "/" + name;
    if (!media::Exists(path)) {
        EXPECT_EQ(media::Run("ffmpeg -nostdin -v error -y " + input + " -vf " +
                             media::Quote(filters) + " " + codec + " " + media::Quote(path)),
                  0)
            << name;
    }
    return path;
}

std::string HdrSource(const std::string &dir, const std::string &transfer) {
    // The SDR test picture carried into BT.2020 with a PQ or HLG transfer, as a phone writes it.
    return Made(dir, "hdr_" + transfer + ".mp4",
                "-f lavfi -i testsrc2=s=640x360:r=25:d=2 -f lavfi -i sine=d=2 -shortest",
                "format=yuv444p,zscale=tin=709:pin=709:min=709:rin=tv:t=" + transfer +
                    ":p=2020:m=2020_ncl:r=tv:npl=100,format=yuv420p10le",
                "-c:v libx265 -x265-params " +
                    media::Quote("log-level=error:hdr10=1:master-display=G(13250,34500)"
                                 "B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,50):"
                                 "max-cll=1000,400") +
                    " -color_primaries bt2020 -color_trc " + transfer +
                    " -colorspace bt2020nc -c:a aac");
}

// signalstats of the picture at frame `n`: YAVG, YMAX, SATAVG (8-bit scale).
std::map<std::string, double> PictureStats(const std::string &file, int n) {
    std::string out;
    media::Run("ffmpeg -nostdin -v info -i " + media::Quote(file) + " -vf " +
                   media::Quote("select=eq(n\\," + std::to_string(n) +
                                "),format=yuv444p,signalstats,metadata=print") +
                   " -frames:v 1 -f null - 2>&1",
               &out);
    std::map<std::string, double> stats;
    for (const char *key : {"YAVG", "YMAX", "SATAVG"}) {
        const size_t at = out.find(std::string("signalstats.") + key + "=");
        if (at != std::string::npos)
            stats[key] = std::atof(out.c_str() + at + std::strlen(key) + 13);
    }
    return stats;
}

// The interlace detector's verdict over a whole file: {tff + bff, progressive}.
std::pair<int, int> Combing(const std::string &file) {
    std::string out;
    media::Run("ffmpeg -nostdin -v info -i " + media::Quote(file) +
                   " -vf idet -an -f null - 2>&1 | grep 'Multi frame'",
               &out);
    int tff = 0, bff = 0, prog = 0;
    const size_t at = out.find("TFF:");
    if (at != std::string::npos)
        std::sscanf(out.c_str() + at, "TFF: %d BFF: %d Progressive: %d", &tff, &bff, &prog);
    return {tff + bff, prog};
}

std::vector<double> FrameTimes(const std::string &file) {
    std::string out;
    media::Run("ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 " +
                   media::Quote(file),
               &out);
    std::vector<double> times;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            times.push_back(std::atof(line.c_str()));
    return times;
}

// The phone's job: H.264 fitted in a box, the rate a ceiling.
std::vector<std::string> PhoneJob(const std::string &in, const std::string &out,
                                  const std::string &box, const std::string &rate,
                                  std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"-y",  "-i",   in,        "-vcodec",  "libx264", "-s",
                                     box,   "-r",   rate,      "-b",       "1500",    "-f",
                                     "mp4", "-fit", "-preset", "ultrafast"};
    args.insert(args.end(), more.begin(), more.end());
    args.push_back(out);
    return args;
}

std::string Last(const EngineSession &engine) {
    auto lines = engine.Lines();
    return lines.empty() ? std::string() : lines.back();
}

} // namespace

// PQ and HLG become SDR BT.709 that keeps the picture's colour and light: far more saturated than
// the grey the 10-bit values give when read as SDR, neither black nor clipped, and tagged.
TEST(EnginePicture, HdrIsToneMappedToTaggedBt709) {
    const std::string dir = media::ScratchDir("picture_hdr");
    for (const std::string transfer : {"smpte2084", "arib-std-b67"}) {
        const std::string src = HdrSource(dir, transfer), out = dir + "/" + transfer + ".mp4";
        EngineSession engine;
        ASSERT_EQ(engine.Convert(PhoneJob(src, out, "640x360", "25")), 0) << Last(engine);
        auto v = media::Probe(out, "v:0",
                              "pix_fmt,color_primaries,color_transfer,color_space,"
                              "color_range");
        EXPECT_EQ(v["pix_fmt"], "yuv420p") << transfer;
        EXPECT_EQ(v["color_primaries"] + v["color_transfer"] + v["color_space"] + v["color_range"],
                  "bt709bt709bt709tv")
            << transfer;
        auto mapped = PictureStats(out, 25), naive = PictureStats(src, 25);
        EXPECT_GT(mapped["SATAVG"], 1.5 * naive["SATAVG"]) << transfer << ": grey";
        EXPECT_GT(mapped["YAVG"], 50) << transfer << ": dark";
        EXPECT_LT(mapped["YAVG"], 200) << transfer << ": washed out";
        EXPECT_LT(mapped["YMAX"], 236) << transfer << ": clipped";
    }
}

// The classic players' MPEG-4 files state their colour in the stream, where the PSP and 3GP
// containers have no place for it: an SD source keeps BT.601, an HDR one is tone-mapped to BT.709.
TEST(EnginePicture, ClassicFilesStateTheirColourInTheStream) {
    const std::string dir = media::ScratchDir("picture_classic");
    struct Case {
        std::string source, format, matrix;
    };
    for (const Case &c : {Case{media::Fixture("avi"), "3gp", "smpte170m"},
                          Case{HdrSource(dir, "smpte2084"), "psp", "bt709"}}) {
        const std::string out = dir + "/out." + c.format;
        EngineSession engine;
        ASSERT_EQ(engine.Convert(IpodArgs(c.source, out, "0", "1", c.format)), 0) << Last(engine);
        auto v = media::Probe(out, "v:0", "color_space,color_transfer,color_range");
        EXPECT_EQ(v["color_space"], c.matrix) << c.format;
        EXPECT_EQ(v["color_transfer"], c.matrix) << c.format;
        EXPECT_EQ(v["color_range"], "tv") << c.format;
    }
}

// The HDR profile keeps PQ in HEVC Main 10 with its mastering display and light levels; an SDR
// source through it stays SDR.
TEST(EnginePicture, HdrProfileKeepsPqAndItsMetadataButNeverFakesIt) {
    const std::string dir = media::ScratchDir("picture_keep");
    const std::vector<std::string> hdr = {"-vcodec", "libx265", "-vprofile", "main10",
                                          "-hdr",    "-vtag",   "hvc1"};
    const std::string pq = HdrSource(dir, "smpte2084"), kept = dir + "/kept.mp4";
    EngineSession engine;
    auto args = PhoneJob(pq, kept, "640x360", "25");
    args.insert(args.end() - 1, hdr.begin(), hdr.end());
    ASSERT_EQ(engine.Convert(args), 0) << Last(engine);
    auto v = media::Probe(kept, "v:0", "pix_fmt,color_transfer,color_primaries,profile");
    EXPECT_EQ(v["pix_fmt"], "yuv420p10le");
    EXPECT_EQ(v["color_transfer"], "smpte2084");
    EXPECT_EQ(v["color_primaries"], "bt2020");
    EXPECT_EQ(v["profile"], "Main 10");
    std::string side;
    media::Run("ffprobe -v error -read_intervals %+#1 -show_frames -select_streams v:0 " +
                   media::Quote(kept) + " | grep -E 'max_luminance|max_content'",
               &side);
    EXPECT_NE(side.find("max_luminance=10000000/10000"), std::string::npos) << side;
    EXPECT_NE(side.find("max_content=1000"), std::string::npos) << side;

    const std::string sdr = dir + "/sdr.mp4";
    args = PhoneJob(media::Fixture("hd"), sdr, "640x360", "25");
    args.insert(args.end() - 1, hdr.begin(), hdr.end());
    ASSERT_EQ(engine.Convert(args), 0) << Last(engine);
    EXPECT_EQ(media::Probe(sdr, "v:0", "color_transfer")["color_transfer"], "bt709");
}

// A portrait picture fills the profile's frame stood on its end, at the area's full rate.
TEST(EnginePicture, PortraitFillsTheTurnedFrame) {
    const std::string dir = media::ScratchDir("picture_portrait");
    const std::string src = Made(dir, "portrait.mp4", "-f lavfi -i testsrc2=s=540x960:r=25:d=1",
                                 "format=yuv420p", "-c:v libx264 -preset ultrafast");
    EngineSession engine;
    ASSERT_EQ(engine.Convert(PhoneJob(src, dir + "/out.mp4", "640x360", "25")), 0) << Last(engine);
    auto v = media::Probe(dir + "/out.mp4", "v:0", "width,height");
    EXPECT_EQ(v["width"] + "x" + v["height"], "360x640");
}

// A clip recorded at 30 then 10 frames a second keeps every picture at its own time; under a
// ceiling of 25 the fast part is thinned to at most one picture in each 1/25 s.
TEST(EnginePicture, VariableFrameTimesAreKeptUnderTheCeiling) {
    const std::string dir = media::ScratchDir("picture_vfr");
    const std::string src = dir + "/vfr.mp4";
    ASSERT_EQ(media::Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=320x180:r=30:d=1 "
                         "-f lavfi -i testsrc2=s=320x180:r=10:d=1 -filter_complex "
                         "'[0][1]concat=n=2:v=1:a=0' -fps_mode vfr -c:v libx264 -preset "
                         "ultrafast " +
                         media::Quote(src)),
              0);
    const std::vector<double> in = FrameTimes(src);
    ASSERT_GE(in.size(), 39u); // the encoder may leave out the very last picture
    EngineSession engine;
    ASSERT_EQ(engine.Convert(PhoneJob(src, dir + "/kept.mp4", "320x180", "30")), 0) << Last(engine);
    const std::vector<double> kept = FrameTimes(dir + "/kept.mp4");
    ASSERT_EQ(kept.size(), in.size());
    for (size_t i = 0; i < in.size(); ++i)
        EXPECT_NEAR(kept[i], in[i], 0.002) << "picture " << i;

    ASSERT_EQ(engine.Convert(PhoneJob(src, dir + "/capped.mp4", "320x180", "25")), 0)
        << Last(engine);
    const std::vector<double> capped = FrameTimes(dir + "/capped.mp4");
    EXPECT_EQ(capped.size(), in.size() - 5); // 25 of the first second's 30, all of the rest
    for (size_t i = 1; i < capped.size(); ++i)
        EXPECT_GT(capped[i] - capped[i - 1], 0.025) << "picture " << i;
}

// Interlaced video comes out without combing, whether its stream says so (MPEG-2 coded in
// fields) or not (MPEG-4 of woven fields, found by looking); the sources themselves are combed.
TEST(EnginePicture, InterlacedVideoIsDeinterlaced) {
    const std::string dir = media::ScratchDir("picture_interlaced");
    const std::string fields = "tinterlace=mode=interleave_top,setfield=tff";
    const std::string input = "-f lavfi -i testsrc2=s=720x576:r=50:d=3";
    for (const auto &[name, codec] :
         {std::pair<std::string, std::string>{"flagged.mpg",
                                              "-c:v mpeg2video -flags +ilme+ildct -top 1 -b:v 8M"},
          {"woven.avi", "-c:v mpeg4 -q:v 2"}}) {
        const std::string src = Made(dir, name, input, fields, codec);
        const auto [combed_in, progressive_in] = Combing(src);
        ASSERT_GT(combed_in, progressive_in) << name << ": the source is not combed";
        const std::string out = dir + "/" + name + ".mp4";
        EngineSession engine;
        ASSERT_EQ(engine.Convert(PhoneJob(src, out, "720x576", "25")), 0) << Last(engine);
        const auto [combed, progressive] = Combing(out);
        EXPECT_GT(progressive, 10 * std::max(combed, 1)) << name;
        EXPECT_EQ(media::Probe(out, "v:0", "nb_frames")["nb_frames"], "75") << name;
    }
}
