// The picture's colour, interlacing and frame times: what the source says, what a look at its
// first pictures finds, and the filters that follow from them.
#include "picture.h"
#include "engine_common.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/dovi_meta.h>
#include <libavutil/mastering_display_metadata.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace engine {

namespace {

const AVDOVIDecoderConfigurationRecord *DolbyVision(const AVStream *st) {
    size_t size = 0;
    const uint8_t *data = av_stream_get_side_data(st, AV_PKT_DATA_DOVI_CONF, &size);
    if (data == nullptr || size < sizeof(AVDOVIDecoderConfigurationRecord))
        return nullptr;
    return reinterpret_cast<const AVDOVIDecoderConfigurationRecord *>(data);
}

// Decodes the stream's first pictures, at most `most` of them and at most 400 packets read,
// handing each to `see` until it answers false. Bounded like the information calls.
template <typename See> void FirstPictures(const char *path, int index, int most, See see) {
    AVFormatContext *fc = nullptr;
    std::string reason;
    if (OpenInput(path, &fc, reason, ProbeSeconds()) < 0)
        return;
    const AVCodec *dec = nullptr;
    AVCodecContext *cc = nullptr;
    if (index >= 0 && static_cast<unsigned>(index) < fc->nb_streams)
        dec = avcodec_find_decoder(fc->streams[index]->codecpar->codec_id);
    if (dec != nullptr)
        cc = avcodec_alloc_context3(dec);
    if (cc != nullptr && (avcodec_parameters_to_context(cc, fc->streams[index]->codecpar) < 0 ||
                          avcodec_open2(cc, dec, nullptr) < 0))
        avcodec_free_context(&cc);
    AVPacket *pkt = av_packet_alloc();
    AVFrame *f = av_frame_alloc();
    bool more = cc != nullptr && pkt != nullptr && f != nullptr;
    for (int packets = 0, seen = 0; more && packets < 400 && seen < most; ++packets) {
        const bool ended = av_read_frame(fc, pkt) < 0;
        if (!ended && pkt->stream_index != index) {
            av_packet_unref(pkt);
            continue;
        }
        avcodec_send_packet(cc, ended ? nullptr : pkt);
        av_packet_unref(pkt);
        while (more && seen < most && avcodec_receive_frame(cc, f) >= 0) {
            ++seen;
            more = see(f);
            av_frame_unref(f);
        }
        more = more && !ended;
    }
    av_frame_free(&f);
    av_packet_free(&pkt);
    avcodec_free_context(&cc);
    avformat_close_input(&fc);
}

// A graph of one filter between a buffer source and sink, for pictures like `f`.
struct OneFilter {
    AVFilterGraph *graph = avfilter_graph_alloc();
    AVFilterContext *src = nullptr, *sink = nullptr;

    OneFilter(const AVFrame *f, AVRational tb, const char *filter) {
        const std::string args =
            "video_size=" + std::to_string(f->width) + "x" + std::to_string(f->height) +
            ":pix_fmt=" + std::to_string(f->format) + ":time_base=" + std::to_string(tb.num) + "/" +
            std::to_string(tb.den);
        AVFilterContext *mid = nullptr;
        if (graph == nullptr ||
            avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args.c_str(),
                                         nullptr, graph) < 0 ||
            avfilter_graph_create_filter(&mid, avfilter_get_by_name(filter), "f", nullptr, nullptr,
                                         graph) < 0 ||
            avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr,
                                         nullptr, graph) < 0 ||
            avfilter_link(src, 0, mid, 0) < 0 || avfilter_link(mid, 0, sink, 0) < 0 ||
            avfilter_graph_config(graph, nullptr) < 0)
            avfilter_graph_free(&graph);
    }
    ~OneFilter() { avfilter_graph_free(&graph); }
    OneFilter(const OneFilter &) = delete;
    OneFilter &operator=(const OneFilter &) = delete;
};

int64_t MetaCount(const AVFrame *f, const char *key) {
    const AVDictionaryEntry *e = av_dict_get(f->metadata, key, nullptr, 0);
    return e != nullptr ? std::strtoll(e->value, nullptr, 10) : 0;
}

// Codecs whose pictures are never interlaced, and frames too tall for any interlaced format.
bool NeverInterlaced(const AVCodecParameters *par) {
    switch (par->codec_id) {
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_AV1:
    case AV_CODEC_ID_VP8:
    case AV_CODEC_ID_VP9:
    case AV_CODEC_ID_PNG:
    case AV_CODEC_ID_GIF:
        return true;
    default:
        return par->height > 1088 || par->width > 1920;
    }
}

// The SDR colour the output states: the source's where it says it, else what its frame size
// implies (BT.709 for HD; BT.601 for SD, of 625 lines or of 525).
void SdrColour(const AVCodecParameters *par, PicturePlan &plan) {
    const bool hd = par->width >= 1280 || par->height >= 720;
    const bool pal = par->height == 576 || par->height == 288;
    const AVColorSpace m = Known(par->color_space, AVCOL_SPC_NB, AVCOL_SPC_UNSPECIFIED);
    const bool known = m == AVCOL_SPC_BT709 || m == AVCOL_SPC_SMPTE170M || m == AVCOL_SPC_BT470BG;
    plan.matrix = known ? m : hd ? AVCOL_SPC_BT709 : pal ? AVCOL_SPC_BT470BG : AVCOL_SPC_SMPTE170M;
    const AVColorPrimaries p = Known(par->color_primaries, AVCOL_PRI_NB, AVCOL_PRI_UNSPECIFIED);
    plan.primaries = p == AVCOL_PRI_BT709 || p == AVCOL_PRI_SMPTE170M || p == AVCOL_PRI_BT470BG ? p
                     : plan.matrix == AVCOL_SPC_BT709   ? AVCOL_PRI_BT709
                     : plan.matrix == AVCOL_SPC_BT470BG ? AVCOL_PRI_BT470BG
                                                        : AVCOL_PRI_SMPTE170M;
    plan.transfer = plan.matrix == AVCOL_SPC_BT709 ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
}

// An x265 chromaticity: units of 0.00002.
int64_t Chroma(AVRational r) {
    return r.den > 0 ? av_rescale(r.num, 50000, r.den) : 0;
}

} // namespace

Transfer SourceTransfer(const AVCodecParameters *par) {
    if (Raw(par->color_trc) == AVCOL_TRC_SMPTE2084)
        return Transfer::Pq;
    if (Raw(par->color_trc) == AVCOL_TRC_ARIB_STD_B67)
        return Transfer::Hlg;
    return Transfer::Sdr;
}

std::string DolbyVisionRefusal(const AVStream *st) {
    const AVDOVIDecoderConfigurationRecord *dv = DolbyVision(st);
    if (dv == nullptr || !dv->bl_present_flag || dv->dv_bl_signal_compatibility_id != 0)
        return {};
    return "Dolby Vision profile " + std::to_string(dv->dv_profile) +
           " video has no picture other players can show: its colours need Dolby's own "
           "processing";
}

std::string DynamicRangeText(const AVStream *st) {
    std::string text;
    const Transfer t = SourceTransfer(st->codecpar);
    if (t != Transfer::Sdr)
        text = t == Transfer::Pq ? " HDR PQ" : " HDR HLG";
    if (const AVDOVIDecoderConfigurationRecord *dv = DolbyVision(st))
        text += " Dolby Vision " + std::to_string(dv->dv_profile) + "." +
                std::to_string(dv->dv_bl_signal_compatibility_id);
    return text;
}

bool FlaggedInterlaced(const AVCodecParameters *par) {
    const int order = Raw(par->field_order);
    return order == AV_FIELD_TT || order == AV_FIELD_BB || order == AV_FIELD_TB ||
           order == AV_FIELD_BT;
}

int DetectInterlacing(const char *path, int stream_index) {
    AVFormatContext *fc = nullptr;
    std::string reason;
    if (OpenInput(path, &fc, reason, ProbeSeconds()) < 0)
        return 0;
    bool look = stream_index >= 0 && static_cast<unsigned>(stream_index) < fc->nb_streams;
    AVRational tb{1, 25};
    if (look) {
        const AVStream *st = fc->streams[stream_index];
        look = Raw(st->codecpar->field_order) == AV_FIELD_UNKNOWN && !NeverInterlaced(st->codecpar);
        tb = st->time_base;
    }
    avformat_close_input(&fc);
    if (!look)
        return 0;
    // The detector's counts of the pictures it judged over several fields, from about two seconds.
    std::unique_ptr<OneFilter> idet;
    int64_t tff = 0, bff = 0, progressive = 0;
    AVFrame *out = av_frame_alloc();
    FirstPictures(path, stream_index, 60, [&](AVFrame *f) {
        if (!idet)
            idet = std::make_unique<OneFilter>(f, tb, "idet");
        if (idet->graph == nullptr || out == nullptr ||
            av_buffersrc_add_frame_flags(idet->src, f, AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
            return false;
        while (av_buffersink_get_frame(idet->sink, out) >= 0) {
            tff = MetaCount(out, "lavfi.idet.multiple.tff");
            bff = MetaCount(out, "lavfi.idet.multiple.bff");
            progressive = MetaCount(out, "lavfi.idet.multiple.progressive");
            av_frame_unref(out);
        }
        return true;
    });
    av_frame_free(&out);
    // Still pictures say nothing either way; combing has to be seen in earnest.
    if (tff + bff < 4 || tff + bff <= progressive)
        return 0;
    return tff >= bff ? 1 : 2;
}

std::string HdrMetadataParams(const char *path, int stream_index) {
    std::string params;
    FirstPictures(path, stream_index, 1, [&](AVFrame *f) {
        const AVFrameSideData *m =
            av_frame_get_side_data(f, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA);
        const auto *md =
            m != nullptr ? reinterpret_cast<const AVMasteringDisplayMetadata *>(m->data) : nullptr;
        if (md != nullptr && md->has_primaries && md->has_luminance) {
            auto xy = [](const AVRational *c) {
                return "(" + std::to_string(Chroma(c[0])) + "," + std::to_string(Chroma(c[1])) +
                       ")";
            };
            // x265 takes green, blue, red; the metadata holds red, green, blue.
            params += "master-display=G" + xy(md->display_primaries[1]) + "B" +
                      xy(md->display_primaries[2]) + "R" + xy(md->display_primaries[0]) + "WP" +
                      xy(md->white_point) + "L(" +
                      std::to_string(av_rescale(md->max_luminance.num, 10000,
                                                std::max(md->max_luminance.den, 1))) +
                      "," +
                      std::to_string(av_rescale(md->min_luminance.num, 10000,
                                                std::max(md->min_luminance.den, 1))) +
                      ")";
        }
        const AVFrameSideData *c = av_frame_get_side_data(f, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL);
        if (c != nullptr) {
            const auto *cll = reinterpret_cast<const AVContentLightMetadata *>(c->data);
            params += std::string(params.empty() ? "" : ":") +
                      "max-cll=" + std::to_string(cll->MaxCLL) + "," + std::to_string(cll->MaxFALL);
        }
        return false;
    });
    return params;
}

PicturePlan PlanPicture(const Job &job, const char *path, const AVStream *st) {
    PicturePlan plan;
    const AVCodecParameters *par = st->codecpar;
    plan.source = SourceTransfer(par);
    const bool ten_bit = job.vprofile == "main10";
    plan.keep_hdr = job.keep_hdr && ten_bit && plan.source != Transfer::Sdr;
    plan.tone_map = !plan.keep_hdr && plan.source != Transfer::Sdr;
    plan.pix_fmt = ten_bit ? AV_PIX_FMT_YUV420P10LE : AV_PIX_FMT_YUV420P;
    plan.in_primaries = Known(par->color_primaries, AVCOL_PRI_NB, AVCOL_PRI_BT2020);
    if (plan.in_primaries == AVCOL_PRI_UNSPECIFIED)
        plan.in_primaries = AVCOL_PRI_BT2020;
    plan.in_matrix = Known(par->color_space, AVCOL_SPC_NB, AVCOL_SPC_BT2020_NCL);
    if (plan.in_matrix == AVCOL_SPC_UNSPECIFIED)
        plan.in_matrix = AVCOL_SPC_BT2020_NCL;
    if (Raw(par->color_range) == AVCOL_RANGE_JPEG)
        plan.in_range = AVCOL_RANGE_JPEG;
    if (plan.keep_hdr) {
        plan.primaries = AVCOL_PRI_BT2020;
        plan.matrix = AVCOL_SPC_BT2020_NCL;
        plan.transfer = plan.source == Transfer::Pq ? AVCOL_TRC_SMPTE2084 : AVCOL_TRC_ARIB_STD_B67;
    } else if (!plan.tone_map) {
        SdrColour(par, plan);
    }
    if (FlaggedInterlaced(par))
        plan.deinterlace = PicturePlan::Deinterlace::Flagged;
    else if (const int found = DetectInterlacing(path, st->index))
        plan.deinterlace =
            found == 1 ? PicturePlan::Deinterlace::TopFirst : PicturePlan::Deinterlace::BottomFirst;
    plan.keep_times = job.fit;
    plan.ceiling = job.rate;
    return plan;
}

bool StateMpeg4Colour(AVCodecContext *e) {
    const uint8_t *x = e->extradata;
    const int n = e->extradata_size;
    int at = -1;
    for (int i = 0; i + 6 <= n && at < 0; ++i)
        if (x[i] == 0 && x[i + 1] == 0 && x[i + 2] == 1 && x[i + 3] == 0xB5)
            at = i + 4;
    // Identifier flag, version, priority and object type (12 bits), then no signal type.
    if (at < 0 || !(x[at] & 0x80) || ((x[at + 1] >> 3) & 1) != 0)
        return true;
    uint64_t bits = (static_cast<uint64_t>(x[at]) << 4) | (x[at + 1] >> 4);
    int count = 12;
    auto put = [&](uint64_t v, int width) {
        bits = (bits << width) | v;
        count += width;
    };
    put(1, 1); // video signal type
    put(5, 3); // video format: unspecified
    put(0, 1); // studio range
    put(1, 1); // colour description
    put(e->color_primaries & 0xff, 8);
    put(e->color_trc & 0xff, 8);
    put(e->colorspace & 0xff, 8);
    put(0, 1); // stuffing: a zero, then ones to the byte's end
    put((1u << ((8 - count % 8) % 8)) - 1, (8 - count % 8) % 8);
    const int grown = count / 8 - 2;
    auto *out = static_cast<uint8_t *>(av_mallocz(n + grown + AV_INPUT_BUFFER_PADDING_SIZE));
    if (out == nullptr)
        return false;
    std::copy(x, x + at, out);
    for (int b = 0; b < count / 8; ++b)
        out[at + b] = static_cast<uint8_t>(bits >> (count - 8 * (b + 1)));
    std::copy(x + at + 2, x + n, out + at + count / 8);
    av_free(e->extradata);
    e->extradata = out;
    e->extradata_size = n + grown;
    return true;
}

std::string DeinterlaceFilters(const PicturePlan &plan) {
    using D = PicturePlan::Deinterlace;
    switch (plan.deinterlace) {
    case D::Flagged:
        // The pictures' own flags say which to deinterlace: a broadcast may switch.
        return "bwdif=mode=send_frame:parity=auto:deint=interlaced,";
    case D::TopFirst:
        return "bwdif=mode=send_frame:parity=tff:deint=all,";
    case D::BottomFirst:
        return "bwdif=mode=send_frame:parity=bff:deint=all,";
    default:
        return {};
    }
}

std::string ColourFilters(const PicturePlan &plan) {
    if (!plan.tone_map)
        return {};
    // Linear light at the output's size, the wide gamut brought into BT.709, the highlights rolled
    // off (Hable's curve keeps the mid-tones and skin natural), then BT.709 in studio range.
    const char *tin = plan.source == Transfer::Pq ? "smpte2084" : "arib-std-b67";
    const char *rin = plan.in_range == AVCOL_RANGE_JPEG ? "full" : "limited";
    // zscale numbers primaries and matrices as the streams do.
    return std::string("zscale=tin=") + tin + ":pin=" + std::to_string(plan.in_primaries) +
           ":min=" + std::to_string(plan.in_matrix) + ":rin=" + rin +
           ":t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
           "zscale=t=bt709:m=bt709:r=limited,";
}

bool KeepPictureAt(const PicturePlan &plan, int64_t rel, AVRational tb, int64_t &last_slot,
                   int64_t &last_rel) {
    if (last_rel != AV_NOPTS_VALUE && rel <= last_rel)
        return false;
    if (plan.ceiling.num > 0 && plan.ceiling.den > 0) {
        // One picture in each 1/ceiling of a second at most: a 60 fps source under 30 keeps every
        // other picture, a 30 fps one under 25 five of six, pictures already slower all.
        // Times rounded to their time base (33333 us for 1/30 s) still count in their own slot.
        const auto slot = static_cast<int64_t>(
            std::floor(static_cast<double>(rel) * av_q2d(tb) * av_q2d(plan.ceiling) + 0.01));
        if (last_slot != AV_NOPTS_VALUE && slot <= last_slot)
            return false;
        last_slot = slot;
    }
    last_rel = rel;
    return true;
}

} // namespace engine
