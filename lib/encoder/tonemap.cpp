#include "tonemap.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cstring>

namespace engine {

constexpr int kN = ToneMapTable::kPoints;

namespace {

constexpr int kShift = 5; // 10-bit codes between grid points: 32

using Lanes = ToneMapTable::Lanes;

// A grid point's three channels widened to lanes of 32 bits.
inline Lanes Load(const ToneMapTable::Point *p) {
    ToneMapTable::Point v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, Lanes);
}

inline Lanes Lerp(Lanes a, Lanes b, int f) {
    return a + (((b - a) * f) >> kShift);
}

// The grid's colours in the source's 10-bit codes: point n is code 32 n (1023 for the last).
AVFrame *GridFrame(const PicturePlan &plan, const AVFrame *first) {
    AVFrame *f = av_frame_alloc();
    if (f == nullptr)
        return nullptr;
    // Tagged as the source: the filters take what they are not told from the picture.
    f->color_primaries = plan.in_primaries;
    f->colorspace = plan.in_matrix;
    f->color_range = plan.in_range;
    f->color_trc = plan.source == Transfer::Pq ? AVCOL_TRC_SMPTE2084 : AVCOL_TRC_ARIB_STD_B67;
    f->format = AV_PIX_FMT_YUV444P10LE;
    f->width = kN * kN;
    f->height = kN;
    if (av_frame_get_buffer(f, 0) < 0) {
        av_frame_free(&f);
        return nullptr;
    }
    for (int y = 0; y < kN; ++y) {
        auto *py = reinterpret_cast<uint16_t *>(f->data[0] + y * f->linesize[0]);
        auto *pb = reinterpret_cast<uint16_t *>(f->data[1] + y * f->linesize[1]);
        auto *pr = reinterpret_cast<uint16_t *>(f->data[2] + y * f->linesize[2]);
        for (int x = 0; x < kN * kN; ++x) {
            py[x] = static_cast<uint16_t>(std::min(y << kShift, 1023));
            pb[x] = static_cast<uint16_t>(std::min((x / kN) << kShift, 1023));
            pr[x] = static_cast<uint16_t>(std::min((x % kN) << kShift, 1023));
        }
    }
    // The mastering display and light levels set the peak the tone curve rolls off to.
    for (AVFrameSideDataType type :
         {AV_FRAME_DATA_MASTERING_DISPLAY_METADATA, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL}) {
        const AVFrameSideData *sd = av_frame_get_side_data(first, type);
        AVFrameSideData *copy = sd != nullptr ? av_frame_new_side_data(f, type, sd->size) : nullptr;
        if (copy != nullptr)
            std::copy(sd->data, sd->data + sd->size, copy->data);
    }
    return f;
}

// Runs one picture through a filter chain; null when the chain cannot be built or run.
AVFrame *Filter(AVFrame *in, const std::string &chain) {
    AVFilterGraph *graph = avfilter_graph_alloc();
    AVFilterContext *src = nullptr, *sink = nullptr;
    AVFilterInOut *outputs = avfilter_inout_alloc(), *inputs = avfilter_inout_alloc();
    const std::string args = "video_size=" + std::to_string(in->width) + "x" +
                             std::to_string(in->height) + ":pix_fmt=" + std::to_string(in->format) +
                             ":time_base=1/25:pixel_aspect=1/1";
    AVFrame *out = av_frame_alloc();
    bool ok = graph != nullptr && outputs != nullptr && inputs != nullptr && out != nullptr &&
              avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args.c_str(),
                                           nullptr, graph) >= 0 &&
              avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out",
                                           nullptr, nullptr, graph) >= 0;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = src;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        ok = avfilter_graph_parse_ptr(graph, chain.c_str(), &inputs, &outputs, nullptr) >= 0 &&
             avfilter_graph_config(graph, nullptr) >= 0 &&
             av_buffersrc_add_frame_flags(src, in, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0 &&
             av_buffersrc_add_frame(src, nullptr) >= 0 && av_buffersink_get_frame(sink, out) >= 0;
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    avfilter_graph_free(&graph);
    if (!ok)
        av_frame_free(&out);
    return out;
}

} // namespace

bool ToneMapTable::Build(const PicturePlan &plan, const AVFrame *first) {
    AVFrame *grid = GridFrame(plan, first);
    AVFrame *mapped =
        grid != nullptr ? Filter(grid, ColourFilters(plan) + "format=yuv444p16le") : nullptr;
    av_frame_free(&grid);
    if (mapped == nullptr || mapped->width != kN * kN || mapped->height != kN) {
        av_frame_free(&mapped);
        return false;
    }
    grid_.resize(static_cast<size_t>(kN) * kN * kN);
    for (int y = 0; y < kN; ++y)
        for (int x = 0; x < kN * kN; ++x) {
            auto px = [&](int plane) {
                return reinterpret_cast<const uint16_t *>(mapped->data[plane] +
                                                          y * mapped->linesize[plane])[x];
            };
            grid_[static_cast<size_t>(y) * kN * kN + x] = Point{px(0), px(1), px(2), 0};
        }
    av_frame_free(&mapped);
    return true;
}

// Two rows of luma and their row of chroma, interpolated from the grid. Within a 2x2 block the
// chroma is one, so each level of the grid's luma axis is interpolated over the chroma plane once,
// all three channels together; each pixel's luma lies between two such levels, and the block's
// chroma is taken between the two levels around the block's mean luma.
void ToneMapTable::Rows(const AVFrame *in, AVFrame *out, int row) const {
    constexpr int mask = (1 << kShift) - 1;
    const int rows = std::min(2, in->height - row), cw = (in->width + 1) / 2;
    const auto *cbs = reinterpret_cast<const uint16_t *>(in->data[1] + row / 2 * in->linesize[1]);
    const auto *crs = reinterpret_cast<const uint16_t *>(in->data[2] + row / 2 * in->linesize[2]);
    const uint16_t *ys_in[2] = {
        reinterpret_cast<const uint16_t *>(in->data[0] + row * in->linesize[0]),
        reinterpret_cast<const uint16_t *>(in->data[0] + (row + rows - 1) * in->linesize[0])};
    uint8_t *oy[2] = {out->data[0] + row * out->linesize[0],
                      out->data[0] + (row + rows - 1) * out->linesize[0]};
    uint8_t *ocb = out->data[1] + row / 2 * out->linesize[1];
    uint8_t *ocr = out->data[2] + row / 2 * out->linesize[2];
    auto to8 = [](int v) { return static_cast<uint8_t>(std::clamp((v + 128) >> 8, 0, 255)); };
    const Point *grid = grid_.data();
    for (int cx = 0; cx < cw; ++cx) {
        const int cb = std::min<int>(cbs[cx], 1023), cr = std::min<int>(crs[cx], 1023);
        const int fb = cb & mask, fr = cr & mask;
        const Point *corner = grid + (static_cast<size_t>(cb >> kShift) * kN) + (cr >> kShift);
        // The block's luma values (a last odd column or row repeats the one before).
        const int x0 = 2 * cx, x1 = std::min(2 * cx + 1, in->width - 1);
        int ys[4] = {ys_in[0][x0], ys_in[0][x1], ys_in[1][x0], ys_in[1][x1]};
        int low = 1023, high = 0, sum = 0;
        for (int &y : ys) {
            y = std::min(y, 1023);
            low = std::min(low, y);
            high = std::max(high, y);
            sum += y;
        }
        // The grid across the chroma plane at each luma level the block spans.
        const int first = low >> kShift, last = (high >> kShift) + 1;
        Lanes levels[kN + 1];
        for (int l = first; l <= last; ++l) {
            const Point *e = corner + static_cast<size_t>(l) * kN * kN;
            levels[l - first] =
                Lerp(Lerp(Load(e), Load(e + 1), fr), Lerp(Load(e + kN), Load(e + kN + 1), fr), fb);
        }
        for (int i = 0; i < 4; ++i) { // luma alone: one lane, not four
            const int l = (ys[i] >> kShift) - first;
            const int a = levels[l][0], b = levels[l + 1][0];
            oy[i / 2][i % 2 ? x1 : x0] = to8(a + (((b - a) * (ys[i] & mask)) >> kShift));
        }
        const int mean = (sum + 2) / 4, l = (mean >> kShift) - first;
        const Lanes c = Lerp(levels[l], levels[l + 1], mean & mask);
        ocb[cx] = to8(c[1]);
        ocr[cx] = to8(c[2]);
    }
}

bool ToneMapTable::Apply(const AVFrame *in, AVFrame *out) const {
    // The buffers of the picture before are used again once the encoder has let them go.
    const bool reuse = out->buf[0] != nullptr && av_frame_is_writable(out) &&
                       out->width == in->width && out->height == in->height;
    if (!reuse) {
        av_frame_unref(out);
        out->format = AV_PIX_FMT_YUV420P;
        out->width = in->width;
        out->height = in->height;
        if (av_frame_get_buffer(out, 0) < 0)
            return false;
    }
    if (in->format != AV_PIX_FMT_YUV420P10LE)
        return false;
    out->pts = in->pts;
    out->sample_aspect_ratio = in->sample_aspect_ratio;
    out->color_primaries = AVCOL_PRI_BT709;
    out->color_trc = AVCOL_TRC_BT709;
    out->colorspace = AVCOL_SPC_BT709;
    out->color_range = AVCOL_RANGE_MPEG;
    for (int row = 0; row < in->height; row += 2)
        Rows(in, out, row);
    return true;
}

} // namespace engine
