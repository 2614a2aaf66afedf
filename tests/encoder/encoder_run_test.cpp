// encoder-run, the command-line driver the benchmarks use, end to end.
#include "media.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Runner() {
    return std::string(MAVO_BIN_DIR) + "/../tools/encoder-run";
}

} // namespace

TEST(EncoderRun, ConvertInfoAndThumbnail) {
    std::string dir = media::ScratchDir("encoder_run");
    std::string out = dir + "/out.3gp";
    std::string text;
    int rc = media::Run(Runner() + " convert -y -t 2 -i " + media::Quote(media::Fixture("avi")) +
                            " -s 176x144 -r 15 -b 200k -ac 1 -ar 22050 -ab 32 -f 3gp " +
                            media::Quote(out),
                        &text);
    EXPECT_EQ(rc, 0) << text;
    EXPECT_NE(text.find("time=2.00 bitrate="), std::string::npos) << text;
    auto v = media::Probe(out, "v:0", "codec_name,width,height,r_frame_rate");
    EXPECT_EQ(v["codec_name"], "mpeg4");
    EXPECT_EQ(v["width"], "176");
    EXPECT_EQ(v["r_frame_rate"], "15/1");
    EXPECT_EQ(media::Probe(out, "a:0", "channels")["channels"], "1");

    rc = media::Run(Runner() + " convert -y -i " + media::Quote(media::Fixture("text")) + " " +
                        media::Quote(dir + "/bad.mp4"),
                    &text);
    EXPECT_EQ(rc, 2);
    EXPECT_EQ(text.rfind("error: ", 0), 0u) << text;

    rc = media::Run(Runner() + " info " + media::Quote(media::Fixture("xvid")), &text);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(text.find("video=mpeg4 (XVID) audio=mp3float size=320x240"), std::string::npos)
        << text;

    std::string jpg = dir + "/t.jpg";
    EXPECT_EQ(media::Run(Runner() + " thumb " + media::Quote(media::Fixture("mp4")) + " " +
                         media::Quote(jpg) + " 160x120"),
              0);
    EXPECT_EQ(media::Probe(jpg, "v:0", "width")["width"], "160");
}

TEST(EncoderRun, FactsOneKeyALine) {
    std::string text;
    int rc = media::Run(Runner() + " facts " + media::Quote(media::Fixture("mp4")) + " " +
                            media::Quote(media::Fixture("xvid")),
                        &text);
    EXPECT_EQ(rc, 0) << text;
    for (const char *line : {"container=mp4\n", "video_codec=h264\n", "video_tag=avc1\n",
                             "width=320\n", "fps_milli=25000\n", "audio_codec=aac\n",
                             "\nfile=" /* the second file after a blank line */, "container=avi\n",
                             "video_tag=XVID\n", "audio_codec=mp3\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    rc = media::Run(Runner() + " facts " + media::Quote(media::Fixture("text")), &text);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(text.find("readable=0\n"), std::string::npos) << text;
}
