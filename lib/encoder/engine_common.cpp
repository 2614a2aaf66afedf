#include "engine_common.h"
#include "common/FloatToInt.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <vector>

namespace engine {

namespace {

// Demuxers that read only the file they are given. Everything that opens further files or
// addresses (hls, dash, concat, image2 sequences, ffmetadata, tee-like formats) is absent.
constexpr const char *kFormatWhitelist =
    "avi,asf,mpeg,mpegts,mpegvideo,mov,mp4,m4a,3gp,3g2,mj2,swf,flv,matroska,webm,h264,hevc,m4v,"
    "h261,h263,rm,ogg,wav,mp3,aac,ac3,eac3,amr,amrnb,amrwb,dv,nut,flac,mjpeg,avs,nsv,vc1,"
    "cavsvideo,dirac,ivf,yuv4mpegpipe,w64,aiff,au,gsm,mpc,mpc8,tta,wv,ape,truehd,mlp,dts,"
    "xwma,smk,bink,roq,vqf,wsaud,ea,str,film_cpk,thp,4xm,nuv,bfi,mtv,siff,vmd,xa,rl2,tmv";

} // namespace

std::string Fixed(double v, int precision, size_t width) {
    char buf[64];
    if (!std::isfinite(v))
        v = 0;
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    std::string s(buf, r.ptr);
    if (s.size() < width)
        s.insert(0, width - s.size(), ' ');
    return s;
}

std::string Padded(int64_t v, size_t width) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, r.ptr);
    if (s.size() < width)
        s.insert(0, width - s.size(), ' ');
    return s;
}

int EnvInt(const char *name, int fallback) {
    const char *v = std::getenv(name);
    if (v == nullptr || *v == '\0')
        return fallback;
    int out = fallback;
    std::from_chars(v, v + std::char_traits<char>::length(v), out);
    return out;
}

std::string ErrorText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return buf;
}

namespace {

// Why an input that could not be opened was not read, in words rather than a bare code.
std::string MissingInputReason(int err) {
    if (err == AVERROR(ENOENT))
        return "the input file does not exist (it was moved, renamed or deleted)";
    if (err == AVERROR(EACCES))
        return "the input file may not be read: permission denied";
    return "the input file cannot be opened: " + ErrorText(err);
}

} // namespace

std::string OutputFailure(const std::string &what, int err) {
    if (err == AVERROR(ENOSPC) || err == AVERROR(EDQUOT))
        return what + ": the disk is full";
    if (err == AVERROR(EACCES) || err == AVERROR(EPERM) || err == AVERROR(EROFS))
        return what + ": the output folder may not be written";
    if (err == AVERROR(ENOENT))
        return what + ": the output folder does not exist";
    return what + ": " + ErrorText(err);
}

// The most one allocation of FFmpeg's may take. A damaged header can ask for gigabytes (an
// 80-byte WAV whose INFO tag claims 1.8 GB); refused, the reader fails at once instead. A frame
// of 8K pictures in 32 bits still fits.
constexpr size_t kMaxAllocation = 160u * 1024 * 1024;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kBuildSlowness = 10;
#else
constexpr double kBuildSlowness = 1;
#endif

// A damaged header costs work, a slow disk or share only time: the limit is on the work this
// thread does (its processor time), with a far wider one on the wait, for a read that never
// comes back.
constexpr double kWaitPerWork = 15;

double ThreadWorkSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Deadline {
    double work_at = std::numeric_limits<double>::infinity();
    std::chrono::steady_clock::time_point wait_at = std::chrono::steady_clock::time_point::max();
    bool passed = false;
};

// The file's reader keeps its own copy of the callback for as long as the file is open, so the
// deadline it points to must outlive the open call: one per thread, lifted once the headers are
// read. The information and thumbnail calls open, read and close on the one thread they run on.
thread_local Deadline t_deadline;

int PastDeadline(void *opaque) {
    auto *deadline = static_cast<Deadline *>(opaque);
    deadline->passed = deadline->passed || ThreadWorkSeconds() >= deadline->work_at ||
                       std::chrono::steady_clock::now() >= deadline->wait_at;
    return deadline->passed ? 1 : 0;
}

} // namespace

double ProbeSeconds() {
    const char *text = std::getenv("MAVO_ENGINE_PROBE_SECONDS");
    if (text != nullptr) {
        auto v = ReadNumber(text);
        if (v && *v > 0)
            return *v;
    }
    return 2.0 * kBuildSlowness;
}

int OpenInput(const char *path, AVFormatContext **ctx, std::string &reason, double probe_seconds) {
    static std::once_flag bounded;
    std::call_once(bounded, [] { av_max_alloc(kMaxAllocation); });
    *ctx = nullptr;
    if (path == nullptr || *path == '\0') {
        reason = "no input file";
        return AVERROR(EINVAL);
    }
    // Only a regular file (a symbolic link is followed): reading a named pipe or a device would
    // wait for data without end, or never end.
    struct stat st {};
    if (stat(path, &st) != 0) {
        int err = AVERROR(errno);
        reason = MissingInputReason(err);
        return err;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = "the input is not a regular file: it is a folder, a pipe or a device";
        return AVERROR(EINVAL);
    }
    AVFormatContext *fc = avformat_alloc_context();
    if (fc == nullptr) {
        reason = "out of memory";
        return AVERROR(ENOMEM);
    }
    Deadline &deadline = t_deadline;
    deadline = Deadline{};
    if (probe_seconds > 0) {
        deadline.work_at = ThreadWorkSeconds() + probe_seconds;
        deadline.wait_at = std::chrono::steady_clock::now() +
                           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                               std::chrono::duration<double>(probe_seconds * kWaitPerWork));
        fc->interrupt_callback = AVIOInterruptCB{&PastDeadline, &deadline};
    }
    AVDictionary *opts = nullptr;
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    av_dict_set(&opts, "format_whitelist", kFormatWhitelist, 0);
    // The path is always a local file name, never a URL: "file:" keeps a colon in the name from
    // being read as a protocol.
    std::string url = std::string("file:") + path;
    int err = avformat_open_input(&fc, url.c_str(), nullptr, &opts);
    av_dict_free(&opts);
    if (err < 0) {
        // avformat_open_input frees the context on failure.
        if (deadline.passed) {
            reason = "the input file could not be read in time: it is damaged or unreadable";
            err = AVERROR_EXIT;
        } else if (err == AVERROR(ENOENT) || err == AVERROR(EACCES))
            reason = MissingInputReason(err);
        else if (err == AVERROR(EINVAL) || err == AVERROR_INVALIDDATA)
            reason = "the input file is not a video file this program can read, or it is damaged";
        else
            reason = std::string("the input file cannot be read: ") + ErrorText(err);
        return err;
    }
    err = avformat_find_stream_info(fc, nullptr);
    if (err >= 0 && deadline.passed)
        err = AVERROR_EXIT; // what was found in the time is not the whole picture
    // The deadline holds for the headers; whatever reads the file next is not held to it.
    const bool late = deadline.passed;
    deadline = Deadline{};
    fc->interrupt_callback = AVIOInterruptCB{nullptr, nullptr};
    if (err < 0) {
        reason = late ? "the input file could not be read in time: it is damaged or unreadable"
                      : "the input file is damaged or cut short: its streams cannot be read";
        avformat_close_input(&fc);
        return err;
    }
    *ctx = fc;
    return 0;
}

int BestStream(AVFormatContext *ctx, AVMediaType type, const AVCodec **decoder) {
    const AVCodec *dec = nullptr;
    int idx = av_find_best_stream(ctx, type, -1, -1, &dec, 0);
    if (idx < 0 || dec == nullptr)
        return -1;
    const AVStream *st = ctx->streams[idx];
    if (type == AVMEDIA_TYPE_VIDEO && (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
        // Cover art only: look for a real video stream among the others.
        idx = -1;
        for (unsigned i = 0; i < ctx->nb_streams; ++i) {
            const AVStream *s = ctx->streams[i];
            if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                (s->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0 &&
                avcodec_find_decoder(s->codecpar->codec_id) != nullptr) {
                idx = static_cast<int>(i);
                dec = avcodec_find_decoder(s->codecpar->codec_id);
                break;
            }
        }
        if (idx < 0)
            return -1;
    }
    if (type == AVMEDIA_TYPE_VIDEO &&
        (ctx->streams[idx]->codecpar->width <= 0 || ctx->streams[idx]->codecpar->height <= 0))
        return -1;
    if (decoder != nullptr)
        *decoder = dec;
    return idx;
}

int StreamRotation(const AVStream *st) {
    size_t size = 0;
    const uint8_t *matrix = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix == nullptr || size < 9 * sizeof(int32_t))
        return 0;
    double theta = -av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
    if (std::isnan(theta))
        return 0;
    theta -= 360 * std::floor(theta / 360 + 0.9 / 360);
    int quarter = FloatToInt(theta / 90.0, FloatRound::Nearest) % 4;
    if (quarter < 0)
        quarter += 4;
    return quarter * 90;
}

void DisplaySize(const AVStream *st, int &width, int &height) {
    width = st->codecpar->width;
    height = st->codecpar->height;
    AVRational sar = st->sample_aspect_ratio.num > 0 ? st->sample_aspect_ratio
                                                     : st->codecpar->sample_aspect_ratio;
    if (sar.num > 0 && sar.den > 0 && sar.num != sar.den) {
        // A ratio far from square keeps at least one pixel and stays within the integer range.
        const int64_t scaled = av_rescale(width, sar.num, sar.den);
        width = static_cast<int>(std::clamp<int64_t>(scaled, 1, std::numeric_limits<int>::max()));
    }
    int rot = StreamRotation(st);
    if (rot == 90 || rot == 270)
        std::swap(width, height);
}

double ClipDuration(AVFormatContext *ctx) {
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0)
        return ctx->duration / static_cast<double>(AV_TIME_BASE);
    double best = -1;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream *st = ctx->streams[i];
        if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
            best = std::max(best, st->duration * av_q2d(st->time_base));
    }
    if (best > 0)
        return best;

    // Nothing in the headers: walk the packets and take the span of their timestamps. Right
    // after opening, reading starts at the first packet (the probed ones are buffered).
    AVPacket *pkt = av_packet_alloc();
    if (pkt == nullptr)
        return -1;
    std::vector<int64_t> first(ctx->nb_streams, AV_NOPTS_VALUE);
    std::vector<int64_t> last(ctx->nb_streams, AV_NOPTS_VALUE);
    std::vector<int64_t> count(ctx->nb_streams, 0);
    while (av_read_frame(ctx, pkt) >= 0) {
        unsigned si = static_cast<unsigned>(pkt->stream_index);
        // Some demuxers (SWF, MPEG-TS) add streams while they are read.
        if (ctx->nb_streams > first.size()) {
            first.resize(ctx->nb_streams, AV_NOPTS_VALUE);
            last.resize(ctx->nb_streams, AV_NOPTS_VALUE);
            count.resize(ctx->nb_streams, 0);
        }
        if (si < first.size()) {
            int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
            ++count[si];
            if (ts != AV_NOPTS_VALUE) {
                int64_t end = ts + std::max<int64_t>(pkt->duration, 0);
                if (first[si] == AV_NOPTS_VALUE || ts < first[si])
                    first[si] = ts;
                if (last[si] == AV_NOPTS_VALUE || end > last[si])
                    last[si] = end;
            }
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    for (unsigned i = 0; i < ctx->nb_streams && i < first.size(); ++i) {
        const AVStream *st = ctx->streams[i];
        double d = -1;
        if (first[i] != AV_NOPTS_VALUE && last[i] > first[i]) {
            d = (last[i] - first[i]) * av_q2d(st->time_base);
        } else if (count[i] > 0 && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            AVRational fr = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
            if (fr.num > 0 && fr.den > 0)
                d = count[i] / av_q2d(fr);
        }
        best = std::max(best, d);
    }
    return best;
}

std::optional<double> ReadNumber(std::string_view text, std::string_view *rest) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const char *begin = text.data() + i;
    const char *end = text.data() + text.size();
    if (begin < end && *begin == '+')
        ++begin;
    double v = 0;
    auto [ptr, ec] = std::from_chars(begin, end, v, std::chars_format::general);
    if (ec != std::errc{} || !std::isfinite(v))
        return std::nullopt;
    if (rest != nullptr)
        *rest = std::string_view(ptr, static_cast<size_t>(end - ptr));
    return v;
}

std::optional<double> ParseTime(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    // Up to three fields separated by ':'; only the last may have a fraction.
    double fields[3] = {};
    int n = 0;
    while (true) {
        if (n == 3)
            return std::nullopt;
        size_t colon = text.find(':');
        std::string_view part = text.substr(0, colon);
        if (part.empty())
            return std::nullopt;
        bool last = colon == std::string_view::npos;
        for (char c : part) {
            bool digit = c >= '0' && c <= '9';
            if (!digit && !(last && c == '.'))
                return std::nullopt;
        }
        std::string_view rest;
        auto v = ReadNumber(part, &rest);
        if (!v || !rest.empty() || *v < 0)
            return std::nullopt;
        fields[n++] = *v;
        if (last)
            break;
        text.remove_prefix(colon + 1);
    }
    double seconds = 0;
    for (int i = 0; i < n; ++i) {
        if (i > 0 && fields[i] >= 60)
            return std::nullopt;
        seconds = seconds * 60 + fields[i];
    }
    return seconds;
}

} // namespace engine
