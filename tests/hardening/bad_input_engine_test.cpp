// The same files handed straight to the engine's conversion: the broken ones fail with a reason
// in words and leave no output, the good ones under odd names convert (a name that starts with a
// dash is still only a file name), and no source changes.
#include "BadInputs.h"
#include "engine_session.h"
#include "media.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using hardening::Outcome;

TEST(BadInputEngine, EachFileFailsWithAReasonAndNoOutputOrConverts) {
    const std::string dir = hardening::MakeCases("bad_input_engine");
    const std::string out_dir = media::ScratchDir("bad_input_engine_out");
    const QString qdir = QString::fromStdString(dir);
    const QMap<QString, QByteArray> before = hardening::Snapshot(qdir);

    int index = 0;
    for (const hardening::BadInput &c : hardening::Cases()) {
        SCOPED_TRACE(c.name);
        const std::string out = out_dir + "/" + std::to_string(index++) + ".mp4";
        EngineSession engine;
        int result = -1;
        // The long clip converts whole; the others as the program's default job, 4 s from 1 s.
        const bool whole = std::string(c.name) == hardening::kTenMinutes;
        const auto args = whole ? IpodArgs(dir + "/" + c.name, out, "00:00:00", "600")
                                : IpodArgs(dir + "/" + c.name, out);
        hardening::RunAs(c, [&] { result = engine.Convert(args); });
        const auto lines = engine.Lines();
        ASSERT_FALSE(lines.empty());
        if (c.outcome == Outcome::Converts) {
            EXPECT_EQ(result, 0) << lines.back();
            EXPECT_EQ(media::Probe(out, "v:0", "codec_name")["codec_name"], "mpeg4");
            if (whole) {
                EXPECT_NEAR(media::ProbeNumber(out, "", "duration"), 600, 1);
            }
            continue;
        }
        if (c.outcome == Outcome::NoVideo) {
            // The program never hands such a file over; the engine makes a file of the sound.
            EXPECT_EQ(result, 0) << lines.back();
            EXPECT_EQ(media::Probe(out, "a:0", "codec_name")["codec_name"], "aac");
            EXPECT_TRUE(media::Probe(out, "v:0", "codec_name").empty());
            continue;
        }
        EXPECT_EQ(result, 2) << lines.back();
        EXPECT_FALSE(media::Exists(out));
        std::printf("%-14s %s\n", c.name, lines.back().c_str());
        // A sentence of words, not a bare code: "error: " and at least three words.
        EXPECT_EQ(lines.back().rfind("error: ", 0), 0u) << lines.back();
        EXPECT_GE(std::count(lines.back().begin(), lines.back().end(), ' '), 3) << lines.back();
    }
    EXPECT_EQ(hardening::Snapshot(qdir), before) << "the sources are as they were";
}

} // namespace
