// Mydll_GetMediaFacts: what a written file holds, read back to check it against its device.
#include "common/FloatToInt.h"
#include "encoder.h"
#include "engine_common.h"
#include "picture.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

template <size_t N> void Put(char (&field)[N], std::string_view text) {
    const size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

int32_t Clamp32(double v) {
    return FloatToInt<int32_t>(std::clamp(v, 0.0, 2147483647.0), FloatRound::Nearest);
}

// Read by the MP4 family's demuxer ("mov,mp4,m4a,3gp,3g2,mj2").
bool ReadAsMp4(const AVFormatContext *fc) {
    return std::string_view(fc->iformat->name).find("mp4") != std::string_view::npos;
}

// The MP4 family by its major brand, anything else by the demuxer's first name.
std::string ContainerName(const AVFormatContext *fc) {
    std::string_view demuxer = fc->iformat->name;
    if (!ReadAsMp4(fc))
        return std::string(demuxer.substr(0, demuxer.find(',')));
    const AVDictionaryEntry *e = av_dict_get(fc->metadata, "major_brand", nullptr, 0);
    std::string_view brand = e != nullptr ? e->value : "";
    if (brand.rfind("3gp", 0) == 0)
        return "3gp";
    if (brand.rfind("3g2", 0) == 0)
        return "3g2";
    if (brand == "MSNV")
        return "psp";
    if (brand.rfind("qt", 0) == 0)
        return "mov";
    if (brand.rfind("M4V", 0) == 0)
        return "m4v";
    if (brand.rfind("M4A", 0) == 0)
        return "m4a";
    return "mp4";
}

// 1 when the top-level index box ('moov') comes before the media ('mdat').
int32_t IndexAtFront(AVIOContext *pb) {
    const int64_t size = avio_size(pb);
    int64_t pos = 0;
    for (int boxes = 0; boxes < 10000 && size > 0 && pos + 8 <= size; ++boxes) {
        if (avio_seek(pb, pos, SEEK_SET) < 0)
            return 0;
        uint64_t length = avio_rb32(pb);
        const uint32_t type = avio_rl32(pb);
        uint64_t header = 8;
        if (length == 1) {
            length = avio_rb64(pb);
            header = 16;
        } else if (length == 0) {
            length = static_cast<uint64_t>(size - pos);
        }
        if (type == MKTAG('m', 'o', 'o', 'v'))
            return 1;
        if (type == MKTAG('m', 'd', 'a', 't') || length < header ||
            length > static_cast<uint64_t>(size - pos))
            return 0;
        pos += static_cast<int64_t>(length);
    }
    return 0;
}

// A stream's packet bytes and the span of its timestamps.
struct Tally {
    int64_t bytes = 0;
    int64_t first = AV_NOPTS_VALUE, end = AV_NOPTS_VALUE;
    std::vector<std::pair<int64_t, int>> sizes; // each timed packet's time and size

    // kbit/s of the packets in the second half of the stream's time.
    int32_t LateKbps(const AVStream *st) const {
        if (first == AV_NOPTS_VALUE || end <= first)
            return 0;
        const int64_t half = first / 2 + end / 2; // cannot overflow
        int64_t late = 0;
        for (const auto &[ts, size] : sizes)
            late += ts >= half ? size : 0;
        const double seconds = (static_cast<double>(end) - half) * av_q2d(st->time_base);
        return seconds > 0 ? Clamp32(late * 8.0 / seconds / 1000.0) : 0;
    }

    // kbit/s over the stream's length (from the header, else from the timestamps).
    int32_t Kbps(const AVStream *st) const {
        double seconds = st->duration != AV_NOPTS_VALUE && st->duration > 0
                             ? st->duration * av_q2d(st->time_base)
                             : 0;
        if (seconds <= 0 && first != AV_NOPTS_VALUE && end > first)
            seconds = (static_cast<double>(end) - first) * av_q2d(st->time_base);
        return seconds > 0 ? Clamp32(bytes * 8.0 / seconds / 1000.0) : 0;
    }
};

std::vector<Tally> CountPackets(AVFormatContext *fc) {
    std::vector<Tally> tally(fc->nb_streams);
    AVPacket *pkt = av_packet_alloc();
    while (pkt != nullptr && av_read_frame(fc, pkt) >= 0) {
        const auto si = static_cast<size_t>(pkt->stream_index);
        const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (si < tally.size()) {
            Tally &t = tally[si];
            t.bytes += pkt->size;
            if (ts != AV_NOPTS_VALUE) {
                if (t.first == AV_NOPTS_VALUE || ts < t.first)
                    t.first = ts;
                t.end = std::max(t.end, ts + std::max<int64_t>(pkt->duration, 0));
                t.sizes.emplace_back(ts, pkt->size);
            }
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    return tally;
}

void ColourFacts(const char *path, const AVStream *st, MediaFacts *f) {
    const AVCodecParameters *p = st->codecpar;
    auto name = [](const char *n) { return n != nullptr ? n : "unknown"; };
    using engine::Known;
    Put(f->color_primaries, name(av_color_primaries_name(
                                Known(p->color_primaries, AVCOL_PRI_NB, AVCOL_PRI_UNSPECIFIED))));
    Put(f->color_transfer,
        name(av_color_transfer_name(Known(p->color_trc, AVCOL_TRC_NB, AVCOL_TRC_UNSPECIFIED))));
    Put(f->color_matrix,
        name(av_color_space_name(Known(p->color_space, AVCOL_SPC_NB, AVCOL_SPC_UNSPECIFIED))));
    Put(f->color_range,
        name(av_color_range_name(Known(p->color_range, AVCOL_RANGE_NB, AVCOL_RANGE_UNSPECIFIED))));
    f->interlaced = engine::Interlaced(path, st) ? 1 : 0;
}

void VideoFacts(const AVStream *st, const Tally &tally, MediaFacts *f) {
    const AVCodecParameters *p = st->codecpar;
    Put(f->video_codec, avcodec_get_name(p->codec_id));
    if (p->codec_tag != 0) {
        char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
        av_fourcc_make_string(tag, p->codec_tag);
        Put(f->video_tag, tag);
    }
    if (const char *profile = avcodec_profile_name(p->codec_id, p->profile))
        Put(f->video_profile, profile);
    // HEVC carries thirty times the level (123 for 4.1); H.264 and MPEG-4 the level as written.
    if (p->level > 0)
        f->video_level = p->codec_id == AV_CODEC_ID_HEVC ? p->level / 3 : p->level;
    f->width = p->width;
    f->height = p->height;
    engine::DisplaySize(st, f->display_width, f->display_height);
    const AVRational fr = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0
                              ? st->avg_frame_rate
                              : st->r_frame_rate;
    if (fr.num > 0 && fr.den > 0)
        f->fps_milli = Clamp32(av_q2d(fr) * 1000.0);
    f->video_kbps = tally.Kbps(st);
    f->video_kbps_late = tally.LateKbps(st);
    if (const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(p->format))) {
        f->bit_depth = d->comp[0].depth;
        f->chroma_420 = d->nb_components >= 3 && !(d->flags & AV_PIX_FMT_FLAG_RGB) &&
                        d->log2_chroma_w == 1 && d->log2_chroma_h == 1;
    }
}

void AudioFacts(const AVStream *st, const Tally &tally, MediaFacts *f) {
    const AVCodecParameters *p = st->codecpar;
    Put(f->audio_codec, avcodec_get_name(p->codec_id));
    if (p->codec_id == AV_CODEC_ID_AAC && p->profile == FF_PROFILE_AAC_LOW)
        Put(f->audio_profile, "LC");
    else if (p->codec_id == AV_CODEC_ID_AAC && p->profile == FF_PROFILE_AAC_HE)
        Put(f->audio_profile, "HE-AAC");
    else if (const char *profile = avcodec_profile_name(p->codec_id, p->profile))
        Put(f->audio_profile, profile);
    f->sample_rate = p->sample_rate;
    f->channels = engine::Channels(p);
    f->audio_kbps = tally.Kbps(st);
}

} // namespace

extern "C" ENCODER_API int Mydll_GetMediaFacts(const char *path, MediaFacts *facts) {
    if (facts == nullptr)
        return -1;
    *facts = MediaFacts{};
    AVFormatContext *fc = nullptr;
    std::string reason;
    if (engine::OpenInput(path, &fc, reason) < 0)
        return -1;
    const int vi = engine::BestStream(fc, AVMEDIA_TYPE_VIDEO);
    const int ai = engine::BestStream(fc, AVMEDIA_TYPE_AUDIO);
    if (vi < 0 && ai < 0) {
        avformat_close_input(&fc);
        return -1;
    }
    facts->readable = 1;
    Put(facts->container, ContainerName(fc));
    facts->file_bytes = std::max<int64_t>(avio_size(fc->pb), 0);
    if (fc->duration != AV_NOPTS_VALUE && fc->duration > 0)
        facts->duration_ms = Clamp32(fc->duration / 1000.0);
    const std::vector<Tally> tally = CountPackets(fc);
    if (vi >= 0) {
        VideoFacts(fc->streams[vi], tally[static_cast<size_t>(vi)], facts);
        ColourFacts(path, fc->streams[vi], facts);
    }
    if (ai >= 0)
        AudioFacts(fc->streams[ai], tally[static_cast<size_t>(ai)], facts);
    if (ReadAsMp4(fc))
        facts->index_at_front = IndexAtFront(fc->pb);
    avformat_close_input(&fc);
    return 0;
}
