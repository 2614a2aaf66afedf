// A size target: the video's bit rate from the size, two passes of libx264, and the second pass
// again at a lower rate while the file comes out larger than the target.
#include "common/FloatToInt.h"
#include "common/SizeBudget.h"
#include "converter.h"
#include "engine_common.h"
#include "options.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace engine {

namespace {

// A private folder for the first pass's figures and its throwaway output, removed with all it
// holds when the clip is over ("mavo-passes-<process id>-XXXXXX" in $TMPDIR).
class PassFolder {
public:
    ~PassFolder() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    bool Make(std::string &reason) {
        const char *tmp = std::getenv("TMPDIR");
        // Named after the process, so that the next start can remove it after a kill.
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                              "/mavo-passes-" + std::to_string(getpid()) + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            reason =
                std::string("cannot make a folder for the first pass: ") + std::strerror(errno);
            return false;
        }
        path_ = pattern;
        return true;
    }
    const std::string &Path() const { return path_; }

private:
    std::string path_;
};

std::string Megabytes(int64_t bytes) {
    return Fixed(static_cast<double>(bytes) / 1e6, 1, 0) + " MB";
}

// "6:52", "1:02:03".
std::string ClockText(int64_t seconds) {
    auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    if (seconds >= 3600)
        return std::to_string(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" +
               two(seconds % 60);
    return std::to_string(seconds / 60) + ":" + two(seconds % 60);
}

struct Plan {
    double seconds = 0;    // the length converted
    int64_t video_bps = 0; // the first rate of both passes
};

// How long the converted clip is and what its sound takes, from the source.
bool MeasureSource(const Job &job, double &seconds, int64_t &audio_bps, std::string &reason) {
    AVFormatContext *ic = nullptr;
    if (OpenInput(job.input.c_str(), &ic, reason) < 0)
        return false;
    const bool video = BestStream(ic, AVMEDIA_TYPE_VIDEO) >= 0;
    const bool audio = BestStream(ic, AVMEDIA_TYPE_AUDIO) >= 0;
    const double duration = ClipDuration(ic);
    avformat_close_input(&ic);
    if (!video) {
        reason = "a size target needs a clip with video";
        return false;
    }
    seconds = duration > 0 ? duration - job.start : -1;
    if (job.length)
        seconds = seconds > 0 ? std::min(*job.length, seconds) : *job.length;
    if (!(seconds > 0)) {
        reason = duration > 0 ? "nothing to convert: the start point lies beyond the end of the "
                                "clip"
                              : "the length of the clip is not known, so no size can be planned";
        return false;
    }
    audio_bps = audio ? (job.audio_bitrate > 0 ? job.audio_bitrate : 128000) : 0;
    return true;
}

bool MakePlan(const Job &job, Plan &plan, std::string &reason) {
    int64_t audio_bps = 0;
    if (!MeasureSource(job, plan.seconds, audio_bps, reason))
        return false;
    int64_t rate = VideoBudget(job.size_limit, plan.seconds, audio_bps);
    if (rate < kLeastVideoBitRate) {
        reason = "the clip is too long for " + Megabytes(job.size_limit) + ": at most " +
                 ClockText(LongestFitting(job.size_limit, audio_bps)) + " fits";
        return false;
    }
    if (job.video_bitrate > 0)
        rate = std::min(rate, job.video_bitrate); // -b is a ceiling
    const int64_t level_max = LevelMaxBitRate(job, FindEncoder(job.vcodec, AVMEDIA_TYPE_VIDEO));
    if (level_max > 0)
        rate = std::min(rate, level_max);
    plan.video_bps = rate;
    return true;
}

int64_t FileBytes(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// Reports the clip's percentage from a pass's own: the first pass to 50, the second on to 99;
// 100 only once the size is known to fit. Never backwards, so a second pass run again holds.
class PercentOfPasses {
public:
    explicit PercentOfPasses(const ConvertHooks &hooks) : hooks_(hooks) {}
    ConvertHooks For(int pass) {
        ConvertHooks h = hooks_;
        h.percent = [this, pass](int p) { Show(pass == 1 ? p / 2 : std::min(99, 50 + p / 2)); };
        return h;
    }
    void Show(int p) {
        if (p > shown_ && hooks_.percent) {
            shown_ = p;
            hooks_.percent(p);
        }
    }

private:
    const ConvertHooks &hooks_;
    int shown_ = -1;
};

ConvertResult Fail(const ConvertHooks &hooks, const std::string &reason) {
    if (hooks.status)
        hooks.status(("error: " + reason).c_str());
    return kFailed;
}

// The pictures of the first pass's output; 0 when it cannot be read.
int64_t FirstPassPictures(const std::string &path) {
    AVFormatContext *fc = nullptr;
    std::string reason;
    if (OpenInput(path.c_str(), &fc, reason) < 0)
        return 0;
    const int vi = BestStream(fc, AVMEDIA_TYPE_VIDEO);
    const int64_t pictures = vi >= 0 ? fc->streams[vi]->nb_frames : 0;
    avformat_close_input(&fc);
    return pictures;
}

// The job of one pass; the first writes its throwaway output in the private folder, no sound.
Job PassJob(const Job &job, int pass, const std::string &folder, const AVOutputFormat *of,
            int64_t rate) {
    Job p = job;
    p.pass = pass;
    p.stats_path = folder + "/x264-passes";
    p.video_bitrate = rate;
    if (pass == 1) {
        p.output = folder + "/first-pass";
        p.format = of->name;
        p.overwrite = true;
        p.skip_audio = true;
        p.faststart = false;
    }
    return p;
}

} // namespace

ConvertResult RunSizeTarget(const Job &job, const ConvertHooks &hooks) {
    std::string reason;
    Plan plan;
    if (!MakePlan(job, plan, reason))
        return Fail(hooks, reason);
    // Refusals the second pass would meet come before a first pass is spent on them.
    if (std::string misfit = OptionsMisfit(job); !misfit.empty())
        return Fail(hooks, misfit);
    const AVOutputFormat *of = GuessMuxer(job);
    if (of == nullptr)
        return Fail(hooks, "unknown container " + (job.format.empty() ? job.output : job.format));
    {
        Converter check(job, hooks);
        if (!check.CheckOutputPath())
            return Fail(hooks, check.sh.error);
    }
    PassFolder folder;
    if (!folder.Make(reason))
        return Fail(hooks, reason);
    PercentOfPasses percent(hooks);
    ConvertResult r =
        RunConversion(PassJob(job, 1, folder.Path(), of, plan.video_bps), percent.For(1));
    if (r != kFinished)
        return r;
    Job second = PassJob(job, 2, folder.Path(), of, plan.video_bps);
    // A clip of a single picture has no length for the encoder to share its bits over, and its
    // second pass is refused: one pass at the planned rate makes it, far under any limit.
    if (FirstPassPictures(folder.Path() + "/first-pass") < 2) {
        second.pass = 0;
        second.stats_path.clear();
    }
    for (int run = 0;; ++run) {
        r = RunConversion(second, percent.For(2));
        if (r != kFinished)
            return r;
        const int64_t bytes = FileBytes(job.output);
        if (bytes >= 0 && bytes <= job.size_limit)
            break;
        if (run == 2) {
            std::remove(job.output.c_str());
            return Fail(hooks, "the output came out at " + std::to_string(bytes) +
                                   " bytes, above the size limit of " +
                                   std::to_string(job.size_limit));
        }
        // Lower the video's rate by what the file went over, and a tenth more.
        const double excess_bps = static_cast<double>(bytes - job.size_limit) * 8 / plan.seconds;
        second.video_bitrate = std::max<int64_t>(
            kLeastVideoBitRate / 4,
            second.video_bitrate - FloatToInt<int64_t>(std::ceil(1.1 * excess_bps)));
        second.overwrite = true; // the file is this clip's own
    }
    percent.Show(100);
    return kFinished;
}

} // namespace engine
