// Conversions through _X, judged by ffprobe and the ffmpeg command line.
#include "engine_session.h"
#include "media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace {

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

double Mean(const std::vector<unsigned char> &px, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += px[i];
    return to > from ? sum / static_cast<double>(to - from) : 0;
}

// The iPod example's promises: mpeg4 320x240 at 25 fps, aac 44100 Hz stereo, length = -t.
void ExpectIpodOutput(const std::string &out, double length, const std::string &what) {
    auto v = media::Probe(out, "v:0", "codec_name,width,height,r_frame_rate,avg_frame_rate");
    EXPECT_EQ(v["codec_name"], "mpeg4") << what;
    EXPECT_EQ(v["width"], "320") << what;
    EXPECT_EQ(v["height"], "240") << what;
    EXPECT_EQ(v["r_frame_rate"], "25/1") << what;
    EXPECT_EQ(v["avg_frame_rate"], "25/1") << what;
    auto a = media::Probe(out, "a:0", "codec_name,sample_rate,channels");
    EXPECT_EQ(a["codec_name"], "aac") << what;
    EXPECT_EQ(a["sample_rate"], "44100") << what;
    EXPECT_EQ(a["channels"], "2") << what;
    EXPECT_NEAR(media::ProbeNumber(out, "", "duration"), length, 0.1) << what;
    EXPECT_NEAR(media::ProbeNumber(out, "v:0", "duration"), length, 0.1) << what;
}

double Psnr(const std::string &a, const std::string &b) {
    std::string out;
    media::Run("ffmpeg -nostdin -hide_banner -i " + media::Quote(a) + " -i " + media::Quote(b) +
                   " -lavfi '[0:v][1:v]psnr' -f null - 2>&1",
               &out);
    auto pos = out.find("average:");
    if (pos == std::string::npos)
        return -1;
    std::string num = out.substr(pos + 8, out.find(' ', pos + 8) - pos - 8);
    if (num == "inf")
        return 1000;
    std::istringstream in(num);
    in.imbue(std::locale::classic());
    double v = -1;
    in >> v;
    return v;
}

} // namespace

class EveryInputType : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryInputType, ConvertsWithTheIpodList) {
    std::string type = GetParam();
    std::string dir = media::ScratchDir("type_" + type);
    std::string out = dir + "/out.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture(type), out, "00:00:01", "4")), 0)
        << (engine.Lines().empty() ? "" : engine.Lines().back());
    ExpectIpodOutput(out, 4.0, type);
}

INSTANTIATE_TEST_SUITE_P(Engine, EveryInputType, ::testing::ValuesIn(media::InputTypes()));

TEST(EngineConvert, ContainersCarryTheirBrands) {
    std::string dir = media::ScratchDir("brands");
    struct Case {
        const char *format, *ext, *brand;
    };
    for (Case c : {Case{"psp", "MP4", "MSNV"}, Case{"3gp", "3gp", "3gp"}, Case{"3g2", "3g2", "3g2"},
                   Case{"mp4", "mp4", "isom"}}) {
        std::string out = dir + "/out." + c.ext;
        EngineSession engine;
        ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("mp4"), out, "0", "3", c.format)), 0)
            << c.format << ": " << engine.Lines().back();
        ExpectIpodOutput(out, 3.0, c.format);
        auto tags = media::Probe(out, "", "format_name:format_tags=major_brand");
        EXPECT_EQ(tags["major_brand"].rfind(c.brand, 0), 0u)
            << c.format << " brand " << tags["major_brand"];
    }
    std::string avi = dir + "/out.avi";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("mp4"), avi, "0", "3", "avi")), 0);
    EXPECT_EQ(media::Probe(avi, "", "format_name")["format_name"], "avi");
    EXPECT_EQ(media::Probe(avi, "v:0", "codec_name")["codec_name"], "mpeg4");
}

TEST(EngineConvert, PadBandsLieInsideTheFrame) {
    std::string dir = media::ScratchDir("pads");
    std::string out = dir + "/out.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("hd"), out, "0", "3", "mp4", 30, 30)), 0);
    ExpectIpodOutput(out, 3.0, "pads");
    auto px = media::GreyFrame(out, 1.0, 320, 240);
    ASSERT_EQ(px.size(), 320u * 240u);
    for (int row : {0, 10, 20, 28, 211, 220, 239})
        EXPECT_LT(Mean(px, row * 320u, (row + 1) * 320u), 24.0) << "row " << row;
    EXPECT_GT(Mean(px, 34 * 320u, 206 * 320u), 50.0);
    EXPECT_GT(Mean(px, 32 * 320u, 33 * 320u), 24.0); // the picture begins right below the band
}

TEST(EngineConvert, StartPointMatchesTheCommandLineCut) {
    std::string dir = media::ScratchDir("seek");
    std::string src = media::Fixture("counter");
    std::string out = dir + "/out.mp4";
    auto args = IpodArgs(src, out, "00:00:10", "5");
    args[25] = "4000"; // -b: enough bits that coding noise does not hide a wrong frame
    EngineSession engine;
    ASSERT_EQ(engine.Convert(args), 0);
    ExpectIpodOutput(out, 5.0, "seek");
    auto cut = [&](const std::string &at, const std::string &name) {
        std::string ref = dir + "/" + name;
        EXPECT_EQ(media::Run("ffmpeg -nostdin -v error -y -ss " + at + " -i " + media::Quote(src) +
                             " -t 5 -s 320x240 -r 25 -c:v mpeg4 -q:v 2 -an " + media::Quote(ref)),
                  0);
        return ref;
    };
    double right = Psnr(out, cut("10", "ref10.mp4"));
    double wrong = Psnr(out, cut("9.6", "ref9.mp4")); // ten frames off
    EXPECT_GT(right, 30.0);
    EXPECT_LT(wrong, right - 3.0); // the comparison tells frames apart
}

TEST(EngineConvert, BitexactGivesTheSameBytes) {
    std::string dir = media::ScratchDir("bitexact");
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("hd"), dir + "/a.mp4", "1", "4")), 0);
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("hd"), dir + "/b.mp4", "1", "4")), 0);
    std::string a = Slurp(dir + "/a.mp4"), b = Slurp(dir + "/b.mp4");
    EXPECT_GT(a.size(), 10000u);
    EXPECT_TRUE(a == b) << "sizes " << a.size() << " and " << b.size();
}

TEST(EngineConvert, StopEndsTheClipAndLeavesTheOutput) {
    std::string dir = media::ScratchDir("stop");
    std::string out = dir + "/out.mp4";
    EngineSession engine;
    engine.StopOnFirstLine();
    auto args = IpodArgs(media::Fixture("hd"), out, "0", "8");
    args[21] = "1280x720"; // -s: a slower job, so that the stop surely comes in the middle
    args[25] = "3000";
    ASSERT_EQ(engine.Convert(args), 1);
    EXPECT_TRUE(media::Exists(out));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(engine.Results().size(), 1u);
    RecordProperty("stop_latency_ms", std::to_string(engine.StopLatency() * 1000));
    std::printf("stop to end message: %.0f ms\n", engine.StopLatency() * 1000);
}

TEST(EngineConvert, BadInputsFailWithAReasonAndNoOutput) {
    std::string dir = media::ScratchDir("bad");
    for (const char *bad : {"zero", "text", "truncated", "hls", "concat"}) {
        std::string out = dir + "/" + bad + ".mp4";
        EngineSession engine;
        EXPECT_EQ(engine.Convert(IpodArgs(media::Fixture(bad), out, "0", "6")), 2) << bad;
        auto lines = engine.Lines();
        ASSERT_FALSE(lines.empty()) << bad;
        EXPECT_EQ(lines.back().rfind("error: ", 0), 0u) << bad << ": " << lines.back();
        EXPECT_GT(lines.back().size(), 8u);
        EXPECT_FALSE(media::Exists(out)) << bad;
        EXPECT_EQ(engine.Results().size(), 1u);
    }
}

TEST(EngineConvert, RefusedJobsFailWithAReason) {
    std::string dir = media::ScratchDir("refused");
    std::string out = dir + "/out.mp4";
    struct Case {
        std::vector<std::string> args;
        const char *words;
    };
    auto ipod = IpodArgs(media::Fixture("avi"), out, "0", "0");
    auto unknown = IpodArgs(media::Fixture("avi"), out);
    unknown.insert(unknown.begin(), "-fancy");
    auto bad_size = IpodArgs(media::Fixture("avi"), out);
    bad_size[21] = "big";
    auto beyond = IpodArgs(media::Fixture("avi"), out, "25:00:00", "4"); // hours past 24 read
    auto missing = IpodArgs(dir + "/no such file.avi", out);
    for (const Case &c : {Case{ipod, "nothing to convert"}, Case{unknown, "unknown option -fancy"},
                          Case{bad_size, "bad value for -s"}, Case{beyond, "beyond the end"},
                          Case{missing, "the input file does not exist"}}) {
        EngineSession engine;
        EXPECT_EQ(engine.Convert(c.args), 2) << c.words;
        ASSERT_FALSE(engine.Lines().empty());
        EXPECT_NE(engine.Lines().back().find(c.words), std::string::npos) << engine.Lines().back();
        EXPECT_FALSE(media::Exists(out)) << c.words;
    }
    // An existing file is kept when -y is absent.
    {
        std::ofstream keep(out);
        keep << "mine";
    }
    auto no_y = IpodArgs(media::Fixture("avi"), out);
    no_y.erase(no_y.begin());
    EngineSession engine;
    EXPECT_EQ(engine.Convert(no_y), 2);
    EXPECT_EQ(Slurp(out), "mine");
}

TEST(EngineConvert, OneMessagePerClipBackToBack) {
    std::string dir = media::ScratchDir("twice");
    EngineSession engine;
    engine.ChainNext(IpodArgs(media::Fixture("wmv"), dir + "/second.mp4", "0", "3"));
    ASSERT_EQ(engine.Start(IpodArgs(media::Fixture("avi"), dir + "/first.mp4", "0", "2")), 0);
    // A second clip while one runs is refused without a message.
    EXPECT_NE(engine.Start(IpodArgs(media::Fixture("avi"), dir + "/third.mp4", "0", "2")), 0);
    ASSERT_TRUE(engine.WaitMessages(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(engine.Results(), (std::vector<int>{0, 0}));
    ExpectIpodOutput(dir + "/first.mp4", 2.0, "first");
    ExpectIpodOutput(dir + "/second.mp4", 3.0, "second");
    EXPECT_FALSE(media::Exists(dir + "/third.mp4"));
    // Each clip's last status line came before its end message and tells its whole length.
    auto lines = engine.Lines();
    auto at = engine.LinesAtMessage();
    ASSERT_EQ(at.size(), 2u);
    ASSERT_GE(at[0], 1u);
    EXPECT_NE(lines[at[0] - 1].find("time=2.00 "), std::string::npos) << lines[at[0] - 1];
    ASSERT_GT(at[1], at[0]);
    EXPECT_NE(lines[at[1] - 1].find("time=3.00 "), std::string::npos) << lines[at[1] - 1];
    EXPECT_EQ(lines.size(), at[1]); // nothing after the last message
}

TEST(EngineConvert, StatusLinesHaveTheFixedForm) {
    std::string dir = media::ScratchDir("status");
    EngineSession engine;
    auto args = IpodArgs(media::Fixture("hd"), dir + "/out.mp4", "0", "8");
    ASSERT_EQ(engine.Convert(args), 0);
    std::regex form(R"(^frame= *\d+ fps= *\d+ q=\d+\.\d size= *\d+kB time=\d+\.\d\d )"
                    R"(bitrate= *\d+\.\dkbits/s$)");
    auto lines = engine.Lines();
    ASSERT_FALSE(lines.empty());
    for (const auto &l : lines)
        EXPECT_TRUE(std::regex_match(l, form)) << l;
    EXPECT_NE(lines.back().find("frame=  200 "), std::string::npos) << lines.back();
    EXPECT_NE(lines.back().find(" time=8.00 bitrate="), std::string::npos) << lines.back();
    // The percent report climbs to 100 and never leaves 0..100.
    auto percents = engine.Percents();
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    for (size_t i = 0; i < percents.size(); ++i) {
        EXPECT_GE(percents[i], 0);
        EXPECT_LE(percents[i], 100);
        if (i > 0) {
            EXPECT_GE(percents[i], percents[i - 1]);
        }
    }
}

TEST(EngineConvert, InformationCallsDuringAConversion) {
    std::string dir = media::ScratchDir("concurrent");
    std::string out = dir + "/out.mp4";
    EngineSession engine;
    auto args = IpodArgs(media::Fixture("hd"), out, "0", "8");
    ASSERT_EQ(engine.Start(args), 0);
    int calls = 0;
    do {
        ClipInfoRecord rec{};
        Mydll_GetFileinfo(media::Fixture("xvid").c_str(), &rec);
        EXPECT_EQ(std::string(rec.video_format), "mpeg4 (XVID)");
        std::string jpg = dir + "/t" + std::to_string(calls) + ".jpg";
        EXPECT_EQ(Mydll_GetPicure(media::Fixture("mp4").c_str(), 5, "80x60", jpg.c_str()), 0);
        ++calls;
    } while (engine.Results().empty() && calls < 200);
    ASSERT_TRUE(engine.WaitMessages(1));
    EXPECT_EQ(engine.Results()[0], 0);
    ExpectIpodOutput(out, 8.0, "during information calls");
}

TEST(EngineConvert, RotatedSourceComesOutUpright) {
    std::string dir = media::ScratchDir("rotated");
    std::string out = dir + "/out.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("rotated"), out, "0", "2")), 0);
    auto px = media::GreyFrame(out, 0.5, 320, 240);
    ASSERT_EQ(px.size(), 320u * 240u);
    EXPECT_GT(Mean(px, 10 * 320u, 100 * 320u), 200.0); // white above
    EXPECT_LT(Mean(px, 140 * 320u, 230 * 320u), 40.0); // black below
    // No turn is left for a player to apply twice.
    EXPECT_EQ(media::Probe(out, "v:0", "side_data_type")["side_data_type"], "");
}

TEST(EngineConvert, SilentAndVeryShortSources) {
    std::string dir = media::ScratchDir("short");
    EngineSession engine;
    std::string silent = dir + "/silent.mp4";
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("noaudio"), silent, "0", "3")), 0);
    EXPECT_EQ(media::Probe(silent, "a:0", "codec_name")["codec_name"], "");
    EXPECT_NEAR(media::ProbeNumber(silent, "", "duration"), 3.0, 0.1);

    std::string tiny = dir + "/tiny.mp4";
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("short"), tiny, "0", "1")), 0);
    EXPECT_NEAR(media::ProbeNumber(tiny, "v:0", "duration"), 0.4, 0.1);
    EXPECT_EQ(media::Probe(tiny, "a:0", "codec_name")["codec_name"], "aac");
}

TEST(EngineConvert, NonAsciiPaths) {
    std::string dir = media::ScratchDir("utf8");
    std::string in = dir + "/Été à Köln 日本.avi";
    std::filesystem::copy_file(media::Fixture("avi"), in);
    std::string out = dir + "/Sortie é.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(in, out, "0", "2")), 0);
    ExpectIpodOutput(out, 2.0, "utf8");
}

TEST(EngineConvert, VolumeChangesTheLoudness) {
    std::string dir = media::ScratchDir("volume");
    auto loud = IpodArgs(media::Fixture("avi"), dir + "/full.mp4", "0", "2");
    auto soft = IpodArgs(media::Fixture("avi"), dir + "/quarter.mp4", "0", "2");
    soft[8] = "25";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(loud), 0);
    ASSERT_EQ(engine.Convert(soft), 0);
    auto level = [](const std::string &f) {
        std::string out;
        media::Run("ffmpeg -nostdin -hide_banner -i " + media::Quote(f) +
                       " -af volumedetect -f null - 2>&1",
                   &out);
        auto p = out.find("mean_volume: ");
        std::istringstream in(p == std::string::npos ? "0" : out.substr(p + 13));
        in.imbue(std::locale::classic());
        double db = 0;
        in >> db;
        return db;
    };
    EXPECT_NEAR(level(dir + "/full.mp4") - level(dir + "/quarter.mp4"), 12.0, 1.5); // 20 log 4
}

TEST(EngineConvert, SoundStaysWithThePictures) {
    std::string dir = media::ScratchDir("sync");
    std::string out = dir + "/out.mp4";
    EngineSession engine;
    // From 3 s on: the flashes and beeps of 4 s and 6 s come at 1 s and 3 s of the output.
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("sync"), out, "00:00:03", "4")), 0);
    auto frames = media::FrameBrightness(out);
    ASSERT_GE(frames.size(), 99u);
    std::vector<double> flashes;
    for (size_t i = 0; i < frames.size(); ++i)
        if (frames[i] > 128 && (i == 0 || frames[i - 1] <= 128))
            flashes.push_back(static_cast<double>(i) / 25.0);
    auto samples = media::MonoSamples(out, 44100);
    ASSERT_GE(samples.size(), 44100u * 39 / 10);
    std::vector<double> beeps;
    size_t quiet_until = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (i >= quiet_until && std::abs(samples[i]) > 8000) {
            beeps.push_back(static_cast<double>(i) / 44100.0);
            quiet_until = i + 44100 / 2;
        }
    }
    ASSERT_EQ(flashes.size(), 2u);
    ASSERT_EQ(beeps.size(), 2u);
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_NEAR(flashes[k], 1.0 + 2.0 * k, 0.045) << k;
        EXPECT_NEAR(beeps[k], flashes[k], 0.06) << k;
    }
}
