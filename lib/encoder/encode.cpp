// The encoders' side of the stages: filtered frames to packets, packets to the muxer.
#include "converter.h"
#include "engine_common.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

namespace engine {

bool Converter::Write(Stage &s, AVPacket *pkt) {
    if (s.trial && s.trial->Active()) {
        if (s.trial->Hold(pkt))
            return true;
        sh.Fail("out of memory");
        return false;
    }
    if (s.type == AVMEDIA_TYPE_VIDEO) {
        size_t size = 0;
        const uint8_t *stats = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
        // x264 marks a packet without a quantiser of its own with a negative one.
        const int32_t lambda =
            stats != nullptr && size >= 4 ? static_cast<int32_t>(AV_RL32(stats)) : -1;
        if (lambda >= 0)
            sh.q = lambda / static_cast<double>(FF_QP2LAMBDA);
    }
    av_packet_rescale_ts(pkt, s.enc->time_base, s.ost->time_base);
    pkt->stream_index = s.ost->index;
    std::lock_guard lock(sh.mux_mutex);
    int err = av_interleaved_write_frame(sh.oc, pkt);
    if (err < 0) {
        sh.Fail(OutputFailure("cannot write the output file", err));
        return false;
    }
    ++sh.packets_written;
    return true;
}

// Sends a frame (null: the end) to the stage's encoder and writes what comes out.
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

// Audio frames go to the encoder as any other; while the AAC coder is on trial they are also
// kept, and the trial is judged once it has seen enough sound or the clip has ended.
bool Converter::EncodeAudio(Stage &s, AVFrame *f) {
    if (!s.trial || !s.trial->Active())
        return Encode(s, f);
    if (f != nullptr && !s.trial->Keep(f)) {
        sh.Fail("out of memory");
        return false;
    }
    if (!Encode(s, f))
        return false;
    if (f == nullptr)
        return EndTrial(s, true);
    return s.trial->Due(s.enc->sample_rate) ? EndTrial(s, false) : true;
}

// The held packets are written when the fast coder met the bit rate; otherwise they are dropped
// and the kept frames coded again from the start with the thorough coder.
bool Converter::EndTrial(Stage &s, bool at_end) {
    const bool redo = s.trial->FellShort(s.enc);
    std::vector<AVFrame *> frames = s.trial->TakeFrames();
    std::vector<AVPacket *> packets = s.trial->TakePackets();
    bool ok = redo ? ReopenAudio(s, "twoloop") : true;
    for (AVPacket *&p : packets) {
        if (!redo && ok)
            ok = Write(s, p);
        av_packet_free(&p);
    }
    for (AVFrame *&f : frames) {
        if (redo && ok)
            ok = Encode(s, f);
        av_frame_free(&f);
    }
    if (redo && ok && at_end)
        ok = Encode(s, nullptr);
    return ok;
}

// A new encoder like the stage's own, with another AAC coder. The stream's parameters in the
// output stay valid: the coder changes nothing the header describes.
bool Converter::ReopenAudio(Stage &s, const char *coder) {
    const AVCodecContext *old = s.enc;
    AVCodecContext *e = avcodec_alloc_context3(old->codec);
    if (e == nullptr) {
        sh.Fail("out of memory");
        return false;
    }
    e->sample_rate = old->sample_rate;
    av_channel_layout_copy(&e->ch_layout, &old->ch_layout);
    e->sample_fmt = old->sample_fmt;
    e->bit_rate = old->bit_rate;
    e->time_base = old->time_base;
    e->flags = old->flags;
    AVDictionary *opts = nullptr;
    av_dict_set(&opts, "aac_coder", coder, 0);
    int err = avcodec_open2(e, old->codec, &opts);
    av_dict_free(&opts);
    if (err < 0 || e->frame_size != old->frame_size) {
        avcodec_free_context(&e);
        sh.Fail("cannot open the audio encoder " + job.acodec + ": " + ErrorText(err));
        return false;
    }
    avcodec_free_context(&s.enc);
    s.enc = e;
    s.coder = coder;
    return true;
}

// One frame out of the filters: given its place in the output and encoded, up to the limit.
bool Converter::Filtered(Stage &s, AVFrame *f) {
    const AVRational tb = av_buffersink_get_time_base(s.sink);
    if (s.type == AVMEDIA_TYPE_VIDEO) {
        int64_t pts = std::max(av_rescale_q(f->pts, tb, s.enc->time_base), s.produced);
        if (pts >= s.limit) {
            s.limit_hit = true;
            s.done = true;
            return true;
        }
        f->pts = pts;
        f->pict_type = AV_PICTURE_TYPE_NONE;
        if (s.plan.tone_map && (f = ToneMapped(s, f)) == nullptr)
            return false;
        if (s.drawn != nullptr && !DrawSubtitles(s, f, pts))
            return false;
        s.produced = pts + 1;
        ++s.frames_out;
        bool ok = Encode(s, f);
        // Kept frame times count ticks, not frames: a picture lasts about one frame of the rate.
        sh.frames = s.plan.keep_times ? s.frames_out : s.produced;
        sh.video_time = s.plan.keep_times
                            ? pts * av_q2d(s.enc->time_base) + av_q2d(av_inv_q(s.rate))
                            : s.produced * av_q2d(s.enc->time_base);
        return ok;
    }
    if (s.audio_offset == AV_NOPTS_VALUE)
        s.audio_offset = std::max<int64_t>(
            0, f->pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(f->pts, tb, s.enc->time_base));
    const int64_t remaining = s.limit - s.audio_offset - s.produced;
    if (remaining <= 0) {
        s.limit_hit = true;
        s.done = true;
        return true;
    }
    if (f->nb_samples > remaining)
        f->nb_samples = static_cast<int>(remaining);
    f->pts = s.audio_offset + s.produced;
    s.produced += f->nb_samples;
    bool ok = EncodeAudio(s, f);
    sh.audio_time = (s.audio_offset + s.produced) / static_cast<double>(s.enc->sample_rate);
    if (s.produced + s.audio_offset >= s.limit) {
        s.limit_hit = true;
        s.done = true;
    }
    return ok;
}

// The picture tone-mapped to BT.709 by the table, which the first picture builds; null when that
// fails (the clip has failed).
AVFrame *Converter::ToneMapped(Stage &s, AVFrame *f) {
    if (!s.tone.Built() && !s.tone.Build(s.plan, f)) {
        sh.Fail("cannot set up the tone mapping of the HDR video");
        return nullptr;
    }
    if (s.mapped == nullptr)
        s.mapped = av_frame_alloc();
    if (s.mapped == nullptr || !s.tone.Apply(f, s.mapped)) {
        sh.Fail("out of memory");
        return nullptr;
    }
    return s.mapped;
}

// The subtitles made of pictures that show at the frame's time, drawn between its bands.
bool Converter::DrawSubtitles(Stage &s, AVFrame *f, int64_t pts) {
    const DrawArea area{job.pad_left, job.pad_top,   s.pic_w,
                        s.pic_h,      s.plan.matrix, s.plan.transfer};
    const int64_t at = start_target + av_rescale_q(pts, s.enc->time_base, AV_TIME_BASE_Q);
    if (!s.drawn->DrawOn(f, at, area)) {
        sh.Fail("out of memory");
        return false;
    }
    return true;
}

// Pulls filtered frames and encodes them up to the stage's limit.
bool Converter::Drain(Stage &s) {
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
        ok = Filtered(s, f);
        av_frame_unref(f);
    }
    av_frame_free(&f);
    return ok;
}

} // namespace engine
