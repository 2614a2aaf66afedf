// libFuzzer target for the engine's argument list and the number, time and rate readers it uses.
//
// The input is split at NUL bytes into the arguments after the program name. An accepted list
// must give a job whose every figure lies in the range the option allows; a refused one must say
// why. Every argument is also read on its own as a time, a rate and a number.

#include "FuzzCheck.h"
#include "engine_common.h"
#include "job.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::Check;

bool Finite(double v) {
    return std::isfinite(v);
}

void CheckReaders(const std::string &arg) {
    if (auto t = engine::ParseTime(arg))
        Check(Finite(*t) && *t >= 0, "time out of range");
    if (auto r = engine::ParseRate(arg)) {
        Check(r->num > 0 && r->den > 0 && r->den <= 65535, "rate terms");
        const double q = av_q2d(*r);
        Check(q >= 1 - 1e-3 && q <= 240 + 1e-3, "rate out of range");
    }
    std::string_view rest;
    if (auto v = engine::ReadNumber(arg, &rest)) {
        Check(Finite(*v), "number not finite");
        Check(rest.size() < arg.size() || arg.empty(), "number read nothing");
    }
}

void CheckJob(const engine::Job &job, const std::vector<std::string> &args) {
    Check(job.output == args.back(), "output is not the last argument");
    Check(!job.input.empty(), "no input accepted");
    Check(Finite(job.start) && job.start >= 0, "start");
    Check(!job.length || (Finite(*job.length) && *job.length >= 0), "length");
    Check(job.volume >= 0 && job.volume <= 10000, "volume");
    for (int pad : {job.pad_top, job.pad_bottom, job.pad_left, job.pad_right})
        Check(pad >= 0 && pad <= 8192, "band");
    if (job.width != 0) {
        Check(job.width >= 16 && job.width <= 8192 && job.height >= 16 && job.height <= 8192,
              "frame size");
        Check(job.width - job.pad_left - job.pad_right >= 2 &&
                  job.height - job.pad_top - job.pad_bottom >= 2,
              "bands leave no picture");
    } else {
        Check(job.height == 0, "height without width");
    }
    if (job.rate.num != 0) {
        const double q = av_q2d(job.rate);
        Check(job.rate.den > 0 && q >= 1 - 1e-3 && q <= 240 + 1e-3, "frame rate");
    }
    for (int64_t b : {job.video_bitrate, job.audio_bitrate})
        Check(b >= 0 && b <= 1000000000, "bit rate");
    Check(job.channels >= 0 && job.channels <= 8, "channels");
    Check(job.sample_rate == 0 || (job.sample_rate >= 1000 && job.sample_rate <= 192000),
          "sample rate");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<std::string> args{"mavo-converter"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(current);
    for (size_t i = 1; i < args.size(); ++i)
        CheckReaders(args[i]);

    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    engine::Job job;
    std::string reason;
    const bool ok = engine::ParseArguments(static_cast<int>(argv.size()), argv.data(), job, reason);
    if (ok)
        CheckJob(job, args);
    else
        Check(!reason.empty(), "refused without a reason");
    // The list is read the same way every time.
    engine::Job again;
    std::string reason_again;
    Check(engine::ParseArguments(static_cast<int>(argv.size()), argv.data(), again, reason_again) ==
                  ok &&
              reason_again == reason && again.input == job.input,
          "second reading differs");
    return 0;
}
