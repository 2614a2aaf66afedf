// Clip information and thumbnails, checked against ffprobe and the ffmpeg command line.
#include "media.h"

#include <encoder.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct Info {
    ClipInfoRecord rec{};
    std::string path, video, audio;
};

Info GetInfo(const std::string &file) {
    Info i;
    Mydll_GetFileinfo(file.c_str(), &i.rec);
    i.path = i.rec.path != nullptr ? i.rec.path : "";
    i.video = i.rec.video_format != nullptr ? i.rec.video_format : "";
    i.audio = i.rec.audio_format != nullptr ? i.rec.audio_format : "";
    return i;
}

int CeilProbeDuration(const std::string &file) {
    double d = media::ProbeNumber(file, "", "duration");
    return static_cast<int>(std::ceil(d - 1e-6));
}

double Mean(const std::vector<unsigned char> &px, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += px[i];
    return to > from ? sum / static_cast<double>(to - from) : 0;
}

} // namespace

TEST(EngineInfo, AviWithMpeg4AndMp3) {
    std::string f = media::Fixture("xvid");
    Info i = GetInfo(f);
    EXPECT_EQ(i.path, f);
    EXPECT_EQ(i.video, "mpeg4 (XVID)");
    EXPECT_EQ(i.audio, "mp3float");
    EXPECT_EQ(i.rec.width, 320);
    EXPECT_EQ(i.rec.height, 240);
    EXPECT_EQ(i.rec.duration, CeilProbeDuration(f));
    EXPECT_EQ(i.rec.extra[0], 25000);
    EXPECT_EQ(i.rec.extra[2], 44100);
    EXPECT_EQ(i.rec.extra[3], 2);
    EXPECT_GT(i.rec.extra[1], 0);
}

TEST(EngineInfo, Mp4WithH264AndAacAndNoAudioAndAudioOnly) {
    std::string mp4 = media::Fixture("mp4");
    Info i = GetInfo(mp4);
    EXPECT_EQ(i.video, "h264 (avc1)");
    EXPECT_EQ(i.audio, "aac");
    EXPECT_EQ(i.rec.duration, 6);

    Info silent = GetInfo(media::Fixture("noaudio"));
    EXPECT_EQ(silent.video, "h264 (avc1)");
    EXPECT_EQ(silent.audio, "none");
    EXPECT_EQ(silent.rec.duration, 4);
    EXPECT_EQ(silent.rec.extra[2], 0);

    // No video: the program refuses such a file by the exact text "unknown".
    Info audio = GetInfo(media::Fixture("audio"));
    EXPECT_EQ(audio.video, "unknown");
    EXPECT_EQ(audio.audio, "aac");
    EXPECT_EQ(audio.rec.width, 0);
}

TEST(EngineInfo, UnreadableFilesAreUnknown) {
    for (const char *bad : {"text", "zero", "hls", "concat"}) {
        Info i = GetInfo(media::Fixture(bad));
        EXPECT_EQ(i.video, "unknown") << bad;
        EXPECT_EQ(i.audio, "none") << bad;
        EXPECT_EQ(i.rec.duration, 0) << bad;
    }
    Info missing = GetInfo(media::FixtureDir() + "/no such file.avi");
    EXPECT_EQ(missing.video, "unknown");
}

TEST(EngineInfo, DisplaySizeFollowsAspectAndRotation) {
    Info pal = GetInfo(media::Fixture("pal169"));
    EXPECT_EQ(pal.rec.width, 1024); // 720 stored pixels shown 16:9 at 576 lines
    EXPECT_EQ(pal.rec.height, 576);
    Info rot = GetInfo(media::Fixture("rotated"));
    EXPECT_EQ(rot.rec.width, 240);
    EXPECT_EQ(rot.rec.height, 320);
    Info hd = GetInfo(media::Fixture("hd"));
    EXPECT_EQ(hd.rec.width, 1280);
    EXPECT_EQ(hd.rec.height, 720);
}

TEST(EngineInfo, DurationsRoundUpAndComeFromPacketsWhenHeadersLack) {
    EXPECT_EQ(GetInfo(media::Fixture("short")).rec.duration, 1); // 0.4 s
    // SWF keeps no length in its header: the end of its last packet tells it.
    std::string swf_file = media::Fixture("swf");
    std::string packets;
    media::Run("ffprobe -v error -show_entries packet=pts_time,duration_time -of csv=p=0 " +
                   media::Quote(swf_file),
               &packets);
    std::istringstream rows(packets);
    rows.imbue(std::locale::classic());
    double end = 0, pts = 0, dur = 0;
    char comma = 0;
    while (rows >> pts >> comma >> dur)
        end = std::max(end, pts + dur);
    ASSERT_GT(end, 5.9);
    Info swf = GetInfo(swf_file);
    EXPECT_EQ(swf.video, "flv");
    EXPECT_EQ(swf.rec.duration, static_cast<int>(std::ceil(end)));
    // Nor does a raw H.264 stream: four seconds of pictures.
    Info raw = GetInfo(media::Fixture("rawh264"));
    EXPECT_EQ(raw.video, "h264");
    EXPECT_EQ(raw.rec.duration, 4);
    // In a VOB the first stream is a navigation stream; the video must still be found.
    Info vob = GetInfo(media::Fixture("vob"));
    EXPECT_EQ(vob.video.rfind("mpeg2video", 0), 0u) << vob.video;
    EXPECT_EQ(vob.audio, "ac3");
    for (const std::string &t : media::InputTypes()) {
        Info i = GetInfo(media::Fixture(t));
        EXPECT_NE(i.video, "unknown") << t;
        EXPECT_GE(i.rec.duration, 6) << t;
        EXPECT_LE(i.rec.duration, 7) << t;
        EXPECT_EQ(i.video.find("rv"), std::string::npos) << t;
    }
}

TEST(EngineInfo, TextsStayPerThread) {
    // Each thread's texts stay valid and its own while other threads ask about other files.
    Info mine = GetInfo(media::Fixture("xvid"));
    ClipInfoRecord rec{};
    Mydll_GetFileinfo(media::Fixture("wmv").c_str(), &rec);
    std::string other_video;
    std::thread t([&] {
        ClipInfoRecord r{};
        Mydll_GetFileinfo(media::Fixture("mp4").c_str(), &r);
        other_video = r.video_format;
    });
    t.join();
    EXPECT_EQ(std::string(rec.video_format), "wmv2 (WMV2)");
    EXPECT_EQ(other_video, "h264 (avc1)");
}

TEST(EngineInfo, NonAsciiPath) {
    std::string dir = media::ScratchDir("info_utf8");
    std::string path = dir + "/Fête d'été 日本.avi";
    std::filesystem::copy_file(media::Fixture("avi"), path);
    Info i = GetInfo(path);
    EXPECT_EQ(i.path, path);
    EXPECT_EQ(i.video.rfind("mpeg4", 0), 0u);
    std::string out = dir + "/vignette é.jpg";
    EXPECT_EQ(Mydll_GetPicure(path.c_str(), 5, "80x60", out.c_str()), 0);
    EXPECT_GE(media::FileSize(out), 1024);
}

TEST(EngineThumbnail, ExactSizeAndMinimumBytesForEveryInputType) {
    std::string dir = media::ScratchDir("thumb_types");
    for (const std::string &t : media::InputTypes()) {
        std::string out = dir + "/" + t + ".jpg";
        ASSERT_EQ(Mydll_GetPicure(media::Fixture(t).c_str(), 5, "80x60", out.c_str()), 0) << t;
        EXPECT_GE(media::FileSize(out), 1024) << t;
        auto kv = media::Probe(out, "v:0", "codec_name,width,height");
        EXPECT_EQ(kv["codec_name"], "mjpeg") << t;
        EXPECT_EQ(kv["width"], "80") << t;
        EXPECT_EQ(kv["height"], "60") << t;
    }
}

TEST(EngineThumbnail, KeepsDisplayAspectWithBlackBands) {
    std::string dir = media::ScratchDir("thumb_bands");
    // 16:9 into 80x60: the picture is 80x45, bands of about 7 rows above and below.
    std::string out = dir + "/hd.jpg";
    ASSERT_EQ(Mydll_GetPicure(media::Fixture("hd").c_str(), 5, "80x60", out.c_str()), 0);
    auto px = media::GreyFrame(out, 0, 80, 60);
    ASSERT_EQ(px.size(), 80u * 60u);
    EXPECT_LT(Mean(px, 0, 80 * 5), 20.0);        // top band
    EXPECT_LT(Mean(px, 80 * 55, 80 * 60), 20.0); // bottom band
    EXPECT_GT(Mean(px, 80 * 20, 80 * 40), 40.0); // the picture

    // Rotated phone clip: shown upright 3:4, white above, black below, bands left and right.
    out = dir + "/rotated.jpg";
    ASSERT_EQ(Mydll_GetPicure(media::Fixture("rotated").c_str(), 1, "80x60", out.c_str()), 0);
    px = media::GreyFrame(out, 0, 80, 60);
    ASSERT_EQ(px.size(), 80u * 60u);
    auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * 80 + x]; };
    EXPECT_GT(at(40, 10), 200); // upper middle: white
    EXPECT_LT(at(40, 50), 40);  // lower middle: black
    EXPECT_LT(at(3, 10), 40);   // left band
    EXPECT_LT(at(76, 10), 40);  // right band
}

TEST(EngineThumbnail, SkipsBlackFrames) {
    std::string dir = media::ScratchDir("thumb_black");
    std::string out = dir + "/b.jpg";
    // A 5 s clip: the wanted point is capped at the middle (2.5 s), which is still black.
    ASSERT_EQ(Mydll_GetPicure(media::Fixture("blackstart").c_str(), 5, "80x60", out.c_str()), 0);
    auto px = media::GreyFrame(out, 0, 80, 60);
    ASSERT_EQ(px.size(), 80u * 60u);
    EXPECT_GT(Mean(px, 0, px.size()), 40.0);
}

// Five pictures of broadcast, B-pictures behind the only key picture: the seek to the middle lands
// past the key picture, and the picture is found from the beginning instead.
TEST(EngineThumbnail, AFewPicturesBehindTheirOnlyKeyPictureStillGiveOne) {
    const std::string dir = media::ScratchDir("thumb_short_ts");
    const std::string ts = dir + "/short.ts", out = dir + "/short.jpg";
    ASSERT_EQ(media::Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=30 "
                         "-frames:v 5 -c:v mpeg2video -bf 3 -output_ts_offset 4200 " +
                         media::Quote(ts)),
              0);
    ASSERT_EQ(Mydll_GetPicure(ts.c_str(), 5, "80x60", out.c_str()), 0);
    const std::vector<unsigned char> px = media::GreyFrame(out, 0, 80, 60);
    ASSERT_EQ(px.size(), 80u * 60u);
    EXPECT_GT(Mean(px, 0, px.size()), 40.0) << "the test picture, not a black one";
}

TEST(EngineThumbnail, FailureLeavesNothing) {
    std::string dir = media::ScratchDir("thumb_fail");
    for (const char *bad : {"text", "zero", "truncated", "hls", "audio"}) {
        std::string out = dir + "/" + bad + ".jpg";
        {
            std::ofstream stale(out);
            stale << "old";
        }
        int r = Mydll_GetPicure(media::Fixture(bad).c_str(), 5, "80x60", out.c_str());
        if (std::string(bad) == "truncated") {
            // The first part of a cut-off film is still a film: a picture or nothing.
            if (r == 0) {
                EXPECT_GE(media::FileSize(out), 1024);
                continue;
            }
        }
        EXPECT_NE(r, 0) << bad;
        EXPECT_FALSE(media::Exists(out)) << bad;
    }
    std::string out = dir + "/size.jpg";
    EXPECT_NE(Mydll_GetPicure(media::Fixture("avi").c_str(), 5, "80by60", out.c_str()), 0);
    EXPECT_FALSE(media::Exists(out));
}

// Mutated files that once made the engine read and write past its buffers (demuxers that add
// streams while they are read) or report a size with one side 0 (an extreme sample aspect
// ratio). Under the address sanitizer any overflow ends the test.
TEST(EngineInfo, MutatedFilesGiveASaneRecordAndNoStrayPicture) {
    const std::filesystem::path folder =
        std::filesystem::path(MAVO_SOURCE_DIR) / "tests/encoder/regressions";
    const std::string picture = media::FixtureDir() + "/regression-thumb.jpg";
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        const std::string file = entry.path().string();
        ++files;
        const Info i = GetInfo(file);
        EXPECT_EQ(i.path, file);
        EXPECT_EQ(i.rec.width > 0, i.rec.height > 0)
            << file << ": " << i.rec.width << "x" << i.rec.height;
        for (int k = 0; k < 4; ++k) // a frame rate of millions once came out negative
            EXPECT_GE(i.rec.extra[k], 0) << file << ": figure " << k;
        std::filesystem::remove(picture);
        const int result = Mydll_GetPicure(file.c_str(), 5, "80x60", picture.c_str());
        EXPECT_EQ(result == 0, std::filesystem::exists(picture)) << file;
        // A sound track's channels once came out as a large negative number.
        ClipTracks tracks{};
        Mydll_GetTracks(file.c_str(), nullptr, &tracks);
        for (int32_t t = 0; t < tracks.audio_count; ++t)
            EXPECT_GE(tracks.audio[t].channels, 0) << file << ": track " << t;
    }
    EXPECT_GE(files, 7);
}

namespace {
// The peak resident memory, in KiB, of a child process that runs work and ends.
long PeakOfChild(const std::function<void()> &work) {
    const pid_t child = fork();
    if (child == 0) {
        work();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}
} // namespace

// Damaged headers that asked for gigabytes (a WAV whose INFO tag claims 1.8 GB took that much for
// four seconds): the information and thumbnail calls refuse such a file within a small budget.
TEST(EngineInfo, AnAbsurdHeaderIsRefusedWithoutTakingGigabytes) {
    const std::string folder = std::string(MAVO_SOURCE_DIR) + "/tests/encoder/regressions/";
    const std::string picture = media::FixtureDir() + "/absurd-thumb.jpg";
    // The children start as big as this process: what they add is what counts.
    const long base = PeakOfChild([] {});
    for (const char *name : {"fileinfo-oom-d5dac86c4384c6b8bf654c82f67bdd600ad4cd6c",
                             "fileinfo-oom-e6f35033f8614da25e285be175ed1cac3528a458"}) {
        const std::string file = folder + name;
        const long peak = PeakOfChild([&] {
            ClipInfoRecord info{};
            Mydll_GetFileinfo(file.c_str(), &info);
            Mydll_GetPicure(file.c_str(), 5, "80x60", picture.c_str());
        });
        EXPECT_LT(peak - base, 200 * 1024) << name << ": " << peak << " KiB against " << base;
        const Info i = GetInfo(file);
        EXPECT_EQ(i.rec.duration, 0) << name;
    }
}

namespace {

// A file whose headers take longer to read than the probe limit is refused, not waited for; the
// limit is made tiny here, as no small file takes seconds.
TEST(EngineInfo, InformationAndThumbnailGiveUpAtTheProbeLimit) {
    const std::string clip = media::Fixture("avi");
    const std::string picture = media::FixtureDir() + "/probe-limit.jpg";
    ::setenv("MAVO_ENGINE_PROBE_SECONDS", "0.000001", 1);
    const Info late = GetInfo(clip);
    const int late_thumb = Mydll_GetPicure(clip.c_str(), 1, "80x60", picture.c_str());
    ::unsetenv("MAVO_ENGINE_PROBE_SECONDS");
    EXPECT_EQ(late.video, "unknown");
    EXPECT_EQ(late.rec.extra[5], 1) << "marked as not read in time";
    EXPECT_NE(late_thumb, 0);
    EXPECT_FALSE(media::Exists(picture));
    // Under the real limit the same file reads as it always did.
    EXPECT_NE(GetInfo(clip).video, "unknown");
    EXPECT_EQ(GetInfo(clip).rec.extra[5], 0);
    EXPECT_EQ(Mydll_GetPicure(clip.c_str(), 1, "80x60", picture.c_str()), 0);
    std::remove(picture.c_str());
}

} // namespace
