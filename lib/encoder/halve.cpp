#include "halve.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace engine {

bool CanHalve(int format) {
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

HalfPool::~HalfPool() {
    av_buffer_pool_uninit(&pool_);
}

AVBufferRef *HalfPool::Get(int size) {
    if (pool_ == nullptr || size > size_) {
        av_buffer_pool_uninit(&pool_); // buffers still in use stay valid until released
        pool_ = av_buffer_pool_init(size, nullptr);
        size_ = size;
    }
    return pool_ != nullptr ? av_buffer_pool_get(pool_) : nullptr;
}

namespace {

// One plane: `ow` x `oh` output samples from an input of `iw` x `ih`; the second column and row
// of a block are clamped to the input so an odd edge repeats its last sample.
void HalvePlane(const uint8_t *src, int src_stride, int iw, int ih, uint8_t *dst, int dst_stride,
                int ow, int oh) {
    // Whole blocks: both columns inside the input.
    int full = std::min(ow, iw / 2);
    for (int y = 0; y < oh; ++y) {
        const uint8_t *a = src + static_cast<ptrdiff_t>(2 * y) * src_stride;
        const uint8_t *b = src + static_cast<ptrdiff_t>(std::min(2 * y + 1, ih - 1)) * src_stride;
        uint8_t *d = dst + static_cast<ptrdiff_t>(y) * dst_stride;
        int x = 0;
#if defined(__SSE2__)
        // Sixteen outputs at a time: each 16-bit lane holds one input pair, split into its even
        // and odd byte, and the four samples of a block are summed in 16 bits.
        const __m128i low = _mm_set1_epi16(0x00ff), two = _mm_set1_epi16(2);
        for (; x + 16 <= full; x += 16) {
            __m128i sums[2];
            for (int half = 0; half < 2; ++half) {
                const int at = 2 * x + 16 * half;
                __m128i ra = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + at));
                __m128i rb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + at));
                __m128i sum = _mm_add_epi16(_mm_and_si128(ra, low), _mm_srli_epi16(ra, 8));
                sum = _mm_add_epi16(sum,
                                    _mm_add_epi16(_mm_and_si128(rb, low), _mm_srli_epi16(rb, 8)));
                sums[half] = _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + x),
                             _mm_packus_epi16(sums[0], sums[1]));
        }
#endif
        for (; x < full; ++x)
            d[x] =
                static_cast<uint8_t>((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) >> 2);
        for (x = full; x < ow; ++x) {
            int x0 = std::min(2 * x, iw - 1), x1 = std::min(2 * x + 1, iw - 1);
            d[x] = static_cast<uint8_t>((a[x0] + a[x1] + b[x0] + b[x1] + 2) >> 2);
        }
    }
}

} // namespace

bool HalvePicture(const AVFrame *in, AVFrame *out, HalfPool &pool) {
    if (!CanHalve(in->format) || in->width < 2 || in->height < 2 || in->data[0] == nullptr)
        return false;
    const int w = in->width / 2, h = in->height / 2;
    constexpr int kAlign = 32;
    int size = av_image_get_buffer_size(static_cast<AVPixelFormat>(in->format), w, h, kAlign);
    if (size <= 0)
        return false;
    AVBufferRef *buf = pool.Get(size);
    if (buf == nullptr)
        return false;
    out->buf[0] = buf;
    if (av_image_fill_arrays(out->data, out->linesize, buf->data,
                             static_cast<AVPixelFormat>(in->format), w, h, kAlign) < 0 ||
        av_frame_copy_props(out, in) < 0) {
        av_frame_unref(out);
        return false;
    }
    out->format = in->format;
    out->width = w;
    out->height = h;
    out->extended_data = out->data;
    HalvePlane(in->data[0], in->linesize[0], in->width, in->height, out->data[0], out->linesize[0],
               w, h);
    const int icw = (in->width + 1) / 2, ich = (in->height + 1) / 2;
    const int ocw = (w + 1) / 2, och = (h + 1) / 2;
    for (int p = 1; p <= 2; ++p)
        HalvePlane(in->data[p], in->linesize[p], icw, ich, out->data[p], out->linesize[p], ocw,
                   och);
    return true;
}

} // namespace engine
