// One conversion from start to end: the stage threads watched, the outcome judged and reported.
#include "common/FloatToInt.h"
#include "converter.h"
#include "engine_common.h"

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace engine {

namespace {

using Clock = std::chrono::steady_clock;

void ReportPercent(const Converter &c, double reached) {
    if (!c.hooks.percent)
        return;
    const Job &job = c.job;
    double total =
        job.length ? *job.length : (c.source_duration > 0 ? c.source_duration - job.start : 0);
    int p = total > 0 ? std::clamp(FloatToInt(reached * 100.0 / total), 0, 100) : 0;
    c.hooks.percent(p);
}

// Runs the stages to their end, reporting every 250 ms; true when the clip was stopped.
bool RunStages(Converter &c, Clock::time_point began) {
    std::vector<std::thread> threads;
    threads.emplace_back([&c] { c.Demux(); });
    for (Stage *s : {c.video.get(), c.audio.get()})
        if (s != nullptr)
            threads.emplace_back([&c, s] { c.RunStage(*s); });
    bool stopped = false;
    auto next_report = Clock::now() + std::chrono::milliseconds(250);
    while (true) {
        bool all_done = (!c.video || c.video->finished) && (!c.audio || c.audio->finished);
        if (all_done || c.sh.abort)
            break;
        if (c.hooks.stop != nullptr && c.hooks.stop->load()) {
            stopped = true;
            c.sh.abort = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (Clock::now() >= next_report) {
            next_report += std::chrono::milliseconds(250);
            if (c.hooks.status)
                c.hooks.status(c.Status(began).c_str());
            ReportPercent(c, c.Reached());
        }
    }
    for (auto &t : threads)
        t.join();
    return stopped;
}

// Whether a conversion that ran to its end gave what the clip promised.
bool Judge(Converter &c) {
    if (c.video && c.video->decoded == 0) {
        // Never an audio-only file passed off as the clip.
        c.sh.Fail("the video of the input holds no picture that can be decoded");
        return false;
    }
    if (c.sh.packets_written == 0 && c.sh.frames == 0 && c.Reached() <= 0) {
        c.sh.Fail("nothing to convert");
        return false;
    }
    if (c.input_ended && c.declared_duration > 0) {
        // The input ended well before the point its own header promised: a cut-off file.
        double want = std::min(c.declared_duration, c.job.start + c.job.length.value_or(1e12));
        double got = c.job.start + c.Reached();
        if (got < want - 1.5 && got < want * 0.9) {
            c.sh.Fail("the input file is truncated or damaged");
            return false;
        }
    }
    return true;
}

// Finishes and closes the output; false when that fails or the file is no longer at its path.
bool CloseOutput(Converter &c, bool ok, bool stopped, int64_t &bytes) {
    if ((ok || stopped) && c.header_written) {
        std::lock_guard lock(c.sh.mux_mutex);
        int err = av_write_trailer(c.sh.oc);
        if (err < 0 && ok && !stopped) {
            c.sh.Fail(OutputFailure("cannot finish the output file", err));
            ok = false;
        }
    }
    // The writing position after the trailer is not always the end of the file: AVI, for one,
    // goes back to finish its header.
    bytes = c.sh.Bytes();
    if (c.sh.oc != nullptr && c.sh.oc->pb != nullptr)
        bytes = std::max(bytes, avio_size(c.sh.oc->pb));
    if (c.sh.oc != nullptr && c.sh.oc->pb != nullptr && avio_closep(&c.sh.oc->pb) < 0 && ok &&
        !stopped) {
        c.sh.Fail("cannot finish the output file");
        ok = false;
    }
    if (ok && !stopped && !c.OutputStillThere()) {
        c.sh.Fail("the output file is gone: its folder was removed or its disk taken away during "
                  "the conversion");
        ok = false;
    }
    return ok;
}

void PrintProfile(const Converter &c, double elapsed) {
    std::fprintf(
        stderr,
        "engine profile: wall %.3f s; thread cpu: demux %.3f s, video halve+filter+encode "
        "%.3f s (decoding runs on the decoder's threads), audio decode+filter+encode %.3f s; "
        "aac coder %s\n",
        elapsed, c.sh.demux_cpu.load(), c.sh.video_cpu.load(), c.sh.audio_cpu.load(),
        c.audio && *c.audio->coder != '\0' ? c.audio->coder : "none");
}

} // namespace

std::string StatusLine(int64_t frames, double fps, double q, int64_t bytes, double seconds) {
    double kbits = seconds > 0 ? bytes * 8.0 / seconds / 1000.0 : 0.0;
    return "frame=" + Padded(frames, 5) + " fps=" + Fixed(fps, 0, 3) + " q=" + Fixed(q, 1, 0) +
           " size=" + Padded(bytes / 1024, 8) + "kB time=" + Fixed(seconds, 2, 0) +
           " bitrate=" + Fixed(kbits, 1, 6) + "kbits/s";
}

std::string Converter::Status(Clock::time_point began) {
    double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    int64_t n = sh.frames;
    double fps = elapsed > 0.05 ? n / elapsed : 0;
    return StatusLine(n, fps, sh.q, sh.Bytes(), Reached());
}

ConvertResult RunConversion(const Job &job, const ConvertHooks &hooks) {
    auto began = Clock::now();
    Converter c(job, hooks);
    bool ok = c.Setup();
    bool stopped = false;
    if (ok) {
        stopped = RunStages(c, began);
        ok = c.sh.error.empty();
    }
    if (ok && !stopped)
        ok = Judge(c);
    int64_t bytes = 0;
    ok = CloseOutput(c, ok, stopped, bytes);

    if (!ok && !stopped) {
        // The partial output goes, unless the path names another file by now.
        if (c.OutputStillThere())
            std::remove(job.output.c_str());
        std::string line = "error: " + c.sh.error;
        if (hooks.status)
            hooks.status(line.c_str());
        return kFailed;
    }
    double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    if (std::getenv("MAVO_ENGINE_PROFILE") != nullptr)
        PrintProfile(c, elapsed);
    std::string line = StatusLine(c.sh.frames, elapsed > 0.05 ? c.sh.frames / elapsed : 0, c.sh.q,
                                  bytes, c.Reached());
    if (hooks.status)
        hooks.status(line.c_str());
    if (!stopped && hooks.percent)
        hooks.percent(100);
    return stopped ? kStopped : kFinished;
}

} // namespace engine
