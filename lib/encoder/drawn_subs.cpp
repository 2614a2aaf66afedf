// Subtitles made of pictures: read from a second reader of the file, a little ahead of the
// pictures, each event scaled once to the output's size with its palette turned into the output's
// colours, then laid over every frame it shows on.
#include "drawn_subs.h"
#include "engine_common.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>

namespace engine {

namespace {

// How far before the start point the reader begins: an event shown since then still shows.
constexpr int64_t kLeadIn = 10 * int64_t{AV_TIME_BASE};
// The largest picture an event may hold (a damaged stream may claim anything).
constexpr int64_t kMostPixels = int64_t{4096} * 4096;

// Lays a piece's plane over the frame's plane `data`, whose samples cover 2^sx x 2^sy of the
// piece's: each sample takes the mean opacity of the samples it covers, and their mean value
// weighted by opacity, 8 bits widened to the frame's depth.
template <typename T>
void BlendPlane(uint8_t *data, int linesize, int sx, int sy, int depth,
                const std::vector<uint8_t> &value, const std::vector<uint8_t> &alpha, int px,
                int py, int pw, int x0, int y0, int x1, int y1) {
    const int block = 1 << (sx + sy);
    for (int Y = y0 >> sy; Y <= (y1 - 1) >> sy; ++Y) {
        T *row = reinterpret_cast<T *>(data + static_cast<ptrdiff_t>(Y) * linesize);
        for (int X = x0 >> sx; X <= (x1 - 1) >> sx; ++X) {
            int sum_a = 0, sum_av = 0;
            for (int y = std::max(Y << sy, y0); y < std::min((Y + 1) << sy, y1); ++y)
                for (int x = std::max(X << sx, x0); x < std::min((X + 1) << sx, x1); ++x) {
                    const size_t at = static_cast<size_t>(y - py) * pw + (x - px);
                    sum_a += alpha[at];
                    sum_av += alpha[at] * value[at];
                }
            if (sum_a == 0)
                continue;
            const int v = (sum_av / sum_a) << (depth - 8);
            const int a = sum_a / block;
            row[X] = static_cast<T>((row[X] * (255 - a) + v * a + 127) / 255);
        }
    }
}

// The palette entry's colour (0xAARRGGBB) dimmed by `gain`.
uint32_t Dimmed(uint32_t c, double gain) {
    if (gain >= 1.0)
        return c;
    auto part = [&](int at) {
        return static_cast<uint32_t>(std::lround(((c >> at) & 0xff) * gain)) << at;
    };
    return (c & 0xff000000u) | part(16) | part(8) | part(0);
}

} // namespace

bool IsBitmapSubtitle(const AVStream *st) {
    switch (st->codecpar->codec_id) {
    case AV_CODEC_ID_HDMV_PGS_SUBTITLE:
    case AV_CODEC_ID_DVD_SUBTITLE:
    case AV_CODEC_ID_DVB_SUBTITLE:
    case AV_CODEC_ID_XSUB:
        return st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE;
    default:
        return false;
    }
}

BitmapSubtitles::~BitmapSubtitles() {
    while (!events_.empty())
        DropFront();
    av_packet_free(&pkt_);
    avcodec_free_context(&dec_);
    avformat_close_input(&ic_);
}

bool BitmapSubtitles::Open(const std::string &path, int index, int64_t start_us, int video_w,
                           int video_h, std::string &reason) {
    if (OpenInput(path.c_str(), &ic_, reason) < 0)
        return false;
    reason = "the subtitle track cannot be read";
    if (index < 0 || index >= static_cast<int>(ic_->nb_streams))
        return false;
    index_ = index;
    for (unsigned i = 0; i < ic_->nb_streams; ++i)
        if (static_cast<int>(i) != index)
            ic_->streams[i]->discard = AVDISCARD_ALL;
    const AVStream *st = ic_->streams[index];
    const AVCodec *dc = avcodec_find_decoder(st->codecpar->codec_id);
    if (dc == nullptr || (dec_ = avcodec_alloc_context3(dc)) == nullptr ||
        avcodec_parameters_to_context(dec_, st->codecpar) < 0)
        return false;
    dec_->pkt_timebase = st->time_base;
    if (avcodec_open2(dec_, dc, nullptr) < 0 || (pkt_ = av_packet_alloc()) == nullptr)
        return false;
    canvas_w_ = st->codecpar->width > 0 ? st->codecpar->width : video_w;
    canvas_h_ = st->codecpar->height > 0 ? st->codecpar->height : video_h;
    const int64_t first = ic_->start_time != AV_NOPTS_VALUE ? ic_->start_time : 0;
    if (start_us - kLeadIn > first) {
        const int64_t ts = start_us - kLeadIn;
        // A file that cannot seek is read from its beginning: slower, never wrong.
        avformat_seek_file(ic_, -1, INT64_MIN, ts, ts, 0);
    }
    reason.clear();
    return true;
}

bool BitmapSubtitles::Drawable(AVPixelFormat format) {
    const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(format);
    if (d == nullptr || d->nb_components < 3 || !(d->flags & AV_PIX_FMT_FLAG_PLANAR) ||
        (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_FLOAT |
                     AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_HWACCEL)))
        return false;
    const int depth = d->comp[0].depth;
    for (int i = 0; i < 3; ++i)
        if (d->comp[i].plane != i || d->comp[i].shift != 0 || d->comp[i].depth != depth ||
            d->comp[i].step != (depth > 8 ? 2 : 1))
            return false;
    return depth >= 8 && depth <= 16;
}

void BitmapSubtitles::DropFront() {
    avsubtitle_free(&events_.front().sub);
    events_.pop_front();
}

// Reads until an event starts after `at_us`, which ends the one showing then, or the file ends.
void BitmapSubtitles::ReadUntil(int64_t at_us) {
    while (!ended_ && (events_.empty() || events_.back().from <= at_us)) {
        if (av_read_frame(ic_, pkt_) < 0) {
            ended_ = true; // at the end, or damaged beyond reading: no more subtitles
            break;
        }
        AVSubtitle sub{};
        int got = 0;
        if (pkt_->stream_index == index_ && avcodec_decode_subtitle2(dec_, &sub, &got, pkt_) >= 0 &&
            got != 0)
            Decoded(sub, pkt_);
        av_packet_unref(pkt_);
    }
}

// Takes the decoded event into the queue, in the order of their starts. An event lasts as long as
// it says; one that does not say (Blu-ray's) until the next, which may be an empty one.
void BitmapSubtitles::Decoded(AVSubtitle &sub, const AVPacket *pkt) {
    if (sub.pts == AV_NOPTS_VALUE) {
        avsubtitle_free(&sub);
        return;
    }
    Event e;
    e.from = sub.pts + int64_t{sub.start_display_time} * 1000;
    if (sub.end_display_time != 0 && sub.end_display_time != UINT32_MAX)
        e.to = sub.pts + int64_t{sub.end_display_time} * 1000;
    else if (pkt->duration > 0)
        e.to =
            e.from + av_rescale_q(pkt->duration, ic_->streams[index_]->time_base, AV_TIME_BASE_Q);
    e.sub = sub;
    sub = AVSubtitle{};
    while (!events_.empty() && events_.back().from >= e.from) {
        avsubtitle_free(&events_.back().sub);
        events_.pop_back();
    }
    events_.push_back(e);
}

bool BitmapSubtitles::DrawOn(AVFrame *f, int64_t at_us, const DrawArea &area) {
    if (ic_ == nullptr)
        return true;
    ReadUntil(at_us);
    while (events_.size() >= 2 && events_[1].from <= at_us)
        DropFront();
    if (events_.size() == 1 && events_.front().to <= at_us)
        DropFront();
    if (events_.empty())
        return true;
    const Event &e = events_.front();
    const int64_t to = events_.size() >= 2 ? std::min(e.to, events_[1].from) : e.to;
    if (at_us < e.from || at_us >= to || e.sub.num_rects == 0)
        return true;
    if (e.from != rendered_from_ || f->width != rendered_w_ || f->height != rendered_h_) {
        if (!Render(e, f, area))
            return false;
    }
    if (pieces_.empty())
        return true;
    if (av_frame_make_writable(f) < 0)
        return false;
    for (const Piece &p : pieces_)
        Blend(f, p);
    return true;
}

// The event's pictures at the output's size. The canvas they were drawn for is fitted into the
// picture whole, centred, and its bottom on the picture's bottom, where subtitles belong.
bool BitmapSubtitles::Render(const Event &e, const AVFrame *f, const DrawArea &area) {
    pieces_.clear();
    rendered_from_ = e.from;
    rendered_w_ = f->width;
    rendered_h_ = f->height;
    const int cw = dec_->width > 0 ? dec_->width : canvas_w_;
    const int ch = dec_->height > 0 ? dec_->height : canvas_h_;
    if (cw <= 0 || ch <= 0 || area.w <= 0 || area.h <= 0)
        return true;
    const double scale =
        std::min(static_cast<double>(area.w) / cw, static_cast<double>(area.h) / ch);
    const int ox = area.x + static_cast<int>((area.w - cw * scale) / 2);
    const int oy = area.y + static_cast<int>(area.h - ch * scale);
    for (unsigned i = 0; i < e.sub.num_rects; ++i) {
        const AVSubtitleRect &r = *e.sub.rects[i];
        if (r.type != SUBTITLE_BITMAP || r.w <= 0 || r.h <= 0 || r.data[0] == nullptr ||
            r.data[1] == nullptr || int64_t{r.w} * r.h > kMostPixels)
            continue;
        if (!RenderRect(r, scale, ox, oy, f, area))
            return false;
    }
    return true;
}

bool BitmapSubtitles::RenderRect(const AVSubtitleRect &r, double scale, int ox, int oy,
                                 const AVFrame *f, const DrawArea &area) {
    Piece p;
    p.x = ox + static_cast<int>(std::lround(r.x * scale));
    p.y = oy + static_cast<int>(std::lround(r.y * scale));
    p.w = std::max(1, static_cast<int>(std::lround(r.w * scale)));
    p.h = std::max(1, static_cast<int>(std::lround(r.h * scale)));
    const int x0 = std::max({p.x, area.x, 0}), y0 = std::max({p.y, area.y, 0});
    const int x1 = std::min({p.x + p.w, area.x + area.w, f->width});
    const int y1 = std::min({p.y + p.h, area.y + area.h, f->height});
    if (x1 <= x0 || y1 <= y0)
        return true;
    // The palette's colours, dimmed for HDR to the level of a white page rather than the peak.
    const double gain = area.transfer == AVCOL_TRC_SMPTE2084      ? 0.58
                        : area.transfer == AVCOL_TRC_ARIB_STD_B67 ? 0.75
                                                                  : 1.0;
    const auto *palette = reinterpret_cast<const uint32_t *>(r.data[1]);
    std::vector<uint32_t> argb(static_cast<size_t>(r.w) * r.h);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            const int i = r.data[0][static_cast<ptrdiff_t>(y) * r.linesize[0] + x];
            argb[static_cast<size_t>(y) * r.w + x] = i < r.nb_colors ? Dimmed(palette[i], gain) : 0;
        }
    const size_t n = static_cast<size_t>(p.w) * p.h;
    p.y_.resize(n);
    p.u_.resize(n);
    p.v_.resize(n);
    p.a_.resize(n);
    SwsContext *sws = sws_getContext(r.w, r.h, AV_PIX_FMT_RGB32, p.w, p.h, AV_PIX_FMT_YUVA444P,
                                     SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (sws == nullptr)
        return false;
    const int matrix = area.matrix >= AVCOL_SPC_BT709 && area.matrix <= AVCOL_SPC_BT2020_CL
                           ? area.matrix
                           : SWS_CS_ITU601;
    sws_setColorspaceDetails(sws, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(matrix), 0, 0, 1 << 16, 1 << 16);
    const uint8_t *src[4] = {reinterpret_cast<const uint8_t *>(argb.data())};
    const int src_stride[4] = {r.w * 4};
    uint8_t *dst[4] = {p.y_.data(), p.u_.data(), p.v_.data(), p.a_.data()};
    const int dst_stride[4] = {p.w, p.w, p.w, p.w};
    sws_scale(sws, src, src_stride, 0, r.h, dst, dst_stride);
    sws_freeContext(sws);
    // Kept whole; only the part inside the picture is drawn.
    p.x0_ = x0;
    p.y0_ = y0;
    p.x1_ = x1;
    p.y1_ = y1;
    pieces_.push_back(std::move(p));
    return true;
}

void BitmapSubtitles::Blend(AVFrame *f, const Piece &p) const {
    const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f->format));
    const int depth = d->comp[0].depth;
    const std::vector<uint8_t> *planes[3] = {&p.y_, &p.u_, &p.v_};
    for (int i = 0; i < 3; ++i) {
        const int sx = i == 0 ? 0 : d->log2_chroma_w, sy = i == 0 ? 0 : d->log2_chroma_h;
        auto blend = depth > 8 ? BlendPlane<uint16_t> : BlendPlane<uint8_t>;
        blend(f->data[i], f->linesize[i], sx, sy, depth, *planes[i], p.a_, p.x, p.y, p.w, p.x0_,
              p.y0_, p.x1_, p.y1_);
    }
}

} // namespace engine
