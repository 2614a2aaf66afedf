// Halving 4:2:0 pictures by 2x2 averaging (compiled in from the engine's sources).
#include "halve.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

struct FrameDeleter {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;

Frame MakePicture(int w, int h, AVPixelFormat fmt = AV_PIX_FMT_YUV420P) {
    Frame f(av_frame_alloc());
    f->width = w;
    f->height = h;
    f->format = fmt;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    return f;
}

// Every sample random (the worst case for rounding and for the vector path's lanes).
void FillNoise(AVFrame *f, unsigned seed) {
    std::mt19937 rng(seed);
    for (int p = 0; p < 3; ++p) {
        int w = p == 0 ? f->width : (f->width + 1) / 2,
            h = p == 0 ? f->height : (f->height + 1) / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                f->data[p][y * f->linesize[p] + x] = static_cast<uint8_t>(rng());
    }
}

// A picture as a camera sees it: smooth shapes and mild texture.
void FillScene(AVFrame *f) {
    for (int p = 0; p < 3; ++p) {
        int w = p == 0 ? f->width : (f->width + 1) / 2,
            h = p == 0 ? f->height : (f->height + 1) / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double v = 128 + 70 * std::sin(x * 0.031 + p) * std::cos(y * 0.047) +
                           30 * std::sin((x + 2 * y) * 0.11) +
                           10 * std::sin(x * 0.9) * std::sin(y * 0.7);
                f->data[p][y * f->linesize[p] + x] = static_cast<uint8_t>(std::lround(v));
            }
    }
}

uint8_t At(const AVFrame *f, int p, int x, int y) {
    return f->data[p][y * f->linesize[p] + x];
}

// The rule written out sample by sample: a block's rounded mean, with an odd edge repeating the
// last column or row of the plane.
uint8_t Expected(const AVFrame *in, int p, int x, int y) {
    int w = p == 0 ? in->width : (in->width + 1) / 2,
        h = p == 0 ? in->height : (in->height + 1) / 2;
    int x0 = std::min(2 * x, w - 1), x1 = std::min(2 * x + 1, w - 1);
    int y0 = std::min(2 * y, h - 1), y1 = std::min(2 * y + 1, h - 1);
    return static_cast<uint8_t>(
        (At(in, p, x0, y0) + At(in, p, x1, y0) + At(in, p, x0, y1) + At(in, p, x1, y1) + 2) >> 2);
}

double PlanePsnr(const AVFrame *a, const AVFrame *b, int p) {
    int w = p == 0 ? a->width : (a->width + 1) / 2, h = p == 0 ? a->height : (a->height + 1) / 2;
    double se = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double d = At(a, p, x, y) - At(b, p, x, y);
            se += d * d;
        }
    double mse = se / (w * h);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

} // namespace

TEST(HalvePicture, EverySampleIsTheRoundedMeanOfItsBlockAtEvenAndOddSizes) {
    // Widths cover the 16-at-a-time path, its tail, and odd edges in both planes.
    const int sizes[][2] = {{1280, 720}, {70, 34}, {66, 30}, {7, 5}, {33, 3}, {2, 2}, {3, 2}};
    engine::HalfPool pool;
    unsigned seed = 1;
    for (auto [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        Frame in = MakePicture(w, h);
        FillNoise(in.get(), seed++);
        Frame out(av_frame_alloc());
        ASSERT_TRUE(engine::HalvePicture(in.get(), out.get(), pool));
        ASSERT_EQ(out->width, w / 2);
        ASSERT_EQ(out->height, h / 2);
        ASSERT_EQ(out->format, AV_PIX_FMT_YUV420P);
        int mismatches = 0;
        for (int p = 0; p < 3; ++p) {
            int ow = p == 0 ? w / 2 : (w / 2 + 1) / 2, oh = p == 0 ? h / 2 : (h / 2 + 1) / 2;
            for (int y = 0; y < oh; ++y)
                for (int x = 0; x < ow; ++x)
                    mismatches += At(out.get(), p, x, y) != Expected(in.get(), p, x, y);
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(HalvePicture, KeepsTheFramePropertiesAndTheFullRangeFormat) {
    engine::HalfPool pool;
    Frame in = MakePicture(64, 48, AV_PIX_FMT_YUVJ420P);
    FillNoise(in.get(), 7);
    in->pts = 1234;
    in->sample_aspect_ratio = AVRational{4, 3};
    in->color_range = AVCOL_RANGE_JPEG;
    Frame out(av_frame_alloc());
    ASSERT_TRUE(engine::HalvePicture(in.get(), out.get(), pool));
    EXPECT_EQ(out->pts, 1234);
    EXPECT_EQ(out->format, AV_PIX_FMT_YUVJ420P);
    EXPECT_EQ(out->sample_aspect_ratio.num, 4);
    EXPECT_EQ(out->sample_aspect_ratio.den, 3);
    EXPECT_EQ(out->color_range, AVCOL_RANGE_JPEG);
    ASSERT_NE(out->buf[0], nullptr); // reference-counted, so a filter graph can keep it
}

TEST(HalvePicture, RefusesWhatItCannotHalve) {
    engine::HalfPool pool;
    EXPECT_FALSE(engine::CanHalve(AV_PIX_FMT_YUV422P));
    EXPECT_FALSE(engine::CanHalve(AV_PIX_FMT_YUV420P10LE));
    EXPECT_FALSE(engine::CanHalve(AV_PIX_FMT_RGB24));
    Frame rgb = MakePicture(64, 48, AV_PIX_FMT_RGB24);
    Frame out(av_frame_alloc());
    EXPECT_FALSE(engine::HalvePicture(rgb.get(), out.get(), pool));
    Frame thin = MakePicture(1, 48);
    EXPECT_FALSE(engine::HalvePicture(thin.get(), out.get(), pool));
    EXPECT_EQ(out->buf[0], nullptr);
}

TEST(HalvePicture, PoolServesGrowingSizesWhileEarlierPicturesAreStillHeld) {
    engine::HalfPool pool;
    Frame small = MakePicture(64, 48), large = MakePicture(640, 480);
    FillNoise(small.get(), 3);
    FillNoise(large.get(), 4);
    Frame a(av_frame_alloc()), b(av_frame_alloc());
    ASSERT_TRUE(engine::HalvePicture(small.get(), a.get(), pool));
    uint8_t first = At(a.get(), 0, 5, 5);
    ASSERT_TRUE(engine::HalvePicture(large.get(), b.get(), pool));
    // The earlier picture is untouched by the later one.
    EXPECT_EQ(At(a.get(), 0, 5, 5), first);
    EXPECT_EQ(At(a.get(), 0, 5, 5), Expected(small.get(), 0, 5, 5));
    EXPECT_EQ(At(b.get(), 0, 300, 200), Expected(large.get(), 0, 300, 200));
}

TEST(HalvePicture, TwoHalvingsMatchAreaScalingToAQuarter) {
    // The engine's large shrinks: two halvings stand in for the area scaler at 4:1.
    engine::HalfPool pool;
    Frame in = MakePicture(1280, 720);
    FillScene(in.get());
    Frame half(av_frame_alloc()), quarter(av_frame_alloc());
    ASSERT_TRUE(engine::HalvePicture(in.get(), half.get(), pool));
    ASSERT_TRUE(engine::HalvePicture(half.get(), quarter.get(), pool));

    Frame area = MakePicture(320, 180);
    SwsContext *sws = sws_getContext(1280, 720, AV_PIX_FMT_YUV420P, 320, 180, AV_PIX_FMT_YUV420P,
                                     SWS_AREA, nullptr, nullptr, nullptr);
    ASSERT_NE(sws, nullptr);
    sws_scale(sws, in->data, in->linesize, 0, 720, area->data, area->linesize);
    sws_freeContext(sws);
    for (int p = 0; p < 3; ++p)
        EXPECT_GT(PlanePsnr(quarter.get(), area.get(), p), 42.0) << "plane " << p;
}
