#include "job.h"
#include "common/FloatToInt.h"
#include "engine_common.h"
#include "levels.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace engine {

namespace {

std::optional<int64_t> ParseInt(std::string_view text, int64_t lo, int64_t hi) {
    int64_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || ptr != text.data() + text.size() || v < lo || v > hi)
        return std::nullopt;
    return v;
}

// kbit/s with an optional "k", "kbps" or "kb/s" after the number; the result is in bit/s.
std::optional<int64_t> ParseBitrate(std::string_view text) {
    std::string_view rest;
    auto v = ReadNumber(text, &rest);
    if (!v || *v <= 0 || *v > 1e6)
        return std::nullopt;
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    if (!(rest.empty() || rest == "k" || rest == "K" || rest == "kbps" || rest == "kb/s" ||
          rest == "kbit/s"))
        return std::nullopt;
    return FloatToInt<int64_t>(*v * 1000, FloatRound::Nearest);
}

bool ParseFrameSize(std::string_view text, int &w, int &h) {
    size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos)
        return false;
    auto a = ParseInt(text.substr(0, x), 16, 8192);
    auto b = ParseInt(text.substr(x + 1), 16, 8192);
    if (!a || !b)
        return false;
    w = static_cast<int>(*a);
    h = static_cast<int>(*b);
    return true;
}

} // namespace

std::optional<AVRational> ParseRate(std::string_view text) {
    size_t slash = text.find('/');
    if (slash != std::string_view::npos) {
        auto n = ParseInt(text.substr(0, slash), 1, 1000000);
        auto d = ParseInt(text.substr(slash + 1), 1, 1000000);
        if (!n || !d)
            return std::nullopt;
        AVRational r{static_cast<int>(*n), static_cast<int>(*d)};
        av_reduce(&r.num, &r.den, r.num, r.den, 1000000);
        if (av_q2d(r) < 1 || av_q2d(r) > 240 || r.den > 65535)
            return std::nullopt;
        return r;
    }
    std::string_view rest;
    auto v = ReadNumber(text, &rest);
    if (!v || !rest.empty() || *v < 1 || *v > 240)
        return std::nullopt;
    // The usual NTSC rates written as decimals.
    for (int base : {24, 30, 60}) {
        double ntsc = base * 1000.0 / 1001.0;
        if (std::fabs(*v - ntsc) < 0.006)
            return AVRational{base * 1000, 1001};
    }
    return av_d2q(*v, 65535);
}

namespace {

template <typename T, typename U> bool Store(const std::optional<T> &v, U &field) {
    if (!v)
        return false;
    field = static_cast<U>(*v);
    return true;
}

// A four-character tag: printable characters only (a space may pad it, as in "mp4a").
bool ReadTag(std::string_view v, std::string &tag) {
    if (v.size() != 4)
        return false;
    for (char c : v)
        if (c < 0x20 || c > 0x7e)
            return false;
    tag = v;
    return true;
}

// A name from the list, kept as given.
template <size_t N>
bool ReadName(std::string_view v, const std::string_view (&names)[N], std::string &field) {
    if (!OneOf(names, v))
        return false;
    field = v;
    return true;
}

bool ReadLevel(std::string_view v, std::string &level) {
    // Every HEVC level is an H.264 level too; which codec takes it is judged at setup.
    if (FindLevel(kH264Levels, v) == nullptr)
        return false;
    level = v;
    return true;
}

// A track: its number among its kind (1 the first) or a two- or three-letter language code.
bool ReadTrack(std::string_view v, std::string &track) {
    const bool number =
        v.size() <= 2 &&
        std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }) && v != "0" &&
        v != "00";
    const bool language =
        (v.size() == 2 || v.size() == 3) && std::all_of(v.begin(), v.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        });
    if (!number && !language)
        return false;
    track = v;
    return true;
}

std::optional<int> ParseSampleRate(std::string_view text) {
    std::string_view rest;
    auto v = ReadNumber(text, &rest);
    if (!v || !rest.empty() || *v < 1000 || *v > 192000 || *v != std::floor(*v))
        return std::nullopt;
    return FloatToInt(*v);
}

// Reads an option's value into the job; false when the value does not fit.
using Reader = bool (*)(std::string_view value, Job &job);

struct Option {
    std::string_view name;
    bool valued; // followed by a value
    Reader read;
};

// Every option _X takes.
constexpr Option kOptions[] = {
    {"-y", false, [](std::string_view, Job &j) { return j.overwrite = true; }},
    {"-bitexact", false, [](std::string_view, Job &j) { return j.bitexact = true; }},
    {"-ss", true, [](std::string_view v, Job &j) { return Store(ParseTime(v), j.start); }},
    {"-t", true, [](std::string_view v, Job &j) { return Store(ParseTime(v), j.length); }},
    {"-i", true, [](std::string_view v, Job &j) { return !(j.input = std::string(v)).empty(); }},
    {"-vol", true,
     [](std::string_view v, Job &j) { return Store(ParseInt(v, 0, 10000), j.volume); }},
    {"-vcodec", true, [](std::string_view v, Job &j) { return !(j.vcodec = v).empty(); }},
    {"-acodec", true, [](std::string_view v, Job &j) { return !(j.acodec = v).empty(); }},
    {"-padtop", true,
     [](std::string_view v, Job &j) { return Store(ParseInt(v, 0, 8192), j.pad_top); }},
    {"-padbottom", true,
     [](std::string_view v, Job &j) { return Store(ParseInt(v, 0, 8192), j.pad_bottom); }},
    {"-padleft", true,
     [](std::string_view v, Job &j) { return Store(ParseInt(v, 0, 8192), j.pad_left); }},
    {"-padright", true,
     [](std::string_view v, Job &j) { return Store(ParseInt(v, 0, 8192), j.pad_right); }},
    {"-s", true, [](std::string_view v, Job &j) { return ParseFrameSize(v, j.width, j.height); }},
    {"-r", true, [](std::string_view v, Job &j) { return Store(ParseRate(v), j.rate); }},
    {"-b", true,
     [](std::string_view v, Job &j) { return Store(ParseBitrate(v), j.video_bitrate); }},
    {"-ab", true,
     [](std::string_view v, Job &j) { return Store(ParseBitrate(v), j.audio_bitrate); }},
    {"-ac", true, [](std::string_view v, Job &j) { return Store(ParseInt(v, 1, 8), j.channels); }},
    {"-ar", true,
     [](std::string_view v, Job &j) { return Store(ParseSampleRate(v), j.sample_rate); }},
    {"-f", true, [](std::string_view v, Job &j) { return !(j.format = v).empty(); }},
    {"-preset", true, [](std::string_view v, Job &j) { return ReadName(v, kPresets, j.preset); }},
    {"-vprofile", true,
     [](std::string_view v, Job &j) {
         return ReadName(v, kH264Profiles, j.vprofile) || ReadName(v, kHevcProfiles, j.vprofile);
     }},
    {"-level", true, [](std::string_view v, Job &j) { return ReadLevel(v, j.level); }},
    {"-vtag", true, [](std::string_view v, Job &j) { return ReadTag(v, j.vtag); }},
    {"-faststart", false, [](std::string_view, Job &j) { return j.faststart = true; }},
    {"-fit", false, [](std::string_view, Job &j) { return j.fit = true; }},
    {"-hdr", false, [](std::string_view, Job &j) { return j.keep_hdr = true; }},
    {"-fs", true,
     [](std::string_view v, Job &j) {
         return Store(ParseInt(v, kLeastSizeLimit, int64_t{1} << 40), j.size_limit);
     }},
    {"-atrack", true, [](std::string_view v, Job &j) { return ReadTrack(v, j.audio_track); }},
    {"-subtitles", true,
     [](std::string_view v, Job &j) {
         std::string track;
         const bool ok = v == "keep" || v == "none" || v == "burn" ||
                         (v.substr(0, 5) == "burn:" && ReadTrack(v.substr(5), track));
         return ok && !(j.subtitles = v).empty();
     }},
};

const Option *FindOption(std::string_view name) {
    for (const Option &o : kOptions)
        if (o.name == name)
            return &o;
    return nullptr;
}

// The output path is the last entry; a lone option word there means it is missing.
bool ReadOutput(int argc, char **argv, Job &job, std::string &reason) {
    if (argc < 2 || argv == nullptr) {
        reason = "no output file given";
        return false;
    }
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr) {
            reason = "argument list has a missing entry";
            return false;
        }
    }
    job.output = argv[argc - 1];
    if (job.output.empty() || (job.output[0] == '-' && job.output.size() > 1 &&
                               job.output.find('/') == std::string::npos)) {
        reason = "no output file given";
        return false;
    }
    return true;
}

} // namespace

bool ParseArguments(int argc, char **argv, Job &job, std::string &reason) {
    job = Job{};
    if (!ReadOutput(argc, argv, job, reason))
        return false;
    const int last = argc - 1;
    for (int i = 1; i < last; ++i) {
        std::string_view name = argv[i];
        const Option *opt = FindOption(name);
        if (opt == nullptr) {
            reason = "unknown option " + std::string(name);
            return false;
        }
        if (!opt->valued) {
            opt->read({}, job);
            continue;
        }
        if (i + 1 >= last) {
            reason = "option " + std::string(name) + " has no value";
            return false;
        }
        std::string_view value = argv[++i];
        if (value.empty())
            continue; // not given
        if (!opt->read(value, job)) {
            reason = "bad value for " + std::string(name) + ": " + std::string(value);
            return false;
        }
    }
    if (job.input.empty()) {
        reason = "no input file given";
        return false;
    }
    if (job.fit &&
        (job.pad_top > 0 || job.pad_bottom > 0 || job.pad_left > 0 || job.pad_right > 0)) {
        reason = "-fit keeps the picture's own shape and takes no bands (-padtop, -padbottom, "
                 "-padleft, -padright)";
        return false;
    }
    // Bands are measured inside the frame given with -s; without it they add to the source.
    if (job.width > 0 && (job.width - job.pad_left - job.pad_right < 2 ||
                          job.height - job.pad_top - job.pad_bottom < 2)) {
        reason = "the bands leave no room for the picture";
        return false;
    }
    return true;
}

} // namespace engine
