// The threads of a conversion: the demuxer and, per stream, decoding and filtering.
#include "converter.h"
#include "engine_common.h"

#include <time.h>

#include <thread>

namespace engine {

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

namespace {

// How long a picture lasts, in the input stream's time base: as the container says; else the gap
// since the picture before; else the stream's frame rate when it is a plausible one (ASF claims
// 1000 a second); else one output frame.
int64_t PictureDuration(const Stage &s, const AVFrame *f, int64_t pts, int64_t prev_pts) {
    if (f->pkt_duration > 0)
        return f->pkt_duration;
    if (prev_pts != AV_NOPTS_VALUE && pts > prev_pts)
        return pts - prev_pts;
    const AVRational tb = s.ist->time_base;
    AVRational fr = s.ist->avg_frame_rate;
    if (fr.num > 0 && fr.den > 0 && av_q2d(fr) <= 120)
        return std::max<int64_t>(1, av_rescale_q(1, av_inv_q(fr), tb));
    return std::max<int64_t>(1, av_rescale_q_rnd(1, av_inv_q(s.rate), tb, AV_ROUND_UP));
}

} // namespace

// A picture at least twice as large as the one it becomes, in both directions, is halved by 2x2
// averaging until it is not: the area scaler then has a quarter or less of the samples to read,
// and an exact multiple needs no scaling at all. The result is `f` itself, a halved copy owned by
// the stage, or null when memory ran out.
AVFrame *Converter::Shrunk(Stage &s, AVFrame *f) {
    const bool turned = s.rotation == 90 || s.rotation == 270;
    AVFrame *pic = f;
    // Halving would blend the two fields of an interlaced picture before they are taken apart.
    const bool fields = s.plan.deinterlace != PicturePlan::Deinterlace::None;
    for (int step = 0; !fields && CanHalve(pic->format); ++step) {
        int w = turned ? pic->height : pic->width, h = turned ? pic->width : pic->height;
        if (w < 2 * s.pic_w || h < 2 * s.pic_h)
            break;
        AVFrame *next = s.half[step % 2];
        av_frame_unref(next);
        if (!HalvePicture(pic, next, s.half_pool))
            return nullptr;
        pic = next;
    }
    return pic;
}

// Makes `slot` a reference to `f` (allocated on first use); false (the clip failed) when out of
// memory.
bool Converter::KeepReference(AVFrame *&slot, const AVFrame *f) {
    if (slot == nullptr)
        slot = av_frame_alloc();
    if (slot != nullptr)
        av_frame_unref(slot);
    if (slot == nullptr || av_frame_ref(slot, f) < 0) {
        sh.Fail("out of memory");
        return false;
    }
    return true;
}

// Nothing came out of the frame-rate filter: the clip is shorter than one output frame, or all its
// pictures lie before the start point. The latest picture becomes the one frame of the output.
bool Converter::OnePicture(Stage &s) {
    AVFrame *f = Shrunk(s, s.fallback);
    if (f == nullptr) {
        sh.Fail("out of memory");
        return false;
    }
    f->pts = 0;
    if (!BuildVideoGraph(f)) {
        sh.Fail("cannot set up the video filters");
        return false;
    }
    const int64_t one = av_rescale_q_rnd(1, av_inv_q(s.rate), s.ist->time_base, AV_ROUND_UP);
    int err = av_buffersrc_add_frame_flags(s.src, f, AV_BUFFERSRC_FLAG_KEEP_REF);
    if (err >= 0)
        err = av_buffersrc_close(s.src, one, AV_BUFFERSRC_FLAG_PUSH);
    if (err < 0) {
        sh.Fail("filtering failed: " + ErrorText(err));
        return false;
    }
    return Drain(s);
}

// A decoded picture at `pts`: rebased to the start point, halved while large, and given a graph
// that fits it. `f` becomes the frame to filter; false with nothing to filter when it lies before
// the start point (`f` null) or on failure.
bool Converter::VideoDecoded(Stage &s, AVFrame *&f, int64_t pts, int64_t prev_pts) {
    ++s.decoded;
    // The latest picture is kept until the first one has come out.
    if (s.produced == 0 && !KeepReference(s.fallback, f))
        return false;
    if (s.produced > 0 && s.fallback != nullptr)
        av_frame_free(&s.fallback);
    const int64_t rel = pts - s.start_pts;
    if (rel < 0 || (s.plan.keep_times &&
                    !KeepPictureAt(s.plan, rel, s.ist->time_base, s.last_slot, s.last_kept))) {
        f = nullptr; // before the start point, or past the ceiling of kept frame times
        return false;
    }
    s.end_pts = rel + PictureDuration(s, f, pts, prev_pts);
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
    return true;
}

// Decoded sound `rel` ticks after the start point; false with nothing to filter when it lies
// wholly before it (`f` unchanged, abort not set) or on failure.
bool Converter::AudioDecoded(Stage &s, AVFrame *f, int64_t rel) {
    if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        int n = f->ch_layout.nb_channels;
        av_channel_layout_uninit(&f->ch_layout);
        av_channel_layout_default(&f->ch_layout, n);
    }
    int64_t rel_samples = av_rescale_q(rel, s.ist->time_base, AVRational{1, f->sample_rate});
    if (rel_samples + f->nb_samples <= 0)
        return false; // wholly before the start point
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
    return true;
}

// A decoded frame: rebased to the start point, fed to the filter graph, results encoded.
bool Converter::Decoded(Stage &s, AVFrame *f) {
    int64_t pts = f->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        pts = s.last_in_pts == AV_NOPTS_VALUE ? s.start_pts : s.last_in_pts + 1;
    const int64_t prev_pts = s.last_in_pts;
    s.last_in_pts = pts;
    bool use = s.type == AVMEDIA_TYPE_VIDEO ? VideoDecoded(s, f, pts, prev_pts)
                                            : AudioDecoded(s, f, pts - s.start_pts);
    if (!use)
        return !sh.abort; // skipped, or failed
    int err = av_buffersrc_add_frame_flags(s.src, f, AV_BUFFERSRC_FLAG_KEEP_REF);
    if (err < 0) {
        sh.Fail("filtering failed: " + ErrorText(err));
        return false;
    }
    if (s.plan.keep_times && s.type == AVMEDIA_TYPE_VIDEO && !KeepReference(s.held, f))
        return false;
    return Drain(s);
}

// Under kept frame times the last picture may last far longer than a frame (a screen recording
// holds a still picture until something moves): it is shown once more a frame before its end, so
// that the output lasts as long as the source.
bool Converter::HoldLastPicture(Stage &s) {
    if (s.held == nullptr || s.end_pts == AV_NOPTS_VALUE)
        return true;
    const int64_t one = av_rescale_q_rnd(1, av_inv_q(s.rate), s.ist->time_base, AV_ROUND_UP);
    const int64_t end = std::min(s.end_pts, s.limit);
    // Only a hold the player would not guess from the pictures before: half a second or more.
    const int64_t half_second = av_rescale_q(1, AVRational{1, 2}, s.ist->time_base);
    if (end - s.held->pts <= std::max(2 * one, half_second))
        return true;
    s.held->pts = end - one;
    int err = av_buffersrc_add_frame_flags(s.src, s.held, AV_BUFFERSRC_FLAG_KEEP_REF);
    if (err < 0) {
        sh.Fail("filtering failed: " + ErrorText(err));
        return false;
    }
    return Drain(s);
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
    if (!sh.abort && !s.limit_hit && s.src != nullptr && HoldLastPicture(s)) {
        if (av_buffersrc_close(s.src, s.end_pts, AV_BUFFERSRC_FLAG_PUSH) >= 0)
            Drain(s);
    }
    if (!sh.abort && s.type == AVMEDIA_TYPE_VIDEO && s.produced == 0 && s.fallback != nullptr)
        OnePicture(s);
    // Kept frame times reach as far as the last picture lasts, which may be long (a screen
    // recording holds a still picture until something moves).
    if (!sh.abort && s.type == AVMEDIA_TYPE_VIDEO && s.plan.keep_times && s.produced > 0 &&
        s.end_pts != AV_NOPTS_VALUE)
        sh.video_time =
            std::max(sh.video_time.load(), std::min(s.end_pts, s.limit) * av_q2d(s.ist->time_base));
    if (!sh.abort)
        s.type == AVMEDIA_TYPE_AUDIO ? EncodeAudio(s, nullptr) : Encode(s, nullptr);
}

// Sends the stage's packets to its decoder until the input ends, the stage has all it wants, or
// the clip is stopped. Pictures are handed on; sound is filtered and encoded here.
bool Converter::DecodePackets(Stage &s, AVFrame *f) {
    const bool handing = s.type == AVMEDIA_TYPE_VIDEO;
    bool ended = false;
    while (!sh.abort && !s.limit_hit && !ended) {
        AVPacket *pkt = nullptr;
        if (!s.queue.Pop(pkt, sh.abort))
            return false;
        ended = pkt == nullptr;
        // Pictures shown before the start point are dropped: those no other picture refers to
        // need not be decoded at all (a long group of pictures before the start costs less).
        if (handing && pkt != nullptr)
            s.dec->skip_frame = pkt->pts != AV_NOPTS_VALUE && pkt->pts < s.start_pts
                                    ? AVDISCARD_NONREF
                                    : AVDISCARD_DEFAULT;
        int err = avcodec_send_packet(s.dec, pkt); // null: drain the decoder
        av_packet_free(&pkt);
        if (err == AVERROR(ENOMEM)) {
            sh.Fail("out of memory");
            return false;
        }
        // Other decoding errors cost only the damaged packet's frame.
        while (!sh.abort && !s.limit_hit && avcodec_receive_frame(s.dec, f) >= 0) {
            if (!handing) {
                bool ok = Decoded(s, f);
                av_frame_unref(f);
                if (!ok)
                    return false;
                continue;
            }
            AVFrame *copy = av_frame_alloc();
            if (copy == nullptr) {
                sh.Fail("out of memory");
                return false;
            }
            av_frame_move_ref(copy, f);
            if (!s.pictures.Push(copy, sh.abort))
                return false;
        }
    }
    return true;
}

// Decodes the stage's packets. Video pictures go to a thread of their own for filtering and
// encoding, so that the decoder's threads never wait for the encoder; audio is cheap and is
// filtered and encoded here.
void Converter::RunStage(Stage &s) {
    AVFrame *f = av_frame_alloc();
    const bool handing = s.type == AVMEDIA_TYPE_VIDEO;
    std::thread pictures;
    std::atomic<double> picture_cpu{0};
    if (f == nullptr)
        sh.Fail("out of memory");
    else if (handing)
        pictures = std::thread([&] {
            RunPictures(s);
            FinishStage(s);
            picture_cpu = ThreadSeconds();
        });
    if (f != nullptr)
        DecodePackets(s, f);
    s.done = true;
    s.queue.Close(); // the demuxer may stop feeding this stage
    av_frame_free(&f);
    if (pictures.joinable()) {
        s.pictures.Push(nullptr, sh.abort);
        pictures.join();
        sh.video_cpu = picture_cpu + ThreadSeconds();
    } else if (!handing) {
        FinishStage(s);
        sh.audio_cpu = ThreadSeconds();
    }
    s.finished = true;
}

// Which stage wants the packet, null when none does.
Stage *Converter::Wanting(const AVPacket *pkt) {
    Stage *s = nullptr;
    if (video && pkt->stream_index == video->in_index)
        s = video.get();
    else if (audio && pkt->stream_index == audio->in_index)
        s = audio.get();
    if (s == nullptr || s->done)
        return nullptr;
    return s;
}

// Silence up to `until` seconds after the start point, in packets of 1024 samples, for a clip
// without sound in a container that must have it.
void Converter::FeedSilence(double until) {
    Stage *a = audio.get();
    constexpr int kSamples = 1024;
    while (silent && a != nullptr && !a->done && !sh.abort &&
           silence_samples < until * kSilenceRate) {
        AVPacket *pkt = av_packet_alloc();
        if (pkt == nullptr || av_new_packet(pkt, kSamples * 4) < 0) {
            av_packet_free(&pkt);
            sh.Fail("out of memory");
            return;
        }
        std::memset(pkt->data, 0, static_cast<size_t>(pkt->size));
        pkt->stream_index = a->in_index;
        pkt->pts = pkt->dts = a->start_pts + silence_samples;
        pkt->duration = kSamples;
        silence_samples += kSamples;
        a->queue.Push(pkt, sh.abort);
    }
}

// Reads packets and hands each to its stage until the input ends or nobody wants more.
void Converter::Demux() {
    AVPacket *pkt = av_packet_alloc();
    if (pkt == nullptr)
        sh.Fail("out of memory");
    while (pkt != nullptr && !sh.abort && ((video && !video->done) || (audio && !audio->done))) {
        int err = av_read_frame(ic, pkt);
        if (err == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (err < 0) {
            sh.read_error = err != AVERROR_EOF;
            input_ended = true;
            break;
        }
        if (Subtitle(pkt)) {
            av_packet_unref(pkt);
            continue;
        }
        Stage *s = Wanting(pkt);
        if (s == nullptr) {
            av_packet_unref(pkt);
            continue;
        }
        if (job.length) {
            // A stream that ends early keeps its stage waiting for more; far past the end of the
            // clip nothing more can come for it.
            int64_t ts = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
            if (ts != AV_NOPTS_VALUE &&
                (ts - s->start_pts) * av_q2d(s->ist->time_base) > *job.length + 10.0)
                break;
        }
        if (silent && s == video.get() &&
            (pkt->pts != AV_NOPTS_VALUE || pkt->dts != AV_NOPTS_VALUE))
            pictures_reach =
                std::max(pictures_reach, ((pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts) +
                                          pkt->duration - s->start_pts) *
                                             av_q2d(s->ist->time_base));
        AVPacket *copy = av_packet_alloc();
        if (copy == nullptr) {
            sh.Fail("out of memory");
            break;
        }
        av_packet_move_ref(copy, pkt);
        s->queue.Push(copy, sh.abort);
        FeedSilence(pictures_reach);
    }
    av_packet_free(&pkt);
    FeedSilence(pictures_reach);
    for (Stage *s : {video.get(), audio.get()})
        if (s != nullptr)
            s->queue.Push(nullptr, sh.abort);
    sh.demux_cpu = ThreadSeconds();
}

} // namespace engine
