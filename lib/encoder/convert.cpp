#include "convert.h"
#include "FloatToInt.h"
#include "engine_common.h"
#include "halve.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

namespace {

using Clock = std::chrono::steady_clock;

// Processor time of the calling thread, for the optional stage profile.
double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

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

// Containers the engine writes. Muxers that write further files (segments, playlists, tee) are
// not among them.
bool AllowedMuxer(const AVOutputFormat *f) {
    static constexpr std::string_view kAllowed[] = {
        "mp4",  "psp",    "3gp", "3g2",  "mov", "ipod", "avi", "asf",
        "mpeg", "vob",    "dvd", "svcd", "vcd", "flv",  "swf", "matroska",
        "webm", "mpegts", "m4v", "h264", "mp3", "adts", "wav"};
    for (auto n : kAllowed)
        if (n == f->name)
            return true;
    return false;
}

inline void FreeItem(AVPacket *&p) {
    av_packet_free(&p);
}
inline void FreeItem(AVFrame *&f) {
    av_frame_free(&f);
}

// Packets handed from the demuxer to a stage, or pictures from a decoder to the thread that
// filters and encodes them. A null item marks the end of the input.
template <typename T> class HandOff {
public:
    explicit HandOff(size_t capacity) : capacity_(capacity) {}
    ~HandOff() {
        for (T *p : items_)
            FreeItem(p);
    }
    // Takes ownership; false when the taker has stopped taking (the item is freed).
    bool Push(T *item, const std::atomic<bool> &abort) {
        std::unique_lock lock(mutex_);
        while (!closed_ && items_.size() >= capacity_ && item != nullptr && !abort)
            cv_.wait_for(lock, std::chrono::milliseconds(20));
        if (closed_ || abort) {
            FreeItem(item);
            return false;
        }
        items_.push_back(item);
        cv_.notify_all();
        return true;
    }
    // False on abort; otherwise `item` is the next item (null at the end).
    bool Pop(T *&item, const std::atomic<bool> &abort) {
        std::unique_lock lock(mutex_);
        while (items_.empty() && !abort)
            cv_.wait_for(lock, std::chrono::milliseconds(20));
        if (abort)
            return false;
        item = items_.front();
        items_.pop_front();
        cv_.notify_all();
        return true;
    }
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        for (T *p : items_)
            FreeItem(p);
        items_.clear();
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<T *> items_;
    size_t capacity_;
    bool closed_ = false;
};

struct Shared {
    std::atomic<bool> abort{false};
    std::mutex error_mutex;
    std::string error;
    std::mutex mux_mutex;
    AVFormatContext *oc = nullptr;
    int64_t packets_written = 0;
    std::atomic<int64_t> frames{0};
    std::atomic<double> q{0};
    std::atomic<double> video_time{0};
    std::atomic<double> audio_time{0};
    std::atomic<bool> read_error{false};
    // Processor seconds spent on each stage's own thread (decoder helper threads not included).
    std::atomic<double> demux_cpu{0}, video_cpu{0}, audio_cpu{0};

    void Fail(const std::string &reason) {
        {
            std::lock_guard lock(error_mutex);
            if (error.empty())
                error = reason;
        }
        abort = true;
    }
    int64_t Bytes() {
        std::lock_guard lock(mux_mutex);
        return oc != nullptr && oc->pb != nullptr ? std::max<int64_t>(avio_tell(oc->pb), 0) : 0;
    }
};

struct Stage {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    int in_index = -1;
    AVStream *ist = nullptr;
    AVStream *ost = nullptr;
    AVCodecContext *dec = nullptr;
    AVCodecContext *enc = nullptr;
    AVFilterGraph *graph = nullptr;
    AVFilterContext *src = nullptr;
    AVFilterContext *sink = nullptr;
    HandOff<AVPacket> queue;
    // Decoded pictures on their way to the filter-and-encode thread (video only).
    HandOff<AVFrame> pictures{6};
    std::atomic<bool> done{false};      // wants no more input
    std::atomic<bool> finished{false};  // has written all it will
    std::atomic<bool> limit_hit{false}; // produced all it should
    int64_t start_pts = 0;              // the start point in the input stream's time base
    int64_t limit = INT64_MAX;          // frames (video) or samples (audio) to produce
    int64_t produced = 0;
    int64_t last_in_pts = AV_NOPTS_VALUE;
    int64_t end_pts = AV_NOPTS_VALUE; // where the last frame fed to the filters ends
    int64_t audio_offset = AV_NOPTS_VALUE;
    // The frame properties the filter graph was built for.
    int gw = 0, gh = 0, gfmt = -1, grate = 0;
    AVChannelLayout glayout{};
    // Output picture.
    int rotation = 0;
    AVRational rate{25, 1};
    int pic_w = 0, pic_h = 0; // the picture between the bands, upright
    // Halved copies of large pictures on their way to the filters.
    engine::HalfPool half_pool;
    AVFrame *half[2] = {nullptr, nullptr};

    explicit Stage(size_t cap) : queue(cap) {}
    ~Stage() {
        av_frame_free(&half[0]);
        av_frame_free(&half[1]);
        avfilter_graph_free(&graph);
        avcodec_free_context(&dec);
        avcodec_free_context(&enc);
        av_channel_layout_uninit(&glayout);
    }
};

struct Converter {
    const Job &job;
    const ConvertHooks &hooks;
    Shared sh;
    AVFormatContext *ic = nullptr;
    std::unique_ptr<Stage> video, audio;
    bool header_written = false;
    bool created_output = false;
    double source_duration = -1;
    double declared_duration = -1;
    int64_t start_base = 0, start_target = 0;
    bool input_ended = false;

    Converter(const Job &j, const ConvertHooks &h) : job(j), hooks(h) {}
    ~Converter() {
        video.reset();
        audio.reset();
        if (sh.oc != nullptr) {
            if (sh.oc->pb != nullptr)
                avio_closep(&sh.oc->pb);
            avformat_free_context(sh.oc);
        }
        avformat_close_input(&ic);
    }

    bool Setup();
    bool SetupVideo(int index, const AVCodec *decoder);
    bool SetupAudio(int index, const AVCodec *decoder);
    const AVCodec *NewEncoder(Stage &s, const std::string &name);
    bool OpenEncoder(Stage &s, const AVCodec *ec, const std::string &name, AVDictionary **opts);
    bool BuildVideoGraph(const AVFrame *f);
    bool BuildAudioGraph(const AVFrame *f);
    void Demux();
    void RunStage(Stage &s);
    void RunPictures(Stage &s);
    void FinishStage(Stage &s);
    AVFrame *Shrunk(Stage &s, AVFrame *f);
    bool Decoded(Stage &s, AVFrame *f);
    bool Drain(Stage &s, bool flush);
    // Ends the stage's graph and passes on everything it still holds.
    bool FlushGraph(Stage &s) {
        return av_buffersrc_add_frame(s.src, nullptr) >= 0 && Drain(s, true);
    }
    bool Encode(Stage &s, AVFrame *f);
    bool Write(Stage &s, AVPacket *pkt);
    std::string Status(Clock::time_point began);
    double Reached() const { return std::max(sh.video_time.load(), sh.audio_time.load()); }
};

AVCodecContext *OpenDecoder(const AVStream *st, const AVCodec *dec, int threads, bool bitexact) {
    AVCodecContext *cc = avcodec_alloc_context3(dec);
    if (cc == nullptr)
        return nullptr;
    if (avcodec_parameters_to_context(cc, st->codecpar) < 0) {
        avcodec_free_context(&cc);
        return nullptr;
    }
    cc->pkt_timebase = st->time_base;
    cc->thread_count = threads;
    cc->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (bitexact)
        cc->flags |= AV_CODEC_FLAG_BITEXACT;
    if (avcodec_open2(cc, dec, nullptr) < 0)
        avcodec_free_context(&cc);
    return cc;
}

const AVCodec *FindEncoder(const std::string &name, AVMediaType type) {
    const AVCodec *c = avcodec_find_encoder_by_name(name.c_str());
    if (c == nullptr) {
        const AVCodecDescriptor *d = avcodec_descriptor_get_by_name(name.c_str());
        if (d != nullptr)
            c = avcodec_find_encoder(d->id);
    }
    return c != nullptr && c->type == type ? c : nullptr;
}

namespace {

const char *KindName(AVMediaType type) {
    return type == AVMEDIA_TYPE_VIDEO ? "video" : "audio";
}

} // namespace

// The stage's encoder, found by name and allocated; null (the clip failed) when there is none.
const AVCodec *Converter::NewEncoder(Stage &s, const std::string &name) {
    const AVCodec *ec = FindEncoder(name, s.type);
    if (ec == nullptr) {
        sh.Fail(std::string("unknown ") + KindName(s.type) + " encoder " + name);
        return nullptr;
    }
    s.enc = avcodec_alloc_context3(ec);
    if (s.enc == nullptr) {
        sh.Fail("out of memory");
        return nullptr;
    }
    return ec;
}

// Opens the stage's configured encoder and adds its stream to the output.
bool Converter::OpenEncoder(Stage &s, const AVCodec *ec, const std::string &name,
                            AVDictionary **opts) {
    AVCodecContext *e = s.enc;
    if (job.bitexact)
        e->flags |= AV_CODEC_FLAG_BITEXACT;
    if (sh.oc->oformat->flags & AVFMT_GLOBALHEADER)
        e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int err = avcodec_open2(e, ec, opts);
    if (err < 0) {
        sh.Fail(std::string("cannot open the ") + KindName(s.type) + " encoder " + name + ": " +
                ErrorText(err));
        return false;
    }
    s.ost = avformat_new_stream(sh.oc, nullptr);
    if (s.ost == nullptr || avcodec_parameters_from_context(s.ost->codecpar, e) < 0) {
        sh.Fail(std::string("cannot add the ") + KindName(s.type) + " stream");
        return false;
    }
    s.ost->time_base = e->time_base;
    return true;
}

bool Converter::SetupVideo(int index, const AVCodec *decoder) {
    auto s = std::make_unique<Stage>(96);
    s->type = AVMEDIA_TYPE_VIDEO;
    s->in_index = index;
    s->ist = ic->streams[index];
    // One frame thread per core and one more, as FFmpeg's own automatic choice; at least three,
    // which on two cores keeps a frame decoding while the others wait for their references.
    int cores = static_cast<int>(std::thread::hardware_concurrency());
    int threads = EnvInt("MAVO_ENGINE_DECODE_THREADS", std::clamp(cores + 1, 3, 16));
    s->dec = OpenDecoder(s->ist, decoder, threads, job.bitexact);
    if (s->dec == nullptr) {
        sh.Fail("cannot open the video decoder");
        return false;
    }
    s->rotation = StreamRotation(s->ist);
    int dw = 0, dh = 0;
    DisplaySize(s->ist, dw, dh);
    int W = job.width > 0 ? job.width : (dw & ~1);
    int H = job.height > 0 ? job.height : (dh & ~1);
    if (W - job.pad_left - job.pad_right < 2 || H - job.pad_top - job.pad_bottom < 2) {
        sh.Fail("the bands leave no room for the picture");
        return false;
    }
    s->pic_w = W - job.pad_left - job.pad_right;
    s->pic_h = H - job.pad_top - job.pad_bottom;
    s->half[0] = av_frame_alloc();
    s->half[1] = av_frame_alloc();
    if (s->half[0] == nullptr || s->half[1] == nullptr) {
        sh.Fail("out of memory");
        return false;
    }
    AVRational rate = job.rate;
    if (rate.num <= 0) {
        rate = s->ist->avg_frame_rate;
        if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 120 || av_q2d(rate) < 1)
            rate = s->ist->r_frame_rate;
        if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 120 || av_q2d(rate) < 1)
            rate = AVRational{25, 1};
        av_reduce(&rate.num, &rate.den, rate.num, rate.den, 65535);
    }
    s->rate = rate;

    const AVCodec *ec = NewEncoder(*s, job.vcodec);
    if (ec == nullptr)
        return false;
    AVCodecContext *e = s->enc;
    e->width = W;
    e->height = H;
    e->sample_aspect_ratio = AVRational{1, 1};
    e->pix_fmt = ec->pix_fmts != nullptr ? ec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    for (const AVPixelFormat *p = ec->pix_fmts; p != nullptr && *p != AV_PIX_FMT_NONE; ++p)
        if (*p == AV_PIX_FMT_YUV420P)
            e->pix_fmt = AV_PIX_FMT_YUV420P;
    e->time_base = av_inv_q(rate);
    e->framerate = rate;
    if (job.video_bitrate > 0)
        e->bit_rate = job.video_bitrate;
    e->thread_count = EnvInt("MAVO_ENGINE_ENCODE_THREADS", 1);
    if (!OpenEncoder(*s, ec, job.vcodec, nullptr))
        return false;
    s->ost->avg_frame_rate = rate;
    s->ost->sample_aspect_ratio = e->sample_aspect_ratio;
    video = std::move(s);
    return true;
}

bool Converter::SetupAudio(int index, const AVCodec *decoder) {
    auto s = std::make_unique<Stage>(256);
    s->type = AVMEDIA_TYPE_AUDIO;
    s->in_index = index;
    s->ist = ic->streams[index];
    s->dec = OpenDecoder(s->ist, decoder, 1, job.bitexact);
    if (s->dec == nullptr) {
        sh.Fail("cannot open the audio decoder");
        return false;
    }
    const AVCodec *ec = NewEncoder(*s, job.acodec);
    if (ec == nullptr)
        return false;
    AVCodecContext *e = s->enc;
    int rate = job.sample_rate;
    bool rate_given = rate > 0;
    if (!rate_given)
        rate = s->ist->codecpar->sample_rate > 0 ? s->ist->codecpar->sample_rate : 44100;
    if (ec->supported_samplerates != nullptr) {
        bool supported = false;
        for (const int *r = ec->supported_samplerates; *r != 0; ++r)
            supported = supported || *r == rate;
        if (!supported && rate_given) {
            sh.Fail("the audio encoder " + job.acodec + " does not take " + std::to_string(rate) +
                    " Hz");
            return false;
        }
        if (!supported)
            rate = 44100;
    }
    int channels =
        job.channels > 0 ? job.channels : std::clamp(s->ist->codecpar->ch_layout.nb_channels, 1, 2);
    e->sample_rate = rate;
    av_channel_layout_default(&e->ch_layout, channels);
    e->sample_fmt = ec->sample_fmts != nullptr ? ec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    e->bit_rate = job.audio_bitrate > 0 ? job.audio_bitrate : 128000;
    e->time_base = AVRational{1, rate};
    AVDictionary *opts = nullptr;
    if (std::string_view(ec->name) == "aac") // the fast coder: a fraction of twoloop's time
        av_dict_set(&opts, "aac_coder", "fast", 0);
    bool opened = OpenEncoder(*s, ec, job.acodec, &opts);
    av_dict_free(&opts);
    if (!opened)
        return false;
    audio = std::move(s);
    return true;
}

bool SameFile(const std::string &a, const std::string &b) {
    struct stat sa {
    }, sb{};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool Converter::Setup() {
    if (job.length && *job.length <= 0) {
        sh.Fail("nothing to convert");
        return false;
    }
    std::string reason;
    if (OpenInput(job.input.c_str(), &ic, reason) < 0) {
        sh.Fail(reason);
        return false;
    }
    const AVCodec *vdec = nullptr, *adec = nullptr;
    int vi = BestStream(ic, AVMEDIA_TYPE_VIDEO, &vdec);
    int ai = BestStream(ic, AVMEDIA_TYPE_AUDIO, &adec);
    if (vi < 0 && ai < 0) {
        sh.Fail("the input has no video or audio to convert");
        return false;
    }
    source_duration = ic->duration != AV_NOPTS_VALUE && ic->duration > 0
                          ? ic->duration / static_cast<double>(AV_TIME_BASE)
                          : -1;
    declared_duration = source_duration;
    if (vi >= 0) {
        // A frame count in the header (AVI, MP4) tells how long the file meant to be.
        const AVStream *st = ic->streams[vi];
        if (st->nb_frames > 0 && st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
            declared_duration =
                std::max(declared_duration, st->nb_frames / av_q2d(st->avg_frame_rate));
    }
    if (source_duration > 0 && job.start >= source_duration) {
        sh.Fail("nothing to convert: the start point lies beyond the end of the clip");
        return false;
    }

    // Start point: seek to the key frame before it; frames up to it are decoded and dropped.
    // Formats without a key frame index land only near the point, so they go further back.
    start_base = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
    start_target = start_base + FloatToInt<int64_t>(job.start * AV_TIME_BASE, FloatRound::Nearest);
    if (job.start > 0) {
        std::string_view fmt = ic->iformat->name;
        bool indexed = fmt.find("mp4") != std::string_view::npos || fmt == "avi" ||
                       fmt.find("matroska") != std::string_view::npos || fmt == "asf";
        int64_t margin = indexed ? 0 : 2 * AV_TIME_BASE;
        int64_t ts = std::max<int64_t>(start_base, start_target - margin);
        if (avformat_seek_file(ic, -1, INT64_MIN, ts, ts, 0) < 0) {
            // Not seekable (SWF, raw streams): read from the beginning instead, on a fresh
            // context, as a failed attempt may have moved the reading position anywhere.
            avformat_close_input(&ic);
            if (OpenInput(job.input.c_str(), &ic, reason) < 0) {
                sh.Fail(reason);
                return false;
            }
            vi = BestStream(ic, AVMEDIA_TYPE_VIDEO, &vdec);
            ai = BestStream(ic, AVMEDIA_TYPE_AUDIO, &adec);
        }
    }
    if (SameFile(job.input, job.output)) {
        sh.Fail("the output file is the input file");
        return false;
    }
    if (!job.overwrite && access(job.output.c_str(), F_OK) == 0) {
        sh.Fail("the output file exists");
        return false;
    }

    const AVOutputFormat *of = av_guess_format(job.format.empty() ? nullptr : job.format.c_str(),
                                               job.output.c_str(), nullptr);
    if (of == nullptr || !AllowedMuxer(of)) {
        sh.Fail("unknown container " + (job.format.empty() ? job.output : job.format));
        return false;
    }
    if (avformat_alloc_output_context2(&sh.oc, of, nullptr, nullptr) < 0 || sh.oc == nullptr) {
        sh.Fail("out of memory");
        return false;
    }
    if (job.bitexact)
        sh.oc->flags |= AVFMT_FLAG_BITEXACT;
    // Packets are written in timestamp order, so the file's layout does not depend on which
    // stage happened to be ahead. The packet queues keep the stages within a few seconds of
    // each other; the muxer waits for the slower one up to 30 s (a stream that stops early, or
    // never starts, does not hold everything in memory).
    sh.oc->max_interleave_delta = 30 * static_cast<int64_t>(AV_TIME_BASE);

    if (vi >= 0 && !SetupVideo(vi, vdec))
        return false;
    if (ai >= 0 && !SetupAudio(ai, adec))
        return false;

    std::string url = "file:" + job.output;
    AVDictionary *io_opts = nullptr;
    av_dict_set(&io_opts, "protocol_whitelist", "file", 0);
    int err = avio_open2(&sh.oc->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, &io_opts);
    av_dict_free(&io_opts);
    if (err < 0) {
        sh.Fail("cannot create the output file: " + ErrorText(err));
        return false;
    }
    created_output = true;
    err = avformat_write_header(sh.oc, nullptr);
    if (err < 0) {
        sh.Fail("cannot write the " + std::string(of->name) + " header: " + ErrorText(err));
        return false;
    }
    header_written = true;

    for (Stage *s : {video.get(), audio.get()}) {
        if (s == nullptr)
            continue;
        s->start_pts = av_rescale_q(start_target, AV_TIME_BASE_Q, s->ist->time_base);
        if (job.length) {
            double units = s->type == AVMEDIA_TYPE_VIDEO ? *job.length * av_q2d(s->rate)
                                                         : *job.length * s->enc->sample_rate;
            s->limit = std::max<int64_t>(1, FloatToInt<int64_t>(units, FloatRound::Nearest));
        }
    }
    return true;
}

namespace {

// Puts the filter chain between the stage's source and sink and configures the graph.
bool LinkChain(Stage &s, const std::string &chain) {
    AVFilterInOut *outputs = avfilter_inout_alloc();
    AVFilterInOut *inputs = avfilter_inout_alloc();
    bool ok = outputs != nullptr && inputs != nullptr;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = s.src;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = s.sink;
        ok = avfilter_graph_parse_ptr(s.graph, chain.c_str(), &inputs, &outputs, nullptr) >= 0 &&
             avfilter_graph_config(s.graph, nullptr) >= 0;
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    return ok;
}

} // namespace

bool Converter::BuildVideoGraph(const AVFrame *f) {
    Stage &s = *video;
    avfilter_graph_free(&s.graph);
    s.graph = avfilter_graph_alloc();
    if (s.graph == nullptr)
        return false;
    s.graph->nb_threads = 1;
    AVRational sar = f->sample_aspect_ratio.num > 0 ? f->sample_aspect_ratio : AVRational{1, 1};
    std::string args = "video_size=" + std::to_string(f->width) + "x" + std::to_string(f->height) +
                       ":pix_fmt=" + std::to_string(f->format) +
                       ":time_base=" + std::to_string(s.ist->time_base.num) + "/" +
                       std::to_string(s.ist->time_base.den) +
                       ":pixel_aspect=" + std::to_string(sar.num) + "/" + std::to_string(sar.den);
    const AVFilter *buffer = avfilter_get_by_name("buffer");
    const AVFilter *buffersink = avfilter_get_by_name("buffersink");
    if (avfilter_graph_create_filter(&s.src, buffer, "in", args.c_str(), nullptr, s.graph) < 0 ||
        avfilter_graph_create_filter(&s.sink, buffersink, "out", nullptr, nullptr, s.graph) < 0)
        return false;

    int W = s.enc->width, H = s.enc->height;
    int iw = W - job.pad_left - job.pad_right, ih = H - job.pad_top - job.pad_bottom;
    std::string chain = "fps=fps=" + std::to_string(s.rate.num) + "/" + std::to_string(s.rate.den);
    switch (s.rotation) {
    case 90:
        chain += ",transpose=clock";
        break;
    case 180:
        chain += ",hflip,vflip";
        break;
    case 270:
        chain += ",transpose=cclock";
        break;
    default:
        break;
    }
    // Shrinking to half or less: area averaging, a fraction of bicubic's cost at these factors
    // and no less sharp; otherwise bicubic.
    int src_w = (s.rotation == 90 || s.rotation == 270) ? f->height : f->width;
    int src_h = (s.rotation == 90 || s.rotation == 270) ? f->width : f->height;
    bool shrink = iw * 2 <= src_w && ih * 2 <= src_h;
    chain += ",scale=w=" + std::to_string(iw) + ":h=" + std::to_string(ih) +
             (shrink ? ":flags=area" : ":flags=bicubic") + ",setsar=1";
    if (iw != W || ih != H)
        chain += ",pad=w=" + std::to_string(W) + ":h=" + std::to_string(H) +
                 ":x=" + std::to_string(job.pad_left) + ":y=" + std::to_string(job.pad_top) +
                 ":color=black";
    chain += ",format=pix_fmts=" + std::string(av_get_pix_fmt_name(s.enc->pix_fmt));

    bool ok = LinkChain(s, chain);
    s.gw = f->width;
    s.gh = f->height;
    s.gfmt = f->format;
    return ok;
}

bool Converter::BuildAudioGraph(const AVFrame *f) {
    Stage &s = *audio;
    avfilter_graph_free(&s.graph);
    s.graph = avfilter_graph_alloc();
    if (s.graph == nullptr)
        return false;
    s.graph->nb_threads = 1;
    char layout[128] = {};
    av_channel_layout_describe(&f->ch_layout, layout, sizeof layout);
    std::string args = "time_base=1/" + std::to_string(f->sample_rate) +
                       ":sample_rate=" + std::to_string(f->sample_rate) + ":sample_fmt=" +
                       av_get_sample_fmt_name(static_cast<AVSampleFormat>(f->format)) +
                       ":channel_layout=" + layout;
    const AVFilter *abuffer = avfilter_get_by_name("abuffer");
    const AVFilter *abuffersink = avfilter_get_by_name("abuffersink");
    if (avfilter_graph_create_filter(&s.src, abuffer, "in", args.c_str(), nullptr, s.graph) < 0 ||
        avfilter_graph_create_filter(&s.sink, abuffersink, "out", nullptr, nullptr, s.graph) < 0)
        return false;
    char out_layout[128] = {};
    av_channel_layout_describe(&s.enc->ch_layout, out_layout, sizeof out_layout);
    std::string chain = "atrim=start=0";
    if (job.volume != 100)
        chain += ",volume=volume=" + Fixed(job.volume / 100.0, 2, 0);
    chain += ",aresample=" + std::to_string(s.enc->sample_rate) +
             ",aformat=sample_fmts=" + av_get_sample_fmt_name(s.enc->sample_fmt) +
             ":sample_rates=" + std::to_string(s.enc->sample_rate) +
             ":channel_layouts=" + out_layout;
    bool ok = LinkChain(s, chain);
    if (ok && !(s.enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) &&
        s.enc->frame_size > 0)
        av_buffersink_set_frame_size(s.sink, static_cast<unsigned>(s.enc->frame_size));
    s.grate = f->sample_rate;
    s.gfmt = f->format;
    av_channel_layout_uninit(&s.glayout);
    av_channel_layout_copy(&s.glayout, &f->ch_layout);
    return ok;
}

bool Converter::Write(Stage &s, AVPacket *pkt) {
    if (s.type == AVMEDIA_TYPE_VIDEO) {
        size_t size = 0;
        const uint8_t *stats = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
        if (stats != nullptr && size >= 4)
            sh.q = AV_RL32(stats) / static_cast<double>(FF_QP2LAMBDA);
    }
    av_packet_rescale_ts(pkt, s.enc->time_base, s.ost->time_base);
    pkt->stream_index = s.ost->index;
    std::lock_guard lock(sh.mux_mutex);
    int err = av_interleaved_write_frame(sh.oc, pkt);
    if (err < 0) {
        sh.Fail("cannot write the output file: " + ErrorText(err));
        return false;
    }
    ++sh.packets_written;
    return true;
}

bool Converter::Encode(Stage &s, AVFrame *f) {
    int err = avcodec_send_frame(s.enc, f);
    if (err < 0 && err != AVERROR_EOF) {
        sh.Fail(std::string("cannot encode ") +
                (s.type == AVMEDIA_TYPE_VIDEO ? "video: " : "audio: ") + ErrorText(err));
        return false;
    }
    AVPacket *pkt = av_packet_alloc();
    if (pkt == nullptr) {
        sh.Fail("out of memory");
        return false;
    }
    bool ok = true;
    while (ok) {
        err = avcodec_receive_packet(s.enc, pkt);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            break;
        if (err < 0) {
            sh.Fail("cannot encode: " + ErrorText(err));
            ok = false;
            break;
        }
        ok = Write(s, pkt);
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    return ok;
}

// Pulls filtered frames and encodes them up to the stage's limit. With `flush`, the filter graph
// has been told the input ended.
bool Converter::Drain(Stage &s, bool) {
    if (s.sink == nullptr)
        return true;
    AVFrame *f = av_frame_alloc();
    if (f == nullptr) {
        sh.Fail("out of memory");
        return false;
    }
    bool ok = true;
    while (ok && !s.limit_hit && !sh.abort) {
        int err = av_buffersink_get_frame(s.sink, f);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            break;
        if (err < 0) {
            sh.Fail("filtering failed: " + ErrorText(err));
            ok = false;
            break;
        }
        if (s.type == AVMEDIA_TYPE_VIDEO) {
            AVRational tb = av_buffersink_get_time_base(s.sink);
            int64_t pts = av_rescale_q(f->pts, tb, s.enc->time_base);
            if (pts < s.produced) // never go back in time
                pts = s.produced;
            if (pts >= s.limit) {
                s.limit_hit = true;
                s.done = true;
                av_frame_unref(f);
                break;
            }
            f->pts = pts;
            f->pict_type = AV_PICTURE_TYPE_NONE;
            s.produced = pts + 1;
            ok = Encode(s, f);
            sh.frames = s.produced;
            sh.video_time = s.produced * av_q2d(s.enc->time_base);
        } else {
            AVRational tb = av_buffersink_get_time_base(s.sink);
            if (s.audio_offset == AV_NOPTS_VALUE)
                s.audio_offset = std::max<int64_t>(
                    0, f->pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(f->pts, tb, s.enc->time_base));
            int64_t remaining = s.limit - s.audio_offset - s.produced;
            if (remaining <= 0) {
                s.limit_hit = true;
                s.done = true;
                av_frame_unref(f);
                break;
            }
            if (f->nb_samples > remaining)
                f->nb_samples = static_cast<int>(remaining);
            f->pts = s.audio_offset + s.produced;
            s.produced += f->nb_samples;
            ok = Encode(s, f);
            sh.audio_time = (s.audio_offset + s.produced) / static_cast<double>(s.enc->sample_rate);
            if (s.produced + s.audio_offset >= s.limit) {
                s.limit_hit = true;
                s.done = true;
            }
        }
        av_frame_unref(f);
    }
    av_frame_free(&f);
    return ok;
}

// A picture at least twice as large as the one it becomes, in both directions, is halved by 2x2
// averaging until it is not: the area scaler then has a quarter or less of the samples to read,
// and an exact multiple needs no scaling at all. The result is `f` itself, a halved copy owned by
// the stage, or null when memory ran out.
AVFrame *Converter::Shrunk(Stage &s, AVFrame *f) {
    const bool turned = s.rotation == 90 || s.rotation == 270;
    AVFrame *pic = f;
    for (int step = 0; engine::CanHalve(pic->format); ++step) {
        int w = turned ? pic->height : pic->width, h = turned ? pic->width : pic->height;
        if (w < 2 * s.pic_w || h < 2 * s.pic_h)
            break;
        AVFrame *next = s.half[step % 2];
        av_frame_unref(next);
        if (!engine::HalvePicture(pic, next, s.half_pool))
            return nullptr;
        pic = next;
    }
    return pic;
}

// A decoded frame: rebased to the start point, fed to the filter graph, results encoded.
bool Converter::Decoded(Stage &s, AVFrame *f) {
    int64_t pts = f->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) {
        pts = s.last_in_pts == AV_NOPTS_VALUE ? s.start_pts : s.last_in_pts + 1;
    }
    s.last_in_pts = pts;
    int64_t rel = pts - s.start_pts;
    if (s.type == AVMEDIA_TYPE_VIDEO) {
        if (rel < 0)
            return true; // before the start point
        int64_t dur = f->pkt_duration;
        if (dur <= 0 && s.ist->avg_frame_rate.num > 0)
            dur = av_rescale_q(1, av_inv_q(s.ist->avg_frame_rate), s.ist->time_base);
        s.end_pts = rel + std::max<int64_t>(dur, 1);
        f->pts = rel;
        f = Shrunk(s, f);
        if (f == nullptr) {
            sh.Fail("out of memory");
            return false;
        }
        bool changed =
            s.graph == nullptr || f->width != s.gw || f->height != s.gh || f->format != s.gfmt;
        // The picture changed size on the way: finish what the old graph holds first.
        if (changed && s.graph != nullptr && !FlushGraph(s))
            return false;
        if (changed && !BuildVideoGraph(f)) {
            sh.Fail("cannot set up the video filters");
            return false;
        }
    } else {
        if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            int n = f->ch_layout.nb_channels;
            av_channel_layout_uninit(&f->ch_layout);
            av_channel_layout_default(&f->ch_layout, n);
        }
        AVRational sr{1, f->sample_rate};
        int64_t rel_samples = av_rescale_q(rel, s.ist->time_base, sr);
        if (rel_samples + f->nb_samples <= 0)
            return true; // wholly before the start point
        bool changed = s.graph == nullptr || f->sample_rate != s.grate || f->format != s.gfmt ||
                       av_channel_layout_compare(&f->ch_layout, &s.glayout) != 0;
        if (changed && s.graph != nullptr && !FlushGraph(s))
            return false;
        if (changed && !BuildAudioGraph(f)) {
            sh.Fail("cannot set up the audio filters");
            return false;
        }
        f->pts = rel_samples;
        s.end_pts = rel_samples + f->nb_samples;
    }
    int err = av_buffersrc_add_frame_flags(s.src, f, AV_BUFFERSRC_FLAG_KEEP_REF);
    if (err < 0) {
        sh.Fail("filtering failed: " + ErrorText(err));
        return false;
    }
    return Drain(s, false);
}

// Filters and encodes the pictures the decoder hands over.
void Converter::RunPictures(Stage &s) {
    AVFrame *f = nullptr;
    while (s.pictures.Pop(f, sh.abort) && f != nullptr) {
        bool ok = !s.limit_hit && Decoded(s, f);
        av_frame_free(&f);
        if (!ok)
            break;
    }
    av_frame_free(&f);
    s.pictures.Close(); // the decoder may stop handing over
}

// The end of a stage's input: what the filters still hold (the frame-rate filter's last
// pictures) comes out, and the encoder is drained.
void Converter::FinishStage(Stage &s) {
    if (!sh.abort && !s.limit_hit && s.src != nullptr) {
        if (av_buffersrc_close(s.src, s.end_pts, AV_BUFFERSRC_FLAG_PUSH) >= 0)
            Drain(s, true);
    }
    if (!sh.abort)
        Encode(s, nullptr);
}

// Decodes the stage's packets. Video pictures go to a thread of their own for filtering and
// encoding, so that the decoder's threads never wait for the encoder; audio is cheap and is
// filtered and encoded here.
void Converter::RunStage(Stage &s) {
    AVFrame *f = av_frame_alloc();
    if (f == nullptr) {
        sh.Fail("out of memory");
        s.done = true;
        s.finished = true;
        s.queue.Close();
        return;
    }
    const bool handing = s.type == AVMEDIA_TYPE_VIDEO;
    std::thread pictures;
    std::atomic<double> picture_cpu{0};
    if (handing)
        pictures = std::thread([&] {
            RunPictures(s);
            FinishStage(s);
            picture_cpu = ThreadSeconds();
        });
    bool ended = false;
    while (!sh.abort && !s.limit_hit && !ended) {
        AVPacket *pkt = nullptr;
        if (!s.queue.Pop(pkt, sh.abort))
            break;
        ended = pkt == nullptr;
        int err = avcodec_send_packet(s.dec, pkt); // null: drain the decoder
        av_packet_free(&pkt);
        if (err == AVERROR(ENOMEM)) {
            sh.Fail("out of memory");
            break;
        }
        // Other decoding errors cost only the damaged packet's frame.
        while (!sh.abort && !s.limit_hit) {
            err = avcodec_receive_frame(s.dec, f);
            if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
                break;
            if (err < 0)
                break;
            if (handing) {
                AVFrame *copy = av_frame_alloc();
                if (copy == nullptr) {
                    sh.Fail("out of memory");
                    break;
                }
                av_frame_move_ref(copy, f);
                if (!s.pictures.Push(copy, sh.abort))
                    break;
            } else {
                bool ok = Decoded(s, f);
                av_frame_unref(f);
                if (!ok)
                    break;
            }
        }
    }
    s.done = true;
    s.queue.Close(); // the demuxer may stop feeding this stage
    av_frame_free(&f);
    if (handing) {
        s.pictures.Push(nullptr, sh.abort);
        pictures.join();
        sh.video_cpu = picture_cpu + ThreadSeconds();
    } else {
        FinishStage(s);
        sh.audio_cpu = ThreadSeconds();
    }
    s.finished = true;
}

void Converter::Demux() {
    AVPacket *pkt = av_packet_alloc();
    if (pkt == nullptr) {
        sh.Fail("out of memory");
        return;
    }
    while (!sh.abort) {
        bool wanted = (video && !video->done) || (audio && !audio->done);
        if (!wanted)
            break;
        int err = av_read_frame(ic, pkt);
        if (err == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (err < 0) {
            if (err != AVERROR_EOF)
                sh.read_error = true;
            input_ended = true;
            break;
        }
        Stage *s = nullptr;
        if (video && pkt->stream_index == video->in_index)
            s = video.get();
        else if (audio && pkt->stream_index == audio->in_index)
            s = audio.get();
        if (s == nullptr || s->done) {
            av_packet_unref(pkt);
            continue;
        }
        if (job.length) {
            // A stream that ends early keeps its stage waiting for more; far past the end of the
            // clip nothing more can come for it.
            int64_t ts = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
            if (ts != AV_NOPTS_VALUE &&
                (ts - s->start_pts) * av_q2d(s->ist->time_base) > *job.length + 10.0) {
                av_packet_unref(pkt);
                break;
            }
        }
        AVPacket *copy = av_packet_alloc();
        if (copy == nullptr) {
            sh.Fail("out of memory");
            break;
        }
        av_packet_move_ref(copy, pkt);
        s->queue.Push(copy, sh.abort);
    }
    av_packet_free(&pkt);
    for (Stage *s : {video.get(), audio.get()})
        if (s != nullptr)
            s->queue.Push(nullptr, sh.abort);
    sh.demux_cpu = ThreadSeconds();
}

std::string Converter::Status(Clock::time_point began) {
    double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    int64_t frames = sh.frames;
    double fps = elapsed > 0.05 ? frames / elapsed : 0;
    return StatusLine(frames, fps, sh.q, sh.Bytes(), Reached());
}

} // namespace

std::string StatusLine(int64_t frames, double fps, double q, int64_t bytes, double seconds) {
    double kbits = seconds > 0 ? bytes * 8.0 / seconds / 1000.0 : 0.0;
    return "frame=" + Padded(frames, 5) + " fps=" + Fixed(fps, 0, 3) + " q=" + Fixed(q, 1, 0) +
           " size=" + Padded(bytes / 1024, 8) + "kB time=" + Fixed(seconds, 2, 0) +
           " bitrate=" + Fixed(kbits, 1, 6) + "kbits/s";
}

ConvertResult RunConversion(const Job &job, const ConvertHooks &hooks) {
    auto began = Clock::now();
    Converter c(job, hooks);
    auto stopping = [&] { return hooks.stop != nullptr && hooks.stop->load(); };
    auto percent = [&](double reached) {
        if (!hooks.percent)
            return;
        double total =
            job.length ? *job.length : (c.source_duration > 0 ? c.source_duration - job.start : 0);
        int p = total > 0 ? std::clamp(FloatToInt(reached * 100.0 / total), 0, 100) : 0;
        hooks.percent(p);
    };

    bool ok = c.Setup();
    bool stopped = false;
    if (ok) {
        std::vector<std::thread> threads;
        threads.emplace_back([&] { c.Demux(); });
        for (Stage *s : {c.video.get(), c.audio.get()})
            if (s != nullptr)
                threads.emplace_back([&c, s] { c.RunStage(*s); });
        // The stages end on their own; watch them, report, and pass on a stop.
        auto next_report = Clock::now() + std::chrono::milliseconds(250);
        while (true) {
            bool all_done = (!c.video || c.video->finished) && (!c.audio || c.audio->finished);
            if (all_done || c.sh.abort)
                break;
            if (stopping()) {
                stopped = true;
                c.sh.abort = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (Clock::now() >= next_report) {
                next_report += std::chrono::milliseconds(250);
                if (hooks.status)
                    hooks.status(c.Status(began).c_str());
                percent(c.Reached());
            }
        }
        for (auto &t : threads)
            t.join();
        ok = c.sh.error.empty();
    }

    if (ok && !stopped) {
        if (c.sh.packets_written == 0 && c.sh.frames == 0 && c.Reached() <= 0) {
            c.sh.Fail("nothing to convert");
            ok = false;
        }
    }
    if (ok && !stopped && c.input_ended && c.declared_duration > 0) {
        // The input ended well before the point its own header promised: a cut-off file.
        double want = std::min(c.declared_duration, job.start + job.length.value_or(1e12));
        double got = job.start + c.Reached();
        if (got < want - 1.5 && got < want * 0.9) {
            c.sh.Fail("the input file is truncated or damaged");
            ok = false;
        }
    }
    if ((ok || stopped) && c.header_written) {
        std::lock_guard lock(c.sh.mux_mutex);
        int err = av_write_trailer(c.sh.oc);
        if (err < 0 && !stopped) {
            c.sh.error = "cannot finish the output file: " + ErrorText(err);
            ok = false;
        }
    }
    int64_t bytes = c.sh.Bytes();
    if (c.sh.oc != nullptr && c.sh.oc->pb != nullptr)
        avio_closep(&c.sh.oc->pb);

    if (!ok && !stopped) {
        if (c.created_output)
            std::remove(job.output.c_str());
        std::string line = "error: " + c.sh.error;
        if (hooks.status)
            hooks.status(line.c_str());
        return kFailed;
    }
    double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    if (std::getenv("MAVO_ENGINE_PROFILE") != nullptr)
        std::fprintf(
            stderr,
            "engine profile: wall %.3f s; thread cpu: demux %.3f s, video halve+filter+encode "
            "%.3f s (decoding runs on the decoder's threads), audio decode+filter+encode %.3f s\n",
            elapsed, c.sh.demux_cpu.load(), c.sh.video_cpu.load(), c.sh.audio_cpu.load());
    std::string line = StatusLine(c.sh.frames, elapsed > 0.05 ? c.sh.frames / elapsed : 0, c.sh.q,
                                  bytes, c.Reached());
    if (hooks.status)
        hooks.status(line.c_str());
    if (!stopped && hooks.percent)
        hooks.percent(100);
    return stopped ? kStopped : kFinished;
}

} // namespace engine
