// Reading the argument list handed to _X (compiled in from the engine's sources).
#include "engine_common.h"
#include "job.h"

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
