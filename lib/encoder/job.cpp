#include "job.h"
#include "FloatToInt.h"
#include "engine_common.h"

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

bool ParseArguments(int argc, char **argv, Job &job, std::string &reason) {
    job = Job{};
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
    const int last = argc - 1;
    job.output = argv[last];
    if (job.output.empty() || (job.output[0] == '-' && job.output.size() > 1 &&
                               job.output.find('/') == std::string::npos)) {
        reason = "no output file given";
        return false;
    }
    for (int i = 1; i < last; ++i) {
        std::string_view opt = argv[i];
        if (opt == "-y") {
            job.overwrite = true;
            continue;
        }
        if (opt == "-bitexact") {
            job.bitexact = true;
            continue;
        }
        static constexpr std::string_view kValued[] = {
            "-ss",     "-t",         "-i",       "-vol",      "-vcodec", "-acodec",
            "-padtop", "-padbottom", "-padleft", "-padright", "-s",      "-r",
            "-b",      "-ab",        "-ac",      "-ar",       "-f"};
        bool known = false;
        for (auto k : kValued)
            known = known || k == opt;
        if (!known) {
            reason = std::string("unknown option ") + std::string(opt);
            return false;
        }
        if (i + 1 >= last) {
            reason = std::string("option ") + std::string(opt) + " has no value";
            return false;
        }
        std::string_view val = argv[++i];
        if (val.empty())
            continue; // not given
        auto bad = [&]() {
            reason = std::string("bad value for ") + std::string(opt) + ": " + std::string(val);
            return false;
        };
        if (opt == "-ss") {
            auto t = ParseTime(val);
            if (!t)
                return bad();
            job.start = *t;
        } else if (opt == "-t") {
            auto t = ParseTime(val);
            if (!t)
                return bad();
            job.length = *t;
        } else if (opt == "-i") {
            job.input = std::string(val);
        } else if (opt == "-vol") {
            auto v = ParseInt(val, 0, 10000);
            if (!v)
                return bad();
            job.volume = static_cast<int>(*v);
        } else if (opt == "-vcodec") {
            job.vcodec = std::string(val);
        } else if (opt == "-acodec") {
            job.acodec = std::string(val);
        } else if (opt == "-padtop" || opt == "-padbottom" || opt == "-padleft" ||
                   opt == "-padright") {
            auto v = ParseInt(val, 0, 8192);
            if (!v)
                return bad();
            int p = static_cast<int>(*v);
            (opt == "-padtop"      ? job.pad_top
             : opt == "-padbottom" ? job.pad_bottom
             : opt == "-padleft"   ? job.pad_left
                                   : job.pad_right) = p;
        } else if (opt == "-s") {
            if (!ParseFrameSize(val, job.width, job.height))
                return bad();
        } else if (opt == "-r") {
            auto r = ParseRate(val);
            if (!r)
                return bad();
            job.rate = *r;
        } else if (opt == "-b") {
            auto b = ParseBitrate(val);
            if (!b)
                return bad();
            job.video_bitrate = *b;
        } else if (opt == "-ab") {
            auto b = ParseBitrate(val);
            if (!b)
                return bad();
            job.audio_bitrate = *b;
        } else if (opt == "-ac") {
            auto v = ParseInt(val, 1, 8);
            if (!v)
                return bad();
            job.channels = static_cast<int>(*v);
        } else if (opt == "-ar") {
            std::string_view rest;
            auto v = ReadNumber(val, &rest);
            if (!v || !rest.empty() || *v < 1000 || *v > 192000 || *v != std::floor(*v))
                return bad();
            job.sample_rate = FloatToInt(*v);
        } else if (opt == "-f") {
            job.format = std::string(val);
        }
    }
    if (job.input.empty()) {
        reason = "no input file given";
        return false;
    }
    if (job.width > 0) {
        int iw = job.width - job.pad_left - job.pad_right;
        int ih = job.height - job.pad_top - job.pad_bottom;
        if (iw < 2 || ih < 2) {
            reason = "the bands leave no room for the picture";
            return false;
        }
    } else if (job.pad_top + job.pad_bottom + job.pad_left + job.pad_right > 0) {
        // Bands are measured inside the frame given with -s; without it they add to the source.
    }
    return true;
}

} // namespace engine
