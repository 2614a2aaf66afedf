// Sources at the edges: no picture, shorter than a frame, every kind of sound, files that are not
// files, and an output that disappears while it is written.
#include "engine_session.h"
#include "media.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Runner() {
    return std::string(MAVO_BIN_DIR) + "/../tools/encoder-run";
}

void ExpectFailedWithoutOutput(EngineSession &engine, const std::string &out,
                               const std::string &words) {
    auto lines = engine.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("error: ", 0), 0u) << lines.back();
    EXPECT_NE(lines.back().find(words), std::string::npos) << lines.back();
    EXPECT_FALSE(media::Exists(out)) << out;
}

// A source of 8 s: moving pictures and one kind of sound, kept as PCM so that nothing but the
// engine's coder shapes it.
std::string SoundSource(const std::string &kind) {
    const std::string sound =
        kind == "tone"      ? "sine=f=440:d=8:sample_rate=44100"
        : kind == "noise"   ? "anoisesrc=d=8:c=pink:a=0.3:r=44100"
        : kind == "chirp"   ? "aevalsrc='0.5*sin(2*PI*(100*t+250*t*t))':d=8:s=44100"
        : kind == "silence" ? "anullsrc=r=44100:cl=stereo:d=8"
        : kind == "speech"
            // A voice-like tone of gliding pitch with harmonics, in syllables and pauses.
            ? "aevalsrc='gt(mod(t,3),0.4)*pow(sin(PI*3.7*t),2)*0.2*(sin(2*PI*(120*t-6.8*cos(4.4*t))"
              ")"
              "+0.5*sin(6*PI*(120*t-6.8*cos(4.4*t)))+0.3*sin(16*PI*(120*t-6.8*cos(4.4*t))))':d=8:"
              "s=44100"
            // Plucked notes over a held chord, and a mix of a tone with noise.
            : kind == "music"
                  ? "aevalsrc='exp(-3*mod(t,0.5))*0.3*sin(2*PI*220*pow(2,floor(mod(2*t,4))*4/12)*t)"
                    "+0.1*sin(2*PI*110*t)+0.05*sin(2*PI*164.8*t)':d=8:s=44100"
                  : "anoisesrc=d=8:c=pink:a=0.2:r=44100,volume=1[n];sine=f=330:d=8:r=44100[t];"
                    "[n][t]amix";
    std::string path = media::FixtureDir() + "/sound_" + kind + ".mkv";
    if (media::Exists(path))
        return path;
    std::string tmp = path + ".tmp" + std::to_string(getpid()) + ".mkv";
    std::string cmd = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:d=8 "
                      "-filter_complex \"" +
                      sound + ",aformat=channel_layouts=stereo[a]\" -map 0:v -map '[a]' " +
                      "-c:v mpeg4 -q:v 5 -c:a pcm_s16le " + media::Quote(tmp);
    EXPECT_EQ(media::Run(cmd), 0) << cmd;
    media::PutInPlace(tmp, path);
    return path;
}

double AudioBitRate(const std::string &file) {
    return media::ProbeNumber(file, "a:0", "bit_rate");
}

} // namespace

TEST(EngineSources, PicturelessSourceFailsWithNoOutput) {
    std::string dir = media::ScratchDir("pictureless");
    std::string out = dir + "/out.mp4";
    EngineSession engine;
    EXPECT_EQ(engine.Convert(IpodArgs(media::Fixture("pictureless"), out, "0", "1")), 2);
    ExpectFailedWithoutOutput(engine, out, "no picture");
    // Without any video stream the sound alone is converted.
    std::string sound = dir + "/sound.mp4";
    EXPECT_EQ(engine.Convert(IpodArgs(media::Fixture("audio"), sound, "0", "3")), 0);
    EXPECT_EQ(media::Probe(sound, "v:0", "codec_name")["codec_name"], "");
    EXPECT_EQ(media::Probe(sound, "a:0", "codec_name")["codec_name"], "aac");
}

TEST(EngineSources, ClipsShorterThanAFrameKeepAPicture) {
    std::string dir = media::ScratchDir("shorter_than_a_frame");
    for (const char *name : {"tenth_asf", "oneframe_asf", "tenth_mp4", "oneframe_mp4"}) {
        std::string out = dir + "/" + name + ".mp4";
        EngineSession engine;
        ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture(name), out, "0", "1")), 0)
            << name << ": " << engine.Lines().back();
        auto v = media::Probe(out, "v:0", "codec_name,width,height");
        EXPECT_EQ(v["codec_name"], "mpeg4") << name;
        EXPECT_EQ(v["width"], "320") << name;
        auto frames = media::FrameBrightness(out);
        ASSERT_GE(frames.size(), 1u) << name;
        EXPECT_GT(frames[0], 30.0) << name << ": the picture, not a black frame";
    }
}

class EveryKindOfSound : public ::testing::TestWithParam<std::string> {};

// The audio bit rate is no further from the 128 kbit/s asked than the ffmpeg command line's own
// with its defaults (a tone or a sweep is where a coder falls short).
TEST_P(EveryKindOfSound, AudioBitRateAsFaithfulAsTheCommandLine) {
    const std::string kind = GetParam();
    std::string src = SoundSource(kind);
    std::string dir = media::ScratchDir("sound_" + kind);
    std::string out = dir + "/engine.mp4", cli = dir + "/cli.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(src, out, "0", "8")), 0) << engine.Lines().back();
    ASSERT_EQ(media::Run("ffmpeg -nostdin -v error -y -i " + media::Quote(src) +
                         " -vn -c:a aac -b:a 128k -ar 44100 -ac 2 " + media::Quote(cli)),
              0);
    EXPECT_NEAR(media::ProbeNumber(out, "a:0", "duration"), 8.0, 0.1);
    const double wanted = 128000;
    double engine_rate = AudioBitRate(out), cli_rate = AudioBitRate(cli);
    ASSERT_GT(cli_rate, 0);
    EXPECT_LE(std::fabs(engine_rate - wanted), std::fabs(cli_rate - wanted) + 0.02 * wanted)
        << kind << ": engine " << engine_rate << " bit/s, command line " << cli_rate << " bit/s";
}

INSTANTIATE_TEST_SUITE_P(Engine, EveryKindOfSound,
                         ::testing::Values("tone", "noise", "chirp", "silence", "speech", "music",
                                           "mix"));

// A named pipe, a directory and a link to a device, each named like a film: refused at once by
// the information, thumbnail and conversion calls. They run in encoder-run under `timeout`, so a
// call that waits for data fails the test instead of hanging it.
TEST(EngineSources, ThingsThatAreNotFilesAreRefused) {
    std::string dir = media::ScratchDir("not_files");
    std::string fifo = dir + "/clip.avi", folder = dir + "/folder.avi", dev = dir + "/zero.avi";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder);
    fs::create_symlink("/dev/zero", dev);
    for (const std::string &bad : {fifo, folder, dev}) {
        std::string text;
        EXPECT_EQ(media::Run("timeout 60 " + Runner() + " info " + media::Quote(bad), &text), 0)
            << bad;
        EXPECT_NE(text.find("video=unknown audio=none"), std::string::npos) << text;
        EXPECT_NE(media::Run("timeout 60 " + Runner() + " thumb " + media::Quote(bad) + " " +
                             media::Quote(dir + "/t.jpg")),
                  124)
            << bad;
        EXPECT_FALSE(media::Exists(dir + "/t.jpg"));
        int rc = media::Run("timeout 60 " + Runner() + " convert -y -i " + media::Quote(bad) + " " +
                                media::Quote(dir + "/out.mp4"),
                            &text);
        EXPECT_EQ(rc, 2) << bad << ": " << text;
        EXPECT_NE(text.find("error: the input is not a regular file"), std::string::npos) << text;
        EXPECT_FALSE(media::Exists(dir + "/out.mp4"));
    }
}

TEST(EngineSources, OutputFolderRemovedDuringTheConversionFailsTheClip) {
    std::string dir = media::ScratchDir("output_gone");
    std::string folder = dir + "/disk";
    fs::create_directory(folder);
    std::string out = folder + "/out.mp4";
    auto args = IpodArgs(media::Fixture("hd"), out, "0", "8");
    args[21] = "1280x720"; // -s: a slower job, so that the removal comes in the middle
    args[25] = "3000";
    EngineSession engine;
    engine.OnFirstLine([folder] { fs::remove_all(folder); });
    EXPECT_EQ(engine.Convert(args), 2);
    ExpectFailedWithoutOutput(engine, out, "output file is gone");
    // A clip into a folder that stays is unharmed.
    fs::create_directory(folder);
    EXPECT_EQ(engine.Convert(IpodArgs(media::Fixture("avi"), out, "0", "2")), 0);
    EXPECT_TRUE(media::Exists(out));
}
