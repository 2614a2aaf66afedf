// Clips of today: several sound tracks (which one is taken, and its language kept), surround sound
// made stereo without clipping, and a video the engine cannot read named by its codec.
#include "engine_session.h"
#include "media.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// Made once with the ffmpeg CLI and cached beside the other fixtures.
std::string Made(const std::string &file, const std::string &args) {
    const std::string path = media::FixtureDir() + "/" + file;
    if (media::Exists(path))
        return path;
    const std::string tmp =
        path + ".tmp" + std::to_string(getpid()) + fs::path(file).extension().string();
    const std::string cmd = "ffmpeg -nostdin -v error -y " + args + " " + media::Quote(tmp);
    EXPECT_EQ(media::Run(cmd), 0) << cmd;
    media::PutInPlace(tmp, path);
    return path;
}

const std::string kPicture = "-f lavfi -i testsrc2=size=320x240:rate=25:duration=4 ";

std::string TwoTracks(bool french_default) {
    return media::Fixture(french_default ? "tracks" : "tracks_nodefault");
}

// 5.1 AC-3: the same 440 Hz tone in every channel but the LFE, at `amplitude`.
std::string Surround(const std::string &name, const std::string &amplitude) {
    const std::string s = amplitude + "*sin(2*PI*440*t)";
    return Made(name, kPicture + "-f lavfi -i \"aevalsrc=" + s + "|" + s + "|" + s +
                          "|0.5*sin(2*PI*50*t)|" + s + "|" + s +
                          ":c=5.1:s=48000:d=4\" -c:v libx264 -preset ultrafast -pix_fmt yuv420p "
                          "-c:a ac3 -b:a 448k");
}

std::string OutputLanguage(const std::string &out) {
    return media::Probe(out, "a:0", "codec_name:stream_tags=language")["language"];
}

// volumedetect's figure ("max_volume", "mean_volume") of a file's sound, in dB.
double Volume(const std::string &file, const std::string &key, const std::string &filters = "") {
    std::string out;
    media::Run("ffmpeg -nostdin -hide_banner -i " + media::Quote(file) + " -vn -af " + filters +
                   "volumedetect -f null - 2>&1",
               &out);
    std::smatch m;
    if (!std::regex_search(out, m, std::regex(key + ": (-?[0-9.]+) dB")))
        return 1000;
    return std::stod(m[1]);
}

// Puts LANGUAGE back as it was.
struct KeepLanguage {
    KeepLanguage() {
        if (const char *old = std::getenv("LANGUAGE"))
            saved = old;
    }
    ~KeepLanguage() {
        if (saved)
            setenv("LANGUAGE", saved->c_str(), 1);
        else
            unsetenv("LANGUAGE");
    }
    std::optional<std::string> saved;
};

} // namespace

TEST(SoundTracks, TheDefaultThenTheUsersLanguageThenTheFirstAndTheLanguageIsKept) {
    const std::string dir = media::ScratchDir("sound_tracks");
    const KeepLanguage keep;
    struct Case {
        bool french_default;
        const char *language; // LANGUAGE, "" for none
        const char *wanted;   // -atrack, "" for none
        const char *expected;
    };
    for (const Case &c : {Case{true, "en_GB", "", "fre"}, Case{false, "fr_FR", "", "fre"},
                          Case{false, "de", "", "eng"}, Case{false, "C", "", "eng"},
                          Case{true, "en", "1", "eng"}, Case{true, "de", "en", "eng"},
                          Case{false, "de", "fra", "fre"}, Case{false, "de", "2", "fre"}}) {
        setenv("LANGUAGE", c.language, 1);
        const std::string out = dir + "/out.mp4";
        std::vector<std::string> args = IpodArgs(TwoTracks(c.french_default), out, "0", "2");
        if (*c.wanted != '\0')
            args.insert(args.end() - 1, {"-atrack", c.wanted});
        EngineSession engine;
        const std::string what = std::string(c.language) + " " + c.wanted;
        ASSERT_EQ(engine.Convert(args), 0) << what << ": " << engine.Lines().back();
        EXPECT_EQ(OutputLanguage(out), c.expected) << what;
        // The engine lists the tracks with its choice the same way.
        ClipTracks tracks{};
        ASSERT_EQ(Mydll_GetTracks(TwoTracks(c.french_default).c_str(), c.wanted, &tracks), 0);
        ASSERT_EQ(tracks.audio_count, 2);
        EXPECT_EQ(tracks.audio_chosen, std::string(c.expected) == "eng" ? 0 : 1) << what;
    }
    ClipTracks tracks{};
    ASSERT_EQ(Mydll_GetTracks(TwoTracks(true).c_str(), nullptr, &tracks), 0);
    EXPECT_STREQ(tracks.audio[0].label, "English, 5.1");
    EXPECT_STREQ(tracks.audio[1].label, "French, stereo (default)");
    EXPECT_STREQ(tracks.audio[1].language, "fre");
}

TEST(SoundTracks, ATrackThatIsNotThereFailsTheClipNamingTheTracks) {
    const std::string out = media::ScratchDir("sound_track_missing") + "/out.mp4";
    for (const char *wanted : {"3", "ger"}) {
        std::vector<std::string> args = IpodArgs(TwoTracks(true), out, "0", "2");
        args.insert(args.end() - 1, {"-atrack", wanted});
        EngineSession engine;
        EXPECT_EQ(engine.Convert(args), 2);
        EXPECT_EQ(engine.Lines().back(),
                  std::string("error: no sound track ") + wanted +
                      " in the input: its tracks are 1: English, 5.1; 2: French, stereo (default)");
        EXPECT_FALSE(media::Exists(out));
        ClipTracks tracks{};
        ASSERT_EQ(Mydll_GetTracks(TwoTracks(true).c_str(), wanted, &tracks), 0);
        EXPECT_EQ(tracks.audio_chosen, -2);
    }
}

TEST(SoundTracks, SurroundBecomesStereoThatNeverClipsAndKeepsItsLevel) {
    const std::string dir = media::ScratchDir("downmix");
    // A loud source, each channel peaking at -6 dBFS: the plain downmix peaks at about +1.6 dBFS.
    const std::string loud = Surround("surround_loud.mkv", "0.5");
    const std::string out = dir + "/loud.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(loud, out, "0", "4")), 0) << engine.Lines().back();
    EXPECT_EQ(media::ProbeNumber(out, "a:0", "channels"), 2);
    EXPECT_LE(Volume(out, "max_volume"), -0.1);
    EXPECT_GT(Volume(out, "max_volume"), -3.0) << "limited, not made quiet";
    // A normal source comes out as loud as the usual downmix, which does not clip it.
    const std::string normal = Surround("surround_normal.mkv", "0.1");
    const std::string normal_out = dir + "/normal.mp4";
    ASSERT_EQ(engine.Convert(IpodArgs(normal, normal_out, "0", "4")), 0);
    const double ours = Volume(normal_out, "mean_volume");
    const double usual =
        Volume(normal, "mean_volume", "aformat=sample_fmts=fltp:channel_layouts=stereo,");
    EXPECT_NEAR(ours, usual, 1.0);
}

// French SubRip from 1.0 to 2.5 s and from 3.0 to 4.0 s; an English ASS line from 0.5 to 2.0 s.
std::string WithSubtitles() {
    const std::string dir = media::FixtureDir();
    std::ofstream(dir + "/fr.srt") << "1\n00:00:01,000 --> 00:00:02,500\nBonjour\n\n"
                                      "2\n00:00:03,000 --> 00:00:04,000\nAu revoir\n";
    std::ofstream(dir + "/en.ass")
        << "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n[V4+ Styles]\n"
           "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
           "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
           "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
           "Style: Default,DejaVu Sans,28,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,"
           "100,100,0,0,1,2,0,2,10,10,10,1\n\n[Events]\nFormat: Layer, Start, End, Style, Name, "
           "MarginL, MarginR, MarginV, Effect, Text\n"
           "Dialogue: 0,0:00:00.50,0:00:02.00,Default,,0,0,0,,Hello there\n";
    return Made("subtitles.mkv",
                kPicture + "-f lavfi -i sine=sample_rate=44100:duration=4 -i " +
                    media::Quote(dir + "/fr.srt") + " -i " + media::Quote(dir + "/en.ass") +
                    " -map 0:v -map 1:a -map 2 -map 3 -c:v libx264 -preset ultrafast "
                    "-pix_fmt yuv420p -c:a aac -c:s:0 srt -c:s:1 ass -metadata:s:s:0 language=fre "
                    "-metadata:s:s:1 language=eng");
}

// The cues of one subtitle stream as the ffmpeg CLI reads them back, in SubRip form.
std::string Cues(const std::string &file, int stream) {
    std::string out;
    media::Run("ffmpeg -nostdin -v error -i " + media::Quote(file) +
                   " -map 0:s:" + std::to_string(stream) + " -f srt -",
               &out);
    return out;
}

TEST(Subtitles, TextTracksAreKeptAsTimedTextWithTheirLanguageAndTimedFromTheStart) {
    const std::string dir = media::ScratchDir("soft_subtitles");
    const std::string out = dir + "/out.mp4";
    std::vector<std::string> args = IpodArgs(WithSubtitles(), out, "0.5", "3");
    args.insert(args.end() - 1, {"-subtitles", "keep"});
    EngineSession engine;
    ASSERT_EQ(engine.Convert(args), 0) << engine.Lines().back();
    EXPECT_EQ(
        media::Probe(out, "s:0", "codec_name:stream_tags=language"),
        (std::map<std::string, std::string>{{"codec_name", "mov_text"}, {"language", "fre"}}));
    EXPECT_EQ(media::Probe(out, "s:1", "codec_name:stream_tags=language")["language"], "eng");
    // Half a second in, cut after 3 s: the cues move by the start point and the last one is
    // cut at the end (the reader shifts everything by the sound's 23 ms of priming).
    const std::string french = Cues(out, 0);
    EXPECT_NE(french.find("00:00:00,523 --> 00:00:02,023\nBonjour"), std::string::npos) << french;
    EXPECT_NE(french.find("00:00:02,523 --> 00:00:03,0"), std::string::npos) << french;
    EXPECT_NE(Cues(out, 1).find("00:00:00,023 --> 00:00:01,523"), std::string::npos)
        << Cues(out, 1);
    // A cue that began before the start point, ahead of the key picture the reader starts from,
    // still shows from the start.
    const std::string keyed = Made(
        "subtitles_keyed.mkv", kPicture + "-i " + media::Quote(media::FixtureDir() + "/fr.srt") +
                                   " -map 0 -map 1 -c:v libx264 -preset ultrafast -g 5 "
                                   "-pix_fmt yuv420p -c:s srt");
    std::vector<std::string> late = IpodArgs(keyed, dir + "/late.mp4", "2", "1.5");
    late.insert(late.end() - 1, {"-subtitles", "keep"});
    ASSERT_EQ(engine.Convert(late), 0) << engine.Lines().back();
    EXPECT_NE(Cues(dir + "/late.mp4", 0).find("00:00:00,000 --> 00:00:00,500\nBonjour"),
              std::string::npos)
        << Cues(dir + "/late.mp4", 0);
    // Without the option, and in a container without timed text, there are none.
    const std::string plain = dir + "/plain.mp4";
    ASSERT_EQ(engine.Convert(IpodArgs(WithSubtitles(), plain, "0", "2")), 0);
    EXPECT_EQ(media::Probe(plain, "s:0", "codec_name")["codec_name"], "");
    std::vector<std::string> avi = IpodArgs(WithSubtitles(), dir + "/out.avi", "0", "2", "avi");
    avi.insert(avi.end() - 1, {"-subtitles", "keep"});
    EXPECT_EQ(engine.Convert(avi), 2);
    EXPECT_EQ(engine.Lines().back(),
              "error: -subtitles keep needs a container of the MP4 family, not avi");
}

// How many pixels of the bottom quarter of two outputs' pictures at `seconds` differ clearly (by
// more than a quarter of the grey scale): text drawn on one of them.
int MarkedPixels(const std::string &a, const std::string &b, double seconds) {
    const std::vector<unsigned char> x = media::GreyFrame(a, seconds, 320, 240);
    const std::vector<unsigned char> y = media::GreyFrame(b, seconds, 320, 240);
    if (x.size() != y.size() || x.empty())
        return -1;
    int marked = 0;
    for (size_t i = x.size() * 3 / 4; i < x.size(); ++i)
        marked += std::abs(int{x[i]} - int{y[i]}) > 64;
    return marked;
}

TEST(Subtitles, ABurnedInTrackShowsInThePictureAtItsTimeAndNotBefore) {
    const std::string dir = media::ScratchDir("burned_subtitles");
    const std::string plain = dir + "/plain.mp4", burned = dir + "/burned.mp4";
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(WithSubtitles(), plain, "0.5", "3")), 0);
    // The French track, "Bonjour" from 1.0 s of the source: 0.5 s into the output.
    std::vector<std::string> args = IpodArgs(WithSubtitles(), burned, "0.5", "3");
    args.insert(args.end() - 1, {"-subtitles", "burn:fre"});
    ASSERT_EQ(engine.Convert(args), 0) << engine.Lines().back();
    EXPECT_EQ(MarkedPixels(plain, burned, 0.3), 0) << "nothing drawn before its time";
    EXPECT_GT(MarkedPixels(plain, burned, 0.8), 100) << "the line is drawn at its time";
    EXPECT_EQ(media::Probe(burned, "s:0", "codec_name")["codec_name"], "");
    // Only text can be drawn, and only a track that is there.
    args = IpodArgs(WithSubtitles(), dir + "/none.mp4", "0", "2");
    args.insert(args.end() - 1, {"-subtitles", "burn:3"});
    EXPECT_EQ(engine.Convert(args), 2);
    EXPECT_EQ(engine.Lines().back(), "error: no subtitle track 3 in the input");
}

// `v` as `bytes` big-endian bytes.
std::string Be(size_t v, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
    return out;
}

// A Blu-ray subtitle track of one event: a white box at the bottom of a 640x480 canvas, shown from
// 1 s and cleared at 2 s, in an MKV with the usual 320x240 picture.
std::string WithPictureSubtitles() {
    const int w = 200, h = 40;
    std::string rle; // each line one run of colour 1, then the line's end
    for (int y = 0; y < h; ++y)
        rle += Be(0, 1) + Be(0xC0, 1) + Be(w, 1) + Be(1, 1) + Be(0, 2);
    std::string sup;
    auto segment = [&sup](int seconds, int type, const std::string &data) {
        sup += "PG" + Be(seconds * 90000, 4) + Be(0, 4) + Be(type, 1) + Be(data.size(), 2) + data;
    };
    const std::string canvas = Be(640, 2) + Be(480, 2) + Be(0x10, 1);
    const std::string window = Be(1, 1) + Be(0, 1) + Be(220, 2) + Be(440, 2) + Be(w, 2) + Be(h, 2);
    auto clear = [&](int at) {
        segment(at, 0x16, canvas + Be(at, 2) + Be(0, 4));
        segment(at, 0x17, window);
        segment(at, 0x80, "");
    };
    clear(0); // the track starts with the picture
    segment(1, 0x16,
            canvas + Be(1, 2) + Be(0x80, 1) + Be(0, 2) + Be(1, 1) + Be(0, 4) + Be(220, 2) +
                Be(440, 2));
    segment(1, 0x17, window);
    segment(1, 0x14, Be(0, 2) + Be(1, 1) + Be(235, 1) + Be(0x8080, 2) + Be(255, 1));
    segment(1, 0x15, Be(0, 3) + Be(0xC0, 1) + Be(rle.size() + 4, 3) + Be(w, 2) + Be(h, 2) + rle);
    segment(1, 0x80, "");
    clear(2);
    const std::string file = media::FixtureDir() + "/box.sup";
    std::ofstream(file, std::ios::binary) << sup;
    return Made("picture_subtitles.mkv", kPicture + "-i " + media::Quote(file) +
                                             " -map 0 -map 1 -c:v libx264 -preset ultrafast "
                                             "-pix_fmt yuv420p -c:s copy");
}

TEST(Subtitles, ASubtitleMadeOfPicturesIsDrawnAtItsTimeInsideThePicture) {
    const std::string dir = media::ScratchDir("picture_subtitles");
    const std::string plain = dir + "/plain.mp4", burned = dir + "/burned.mp4";
    // Bands of 30 lines: the canvas fits the 320x180 picture between them, its bottom on the
    // picture's bottom, and the box lands on the lines just above the lower band.
    EngineSession engine;
    ASSERT_EQ(engine.Convert(IpodArgs(WithPictureSubtitles(), plain, "0.5", "3", "mp4", 30, 30)),
              0);
    std::vector<std::string> args =
        IpodArgs(WithPictureSubtitles(), burned, "0.5", "3", "mp4", 30, 30);
    args.insert(args.end() - 1, {"-subtitles", "burn"});
    ASSERT_EQ(engine.Convert(args), 0) << engine.Lines().back();
    EXPECT_EQ(MarkedPixels(plain, burned, 0.3), 0) << "nothing drawn before its time";
    EXPECT_GT(MarkedPixels(plain, burned, 1.0), 400) << "the box is drawn at its time";
    EXPECT_EQ(MarkedPixels(plain, burned, 2.0), 0) << "and gone once cleared";
    const std::vector<unsigned char> frame = media::GreyFrame(burned, 1.0, 320, 240);
    ASSERT_EQ(frame.size(), 320u * 240);
    EXPECT_GT(frame[200 * 320 + 160], 200) << "white in the middle of the box";
    EXPECT_LT(*std::max_element(frame.begin() + 212 * 320, frame.end()), 40) << "band untouched";
}

// The PSP's container must have sound: a clip without any gets silence as long as its pictures,
// from its start mark or whole; other containers stay without.
TEST(SoundTracks, APspFileOfAClipWithoutSoundGetsSilenceAsLongAsItsPictures) {
    const std::string dir = media::ScratchDir("psp_silence");
    EngineSession engine;
    for (const auto &[start, length, seconds] :
         {std::tuple{"1", "2", 2.0}, std::tuple{"0", "60", 4.0}}) {
        const std::string out = dir + "/silent" + start + ".mp4";
        ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("noaudio"), out, start, length, "psp")), 0)
            << engine.Lines().back();
        EXPECT_EQ(media::Probe(out, "a:0", "codec_name")["codec_name"], "aac") << start;
        EXPECT_NEAR(media::ProbeNumber(out, "a:0", "duration"), seconds, 0.1) << start;
        EXPECT_NEAR(media::ProbeNumber(out, "v:0", "duration"), seconds, 0.1) << start;
        EXPECT_LT(Volume(out, "max_volume"), -80) << "silence";
    }
    const std::string plain = dir + "/plain.mp4";
    ASSERT_EQ(engine.Convert(IpodArgs(media::Fixture("noaudio"), plain, "0", "2")), 0);
    EXPECT_EQ(media::Probe(plain, "a:0", "codec_name")["codec_name"], "");
}

TEST(SoundTracks, AVideoTheEngineCannotReadIsNamedByItsCodec) {
    const std::string vvc = media::TodayFile("real_vvc_320x180.mp4");
    if (vvc.empty())
        GTEST_SKIP() << "the real files of today's sources are not there";
    ClipTracks tracks{};
    ASSERT_EQ(Mydll_GetTracks(vvc.c_str(), nullptr, &tracks), 0);
    EXPECT_STREQ(tracks.refusal, "H.266/VVC video cannot be read");
    // A readable video has no refusal, and neither has a file of sound alone.
    ASSERT_EQ(Mydll_GetTracks(media::Fixture("mkv").c_str(), nullptr, &tracks), 0);
    EXPECT_STREQ(tracks.refusal, "");
    ASSERT_EQ(Mydll_GetTracks(media::Fixture("audio").c_str(), nullptr, &tracks), 0);
    EXPECT_STREQ(tracks.refusal, "");
}
