// Opening a conversion: the input, its decoders, the encoders and the output's header.
#include "common/FitRule.h"
#include "common/FloatToInt.h"
#include "converter.h"
#include "engine_common.h"
#include "options.h"
#include "tracks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <thread>

namespace engine {

namespace {

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

const char *KindName(AVMediaType type) {
    return type == AVMEDIA_TYPE_VIDEO ? "video" : "audio";
}

bool SameFile(const std::string &a, const std::string &b) {
    struct stat sa {
    }, sb{};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The source's frame rate when it is a plausible one, else 25.
AVRational SourceRate(const AVStream *st) {
    auto plausible = [](AVRational r) {
        return r.num > 0 && r.den > 0 && av_q2d(r) <= 120 && av_q2d(r) >= 1;
    };
    AVRational rate = plausible(st->avg_frame_rate) ? st->avg_frame_rate
                      : plausible(st->r_frame_rate) ? st->r_frame_rate
                                                    : AVRational{25, 1};
    av_reduce(&rate.num, &rate.den, rate.num, rate.den, 65535);
    return rate;
}

// The fitted picture's rate (lib/common/FitRule.h). A size target keeps its rate: it is there to
// fill the file.
int64_t FittedBitRate(const Job &job, int W, int H) {
    if (!job.fit || job.size_limit > 0)
        return job.video_bitrate;
    return FittedBitRateFor(job.video_bitrate, job.width, job.height, W, H);
}

// HDR kept: x265 writes the source's mastering display and light levels into the stream.
void KeepHdrMetadata(const char *path, int index, Transfer transfer, AVDictionary **opts) {
    std::string params = HdrMetadataParams(path, index);
    if (transfer == Transfer::Pq)
        params += std::string(params.empty() ? "" : ":") + "hdr10=1";
    if (params.empty())
        return;
    const AVDictionaryEntry *old = av_dict_get(*opts, "x265-params", nullptr, 0);
    const std::string all = old != nullptr ? std::string(old->value) + ":" + params : params;
    av_dict_set(opts, "x265-params", all.c_str(), 0);
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
    if (ec->id == AV_CODEC_ID_MPEG4 && !StateMpeg4Colour(e)) {
        sh.Fail("out of memory");
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
    if (std::string refusal = DolbyVisionRefusal(s->ist); !refusal.empty()) {
        sh.Fail(refusal);
        return false;
    }
    s->plan = PlanPicture(job, job.input.c_str(), s->ist);
    // Kept frame times are counted in the source's own ticks; the classic encoders take a
    // constant rate.
    const AVCodec *ec = FindEncoder(job.vcodec, AVMEDIA_TYPE_VIDEO);
    s->plan.keep_times =
        s->plan.keep_times && ec != nullptr &&
        (std::string_view(ec->name) == "libx264" || std::string_view(ec->name) == "libx265");
    s->rotation = StreamRotation(s->ist);
    int dw = 0, dh = 0;
    DisplaySize(s->ist, dw, dh);
    int W = job.width > 0 ? job.width : (dw & ~1);
    int H = job.height > 0 ? job.height : (dh & ~1);
    // A fitted frame turns with the picture: a portrait picture fills the box stood on its end.
    if (job.fit)
        FittedFrame(W, H, dw, dh, W, H);
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
    s->rate = SourceRate(s->ist);
    if (job.rate.num > 0)
        s->rate = job.fit ? FitRate(s->rate, job.rate) : job.rate;
    // Kept frame times may come as fast as the ceiling: the level is held for that rate.
    if (s->plan.keep_times && job.rate.num > 0)
        s->rate = job.rate;
    if (!VideoEncoder(*s, W, H))
        return false;
    video = std::move(s);
    return true;
}

bool Converter::VideoEncoder(Stage &s, int W, int H) {
    const AVCodec *ec = NewEncoder(s, job.vcodec);
    if (ec == nullptr)
        return false;
    AVCodecContext *e = s.enc;
    e->width = W;
    e->height = H;
    e->sample_aspect_ratio = AVRational{1, 1};
    e->pix_fmt = ec->pix_fmts != nullptr ? ec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    for (const AVPixelFormat *p = ec->pix_fmts; p != nullptr && *p != AV_PIX_FMT_NONE; ++p)
        if (*p == s.plan.pix_fmt)
            e->pix_fmt = s.plan.pix_fmt;
    e->color_primaries = s.plan.primaries;
    e->color_trc = s.plan.transfer;
    e->colorspace = s.plan.matrix;
    e->color_range = AVCOL_RANGE_MPEG;
    const std::string_view name = ec->name;
    const bool x26x = name == "libx264" || name == "libx265";
    e->time_base = s.plan.keep_times ? s.ist->time_base : av_inv_q(s.rate);
    e->framerate = s.rate;
    if (job.video_bitrate > 0)
        e->bit_rate = FittedBitRate(job, W, H);
    // x264 and x265 choose their own threads; the mpeg4 encoder gains nothing from more than one.
    e->thread_count = EnvInt("MAVO_ENGINE_ENCODE_THREADS", x26x ? 0 : 1);
    AVDictionary *opts = nullptr;
    std::string reason;
    bool opened = ConfigureVideo(job, ec, e, &opts, reason);
    if (opened && s.plan.keep_hdr)
        KeepHdrMetadata(job.input.c_str(), s.ist->index, s.plan.source, &opts);
    if (!opened)
        sh.Fail(reason);
    opened = opened && OpenEncoder(s, ec, job.vcodec, &opts);
    av_dict_free(&opts);
    if (!opened)
        return false;
    if (!job.vtag.empty())
        s.ost->codecpar->codec_tag = MKTAG(job.vtag[0], job.vtag[1], job.vtag[2], job.vtag[3]);
    s.ost->avg_frame_rate = s.rate;
    s.ost->sample_aspect_ratio = e->sample_aspect_ratio;
    return true;
}

bool Converter::SetupAudio(AVStream *ist, const AVCodec *decoder) {
    auto s = std::make_unique<Stage>(256);
    s->type = AVMEDIA_TYPE_AUDIO;
    s->in_index = silent ? -1 : ist->index; // silence comes from no stream of the input
    s->ist = ist;
    s->dec = OpenDecoder(s->ist, decoder, 1, job.bitexact);
    if (s->dec == nullptr) {
        sh.Fail("cannot open the audio decoder");
        return false;
    }
    const AVCodec *ec = NewEncoder(*s, job.acodec);
    if (ec == nullptr || !AudioEncoder(*s, ec))
        return false;
    // The output's sound keeps the track's language.
    if (const std::string language = StreamLanguage(s->ist); !language.empty())
        av_dict_set(&s->ost->metadata, "language", language.c_str(), 0);
    audio = std::move(s);
    return true;
}

bool Converter::AudioEncoder(Stage &s, const AVCodec *ec) {
    int rate = job.sample_rate;
    bool rate_given = rate > 0;
    if (!rate_given)
        rate = s.ist->codecpar->sample_rate > 0 ? s.ist->codecpar->sample_rate : 44100;
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
        job.channels > 0 ? job.channels : std::clamp(s.ist->codecpar->ch_layout.nb_channels, 1, 2);
    AVCodecContext *e = s.enc;
    e->sample_rate = rate;
    av_channel_layout_default(&e->ch_layout, channels);
    e->sample_fmt = ec->sample_fmts != nullptr ? ec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    e->bit_rate = job.audio_bitrate > 0 ? job.audio_bitrate : 128000;
    e->time_base = AVRational{1, rate};
    AVDictionary *opts = nullptr;
    const bool aac = std::string_view(ec->name) == "aac";
    if (aac)
        av_dict_set(&opts, "aac_coder", "fast", 0);
    bool opened = OpenEncoder(s, ec, job.acodec, &opts);
    av_dict_free(&opts);
    if (opened && aac) {
        s.trial = std::make_unique<CoderTrial>();
        s.coder = "fast";
    }
    return opened;
}

bool Converter::OpenSource(int &vi, const AVCodec *&vdec, int &ai, const AVCodec *&adec) {
    std::string reason;
    if (OpenInput(job.input.c_str(), &ic, reason) < 0) {
        sh.Fail(reason);
        return false;
    }
    vi = BestStream(ic, AVMEDIA_TYPE_VIDEO, &vdec);
    ai = ChooseAudio(ic, job.audio_track, &adec, reason);
    if (ai == -2) {
        sh.Fail(reason);
        return false;
    }
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
    return true;
}

// Seeks to the key frame before the start point; frames up to it are decoded and dropped.
// Formats without a key frame index land only near the point, so they go further back.
bool Converter::SeekToStart(int &vi, const AVCodec *&vdec, int &ai, const AVCodec *&adec) {
    start_base = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
    start_target = start_base + FloatToInt<int64_t>(job.start * AV_TIME_BASE, FloatRound::Nearest);
    if (job.start <= 0)
        return true;
    std::string_view fmt = ic->iformat->name;
    bool indexed = fmt.find("mp4") != std::string_view::npos || fmt == "avi" ||
                   fmt.find("matroska") != std::string_view::npos || fmt == "asf";
    int64_t margin = indexed ? 0 : 2 * AV_TIME_BASE;
    int64_t ts = std::max<int64_t>(start_base, start_target - margin);
    if (avformat_seek_file(ic, -1, INT64_MIN, ts, ts, 0) >= 0)
        return true;
    // Not seekable (SWF, raw streams): read from the beginning instead, on a fresh context, as a
    // failed attempt may have moved the reading position anywhere.
    avformat_close_input(&ic);
    std::string reason;
    if (OpenInput(job.input.c_str(), &ic, reason) < 0) {
        sh.Fail(reason);
        return false;
    }
    vi = BestStream(ic, AVMEDIA_TYPE_VIDEO, &vdec);
    ai = ChooseAudio(ic, job.audio_track, &adec, reason);
    return true;
}

bool Converter::CheckOutputPath() {
    if (SameFile(job.input, job.output)) {
        sh.Fail("the output file is the input file");
        return false;
    }
    struct stat st {};
    if (stat(job.output.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        sh.Fail("the output path names something other than a file");
        return false;
    }
    if (!job.overwrite && access(job.output.c_str(), F_OK) == 0) {
        sh.Fail("the output file exists");
        return false;
    }
    return true;
}

bool Converter::OpenOutput(int vi, const AVCodec *vdec, int ai, const AVCodec *adec) {
    const AVOutputFormat *of = GuessMuxer(job);
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
    AVStream *sound = ai >= 0 ? ic->streams[ai] : nullptr;
    if (sound == nullptr && vi >= 0 && !job.skip_audio && !job.acodec.empty() &&
        std::string_view(of->name) == "psp")
        sound = AddSilence(adec);
    if ((vi >= 0 && !SetupVideo(vi, vdec)) || (sound != nullptr && !SetupAudio(sound, adec)) ||
        !SetupSubtitles())
        return false;
    if (!CreateOutputFile())
        return false;
    AVDictionary *mux_opts = nullptr;
    if (job.faststart)
        av_dict_set(&mux_opts, "movflags", "+faststart", 0);
    int err = avformat_write_header(sh.oc, &mux_opts);
    av_dict_free(&mux_opts);
    if (err < 0) {
        sh.Fail("cannot write the " + std::string(of->name) + " header: " + ErrorText(err));
        return false;
    }
    header_written = true;
    CuesBeforeStart();
    return true;
}

// The PSP's container must hold a sound track: a clip without one gets silence, from a stream of
// zeros that the reader hands on beside the pictures (FeedSilence). Null when out of memory.
AVStream *Converter::AddSilence(const AVCodec *&adec) {
    adec = avcodec_find_decoder(AV_CODEC_ID_PCM_S16LE);
    silence_source = adec != nullptr ? avformat_alloc_context() : nullptr;
    AVStream *st =
        silence_source != nullptr ? avformat_new_stream(silence_source, nullptr) : nullptr;
    if (st == nullptr)
        return nullptr;
    AVCodecParameters *p = st->codecpar;
    p->codec_type = AVMEDIA_TYPE_AUDIO;
    p->codec_id = AV_CODEC_ID_PCM_S16LE;
    p->format = AV_SAMPLE_FMT_S16;
    p->sample_rate = kSilenceRate;
    av_channel_layout_default(&p->ch_layout, 2);
    p->bits_per_coded_sample = 16;
    p->block_align = 4;
    st->time_base = AVRational{1, kSilenceRate};
    silent = true;
    return st;
}

bool Converter::CreateOutputFile() {
    std::string url = "file:" + job.output;
    AVDictionary *io_opts = nullptr;
    av_dict_set(&io_opts, "protocol_whitelist", "file", 0);
    int err = avio_open2(&sh.oc->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, &io_opts);
    av_dict_free(&io_opts);
    if (err < 0) {
        sh.Fail(OutputFailure("cannot create the output file", err));
        return false;
    }
    created_output = true;
    if (job.faststart) {
        // Moving the index to the front reads the file back through its name, as a file only.
        av_freep(&sh.oc->url);
        sh.oc->url = av_strdup(url.c_str());
        sh.oc->protocol_whitelist = av_strdup("file");
        if (sh.oc->url == nullptr || sh.oc->protocol_whitelist == nullptr) {
            sh.Fail("out of memory");
            return false;
        }
    }
    struct stat st {};
    if (stat(job.output.c_str(), &st) != 0) {
        sh.Fail("the output file vanished as it was created");
        return false;
    }
    out_dev = st.st_dev;
    out_ino = st.st_ino;
    return true;
}

// Whether the output path still names the file this conversion created: a folder removed or a
// disk pulled during the conversion leaves the writes going to a file nobody can reach.
bool Converter::OutputStillThere() const {
    struct stat st {};
    return created_output && stat(job.output.c_str(), &st) == 0 && st.st_dev == out_dev &&
           st.st_ino == out_ino;
}

// The frames (video) or samples (audio) each stage is to produce.
void Converter::SetLimits() {
    for (Stage *s : {video.get(), audio.get()}) {
        if (s == nullptr)
            continue;
        s->start_pts = av_rescale_q(start_target, AV_TIME_BASE_Q, s->ist->time_base);
        if (job.length) {
            // Video counts frames, or ticks of its time base when its frame times are kept.
            double units = s->type == AVMEDIA_TYPE_AUDIO ? *job.length * s->enc->sample_rate
                           : s->plan.keep_times          ? *job.length / av_q2d(s->enc->time_base)
                                                         : *job.length * av_q2d(s->rate);
            s->limit = std::max<int64_t>(1, FloatToInt<int64_t>(units, FloatRound::Nearest));
        }
    }
}

bool Converter::Setup() {
    if (job.length && *job.length <= 0) {
        sh.Fail("nothing to convert");
        return false;
    }
    if (std::string misfit = OptionsMisfit(job); !misfit.empty()) {
        sh.Fail(misfit);
        return false;
    }
    const AVCodec *vdec = nullptr, *adec = nullptr;
    int vi = -1, ai = -1;
    if (!OpenSource(vi, vdec, ai, adec) || !SeekToStart(vi, vdec, ai, adec) || !CheckOutputPath())
        return false;
    if (job.skip_audio)
        ai = -1;
    if (!OpenOutput(vi, vdec, ai, adec))
        return false;
    SetLimits();
    return true;
}

} // namespace engine
