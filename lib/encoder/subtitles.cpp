// Text subtitles: decoded from the source, timed against the start point and the length, and
// written as MP4 timed text.
#include "subtitles.h"
#include "burn_in.h"
#include "converter.h"
#include "engine_common.h"
#include "tracks.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <mutex>
#include <string_view>

namespace engine {

bool IsTextSubtitle(const AVStream *st) {
    switch (st->codecpar->codec_id) {
    case AV_CODEC_ID_SUBRIP:
    case AV_CODEC_ID_TEXT:
    case AV_CODEC_ID_ASS:
    case AV_CODEC_ID_SSA:
    case AV_CODEC_ID_WEBVTT:
    case AV_CODEC_ID_MOV_TEXT:
        return st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE;
    default:
        return false;
    }
}

namespace {

// A decoder for the track and a timed-text encoder that takes its styles; null when either
// cannot be had.
std::unique_ptr<SoftSubtitle> OpenTrack(AVStream *ist, bool bitexact) {
    auto t = std::make_unique<SoftSubtitle>();
    t->ist = ist;
    t->in_index = ist->index;
    const AVCodec *dc = avcodec_find_decoder(ist->codecpar->codec_id);
    const AVCodec *ec = avcodec_find_encoder(AV_CODEC_ID_MOV_TEXT);
    if (dc == nullptr || ec == nullptr)
        return nullptr;
    t->dec = avcodec_alloc_context3(dc);
    t->enc = avcodec_alloc_context3(ec);
    if (t->dec == nullptr || t->enc == nullptr ||
        avcodec_parameters_to_context(t->dec, ist->codecpar) < 0)
        return nullptr;
    t->dec->pkt_timebase = ist->time_base;
    if (avcodec_open2(t->dec, dc, nullptr) < 0)
        return nullptr;
    t->enc->time_base = AVRational{1, 1000};
    if (bitexact)
        t->enc->flags |= AV_CODEC_FLAG_BITEXACT;
    if (t->dec->subtitle_header != nullptr && t->dec->subtitle_header_size > 0) {
        t->enc->subtitle_header =
            static_cast<uint8_t *>(av_mallocz(t->dec->subtitle_header_size + 1));
        if (t->enc->subtitle_header == nullptr)
            return nullptr;
        memcpy(t->enc->subtitle_header, t->dec->subtitle_header, t->dec->subtitle_header_size);
        t->enc->subtitle_header_size = t->dec->subtitle_header_size;
    }
    if (avcodec_open2(t->enc, ec, nullptr) < 0)
        return nullptr;
    return t;
}

} // namespace

bool Converter::SetupSubtitles() {
    std::string reason;
    const int burn = BurnInStream(ic, job.subtitles, reason);
    if (burn == -2) {
        sh.Fail(reason);
        return false;
    }
    if (burn >= 0 && video && !BurnIn(burn))
        return false;
    if (job.subtitles != "keep")
        return true;
    if (avformat_query_codec(sh.oc->oformat, AV_CODEC_ID_MOV_TEXT, FF_COMPLIANCE_NORMAL) != 1) {
        sh.Fail("-subtitles keep needs a container of the MP4 family, not " +
                std::string(sh.oc->oformat->name));
        return false;
    }
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
        AVStream *ist = ic->streams[i];
        if (!IsTextSubtitle(ist) || static_cast<int>(i) == burn)
            continue;
        std::unique_ptr<SoftSubtitle> t = OpenTrack(ist, job.bitexact);
        if (t == nullptr)
            continue; // a track that cannot be read is left out, as the output can do without
        t->ost = avformat_new_stream(sh.oc, nullptr);
        if (t->ost == nullptr || avcodec_parameters_from_context(t->ost->codecpar, t->enc) < 0) {
            sh.Fail("cannot add the subtitle stream");
            return false;
        }
        t->ost->time_base = t->enc->time_base;
        if (const std::string language = StreamLanguage(ist); !language.empty())
            av_dict_set(&t->ost->metadata, "language", language.c_str(), 0);
        subtitles.push_back(std::move(t));
    }
    return true;
}

bool Converter::BurnIn(int index) {
    Stage &s = *video;
    if (!IsBitmapSubtitle(ic->streams[index])) {
        s.burn_in = BurnInFilter(ic, index, job.input, start_target);
        return true;
    }
    if (!BitmapSubtitles::Drawable(s.enc->pix_fmt)) {
        sh.Fail(std::string("subtitles made of pictures cannot be drawn on ") +
                av_get_pix_fmt_name(s.enc->pix_fmt) + " pictures");
        return false;
    }
    std::string reason;
    s.drawn = std::make_unique<BitmapSubtitles>();
    if (!s.drawn->Open(job.input, index, start_target, s.ist->codecpar->width,
                       s.ist->codecpar->height, reason)) {
        sh.Fail(reason);
        return false;
    }
    return true;
}

bool Converter::Subtitle(AVPacket *pkt) {
    SoftSubtitle *t = nullptr;
    for (const auto &s : subtitles)
        if (s->in_index == pkt->stream_index)
            t = s.get();
    if (t == nullptr)
        return false;
    if (cues_before_start && pkt->pts != AV_NOPTS_VALUE &&
        av_rescale_q(pkt->pts, t->ist->time_base, AV_TIME_BASE_Q) < start_target)
        return true;
    AVSubtitle sub{};
    int got = 0;
    if (avcodec_decode_subtitle2(t->dec, &sub, &got, pkt) < 0 || got == 0 ||
        sub.pts == AV_NOPTS_VALUE) {
        if (got != 0)
            avsubtitle_free(&sub);
        return true;
    }
    // From the start point, in microseconds; cut to the part of the clip converted.
    int64_t from = sub.pts + int64_t{sub.start_display_time} * 1000 - start_target;
    int64_t to = sub.pts + int64_t{sub.end_display_time} * 1000 - start_target;
    if (sub.end_display_time == 0 && pkt->duration > 0)
        to = from + av_rescale_q(pkt->duration, t->ist->time_base, AV_TIME_BASE_Q);
    const int64_t end = job.length ? static_cast<int64_t>(*job.length * AV_TIME_BASE) : INT64_MAX;
    from = std::max<int64_t>(from, 0);
    to = std::min(to, end);
    if (to > from) {
        sub.pts = from;
        sub.start_display_time = 0;
        sub.end_display_time = static_cast<uint32_t>((to - from) / 1000);
        WriteSubtitle(*t, sub, from, to - from);
    }
    avsubtitle_free(&sub);
    return true;
}

// The reader of the clip starts at the key picture before the start point, which may come after
// a cue that still shows there; a second reader goes a minute further back for the kept tracks'
// packets before the start point, and the first then leaves those alone.
void Converter::CuesBeforeStart() {
    if (subtitles.empty() || start_target <= start_base)
        return;
    AVFormatContext *fc = nullptr;
    std::string reason;
    if (OpenInput(job.input.c_str(), &fc, reason) < 0 || fc->nb_streams != ic->nb_streams) {
        avformat_close_input(&fc);
        return; // the cues from the key picture on are still kept
    }
    for (unsigned i = 0; i < fc->nb_streams; ++i) {
        fc->streams[i]->discard = AVDISCARD_ALL;
        for (const auto &t : subtitles)
            if (t->in_index == static_cast<int>(i))
                fc->streams[i]->discard = AVDISCARD_DEFAULT;
    }
    constexpr int64_t kLeadIn = 60 * int64_t{AV_TIME_BASE};
    if (start_target - kLeadIn > start_base)
        avformat_seek_file(fc, -1, INT64_MIN, start_target - kLeadIn, start_target - kLeadIn, 0);
    AVPacket *pkt = av_packet_alloc();
    while (pkt != nullptr && av_read_frame(fc, pkt) >= 0) {
        const AVStream *st = fc->streams[pkt->stream_index];
        const bool before = pkt->pts == AV_NOPTS_VALUE ||
                            av_rescale_q(pkt->pts, st->time_base, AV_TIME_BASE_Q) < start_target;
        if (before)
            Subtitle(pkt);
        av_packet_unref(pkt);
        if (!before)
            break;
    }
    av_packet_free(&pkt);
    avformat_close_input(&fc);
    cues_before_start = true;
}

void Converter::WriteSubtitle(SoftSubtitle &t, const AVSubtitle &sub, int64_t from,
                              int64_t length) {
    std::vector<uint8_t> buf(1 << 16);
    const int size = avcodec_encode_subtitle(t.enc, buf.data(), static_cast<int>(buf.size()), &sub);
    if (size <= 0)
        return;
    AVPacket *out = av_packet_alloc();
    if (out == nullptr || av_new_packet(out, size) < 0) {
        av_packet_free(&out);
        return;
    }
    memcpy(out->data, buf.data(), static_cast<size_t>(size));
    out->stream_index = t.ost->index;
    out->pts = out->dts = av_rescale_q(from, AV_TIME_BASE_Q, t.ost->time_base);
    out->duration = av_rescale_q(length, AV_TIME_BASE_Q, t.ost->time_base);
    {
        std::lock_guard lock(sh.mux_mutex);
        av_interleaved_write_frame(sh.oc, out);
    }
    av_packet_free(&out);
}

} // namespace engine
