// Halving a 4:2:0 picture by averaging each 2x2 block: the first steps of a large shrink, far
// cheaper than a general area scaler on the full-size picture.
#pragma once

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
}

namespace engine {

// Whether HalvePicture handles frames of this pixel format (planar 8-bit 4:2:0).
bool CanHalve(int format);

// Buffers for halved pictures, reused from frame to frame.
class HalfPool {
public:
    HalfPool() = default;
    HalfPool(const HalfPool &) = delete;
    HalfPool &operator=(const HalfPool &) = delete;
    ~HalfPool();
    // A buffer of at least `size` bytes; null when out of memory.
    AVBufferRef *Get(int size);

private:
    AVBufferPool *pool_ = nullptr;
    int size_ = 0;
};

// `out` (unreferenced on entry) becomes `in` at half width and half height (rounded down), with
// `in`'s properties. Each output sample is the rounded mean of its 2x2 block; at an odd edge the
// last chroma column or row stands in for the missing one. False when `in` cannot be halved (a
// format CanHalve refuses, or a side under 2) or on lack of memory.
bool HalvePicture(const AVFrame *in, AVFrame *out, HalfPool &pool);

} // namespace engine
