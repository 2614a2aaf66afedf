// One conversion job as read from the argument list handed to _X.
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

#include <cstdint>
#include <optional>
#include <string>

namespace engine {

struct Job {
    bool overwrite = false;
    bool bitexact = false;
    double start = 0;             // seconds from the clip's beginning
    std::optional<double> length; // seconds; none: to the end
    std::string input;
    std::string output;
    int volume = 100; // percent
    std::string vcodec = "mpeg4";
    std::string acodec = "aac";
    int pad_top = 0, pad_bottom = 0, pad_left = 0, pad_right = 0;
    int width = 0, height = 0; // whole frame; 0: the source's display size
    AVRational rate{0, 1};     // 0: the source's rate
    int64_t video_bitrate = 0; // bit/s; 0: the encoder's default
    int64_t audio_bitrate = 0; // bit/s; 0: 128 kbit/s
    int channels = 0;          // 0: the source's, at most 2
    int sample_rate = 0;       // 0: the source's when the encoder takes it
    std::string format;        // container; empty: from the output name
    // Video coding and container choices beyond the classic list.
    std::string preset;     // x264/x265 speed preset; empty: the encoder's own
    std::string vprofile;   // the most the stream may use: baseline, main, high
    std::string level;      // "4.1"; empty: the encoder chooses
    std::string vtag;       // four characters for the stream's tag; empty: the container's
    bool faststart = false; // MP4 family: the index before the media
    bool fit = false;       // -s is a box the picture fits in, -r a ceiling
    int64_t size_limit = 0; // bytes the output may take; 0: no limit
    bool keep_hdr = false;  // a PQ or HLG source stays so (HEVC Main 10 only); else tone-mapped

    // Set by the size target for its passes, never by an option.
    int pass = 0;            // 1: analysis pass, 2: the pass that reads its figures
    std::string stats_path;  // the encoder's figures between the passes
    bool skip_audio = false; // the analysis pass leaves the sound out

    // The sound track: a number (1 the first) or a language code; empty: the engine's choice.
    std::string audio_track;
    // Subtitles: "keep" writes the text ones as timed text (a forced one is burned in instead);
    // "burn", "burn:N", "burn:LANG" draw one track (text or pictures) into the picture; empty or
    // "none":
    // neither.
    std::string subtitles;
};

// The smallest size target the engine takes, in bytes.
inline constexpr int64_t kLeastSizeLimit = 100000;

// Reads argv[1..argc-1] (argv[0] is the caller's program name). Options may come in any order and
// any subset; an empty value means "not given"; the last argument is the output path. Returns
// false with a reason for an unknown option, a missing or unfitting value, or a missing path.
bool ParseArguments(int argc, char **argv, Job &job, std::string &reason);

// "25", "29.97" (30000/1001), "30000/1001".
std::optional<AVRational> ParseRate(std::string_view text);

} // namespace engine
